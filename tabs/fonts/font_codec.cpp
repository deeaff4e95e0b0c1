// SPDX-License-Identifier: MIT
#include "tabs/fonts/font_codec.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pool/be.h"
#include "pool/memory.h"

struct RowPattern {
  uint32_t useCount;
  uint32_t number;  // from 1, most used first
  uint32_t length;  // pixels taken from the row that made it
  uint8_t pixels[256];
};

namespace {

const char* const FONT_PREFIXES[] = {"font", "pfont", "ufont", "map_", "frb", "frg", "frn", "frs"};

// Checks one glyph record against the body and returns its width, or -1.
// The walk is the decoder's: up to H references, inline rows skipped.
int glyphCheck(const uint8_t* body, uint32_t size, const FontMetrics& m, uint32_t table,
               uint32_t offset) {
  if (offset >= size) return -1;
  uint32_t p = offset + 1;
  for (uint32_t r = 0; r < m.height; r++) {
    if (p >= size) return -1;
    uint8_t ref = body[p++];
    if (ref == 0x00) break;
    if (ref == 0xFF) {
      if (size - p < m.rowBytes) return -1;
      p += m.rowBytes;
    } else if (uint64_t(table) + (uint64_t(ref) + 1) * m.rowBytes > size) {
      return -1;
    }
  }
  return body[offset];
}

void rowDecode(const uint8_t* bits, uint32_t width, uint8_t* row) {
  for (uint32_t x = 0; x < width; x++) row[x] = bits[x / 8] & (0x80 >> (x % 8)) ? 0xFF : 0;
}

// Writes n pixels of row as bits into BPR bytes at out (already zero).
void rowEncode(const uint8_t* row, uint32_t n, uint8_t* out) {
  // Without a branch: random rows would mispredict it on every pixel.
  for (uint32_t x = 0; x < n; x++) out[x / 8] |= uint8_t((row[x] ? 0x80 : 0) >> (x % 8));
}

FontGlyph* glyphAt(List* glyphs, uint32_t code) { return static_cast<FontGlyph*>(listGet(glyphs, code - 1)); }

// A glyph's identity for sharing records: its width and its whole cell.
struct GlyphKey {
  uint32_t width;
  std::string_view pixels;
  bool operator==(const GlyphKey&) const = default;
};
struct GlyphKeyHash {
  size_t operator()(const GlyphKey& k) const { return std::hash<std::string_view>()(k.pixels) ^ k.width; }
};

std::string_view bytesView(const uint8_t* p, size_t n) { return {reinterpret_cast<const char*>(p), n}; }

}  // namespace

int fontMatch(ModulePool*, Module* module) {
  const char* name = moduleGetName(module);
  bool named = false;
  for (const char* prefix : FONT_PREFIXES) named = named || std::strncmp(name, prefix, std::strlen(prefix)) == 0;
  if (!named) return 0;
  uint32_t size = 0;
  MallocPtr<uint8_t> body(moduleGetBody(module, &size));
  return body && size >= 4 && (beGet16(body.get() + 2) & 1);
}

List* fontDecode(const uint8_t* body, uint32_t size, FontMetrics* metrics) {
  if (size < FONT_RECORDS_OFFSET) return nullptr;
  FontMetrics m = {body[0], body[1], 0};
  uint32_t table = beGet16(body + 2);
  if (!m.width || !m.height || table >= size) return nullptr;
  m.rowBytes = body[table];
  if (m.rowBytes * 8 < m.width) return nullptr;  // also a BPR of 0
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++)
    if (glyphCheck(body, size, m, table, beGet16(body + 4 + 2 * (c - 1))) < 0) return nullptr;

  List* glyphs = listNew();
  const uint32_t cell = m.width * m.height;
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++) {
    auto* g = static_cast<FontGlyph*>(std::calloc(1, sizeof(FontGlyph)));
    uint32_t offset = beGet16(body + 4 + 2 * (c - 1));
    g->code = c;
    g->width = std::min<uint32_t>(body[offset], m.width);
    g->pixels = static_cast<uint8_t*>(std::calloc(cell, 1));
    uint32_t p = offset + 1;
    for (uint32_t r = 0; r < m.height; r++) {
      uint8_t ref = body[p++];
      if (ref == 0x00) break;
      const uint8_t* bits = ref == 0xFF ? body + p : body + table + ref * m.rowBytes;
      if (ref == 0xFF) p += m.rowBytes;
      rowDecode(bits, g->width, g->pixels + r * m.width);
    }
    g->savedWidth = g->width;
    g->savedPixels = mallocCopy(g->pixels, cell);
    listPush(glyphs, g);
  }
  *metrics = m;
  return glyphs;
}

