// SPDX-License-Identifier: MIT
// libFuzzer target: fontBdfRead of text into a blank font, its cell from the first two bytes. A refusal
// says why and changes no glyph; an accepted text, written and read back, gives the same glyphs.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "pool/memory.h"
#include "tabs/fonts/font_bdf.h"

namespace {

List* blankFont(const FontMetrics& m) {
  List* glyphs = listNew();
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++) {
    auto* g = static_cast<FontGlyph*>(std::calloc(1, sizeof(FontGlyph)));
    *g = {c, 0, 0, static_cast<uint8_t*>(std::calloc(m.width * m.height, 1)), nullptr, 0};
    listPush(glyphs, g);
  }
  return glyphs;
}

// Same widths, and the same pixels left of them (a BDF export clears the rest of the cell).
bool fontsSame(const FontMetrics& m, List* a, List* b) {
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++) {
    const FontGlyph *x = fontGlyphAt(a, c), *y = fontGlyphAt(b, c);
    if (x->width != y->width) return false;
    for (uint32_t row = 0; row < m.height; row++)
      if (std::memcmp(x->pixels + row * m.width, y->pixels + row * m.width, x->width) != 0) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length) {
  if (length < 2) return 0;
  const FontMetrics m = {1 + bytes[0] % 32u, 1 + bytes[1] % 32u, (1 + bytes[0] % 32u + 7) / 8};
  List *first = blankFont(m), *blank = blankFont(m);
  char err[ERROR_SIZE] = "";
  char* warnings = nullptr;
  const char* text = reinterpret_cast<const char*>(bytes + 2);
  if (!fontBdfRead(text, length - 2, &m, first, &warnings, err, sizeof err)) {
    if (!err[0] || !fontsSame(m, first, blank)) std::abort();
  } else {
    size_t written = 0;
    MallocPtr<char> again(fontBdfWrite(&m, first, "fuzz", "CP1252", &written));
    List* second = blankFont(m);
    char* secondWarnings = nullptr;
    if (!fontBdfRead(again.get(), written, &m, second, &secondWarnings, err, sizeof err) || secondWarnings ||
        !fontsSame(m, first, second))
      std::abort();
    fontGlyphsFree(second);
  }
  std::free(warnings);
  fontGlyphsFree(blank);
  fontGlyphsFree(first);
  return 0;
}
