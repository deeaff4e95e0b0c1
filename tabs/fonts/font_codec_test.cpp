// SPDX-License-Identifier: MIT
#include "tabs/fonts/font_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <vector>

#include "pool/be.h"
#include "pool/memory.h"
#include "tests/support/body_builders.h"

namespace {

// W = 4, H = 2; glyph 65 is X..X twice, every other glyph blank with width 2.
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
      *g = {c, w, w, static_cast<uint8_t*>(std::calloc(W * H, 1)), nullptr, 0};
      listPush(glyphs, g);
    }
  }
  ~Font() { fontGlyphsFree(glyphs); }
  FontGlyph* operator[](uint32_t code) { return fontGlyphAt(glyphs, code); }
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

using ModulePtr = std::unique_ptr<Module, decltype(&moduleFree)>;
ModulePtr moduleOf(const std::string& name, const Bytes& body) {
  Bytes bytes = ModuleBuilder().name(name).body(body).build();
  return ModulePtr(moduleCreate(bytes.data(), bytes.size(), ARCH_4DAD, nullptr), moduleFree);
}

TEST(FontCodec, Recognition) {
  Bytes body = workedExample();
  for (const char* name : {"fontsmall", "pfont1", "ufont", "map_east", "frbold", "frg", "frn", "frs"})
    EXPECT_TRUE(fontMatch(nullptr, moduleOf(name, body).get())) << name;
  for (const char* name : {"fon", "map", "Font", "xfont"})
    EXPECT_FALSE(fontMatch(nullptr, moduleOf(name, body).get())) << name;
  body[3] = 0x08;
  EXPECT_FALSE(fontMatch(nullptr, moduleOf("font", body).get()));
  EXPECT_FALSE(fontMatch(nullptr, moduleOf("font", {}).get()));
}

// Encoded again, the decoded worked example gives its bytes back.
TEST(FontCodec, WorkedExampleBothWays) {
  Font f(workedExample());
  ASSERT_TRUE(f.glyphs);
  EXPECT_EQ(Bytes({0xFF, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF}), f.cell(65));
  EXPECT_EQ(workedExample(), f.encode());
  Bytes wide = workedExample();
  wide[0x205] = 9;  // a stored width above W decodes as W
  EXPECT_EQ(4u, Font(wide)[65]->width);
}

TEST(FontCodec, InlineRowsAndTheTableEnd) {
  // 510 distinct rows used once: rows numbered 255 and on go inline, the table stops after 255.
  Font f(9, 2, 9);
  for (uint32_t c = 1; c <= 255; c++)
    for (uint32_t x = 0; x < 9; x++) {
      if (c >> x & 1) f.set(c, x, 0);
      if ((c + 256) >> x & 1) f.set(c, x, 1);
    }
  Bytes body = f.encode();
  EXPECT_EQ((beGet16(&body[2]) + 2 * 256 + 3) / 4 * 4, body.size());
  // Glyph 127's rows are patterns 253 and 254, by reference; glyph 128's first is 255, inline.
  EXPECT_EQ(Bytes({9, 253, 254}), record(body, 127, 3));
  EXPECT_EQ(Bytes({9, 0xFF}), record(body, 128, 2));
  Font back(body);
  ASSERT_TRUE(back.glyphs);
  for (uint32_t c = 1; c <= 255; c++) ASSERT_EQ(f.cell(c), back.cell(c)) << c;

  // Records that would need offsets past 65535 are not written.
  Font huge(255, 255, 255);
  for (uint32_t c = 1; c <= 255; c++) huge.set(c, c - 1, 254);
  EXPECT_TRUE(huge.encode().empty());
}

