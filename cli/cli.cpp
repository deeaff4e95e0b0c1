// SPDX-License-Identifier: MIT
// korvane-cli's dispatch: finds the command in the tables, checks its operand
// count and writes the help, so that each command is named only in its table.
#include "cli/cli.h"

#include <cerrno>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command.h"

const CliTable CLI_TABLES[] = {
    {MODULE_COMMANDS, &MODULE_COMMAND_COUNT},
    {COLOR_COMMANDS, &COLOR_COMMAND_COUNT},
    {FONT_COMMANDS, &FONT_COMMAND_COUNT},
    {IMAGE_COMMANDS, &IMAGE_COMMAND_COUNT},
    {STRING_COMMANDS, &STRING_COMMAND_COUNT},
    {FOLDER_COMMANDS, &FOLDER_COMMAND_COUNT},
    {COMPARE_COMMANDS, &COMPARE_COMMAND_COUNT},
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
    "malformed command line. diff and carry, as diff(1): 0 when the images are\n"
    "equal (no conflict), 1 when they differ (conflicts), 2 on trouble.\n";

// The words of a command's operands text: positional operands, then options
// as "[--flag]" or "[--name VALUE]".
struct Syntax {
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, bool>> options;  // name, takes a value
};

Syntax syntaxOf(const char* operands) {
  Syntax syntax;
  std::istringstream words(operands);
  std::string word;
  while (words >> word) {
    if (word[0] != '[') {
      syntax.positional.push_back(word);
    } else if (word.back() == ']') {
      syntax.options.push_back({word.substr(1, word.size() - 2), false});
    } else {
      syntax.options.push_back({word.substr(1), true});
      words >> word;  // the value's name
    }
  }
  return syntax;
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
  // Options may stand anywhere after the command, each at most once; after
  // "--" every word is an operand.
  Syntax syntax = syntaxOf(command->operands);
  std::vector<char*> operands, options(syntax.options.size(), nullptr);
  bool optionsEnded = false;
  for (int i = 2; i < argc; i++) {
    size_t k = 0;
    while (k < syntax.options.size() && syntax.options[k].first != argv[i]) k++;
    if (optionsEnded || std::strncmp(argv[i], "--", 2) != 0) {
      operands.push_back(argv[i]);
    } else if (std::strcmp(argv[i], "--") == 0) {
      optionsEnded = true;
    } else if (k == syntax.options.size() || options[k]) {
      return usage(err, "unknown or repeated option '" + std::string(argv[i]) + "' for '" + name + "'");
    } else if (!syntax.options[k].second) {
      options[k] = argv[i];
    } else if (++i < argc) {
      options[k] = argv[i];
    } else {
      return usage(err, "option '" + syntax.options[k].first + "' needs a value");
    }
  }
  if (operands.size() != syntax.positional.size())
    return usage(err, "wrong number of arguments for '" + name + "'");
  operands.insert(operands.end(), options.begin(), options.end());
  return command->run(operands.data(), out, err);
}

}  // namespace

int cliRun(int argc, char** argv, FILE* out, FILE* err) {
  int code = dispatch(argc, argv, out, err);
  // Output a script never received (a full disk, a closed pipe) is a failure.
  if (std::fflush(out) != 0 || std::ferror(out)) {
    std::fprintf(err, "korvane-cli: error writing output: %s\n", std::strerror(errno));
    const CliCommand* command = argc > 1 ? commandFind(argv[1]) : nullptr;
    return command && command->outputFailureCode ? command->outputFailureCode : code ? code : 1;
  }
  return code;
}
