// SPDX-License-Identifier: MIT
// korvane-cli's string commands: the texts of every language module, as text
// a diff can compare; a module's texts out to and back from the PO and TSV
// files of translators' tools; and how wide each text draws in a font.
#include <glib.h>

#include <cinttypes>
#include <cstdlib>
#include <cstring>

#include "cli/command.h"
#include "cli/command_support.h"
#include "pool/file_save.h"
#include "pool/memory.h"
#include "tabs/strings/language_codec.h"
#include "tabs/strings/translation_file.h"

namespace {

void languagePrint(Module* m, FILE* out) {
  std::fputs("module\t", out);
  cliPrintName(out, moduleGetName(m));
  LanguageModule lm = {};
  lm.module = m;
  char err[ERROR_SIZE];
  if (!readLanguageModule(&lm, err, sizeof err)) {
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
      std::string line;
      translationEscape(line, e->text);
      std::fputs(line.c_str(), out);
    }
    std::fputc('\n', out);
  }
  languageModuleClear(&lm);
}

int runStrings(char** operands, FILE* out, FILE* err) {
  PoolPtr pool = cliLoadImage(operands[0], err);
  if (!pool) return 1;
  for (uint32_t i = 0; i < poolGetCount(pool.get()); i++)
    if (languageMatch(pool.get(), poolGet(pool.get(), i)))
      languagePrint(poolGet(pool.get(), i), out);
  return 0;
}

// A language module read as the Strings tab reads it; languageModuleClear it
// in every case.
bool languageLoad(ModulePool* pool, const char* given, LanguageModule* lm, FILE* err) {
  lm->module = cliFindModule(pool, given, err);
  if (!lm->module) return false;
  char shown[256];
  textEscape(moduleGetName(lm->module), shown, sizeof shown);
  if (!languageMatch(pool, lm->module)) {
    std::fprintf(
        err, "korvane-cli: '%s' is not a language module (its name must begin with Lng_)\n", shown);
    lm->module = nullptr;
    return false;
  }
  char message[ERROR_SIZE];
  if (readLanguageModule(lm, message, sizeof message)) return true;
  std::fprintf(err, "korvane-cli: '%s': %s\n", shown, message);
  return false;
}

int formatOf(const char* path, FILE* err) {
  int format = translationFormatOf(path);
  if (format == TRANSLATION_UNKNOWN) {
    char shown[1024];
    textEscape(path, shown, sizeof shown);
    std::fprintf(err, "korvane-cli: '%s' must end in .po or .tsv\n", shown);
  }
  return format;
}

// The format an option names: "po" or "tsv".
int formatNamed(const char* name, FILE* err) {
  if (g_ascii_strcasecmp(name, "po") == 0) return TRANSLATION_PO;
  if (g_ascii_strcasecmp(name, "tsv") == 0) return TRANSLATION_TSV;
  char shown[256];
  textEscape(name, shown, sizeof shown);
  std::fprintf(err, "korvane-cli: unknown format '%s' (po or tsv)\n", shown);
  return TRANSLATION_UNKNOWN;
}

int runExport(char** operands, FILE* out, FILE* err) {
  // Standard output takes a PO unless told otherwise.
  const bool toOut = std::strcmp(operands[2], "-") == 0;
  const int format = operands[4] ? formatNamed(operands[4], err)
                     : toOut    ? TRANSLATION_PO
                                : formatOf(operands[2], err);
  if (format == TRANSLATION_UNKNOWN) return 1;
  PoolPtr pool = cliLoadImage(operands[0], err);
  if (!pool) return 1;
  LanguageModule lm = {}, reference = {};
  bool ready = languageLoad(pool.get(), operands[1], &lm, err) &&
               (!operands[3] || languageLoad(pool.get(), operands[3], &reference, err));
  int code = 1;
  if (ready) {
    size_t size = 0;
    char* bytes = translationWrite(&lm, operands[3] ? &reference : nullptr, format, &size);
    code = cliWriteOutput(operands[2], bytes, size, out, err);
    std::free(bytes);
  }
  languageModuleClear(&reference);
  languageModuleClear(&lm);
  return code;
}

