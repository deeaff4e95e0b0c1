// SPDX-License-Identifier: MIT
// libFuzzer target: fontDecode on arbitrary bytes. An accepted body gives sane metrics and widths
// and, when fontEncode can store it, reads back from the new body as the same font; else abort.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tabs/fonts/font_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length) {
  FontMetrics m = {};
  List* glyphs = fontDecode(bytes, uint32_t(length), &m);
  if (!glyphs) return 0;
  bool ok = m.width >= 1 && m.height >= 1 && m.rowBytes * 8 >= m.width && listGetCount(glyphs) == FONT_GLYPH_COUNT;
  for (uint32_t c = 1; ok && c <= FONT_GLYPH_COUNT; c++)
    ok = fontGlyphAt(glyphs, c)->code == c && fontGlyphAt(glyphs, c)->width <= m.width;
  if (!ok) std::abort();

  uint32_t size = 0;
  uint8_t* body = fontEncode(&m, glyphs, &size);
  if (body) {
    FontMetrics again = {};
    List* reread = fontDecode(body, size, &again);
    ok = reread && again.width == m.width && again.height == m.height && again.rowBytes == m.rowBytes;
    // A decoded cell is clear past its glyph's width, so whole cells compare.
    for (uint32_t c = 1; ok && c <= FONT_GLYPH_COUNT; c++) {
      const FontGlyph *x = fontGlyphAt(glyphs, c), *y = fontGlyphAt(reread, c);
      ok = x->width == y->width && std::memcmp(x->pixels, y->pixels, size_t(m.width) * m.height) == 0;
    }
    if (!ok) std::abort();
    fontGlyphsFree(reread);
    std::free(body);
  }
  fontGlyphsFree(glyphs);
  return 0;
}
