// korvane-cli's string commands: the texts of every language module, as text
// a diff can compare.
#include <cstring>

#include "cli/command.h"
#include "cli/command_support.h"
#include "tabs/strings/language_codec.h"

namespace {

// One text on one line: backslash, tab, newline and carriage return escaped.
void textPrint(FILE* out, const char* text) {
  for (const char* p = text; *p; p++) {
    switch (*p) {
      case '\\': std::fputs("\\\\", out); break;
      case '\t': std::fputs("\\t", out); break;
      case '\n': std::fputs("\\n", out); break;
      case '\r': std::fputs("\\r", out); break;
      default: std::fputc(*p, out);
    }
  }
}

void languagePrint(Module* m, FILE* out) {
  std::fputs("module\t", out);
  cliPrintName(out, moduleGetName(m));
  LanguageModule lm = {};
  lm.module = m;
  char err[LANGUAGE_ERROR_SIZE];
  if (!readLanguageModule(&lm, err)) {
    std::fputs("\tmalformed\n", out);
    languageModuleClear(&lm);
    return;
  }
  std::fprintf(out, "\t%s\t%d\t%u\n", lm.codePage, lm.layout, lm.groupCount);
  for (uint32_t i = 0; i < listGetCount(lm.entries); i++) {
    auto* e = static_cast<StringEntry*>(listGet(lm.entries, i));
    std::fprintf(out, "%u/%u\t", e->group, e->index);
    if (!e->text) {
      std::fputs("absent", out);
    } else if (e->raw) {
      std::fputs("raw\t", out);
      for (uint32_t k = 0; k < e->rawLength; k++) std::fprintf(out, "%02x", e->raw[k]);
    } else {
      std::fputs("text\t", out);
      textPrint(out, e->text);
    }
    std::fputc('\n', out);
  }
  languageModuleClear(&lm);
}

int runStrings(char** operands, FILE* out, FILE* err) {
  PoolPtr pool = cliLoadImage(operands[0], err);
  if (!pool) return 1;
  for (uint32_t i = 0; i < poolGetCount(pool.get()); i++)
    if (languageMatch(pool.get(), poolGet(pool.get(), i))) languagePrint(poolGet(pool.get(), i), out);
  return 0;
}

}  // namespace

const CliCommand STRING_COMMANDS[] = {
    {"strings", "IMAGE",
     "Print every language module, in image order, as tab-separated lines:\n"
     "\"module NAME CODEPAGE LAYOUT G\" (LAYOUT 32 or 16, G the number of\n"
     "groups; \"module NAME malformed\" for a module the editor refuses), then\n"
     "per entry GROUP/INDEX and \"absent\", \"text\" and the text in UTF-8\n"
     "(backslash, tab, newline and carriage return as \\\\, \\t, \\n, \\r), or\n"
     "\"raw\" and the bytes in hex of a text the code page cannot decode.",
     runStrings},
};
const size_t STRING_COMMAND_COUNT = sizeof STRING_COMMANDS / sizeof STRING_COMMANDS[0];
