// SPDX-License-Identifier: MIT
#include "tabs/fonts/font_codec.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pool/be.h"
#include "pool/memory.h"

// A stored row pattern, while fontEncode runs: its pixels are the first
// `length` of the row that made it (the glyphs stay put meanwhile), the rest
// clear.
struct RowPattern {
  uint32_t useCount;
  uint32_t number;  // from 1, most used first
  uint32_t length;  // pixels taken from the row that made it
  const uint8_t* pixels;
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

// How many leading bytes of a and b (n at most) are equal, eight at a time.
uint32_t samePixels(const uint8_t* a, const uint8_t* b, uint32_t n) {
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t x, y;
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    if (x == y) continue;
    // The first unequal byte in memory: the lowest one on a little-endian host.
    const int bit = std::endian::native == std::endian::little ? std::countr_zero(x ^ y) : std::countl_zero(x ^ y);
    return i + uint32_t(bit / 8);
  }
  while (i < n && a[i] == b[i]) i++;
  return i;
}

// The row patterns made so far, by their pixels, as a tree whose edges are
// runs of pixels (a radix tree): each node knows the earliest pattern below
// it, so the first-made pattern whose leading w pixels are a row's is found
// by walking w pixels, whatever the widths asked for before. A map of the
// prefixes of one width would have to be made again at every width.
class PatternTree {
 public:
  // Room for the patterns of `rows` rows: each adds at most two nodes.
  explicit PatternTree(size_t rows) { nodes_.reserve(2 * rows + 1); }

  // The earliest pattern whose first w pixels are row's; when there is
  // none, the row's first w pixels become pattern `index` (later than every
  // pattern before it) and index is returned. The row's pixels must stay
  // where they are while the tree lives.
  uint32_t findOrAdd(const uint8_t* row, uint32_t w, uint32_t index) {
    if (nodes_.empty()) nodes_.push_back({nullptr, 0, index, NONE, NONE, 0});
    uint32_t node = 0, pos = 0;
    while (pos < w) {
      const uint32_t child = childOf(node, row[pos]);
      if (child == NONE) {
        nodes_.push_back({row + pos, w - pos, index, NONE, nodes_[node].child, row[pos]});
        nodes_[node].child = uint32_t(nodes_.size() - 1);
        return index;
      }
      const uint8_t* label = nodes_[child].label;
      const uint32_t length = nodes_[child].length, limit = std::min(length, w - pos);
      const uint32_t same = 1 + samePixels(label + 1, row + pos + 1, limit - 1);  // the first chose the child
      if (same == limit) {
        pos += same;
        node = child;
        continue;
      }
      // The row leaves the edge in its middle: the node keeps its place
      // among its siblings and takes the edge's first part; what hung below
      // it moves down under the rest of the edge, beside the row's rest.
      const uint32_t rest = uint32_t(nodes_.size());
      nodes_.push_back({label + same, length - same, nodes_[child].first, nodes_[child].child, NONE, label[same]});
      nodes_.push_back({row + pos + same, w - pos - same, index, NONE, rest, row[pos + same]});
      nodes_[child].length = same;
      nodes_[child].child = rest + 1;
      return index;
    }
    return nodes_[node].first;
  }

 private:
  static constexpr uint32_t NONE = UINT32_MAX;
  struct Node {
    const uint8_t* label;  // the pixels of the edge into the node
    uint32_t length;
    uint32_t first;    // the earliest pattern below
    uint32_t child;    // the first child, or NONE
    uint32_t sibling;  // the next child of the same parent, or NONE
    uint8_t key;       // label[0], kept here: a search reads no pixels to choose
  };
  uint32_t childOf(uint32_t node, uint8_t pixel) const {
    uint32_t c = nodes_[node].child;
    while (c != NONE && nodes_[c].key != pixel) c = nodes_[c].sibling;
    return c;
  }
  std::vector<Node> nodes_;
};
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

