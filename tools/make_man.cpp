// SPDX-License-Identifier: MIT
// Writes korvane-cli's manual page and its bash completion from the CLI's
// command table, so that a command added to a table is never missing from
// either. Usage: korvane-man page OUT | korvane-man completion OUT
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command.h"

namespace {

// Examples that say more than sample operands would. A command without one
// gets an example made from its operands; an entry naming no command stops
// the build, so that a renamed command does not lose its example silently.
struct CliExample {
  const char* name;
  const char* arguments;
  const char* text;
};

const CliExample EXAMPLES[] = {
    {"list", "firmware.img | cut -f2,3", "Print the name and size of every module."},
    {"check", "firmware.img && echo valid", "Say whether an image loads without errors."},
    {"extract", "firmware.img 3 module3.img", "Save module 3 alone, as a one-module image."},
    {"replace", "firmware.img 3 module3.img patched.img",
     "Put an edited module 3 back, into a new image."},
    {"resave", "firmware.img copy.img --commit && cmp firmware.img copy.img",
     "Write every module back as the editor tabs would with nothing edited, and compare."},
    {"colors", "firmware.img > colors.txt", "Dump the colour tables, for diffing."},
    {"fonts", "firmware.img > fonts.txt", "Dump the fonts, for diffing."},
    {"images", "firmware.img | grep '^entry'", "List every picture of every image module."},
    {"export", "firmware.img 12 0 picture.xbm", "Save picture 0 of image module 12."},
    {"strings", "firmware.img > strings.txt", "Dump the language strings, for diffing."},
    {"strings-export", "firmware.img Lng_German de.po --reference Lng_English",
     "Give a translator the German texts with the English ones as msgid."},
    {"strings-import", "firmware.img Lng_German de.po translated.img",
     "Bring the translated texts back into a new image."},
    {"strings-width", "firmware.img Lng_German font_small | awk '$2 > 200'",
     "Find texts that draw wider than 200 pixels in the small font."},
    {"font-export", "firmware.img font_small small.bdf --codepage CP1251",
     "Save a font for a BDF editor, with Cyrillic character names."},
    {"font-import", "firmware.img font_small small.bdf patched.img",
     "Bring an edited BDF font back into a new image."},
    {"font-coverage", "firmware.img font_small Lng_Russian",
     "List the letters the Russian texts use that the font draws blank."},
};

std::vector<const CliCommand*> commandsAll() {
  std::vector<const CliCommand*> all;
  for (size_t t = 0; t < CLI_TABLE_COUNT; t++)
    for (size_t i = 0; i < *CLI_TABLES[t].count; i++) all.push_back(&CLI_TABLES[t].commands[i]);
  return all;
}

std::vector<std::string> wordsOf(const char* text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  std::string word;
  while (in >> word) words.push_back(word);
  return words;
}

// Text as troff prints it: backslashes and dashes escaped, and a line that
// starts with a control character guarded so it is not read as a request.
std::string roff(const std::string& text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
    lineStart = c == '\n';
  }
  return out;
}

// "IMAGE OUT [--name VALUE]" with operands in italics and options in bold.
std::string operandsRoff(const char* operands) {
  std::string out;
  for (const std::string& word : wordsOf(operands)) {
    std::string plain = word;
    std::string open = plain[0] == '[' ? "[" : "", close = plain.back() == ']' ? "]" : "";
    plain = plain.substr(open.size(), plain.size() - open.size() - close.size());
    const char* font = plain[0] == '-' ? "\\fB" : "\\fI";
    out += " " + open + font + roff(plain) + "\\fR" + close;
  }
  return out;
}

// Sample values for a command's operands, for a command without an example.
std::string exampleArguments(const CliCommand& command) {
  std::string arguments;
  for (const std::string& word : wordsOf(command.operands)) {
    if (word[0] == '[') break;
    std::string value;
    if (word == "IMAGE")
      value = "firmware.img";
    else if (word == "INDEX" || word == "MODULE" || word == "FONT" || word == "LANG")
      value = "3";
    else if (word == "ENTRY")
      value = "0";
    else if (word == "OUT")
      value = "out.img";
    else
      for (char c : word) value += char(std::tolower((unsigned char)c));
    arguments += (arguments.empty() ? "" : " ") + value;
  }
  return arguments;
}

// The help's first sentence on one line: what such an example does.
std::string sentenceFirst(const char* help) {
  std::string text = help;
  size_t end = text.find('.');
  while (end != std::string::npos && end + 1 < text.size() && !std::isspace(text[end + 1]))
    end = text.find('.', end + 1);
  text = text.substr(0, end == std::string::npos ? text.size() : end + 1);
  for (char& c : text)
    if (c == '\n') c = ' ';
  return text;
}