// The encoder's rules followed literally: identical glyphs share a record; glyphs widest first; a row
// takes the first-made pattern whose leading `width` pixels are its own; patterns numbered by use.
Bytes encodeByTheRules(Font& f) {
  const uint32_t W = f.m.width, H = f.m.height, BPR = f.m.rowBytes;
  std::vector<uint32_t> same(256), end(256, H);
  std::vector<FontGlyph*> distinct;
  for (uint32_t c = 1; c <= 255; c++) {
    for (FontGlyph* d : distinct)
      if (!same[c] && d->width == f[c]->width && std::memcmp(d->pixels, f[c]->pixels, W * H) == 0) same[c] = d->code;
    if (!same[c]) distinct.push_back(f[c]);
    while (end[c] > 1 && Bytes(f[c]->pixels + (end[c] - 1) * W, f[c]->pixels + end[c] * W) == Bytes(W)) end[c]--;
  }
  std::stable_sort(distinct.begin(), distinct.end(), [](auto a, auto b) { return a->width > b->width; });
  struct Pattern { uint32_t uses, length, number; const uint8_t* pixels; };
  std::vector<Pattern> patterns;
  std::map<std::pair<uint32_t, uint32_t>, size_t> ref;  // (code, row) -> pattern
  for (FontGlyph* g : distinct)
    for (uint32_t r = 0; r < end[g->code]; r++) {
      size_t p = 0;
      while (p < patterns.size() && std::memcmp(patterns[p].pixels, g->pixels + r * W, g->width) != 0) p++;
      if (p == patterns.size()) patterns.push_back({0, g->width, 0, g->pixels + r * W});
      patterns[p].uses++;
      ref[{g->code, r}] = p;
    }
  std::vector<Pattern*> order;
  for (Pattern& p : patterns) order.push_back(&p);
  std::stable_sort(order.begin(), order.end(), [](auto a, auto b) { return a->uses > b->uses; });
  for (size_t i = 0; i < order.size(); i++) order[i]->number = uint32_t(i + 1);
  auto bits = [&](const uint8_t* pixels, uint32_t n, Bytes& out) {
    out.resize(out.size() + BPR, 0);
    for (uint32_t x = 0; x < n; x++)
      if (pixels[x]) out[out.size() - BPR + x / 8] |= uint8_t(0x80 >> x % 8);
  };
  Bytes out(514, 0);
  out[0] = uint8_t(W), out[1] = uint8_t(H);
  for (uint32_t c = 1; c <= 255; c++) {
    beSet16(&out[4 + 2 * (c - 1)], same[c] ? beGet16(&out[4 + 2 * (same[c] - 1)]) : uint32_t(out.size()));
    if (same[c]) continue;
    out.push_back(uint8_t(f[c]->width));
    for (uint32_t r = 0; r < end[c]; r++) {
      const uint32_t n = patterns[ref[{c, r}]].number;
      out.push_back(uint8_t(n <= 254 ? n : 0xFF));
      if (n > 254) bits(f[c]->pixels + r * W, W, out);
    }
    if (end[c] < H) out.push_back(0);
  }
  if (out.size() % 2 == 0) out.push_back(0);
  beSet16(&out[2], uint32_t(out.size()));
  out.push_back(uint8_t(BPR));
  out.resize(out.size() + BPR - 1, 0xFF);
  for (size_t i = 0; i < order.size() && i < 255; i++) bits(order[i]->pixels, order[i]->length, out);
  out.resize((out.size() + 3) / 4 * 4, 0);
  return out;
}

// Rows from a few random shapes, so that glyphs of many widths share leading pixels in every way.
TEST(FontCodec, PatternsFollowTheRulesWhateverTheWidths) {
  std::mt19937 random(7);
  for (uint32_t round = 0; round < 12; round++) {
    const uint32_t W = 3 + round * 2, H = 5;
    Font f(W, H, 0);
    std::vector<Bytes> shapes(round % 3 == 0 ? 200 : 6, Bytes(W));
    for (Bytes& shape : shapes)
      for (uint8_t& p : shape) p = random() % 3 ? 0 : 0xFF;
    for (uint32_t c = 1; c <= 255; c++) {
      f[c]->width = random() % (W + 1);
      if (c % 17 == 0) continue;  // a few blank glyphs: they share one record
      for (uint32_t y = 0; y < H - c % 3; y++) {
        const Bytes& shape = shapes[random() % shapes.size()];
        std::copy(shape.begin(), shape.end(), f[c]->pixels + y * W);
      }
    }
    SCOPED_TRACE(round);
    EXPECT_EQ(encodeByTheRules(f), f.encode());
  }
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
  // One row high: the glyph's only row, inline, would end one byte past the body.
  Bytes flat = Font(4, 1, 2).encode();
  beSet16(&flat[4], uint32_t(flat.size()));
  flat.insert(flat.end(), {2, 0xFF});
  EXPECT_TRUE(refused(flat));
  flat.push_back(0x90);
  EXPECT_FALSE(refused(flat));
}

// A store takes an edit of the last glyph alone.
TEST(FontCodec, StoreTakesTheLastGlyph) {
  ModulePtr m = moduleOf("font_a", workedExample());
  Font f(workedExample());
  f.set(255, 1, 1);
  ModuleKeep keep;
  char err[ERROR_SIZE] = "";
  ASSERT_TRUE(fontStoreGlyphs(m.get(), &keep, &f.m, f.glyphs, err, sizeof err)) << err;
  uint32_t size = 0;
  MallocPtr<uint8_t> body(moduleGetBody(m.get(), &size));
  EXPECT_EQ(f.cell(255), Font(Bytes(body.get(), body.get() + size)).cell(255));
}

}  // namespace
