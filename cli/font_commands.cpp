// SPDX-License-Identifier: MIT
// korvane-cli's font commands: every font the Fonts tab shows, glyph by glyph,
// as text a diff can compare; a font's exchange with BDF files, and the
// letters a language needs that a font draws blank.
#include <glib.h>

#include <cstring>
#include <string>

#include "cli/command.h"
#include "cli/command_support.h"
#include "pool/file_save.h"
#include "pool/memory.h"
#include "tabs/fonts/font_bdf.h"
#include "tabs/fonts/font_codec.h"
#include "tabs/fonts/font_coverage.h"
#include "tabs/strings/language_codec.h"

namespace {

void fontPrint(Module* m, FILE* out) {
  std::fputs("font\t", out);
  cliPrintName(out, moduleGetName(m));
  uint32_t size = 0;
  MallocPtr<uint8_t> body(moduleGetBody(m, &size));
  FontMetrics metrics;
  List* glyphs = fontDecode(body.get(), size, &metrics);
  if (!glyphs) {
    std::fputs("\tmalformed\n", out);
    return;
  }
  std::fprintf(out, "\t%u\t%u\t%u\n", metrics.width, metrics.height, metrics.rowBytes);
  std::string row(metrics.width, '.');
  for (uint32_t i = 0; i < FONT_GLYPH_COUNT; i++) {
    auto* g = static_cast<FontGlyph*>(listGet(glyphs, i));
    std::fprintf(out, "glyph\t%u\t%u\n", g->code, g->width);
    for (uint32_t y = 0; y < metrics.height; y++) {
      for (uint32_t x = 0; x < metrics.width; x++) row[x] = g->pixels[y * metrics.width + x] ? '#' : '.';
      std::fprintf(out, "%s\n", row.c_str());
    }
  }
  fontGlyphsFree(glyphs);
}

int runFonts(char** operands, FILE* out, FILE* err) {
  PoolPtr pool = cliLoadImage(operands[0], err);
  if (!pool) return 1;
  for (uint32_t i = 0; i < poolGetCount(pool.get()); i++)
    if (fontMatch(pool.get(), poolGet(pool.get(), i))) fontPrint(poolGet(pool.get(), i), out);
  return 0;
}

// A font module given on the command line, decoded; says why on err and
// returns null for none, another kind of module or a malformed font.
struct DecodedFont {
  Module* module = nullptr;
  MallocPtr<uint8_t> body;
  uint32_t size = 0;
  FontMetrics metrics{};
  List* glyphs = nullptr;
  ~DecodedFont() { fontGlyphsFree(glyphs); }
};

bool fontLoad(ModulePool* pool, const char* text, DecodedFont* font, FILE* err) {
  font->module = cliFindModule(pool, text, err);
  if (!font->module) return false;
  char shown[1024];
  textEscape(moduleGetName(font->module), shown, sizeof shown);
  if (!fontMatch(pool, font->module)) {
    std::fprintf(err, "korvane-cli: module '%s' is not a font\n", shown);
    return false;
  }
  font->body.reset(moduleGetBody(font->module, &font->size));
  font->glyphs = fontDecode(font->body.get(), font->size, &font->metrics);
  if (!font->glyphs) std::fprintf(err, "korvane-cli: font '%s' is malformed\n", shown);
  return font->glyphs != nullptr;
}

int runFontExport(char** operands, FILE* out, FILE* err) {
  const char* codePage = operands[3] ? fontCodePageName(operands[3]) : "CP1252";
  if (!codePage) {
    std::fprintf(err, "korvane-cli: unknown code page '%s' (CP1251 or CP1252)\nTry 'korvane-cli --help'.\n",
                 operands[3]);
    return 2;
  }
  PoolPtr pool = cliLoadImage(operands[0], err);
  DecodedFont font;
  if (!pool || !fontLoad(pool.get(), operands[1], &font, err)) return 1;
  size_t length = 0;
  MallocPtr<char> text(fontBdfWrite(&font.metrics, font.glyphs, moduleGetName(font.module), codePage, &length));
  return cliWriteOutput(operands[2], text.get(), length, out, err);
}

int runFontImport(char** operands, FILE*, FILE* err) {
  PoolPtr pool = cliLoadImage(operands[0], err);
  DecodedFont font;
  if (!pool || !fontLoad(pool.get(), operands[1], &font, err)) return 1;
  size_t length = 0;
  MallocPtr<uint8_t> contents(cliReadText(operands[2], &length, err));
  if (!contents) return 1;
  char text[ERROR_SIZE] = "";
  char* warnings = nullptr;
  char shown[1024];
  textEscape(operands[2], shown, sizeof shown);
  int read = fontBdfRead(reinterpret_cast<const char*>(contents.get()), length, &font.metrics, font.glyphs,
                         &warnings, text, sizeof text);
  if (!read) {
    std::fprintf(err, "korvane-cli: %s: %s\n", shown, text);
    return 1;
  }
  for (char* line = warnings; line;) {
    char* end = std::strchr(line, '\n');
    std::fprintf(err, "korvane-cli: %s: %.*s\n", shown, int(end ? end - line : int(std::strlen(line))), line);
    line = end ? end + 1 : nullptr;
  }
  std::free(warnings);
  ModuleKeep keep;
  char why[ERROR_SIZE] = "";
  if (!fontStoreGlyphs(font.module, &keep, &font.metrics, font.glyphs, why, sizeof why))
    return cliStoreRefused(err, font.module, why);
  return cliSaveImage(pool.get(), operands[3], nullptr, err, {false, false});
}

int runFontCoverage(char** operands, FILE* out, FILE* err) {
  PoolPtr pool = cliLoadImage(operands[0], err);
  DecodedFont font;
  if (!pool || !fontLoad(pool.get(), operands[1], &font, err)) return 1;
  Module* language = cliFindModule(pool.get(), operands[2], err);
  if (!language) return 1;
  char shown[1024];
  textEscape(moduleGetName(language), shown, sizeof shown);
  if (!languageMatch(pool.get(), language)) {
    std::fprintf(err, "korvane-cli: module '%s' is not a language module\n", shown);
    return 1;
  }
  uint32_t uses[256];
  char text[ERROR_SIZE] = "";
  if (!languageByteUses(language, uses, text, sizeof text)) {
    std::fprintf(err, "korvane-cli: %s: %s\n", shown, text);
    return 1;
  }
  const char* codePage = languageCodePage(moduleGetName(language));
  for (uint32_t code = 1; code <= FONT_GLYPH_COUNT; code++) {
    auto* g = static_cast<FontGlyph*>(listGet(font.glyphs, code - 1));
    if (!uses[code] || !fontGlyphBlank(&font.metrics, g, codePage)) continue;
    const gunichar ch = fontCodePageChar(codePage, code);
    char utf8[8] = "?";
    if (ch && !g_unichar_iscntrl(ch)) utf8[g_unichar_to_utf8(ch, utf8)] = '\0';
    std::fprintf(out, "%u\t%s\t%u\n", code, utf8, uses[code]);
  }
  return 0;
}

}  // namespace