void fontGlyphsFree(List* glyphs) {
  if (!glyphs) return;
  for (uint32_t i = 0; i < glyphs->count; i++) {
    auto* g = static_cast<FontGlyph*>(glyphs->items[i]);
    std::free(g->pixels);
    std::free(g->savedPixels);
  }
  listFreeAll(glyphs);
}

uint8_t* fontEncode(const FontMetrics* metrics, List* glyphs, uint32_t* size) {
  const uint32_t W = metrics->width, H = metrics->height, BPR = metrics->rowBytes;
  const uint32_t cell = W * H;
  const uint32_t bits = std::min(W, BPR * 8);  // a row never spills out of its BPR bytes
  auto widthOf = [&](const FontGlyph* g) { return std::min(g->width, W); };

  // 1. Identical glyphs (same width, same whole cell) share the lowest code's record.
  std::vector<FontGlyph*> distinct;
  std::unordered_map<GlyphKey, uint32_t, GlyphKeyHash> seen;
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++) {
    FontGlyph* g = glyphAt(glyphs, c);
    auto [it, added] = seen.try_emplace(GlyphKey{widthOf(g), bytesView(g->pixels, cell)}, c);
    g->sameAs = added ? 0 : it->second;
    if (added) distinct.push_back(g);
  }

  // 2. Rows stored per glyph: up to the last non-blank one, row 0 always.
  std::vector<uint32_t> storedRows(FONT_GLYPH_COUNT + 1);
  for (FontGlyph* g : distinct) {
    uint32_t end = H;
    while (end > 1 && std::all_of(g->pixels + (end - 1) * W, g->pixels + end * W, [](uint8_t p) { return p == 0; }))
      end--;
    storedRows[g->code] = end;
    g->rowRefs = static_cast<RowPattern**>(std::calloc(H, sizeof(RowPattern*)));
  }

  // 3. Patterns, widest glyphs first: a row takes the first-made pattern
  // whose leading `width` pixels are its own. The index maps each distinct
  // prefix of the current width to its first-made pattern; when the width
  // drops, it is folded down to the shorter prefixes, keeping the earliest.
  std::stable_sort(distinct.begin(), distinct.end(),
                   [&](const FontGlyph* a, const FontGlyph* b) { return widthOf(a) > widthOf(b); });
  std::deque<RowPattern> patterns;  // in creation order; addresses stay put
  std::unordered_map<std::string_view, uint32_t> prefixes;  // prefix -> creation index
  uint32_t indexWidth = W + 1;
  for (FontGlyph* g : distinct) {
    const uint32_t w = widthOf(g);
    if (w != indexWidth) {
      std::unordered_map<std::string_view, uint32_t> shorter;
      for (const auto& [prefix, index] : prefixes) {
        auto [it, added] = shorter.try_emplace(prefix.substr(0, w), index);
        if (!added) it->second = std::min(it->second, index);
      }
      prefixes.swap(shorter);
      indexWidth = w;
    }
    for (uint32_t r = 0; r < storedRows[g->code]; r++) {
      std::string_view row = bytesView(g->pixels + r * W, w);
      auto it = prefixes.find(row);
      if (it != prefixes.end()) {
        g->rowRefs[r] = &patterns[it->second];
        g->rowRefs[r]->useCount++;
        continue;
      }
      RowPattern& made = patterns.emplace_back();
      made.useCount = 1;
      made.length = w;
      std::memcpy(made.pixels, g->pixels + r * W, w);
      prefixes.emplace(bytesView(made.pixels, w), uint32_t(patterns.size() - 1));
      g->rowRefs[r] = &made;
    }
  }

  // 4. Numbers by use, most used first.
  std::vector<RowPattern*> byUse;
  for (RowPattern& p : patterns) byUse.push_back(&p);
  std::stable_sort(byUse.begin(), byUse.end(),
                   [](const RowPattern* a, const RowPattern* b) { return a->useCount > b->useCount; });
  for (size_t i = 0; i < byUse.size(); i++) byUse[i]->number = uint32_t(i + 1);

  // 5. Glyph records in code order.
  std::vector<uint8_t> out(FONT_RECORDS_OFFSET, 0);
  out[0] = uint8_t(W);
  out[1] = uint8_t(H);
  bool fits = true;
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT && fits; c++) {
    FontGlyph* g = glyphAt(glyphs, c);
    uint8_t* entry = out.data() + 4 + 2 * (c - 1);
    if (g->sameAs) {
      std::memcpy(entry, out.data() + 4 + 2 * (g->sameAs - 1), 2);
      continue;
    }
    fits = out.size() <= 0xFFFF;
    beSet16(entry, uint32_t(out.size()));
    out.push_back(uint8_t(widthOf(g)));
    for (uint32_t r = 0; r < H; r++) {
      if (r == storedRows[c]) {
        out.push_back(0x00);
        break;
      }
      if (g->rowRefs[r]->number <= 254) {
        out.push_back(uint8_t(g->rowRefs[r]->number));
      } else {
        out.push_back(0xFF);
        out.resize(out.size() + BPR, 0);
        rowEncode(g->pixels + r * W, bits, out.data() + out.size() - BPR);
      }
    }
  }

  // 6. The pattern table at an odd offset, patterns 1 .. 255.
  if (out.size() % 2 == 0) out.push_back(0);
  uint32_t table = uint32_t(out.size());
  fits = fits && table <= 0xFFFF;
  beSet16(out.data() + 2, table);
  out.push_back(uint8_t(BPR));
  out.resize(out.size() + (BPR ? BPR - 1 : 0), 0xFF);
  for (size_t i = 0; i < byUse.size() && i < 255; i++) {
    out.resize(out.size() + BPR, 0);
    rowEncode(byUse[i]->pixels, bits, out.data() + out.size() - BPR);
  }
  out.resize((out.size() + 3) & ~size_t(3), 0);

  // 8. Nothing of the encoder stays in the glyphs.
  for (FontGlyph* g : distinct) {
    std::free(g->rowRefs);
    g->rowRefs = nullptr;
  }
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++) glyphAt(glyphs, c)->sameAs = 0;
  if (!fits) return nullptr;
  *size = uint32_t(out.size());
  return mallocCopy(out.data(), out.size());
}

int fontGlyphEdited(const FontMetrics* metrics, const FontGlyph* g) {
  return g->width != g->savedWidth ||
         std::memcmp(g->pixels, g->savedPixels, size_t(metrics->width) * metrics->height) != 0;
}

int fontStoreGlyphs(Module* module, const uint8_t* body, uint32_t size, const FontMetrics* metrics,
                    List* glyphs) {
  bool edited = false;
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT && !edited; c++) edited = fontGlyphEdited(metrics, glyphAt(glyphs, c));
  if (!edited) {
    moduleStoreBody(module, body, size);
    return 1;
  }
  uint32_t encodedSize = 0;
  MallocPtr<uint8_t> encoded(fontEncode(metrics, glyphs, &encodedSize));
  if (!encoded) return 0;
  moduleStoreBody(module, encoded.get(), encodedSize);
  return 1;
}

int fontStoreUnedited(Module* module, char*) {
  if (!fontMatch(nullptr, module)) return 0;
  uint32_t size = 0;
  MallocPtr<uint8_t> body(moduleGetBody(module, &size));
  moduleStoreBody(module, body.get(), size);
  return 1;
}