namespace {

// What the encoder decides before it writes: the glyphs stored (identical
// ones share the lowest code's record), the rows each stores, and the row
// patterns with their numbers.
struct EncodePlan {
  std::vector<FontGlyph*> distinct;  // widest first
  std::vector<uint32_t> sameAs;      // by code: an earlier identical glyph, or 0
  std::vector<uint32_t> storedRows;  // by code: up to the last non-blank row, row 0 always
  std::vector<RowPattern> patterns;  // in creation order
  std::vector<uint32_t> patternOf;   // by stored row, glyphs in `distinct` order: a pattern
  std::vector<uint32_t> rowsStart;   // by code: its row 0 in patternOf
  std::vector<RowPattern*> byUse;    // most used first: pattern number i + 1
};

void encodePlan(const FontMetrics* metrics, List* glyphs, EncodePlan* plan) {
  const uint32_t W = metrics->width, H = metrics->height;
  const uint32_t cell = W * H;
  auto widthOf = [&](const FontGlyph* g) { return std::min(g->width, W); };

  // 1. Identical glyphs (same width, same whole cell) share the lowest code's record.
  plan->sameAs.assign(FONT_GLYPH_COUNT + 1, 0);
  std::unordered_map<GlyphKey, uint32_t, GlyphKeyHash> seen;
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++) {
    FontGlyph* g = fontGlyphAt(glyphs, c);
    auto [it, added] = seen.try_emplace(GlyphKey{widthOf(g), bytesView(g->pixels, cell)}, c);
    plan->sameAs[c] = added ? 0 : it->second;
    if (added) plan->distinct.push_back(g);
  }

  // 2. Rows stored per glyph: up to the last non-blank one, row 0 always.
  plan->storedRows.assign(FONT_GLYPH_COUNT + 1, 0);
  for (FontGlyph* g : plan->distinct) {
    uint32_t end = H;
    while (end > 1 && std::all_of(g->pixels + (end - 1) * W, g->pixels + end * W, [](uint8_t p) { return p == 0; }))
      end--;
    plan->storedRows[g->code] = end;
  }

  // 3. Patterns, widest glyphs first: a row takes the first-made pattern
  // whose leading `width` pixels are its own, else makes one.
  std::stable_sort(plan->distinct.begin(), plan->distinct.end(),
                   [&](const FontGlyph* a, const FontGlyph* b) { return widthOf(a) > widthOf(b); });
  plan->rowsStart.assign(FONT_GLYPH_COUNT + 1, 0);
  size_t rowCount = 0;
  for (FontGlyph* g : plan->distinct) rowCount += plan->storedRows[g->code];
  plan->patternOf.reserve(rowCount);
  PatternTree tree(rowCount);
  for (FontGlyph* g : plan->distinct) {
    const uint32_t w = widthOf(g);
    plan->rowsStart[g->code] = uint32_t(plan->patternOf.size());
    for (uint32_t r = 0; r < plan->storedRows[g->code]; r++) {
      const uint8_t* row = g->pixels + r * W;
      const uint32_t found = tree.findOrAdd(row, w, uint32_t(plan->patterns.size()));
      if (found == plan->patterns.size()) plan->patterns.push_back({0, 0, w, row});
      plan->patterns[found].useCount++;
      plan->patternOf.push_back(found);
    }
  }

  // 4. Numbers by use, most used first.
  for (RowPattern& p : plan->patterns) plan->byUse.push_back(&p);
  std::stable_sort(plan->byUse.begin(), plan->byUse.end(),
                   [](const RowPattern* a, const RowPattern* b) { return a->useCount > b->useCount; });
  for (size_t i = 0; i < plan->byUse.size(); i++) plan->byUse[i]->number = uint32_t(i + 1);
}

}  // namespace