bool pageWrite(FILE* out) {
  std::vector<const CliCommand*> commands = commandsAll();
  for (const CliExample& example : EXAMPLES) {
    bool found = false;
    for (const CliCommand* command : commands) found |= !std::strcmp(command->name, example.name);
    if (!found) {
      std::fprintf(stderr, "korvane-man: tools/make_man.cpp has an example for '%s', which is "
                   "no command\n", example.name);
      return false;
    }
  }
  std::fputs(
      ".\\\" Made by korvane-man from korvane-cli's command table.\n"
      ".TH KORVANE\\-CLI 1 \"\" \"korvane " KORVANE_VERSION "\" \"User Commands\"\n"
      ".nh\n"
      ".ad l\n"
      ".SH NAME\n"
      "korvane\\-cli \\- list, check and edit the modules of a firmware image\n"
      ".SH SYNOPSIS\n"
      ".B korvane\\-cli\n"
      ".I COMMAND\n"
      ".RI [ ARGUMENT ...]\n"
      ".br\n"
      ".B korvane\\-cli\n"
      ".BR \\-\\-help \" | \" \\-\\-version\n"
      ".SH DESCRIPTION\n"
      ".B korvane\\-cli\n"
      "works on firmware images made of OS\\-9 style modules, as the\n"
      ".BR korvane (1)\n"
      "editor does, for scripts and machines without a display.\n"
      ".I INDEX\n"
      "is a module's index in the image (the \"#\" column of the list).\n"
      "Options may stand anywhere after the command, each at most once; after\n"
      ".B \\-\\-\n"
      "every word is an operand.\n"
      ".PP\n"
      "An existing\n"
      ".I OUT\n"
      "is replaced; it is written to a temporary file first and only renamed\n"
      "over\n"
      ".I OUT\n"
      "once complete, so a failure never leaves it half\\-written.\n"
      ".SH COMMANDS\n",
      out);
  for (const CliCommand* command : commands)
    std::fprintf(out, ".TP\n\\fB%s\\fR%s\n%s\n", roff(command->name).c_str(),
                 operandsRoff(command->operands).c_str(), roff(command->help).c_str());
  std::fputs(
      ".SH OPTIONS\n"
      ".TP\n"
      ".BR \\-h \", \" \\-\\-help\n"
      "Print the commands with their operands and exit.\n"
      ".TP\n"
      ".B \\-\\-version\n"
      "Print the version and exit.\n"
      ".SH EXIT STATUS\n"
      ".TP\n"
      ".B 0\n"
      "Success.\n"
      ".TP\n"
      ".B 1\n"
      "The work failed or was refused, or output could not be written.\n"
      ".TP\n"
      ".B 2\n"
      "A malformed command line: an unknown command or option, a repeated\n"
      "option, or the wrong number of operands.\n"
      ".SH EXAMPLES\n",
      out);
  for (const CliCommand* command : commands) {
    std::string arguments = exampleArguments(*command), text = sentenceFirst(command->help);
    for (const CliExample& given : EXAMPLES)
      if (!std::strcmp(given.name, command->name)) arguments = given.arguments, text = given.text;
    std::fprintf(out, ".PP\n%s\n.PP\n.RS\n.nf\nkorvane\\-cli %s%s%s\n.fi\n.RE\n",
                 roff(text).c_str(), roff(command->name).c_str(), arguments.empty() ? "" : " ",
                 roff(arguments).c_str());
  }
  std::fputs(".SH SEE ALSO\n.BR korvane (1)\n", out);
  return true;
}

// Commands first, then the command's options after a dash; everything else
// is left to bash's file name completion (complete -o default).
void completionWrite(FILE* out) {
  std::fputs(
      "# bash completion for korvane-cli, made by korvane-man from its command table.\n"
      "_korvane_cli()\n"
      "{\n"
      "    local cur=${COMP_WORDS[COMP_CWORD]}\n"
      "    if [ \"$COMP_CWORD\" -eq 1 ]; then\n"
      "        COMPREPLY=($(compgen -W \"--help --version",
      out);
  std::vector<const CliCommand*> commands = commandsAll();
  for (const CliCommand* command : commands) std::fprintf(out, " %s", command->name);
  std::fputs(
      "\" -- \"$cur\"))\n"
      "    elif [[ $cur == -* ]]; then\n"
      "        case ${COMP_WORDS[1]} in\n",
      out);
  for (const CliCommand* command : commands) {
    std::string options;
    for (const std::string& word : wordsOf(command->operands))
      if (word[0] == '[') options.append(" ").append(word, 1, word.find(']') - 1);
    if (!options.empty())
      std::fprintf(out, "            %s) COMPREPLY=($(compgen -W \"%s\" -- \"$cur\")) ;;\n",
                   command->name, options.c_str() + 1);
  }
  std::fputs(
      "        esac\n"
      "    fi\n"
      "}\n"
      "complete -o default -F _korvane_cli korvane-cli\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  bool page = argc == 3 && !std::strcmp(argv[1], "page");
  if (!page && !(argc == 3 && !std::strcmp(argv[1], "completion"))) {
    std::fprintf(stderr, "Usage: korvane-man page|completion OUT\n");
    return 2;
  }
  FILE* out = std::fopen(argv[2], "w");
  if (!out) {
    std::fprintf(stderr, "korvane-man: %s: %s\n", argv[2], std::strerror(errno));
    return 1;
  }
  bool done = true;
  if (page)
    done = pageWrite(out);
  else
    completionWrite(out);
  if (std::fclose(out) != 0 || !done) {
    std::remove(argv[2]);
    return 1;
  }
  return 0;
}