const CliCommand FONT_COMMANDS[] = {
    {"fonts", "IMAGE",
     "Print every font the Fonts tab shows, in image order: \"font NAME W H BPR\"\n"
     "(tab-separated; \"font NAME malformed\" for a font the editor refuses),\n"
     "then for codes 1 to 255 \"glyph CODE WIDTH\" and H lines of W characters,\n"
     "# for a set pixel and . for a clear one (the whole cell).",
     runFonts},
    {"font-export", "IMAGE FONT OUT.bdf [--codepage CP]",
     "Write font FONT (its index or name) to OUT.bdf (- for standard output)\n"
     "as a BDF 2.1 file, codes 1 to 255, with CHARSET_ENCODING CP (CP1251 or\n"
     "CP1252; CP1252 unless given).\n"
     "Each glyph's BBX is the whole W x H cell, whose bottom row lies on the\n"
     "baseline (FONT_ASCENT H, FONT_DESCENT 0); columns past a glyph's DWIDTH\n"
     "are clear. Glyph names are uniXXXX of the code page's character, or cNNN.",
     runFontExport},
    {"font-import", "IMAGE FONT IN.bdf OUT",
     "Set every glyph of font FONT whose ENCODING in IN.bdf is 1 to 255:\n"
     "width from DWIDTH (cut to W), pixels placed through BBX and FONT_ASCENT;\n"
     "set pixels outside the cell are dropped, each such glyph named on\n"
     "standard error. Other glyphs stay. The font is stored as the Fonts tab\n"
     "stores it and the image written to OUT. A file that is not BDF or is\n"
     "malformed is refused with its line number, and a font the module cannot\n"
     "hold (offsets past 65535) is named with the reason; then nothing is\n"
     "written and the exit status is 1. IN.bdf must be a regular file of at\n"
     "most 256 MiB.",
     runFontImport},
    {"font-coverage", "IMAGE FONT LANG",
     "Print one line per byte value that language module LANG's texts use (in\n"
     "its code page; undecodable texts by their bytes) and that font FONT draws\n"
     "blank (width 0, or no pixel within its width unless it is a space), in\n"
     "code order: the code, a tab, the character in UTF-8 (or ?), a tab, and\n"
     "how many entries use it. No output: the font draws every letter used.",
     runFontCoverage},
};
const size_t FONT_COMMAND_COUNT = sizeof FONT_COMMANDS / sizeof FONT_COMMANDS[0];