int runImport(char** operands, FILE*, FILE* err) {
  const int format = formatOf(operands[2], err);
  if (format == TRANSLATION_UNKNOWN) return 1;
  PoolPtr pool = cliLoadImage(operands[0], err);
  if (!pool) return 1;
  size_t size = 0;
  MallocPtr<uint8_t> data(cliReadText(operands[2], &size, err));
  if (!data) return 1;
  LanguageModule lm = {};
  int code = 1;
  if (languageLoad(pool.get(), operands[1], &lm, err)) {
    TranslationImport result = {};
    translationRead(&lm, reinterpret_cast<const char*>(data.get()), size, format, operands[4] != nullptr,
                    &result);
    std::fputs(result.refusals, err);
    char text[ERROR_SIZE];
    ModuleKeep keep;
    if (result.malformed) {
      char shown[1024];
      textEscape(operands[2], shown, sizeof shown);
      std::fprintf(err, "korvane-cli: '%s' is not a well-formed %s file; nothing was imported\n", shown,
                   format == TRANSLATION_PO ? "PO" : "TSV");
    } else if (result.refused && !operands[4]) {
      code = 1;  // nothing was taken: OUT is not written
    } else if (!writeLanguageModule(&lm, &keep, text, sizeof text)) {
      code = cliStoreRefused(err, lm.module, text);
    } else {
      code = cliSaveImage(pool.get(), operands[3], nullptr, err, {false, false});
    }
    translationImportClear(&result);
  }
  languageModuleClear(&lm);
  return code;
}

int runWidth(char** operands, FILE* out, FILE* err) {
  PoolPtr pool = cliLoadImage(operands[0], err);
  if (!pool) return 1;
  LanguageModule lm = {};
  Module* font = nullptr;
  TextMeasure measure;
  char text[ERROR_SIZE];
  int code = 1;
  if (languageLoad(pool.get(), operands[1], &lm, err) &&
      (font = cliFindModule(pool.get(), operands[2], err))) {
    if (!textMeasureOpen(&measure, pool.get(), font, lm.codePage, text, sizeof text)) {
      std::fprintf(err, "korvane-cli: %s\n", text);
    } else {
      for (uint32_t i = 0; i < listGetCount(lm.entries); i++) {
        auto* e = static_cast<StringEntry*>(listGet(lm.entries, i));
        if (!e->text) continue;
        std::fprintf(out, "%u/%u\t%" PRIu64 "\t%" PRIu64 "\n", e->group, e->index,
                     textMeasureEntry(&measure, e, 0), textMeasureEntry(&measure, e, 1));
      }
      textMeasureClose(&measure);
      code = 0;
    }
  }
  languageModuleClear(&lm);
  return code;
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
    {"strings-export", "IMAGE MODULE OUT [--reference MODULE2] [--format FORMAT]",
     "Write the texts of language module MODULE (its index or its name) for\n"
     "translators' tools, as OUT's extension says, or FORMAT (po or tsv) when\n"
     "given; OUT - writes to standard output (a PO unless FORMAT says tsv).\n"
     ".po: a gettext file with\n"
     "per decodable text msgctxt \"GROUP/INDEX\", msgid the same entry of\n"
     "MODULE2 (\"\" where it has none) or, without --reference, the text\n"
     "itself, and msgstr the text (marked fuzzy where the two differ in a\n"
     "leading or trailing newline, which msgfmt refuses); an undecodable text\n"
     "is only a comment \"#. undecodable: \" and its bytes in hex. .tsv: a\n"
     "header line (key, reference, text), then one line per present text,\n"
     "tab-separated, escaped as \"strings\" escapes texts; an undecodable\n"
     "text is its bytes as the Strings tab shows them (\\xNN), which an\n"
     "import takes as \"keep the bytes\".",
     runExport},
    {"strings-import", "IMAGE MODULE FILE OUT [--skip-refused]",
     "Set the texts of MODULE from a PO or TSV file of that shape (a PO entry\n"
     "with an empty msgstr or marked fuzzy is left alone), store the module as\n"
     "the Strings tab does and save the image to OUT. Every entry that cannot\n"
     "be applied (a key the module lacks or holds absent, a character its code\n"
     "page lacks, a malformed line) is named on standard error as\n"
     "\"GROUP/INDEX: reason\" (\"line N: reason\" without a key); then nothing\n"
     "is written and the exit status is 1, unless --skip-refused applies the\n"
     "rest. A line that is not PO or TSV (a comment or flag line inside an\n"
     "entry among them) refuses the whole file, --skip-refused or not; so does\n"
     "a store the module cannot hold (named with its reason). FILE must be a\n"
     "regular file of at most 256 MiB. Importing an unedited export gives a\n"
     "byte-identical image.",
     runImport},
    {"strings-width", "IMAGE MODULE FONT",
     "Print per present text of MODULE \"GROUP/INDEX\", its width in pixels\n"
     "drawn with font module FONT (the sum of the glyph widths of its\n"
     "code-page bytes, as the Fonts tab's preview lays it out) and the width\n"
     "of the text as loaded, tab-separated.",
     runWidth},
};
const size_t STRING_COMMAND_COUNT = sizeof STRING_COMMANDS / sizeof STRING_COMMANDS[0];
