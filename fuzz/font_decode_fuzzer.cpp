// SPDX-License-Identifier: MIT
// libFuzzer target: fontDecode on arbitrary bytes as a body. An accepted body must give sane
// metrics and glyph widths, and, when fontEncode can store it, read back from the new body as
// the same font: same metrics, and per glyph the same width and the same pixels left of it
// (the format keeps nothing at or beyond a glyph's width). Anything else aborts (input kept).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tabs/fonts/font_codec.h"

namespace {

FontGlyph* glyphAt(List* glyphs, uint32_t i) { return static_cast<FontGlyph*>(listGet(glyphs, i)); }

bool glyphsSame(const FontMetrics& m, List* a, List* b) {
  for (uint32_t i = 0; i < FONT_GLYPH_COUNT; i++) {
    FontGlyph* x = glyphAt(a, i);
    FontGlyph* y = glyphAt(b, i);
    if (x->width != y->width) return false;
    for (uint32_t r = 0; r < m.height; r++)
      if (std::memcmp(x->pixels + r * m.width, y->pixels + r * m.width, x->width) != 0) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length) {
  FontMetrics m = {};
  List* glyphs = fontDecode(bytes, uint32_t(length), &m);
  if (!glyphs) return 0;
  bool ok = m.width >= 1 && m.height >= 1 && m.rowBytes * 8 >= m.width &&
            listGetCount(glyphs) == FONT_GLYPH_COUNT;
  for (uint32_t i = 0; ok && i < FONT_GLYPH_COUNT; i++)
    ok = glyphAt(glyphs, i)->code == i + 1 && glyphAt(glyphs, i)->width <= m.width;
  if (!ok) std::abort();

  uint32_t size = 0;
  uint8_t* body = fontEncode(&m, glyphs, &size);
  if (body) {
    FontMetrics again = {};
    List* reread = fontDecode(body, size, &again);
    if (!reread || again.width != m.width || again.height != m.height ||
        again.rowBytes != m.rowBytes || !glyphsSame(m, glyphs, reread))
      std::abort();
    fontGlyphsFree(reread);
    std::free(body);
  }
  fontGlyphsFree(glyphs);
  return 0;
}
