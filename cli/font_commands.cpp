// korvane-cli's font commands: every font the Fonts tab shows, glyph by glyph,
// as text a diff can compare.
#include <string>

#include "cli/command.h"
#include "cli/command_support.h"
#include "pool/memory.h"
#include "tabs/fonts/font_codec.h"

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

}  // namespace

const CliCommand FONT_COMMANDS[] = {
    {"fonts", "IMAGE",
     "Print every font the Fonts tab shows, in image order: \"font NAME W H BPR\"\n"
     "(tab-separated; \"font NAME malformed\" for a font the editor refuses),\n"
     "then for codes 1 to 255 \"glyph CODE WIDTH\" and H lines of W characters,\n"
     "# for a set pixel and . for a clear one (the whole cell).",
     runFonts},
};
const size_t FONT_COMMAND_COUNT = sizeof FONT_COMMANDS / sizeof FONT_COMMANDS[0];
