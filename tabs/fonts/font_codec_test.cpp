// SPDX-License-Identifier: MIT
#include "tabs/fonts/font_codec.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "pool/be.h"
#include "pool/memory.h"
#include "tests/support/body_builders.h"

namespace {

// The smallest useful font: W = 4, H = 2; glyph 65 is X..X twice, every
// other glyph blank with width 2.
Bytes workedExample() {
  Bytes b = {4, 2, 0x02, 0x09};
  for (uint32_t c = 1; c <= 255; c++) b.insert(b.end(), {0x02, uint8_t(c == 65 ? 0x05 : 0x02)});
  b.insert(b.end(), {2, 2, 0, 4, 1, 1, 0, 1, 0x90, 0});
  return b;
}

struct Font {
  explicit Font(const Bytes& body) : glyphs(fontDecode(body.data(), uint32_t(body.size()), &m)) {}
  // 255 blank glyphs of width w in a W x H cell.
  Font(uint32_t W, uint32_t H, uint32_t w) : m{W, H, (W + 7) / 8}, glyphs(listNew()) {
    for (uint32_t c = 1; c <= 255; c++) {
      auto* g = static_cast<FontGlyph*>(std::calloc(1, sizeof(FontGlyph)));
      *g = {c, w, w, static_cast<uint8_t*>(std::calloc(W * H, 1)), nullptr, 0, 0, nullptr};
      listPush(glyphs, g);
    }
  }
  ~Font() { fontGlyphsFree(glyphs); }
  FontGlyph* operator[](uint32_t code) { return static_cast<FontGlyph*>(listGet(glyphs, code - 1)); }
  Bytes cell(uint32_t code) { return Bytes((*this)[code]->pixels, (*this)[code]->pixels + m.width * m.height); }
  void set(uint32_t code, uint32_t x, uint32_t y) { (*this)[code]->pixels[y * m.width + x] = 0xFF; }
  Bytes encode() {
    uint32_t size = 0;
    MallocPtr<uint8_t> body(fontEncode(&m, glyphs, &size));
    return body ? Bytes(body.get(), body.get() + size) : Bytes();
  }
  FontMetrics m{};
  List* glyphs;
};

// The first n bytes of glyph code's record.
Bytes record(const Bytes& body, uint32_t code, size_t n) {
  size_t at = beGet16(&body[4 + 2 * (code - 1)]);
  return Bytes(body.begin() + at, body.begin() + at + n);
}

int matches(const std::string& name, const Bytes& body) {
  Bytes bytes = ModuleBuilder().name(name).body(body).build();
  std::unique_ptr<Module, decltype(&moduleFree)> m(
      moduleCreate(bytes.data(), bytes.size(), ARCH_4DAD, nullptr), moduleFree);
  return fontMatch(nullptr, m.get());
}

TEST(FontCodec, Recognition) {
  Bytes body = workedExample();
  for (const char* name : {"fontsmall", "pfont1", "ufont", "map_east", "frbold", "frg", "frn", "frs"})
    EXPECT_TRUE(matches(name, body)) << name;
  for (const char* name : {"fon", "map", "Font", "xfont"}) EXPECT_FALSE(matches(name, body)) << name;
  body[3] = 0x08;
  EXPECT_FALSE(matches("font", body));
  EXPECT_FALSE(matches("font", {}));
}

// Encoded again, the decoded font gives the same bytes: metrics and widths read right.
TEST(FontCodec, WorkedExampleBothWays) {
  Font f(workedExample());
  ASSERT_TRUE(f.glyphs);
  EXPECT_EQ(Bytes({0xFF, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF}), f.cell(65));
  EXPECT_EQ(workedExample(), f.encode());
  EXPECT_EQ(nullptr, f[65]->rowRefs);
}

TEST(FontCodec, RecordsAndSharing) {
  Font tall(3, 4, 2), flat(3, 1, 2);
  flat.set(10, 0, 0);
  EXPECT_EQ(Bytes({2, 1, 0}), record(tall.encode(), 9, 3));  // blank: row 0, end
  EXPECT_EQ(Bytes({2, 1, 2}), record(flat.encode(), 9, 3));  // no end byte: glyph 10 follows
  // Equal within the width but not beyond: two records; equal cells: one.
  tall.set(10, 2, 0);
  tall.set(11, 2, 0);
  Bytes body = tall.encode();
  EXPECT_NE(beGet16(&body[4 + 2 * 8]), beGet16(&body[4 + 2 * 9]));
  EXPECT_EQ(beGet16(&body[4 + 2 * 9]), beGet16(&body[4 + 2 * 10]));

  Bytes wide = workedExample();
  wide[0x205] = 9;  // a stored width above W decodes as W
  EXPECT_EQ(4u, Font(wide)[65]->width);
}

TEST(FontCodec, InlineRowsAndTheTableEnd) {
  // 510 distinct rows, each used once: rows numbered 255 and on go inline,
  // and the table stops after pattern 255.
  Font f(9, 2, 9);
  for (uint32_t c = 1; c <= 255; c++)
    for (uint32_t x = 0; x < 9; x++) {
      if (c >> x & 1) f.set(c, x, 0);
      if ((c + 256) >> x & 1) f.set(c, x, 1);
    }
  Bytes body = f.encode();
  EXPECT_EQ((beGet16(&body[2]) + 2 * 256 + 3) / 4 * 4, body.size());
  Font back(body);
  ASSERT_TRUE(back.glyphs);
  for (uint32_t c = 1; c <= 255; c++) ASSERT_EQ(f.cell(c), back.cell(c)) << c;

  // Records that would need offsets past 65535 are not written.
  Font huge(255, 255, 255);
  for (uint32_t c = 1; c <= 255; c++) huge.set(c, c - 1, 254);
  EXPECT_TRUE(huge.encode().empty());
}

TEST(FontCodec, MalformedBodiesAreRefused) {
  auto refused = [](const Bytes& b) { return Font(b).glyphs == nullptr; };
  Bytes good = workedExample();
  EXPECT_TRUE(refused(Bytes(good.begin(), good.begin() + 513)));
  auto with = [&](size_t at, uint8_t v) { Bytes b = good; b[at] = v; return b; };
  EXPECT_TRUE(refused(with(0, 0)));           // W = 0
  EXPECT_TRUE(refused(with(1, 0)));           // H = 0
  EXPECT_TRUE(refused(with(0, 9)));           // BPR 1 holds 8 columns
  EXPECT_TRUE(refused(with(2, 0x03)));        // table beyond the body
  EXPECT_TRUE(refused(with(4, 0x03)));        // glyph 1 beyond the body
  EXPECT_TRUE(refused(with(0x206, 3)));       // pattern 3 ends past the body
  Bytes last = with(5, 0x0B);                 // glyph 1 at 523: its reference lies past the end
  EXPECT_TRUE(refused(last));
  last[5] = 0x0A, last[523] = 0xFF;           // glyph 1 at 522: an inline row past the end
  EXPECT_TRUE(refused(last));
}

}  // namespace
