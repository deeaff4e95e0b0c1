// korvane-cli's dispatch: finds the command in the tables, checks its operand
// count and writes the help, so that each command is named only in its table.
#include "cli/cli.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "cli/command.h"

const CliTable CLI_TABLES[] = {
    {MODULE_COMMANDS, &MODULE_COMMAND_COUNT},
};
const size_t CLI_TABLE_COUNT = sizeof CLI_TABLES / sizeof CLI_TABLES[0];

namespace {

const char HELP_HEAD[] =
    "Usage: korvane-cli COMMAND ARGUMENTS\n"
    "       korvane-cli --help | --version\n"
    "\n"
    "Works on firmware images of OS-9 style modules, as the Korvane editor does.\n"
    "INDEX is a module's index in the image (the \"#\" column of the list).\n"
    "\n"
    "Commands:\n";

const char HELP_TAIL[] =
    "\n"
    "An existing OUT is replaced; it is written to a temporary file first and\n"
    "only renamed over OUT once complete, so a failure never leaves it\n"
    "half-written.\n"
    "\n"
    "Exit status: 0 on success, 1 when the work failed or was refused, 2 for a\n"
    "malformed command line.\n";

int operandCount(const char* operands) {
  int count = 0;
  for (const char* p = operands; *p; p++)
    if (*p != ' ' && (p == operands || p[-1] == ' ')) count++;
  return count;
}

const CliCommand* commandFind(const char* name) {
  for (const CliTable& table : CLI_TABLES)
    for (size_t i = 0; i < *table.count; i++)
      if (std::strcmp(table.commands[i].name, name) == 0) return &table.commands[i];
  return nullptr;
}

void printHelp(FILE* out) {
  std::fputs(HELP_HEAD, out);
  for (const CliTable& table : CLI_TABLES) {
    for (size_t i = 0; i < *table.count; i++) {
      const CliCommand& command = table.commands[i];
      std::fprintf(out, "  %s%s%s\n      ", command.name, command.operands[0] ? " " : "",
                   command.operands);
      for (const char* p = command.help; *p; p++) {
        std::fputc(*p, out);
        if (*p == '\n') std::fputs("      ", out);
      }
      std::fputc('\n', out);
    }
  }
  std::fputs(HELP_TAIL, out);
}

int usage(FILE* err, const std::string& text) {
  std::fprintf(err, "korvane-cli: %s\nTry 'korvane-cli --help'.\n", text.c_str());
  return 2;
}

int dispatch(int argc, char** argv, FILE* out, FILE* err) {
  if (argc < 2) return usage(err, "missing command");
  std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    printHelp(out);
    return 0;
  }
  if (name == "--version") {
    std::fputs("korvane-cli " KORVANE_VERSION "\n", out);
    return 0;
  }
  const CliCommand* command = commandFind(argv[1]);
  if (!command) return usage(err, "unknown command '" + name + "'");
  if (argc - 2 != operandCount(command->operands))
    return usage(err, "wrong number of arguments for '" + name + "'");
  return command->run(argv + 2, out, err);
}

}  // namespace

int cliRun(int argc, char** argv, FILE* out, FILE* err) {
  int code = dispatch(argc, argv, out, err);
  // Output a script never received (a full disk, a closed pipe) is a failure.
  if (std::fflush(out) != 0 || std::ferror(out)) {
    std::fprintf(err, "korvane-cli: error writing output: %s\n", std::strerror(errno));
    return code ? code : 1;
  }
  return code;
}