uint8_t* fontEncode(const FontMetrics* metrics, List* glyphs, uint32_t* size) {
  const uint32_t W = metrics->width, H = metrics->height, BPR = metrics->rowBytes;
  const uint32_t bits = std::min(W, BPR * 8);  // a row never spills out of its BPR bytes
  EncodePlan plan;
  encodePlan(metrics, glyphs, &plan);

  // 5. Glyph records in code order.
  std::vector<uint8_t> out(FONT_RECORDS_OFFSET, 0);
  out[0] = uint8_t(W);
  out[1] = uint8_t(H);
  bool fits = true;
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT && fits; c++) {
    FontGlyph* g = fontGlyphAt(glyphs, c);
    uint8_t* entry = out.data() + 4 + 2 * (c - 1);
    if (plan.sameAs[c]) {
      std::memcpy(entry, out.data() + 4 + 2 * (plan.sameAs[c] - 1), 2);
      continue;
    }
    fits = out.size() <= 0xFFFF;
    beSet16(entry, uint32_t(out.size()));
    out.push_back(uint8_t(std::min(g->width, W)));
    for (uint32_t r = 0; r < H; r++) {
      if (r == plan.storedRows[c]) {
        out.push_back(0x00);
        break;
      }
      const RowPattern* pattern = &plan.patterns[plan.patternOf[plan.rowsStart[c] + r]];
      if (pattern->number <= 254) {
        out.push_back(uint8_t(pattern->number));
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
  for (size_t i = 0; i < plan.byUse.size() && i < 255; i++) {
    out.resize(out.size() + BPR, 0);
    rowEncode(plan.byUse[i]->pixels, std::min(plan.byUse[i]->length, bits), out.data() + out.size() - BPR);
  }
  out.resize((out.size() + 3) & ~size_t(3), 0);

  if (!fits) return nullptr;
  *size = uint32_t(out.size());
  return mallocCopy(out.data(), out.size());
}

int fontGlyphEdited(const FontMetrics* metrics, const FontGlyph* g) {
  return g->width != g->savedWidth ||
         std::memcmp(g->pixels, g->savedPixels, size_t(metrics->width) * metrics->height) != 0;
}

int fontStoreGlyphs(Module* module, ModuleKeep* keep, const FontMetrics* metrics, List* glyphs, char* err, size_t errSize) {
  bool edited = false;
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT && !edited; c++) edited = fontGlyphEdited(metrics, fontGlyphAt(glyphs, c));
  if (!edited) {
    moduleStoreUnedited(module, keep);
    return 1;
  }
  uint32_t encodedSize = 0;
  MallocPtr<uint8_t> encoded(fontEncode(metrics, glyphs, &encodedSize));
  if (!encoded) {
    std::snprintf(err, errSize, "the font is too large to be stored: its glyphs would need offsets "
                                        "beyond 65535 bytes");
    return 0;
  }
  return moduleStoreEdited(module, keep, encoded.get(), encodedSize, err, errSize);
}

int fontStoreCheck(Module* module, char* err, size_t errSize) {
  if (!fontMatch(nullptr, module)) return 0;
  uint32_t size = 0;
  MallocPtr<uint8_t> body(moduleGetBody(module, &size));
  FontMetrics metrics, againMetrics;
  List* glyphs = fontDecode(body.get(), size, &metrics);
  if (!glyphs) return 0;
  uint32_t encodedSize = 0;
  MallocPtr<uint8_t> encoded(fontEncode(&metrics, glyphs, &encodedSize));
  List* again = encoded ? fontDecode(encoded.get(), encodedSize, &againMetrics) : nullptr;
  int result = again ? 1 : -1;
  if (!encoded)
    std::snprintf(err, errSize, "its glyphs would need offsets beyond 65535 bytes");
  else if (!again)
    std::snprintf(err, errSize, "its glyphs would not read back");
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT && result > 0; c++) {
    const FontGlyph* a = fontGlyphAt(glyphs, c);
    const FontGlyph* b = fontGlyphAt(again, c);
    if (a->width == b->width && std::memcmp(a->pixels, b->pixels, size_t(metrics.width) * metrics.height) == 0)
      continue;
    std::snprintf(err, errSize, "its glyphs would not read back: glyph %u comes back otherwise", c);
    result = -1;
  }
  if (result > 0 && moduleSizeWithBody(module, encodedSize) > MODULE_MAX_SIZE) {
    std::snprintf(err, errSize, "the module would pass the %u bytes a module can be", MODULE_MAX_SIZE);
    result = -1;
  }
  fontGlyphsFree(again);
  fontGlyphsFree(glyphs);
  return result;
}
