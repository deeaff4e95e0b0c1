// SPDX-License-Identifier: MIT
// Font codec figures on 255 distinct glyphs of 32 x 32 pixels: fontEncode
// against fontDecode of the body it made. Decoding is the baseline: it walks
// the same body the other way and allocates the same records and pixel
// cells, so the ratio shows what finding and sharing rows costs on top of
// the bit packing both do. Two glyph sets: drawn letters, whose rows recur
// within and across glyphs, and random rows, nearly all distinct.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "pool/memory.h"
#include "tabs/fonts/font_bdf.h"
#include "tabs/fonts/font_codec.h"
#include "tests/support/body_builders.h"

namespace {

constexpr uint32_t CELL = 32;
const FontMetrics METRICS = {CELL, CELL, CELL / 8};

enum class GlyphSet { Letters, DistinctRows };

FontGlyph* glyphAt(List* glyphs, uint32_t code) {
  return static_cast<FontGlyph*>(listGet(glyphs, code - 1));
}

// 255 blank glyphs of the 32 x 32 cell.
List* blankSet() {
  List* glyphs = listNew();
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++) {
    auto* g = static_cast<FontGlyph*>(std::calloc(1, sizeof(FontGlyph)));
    g->code = c;
    g->width = CELL;
    g->pixels = static_cast<uint8_t*>(std::calloc(CELL * CELL, 1));
    listPush(glyphs, g);
  }
  return glyphs;
}

// The 5 x 7 letters of fontBody(4), 20 x 28 pixels, so each dot row comes
// four times and rows recur across letters. The 94 printable shapes in three
// styles (plain, bold, slanted) make every glyph distinct; each glyph also
// gets an accent bar of its own two rows below the letter and a width of 26
// to 32.
List* lettersSet() {
  FontMetrics source{};
  Bytes body = fontBody(4);
  List* shapes = fontDecode(body.data(), uint32_t(body.size()), &source);
  List* glyphs = blankSet();
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++) {
    FontGlyph* g = glyphAt(glyphs, c);
    const FontGlyph* shape = glyphAt(shapes, 33 + (c - 1) % 94);
    const uint32_t style = (c - 1) / 94;
    g->width = 26 + c % 7;
    for (uint32_t y = 0; y < source.height; y++)
      for (uint32_t x = 0; x < source.width; x++) {
        if (!shape->pixels[y * source.width + x]) continue;
        uint32_t to = 2 + x + (style == 2 ? (source.height - 1 - y) / 8 : 0);
        g->pixels[y * CELL + to] = 0xFF;
        if (style == 1) g->pixels[y * CELL + to + 1] = 0xFF;
      }
    const uint32_t barStart = (c * 7) % 14, barEnd = barStart + 4 + c % 9;  // within the width
    for (uint32_t y = 29; y <= 30; y++) std::memset(g->pixels + y * CELL + barStart, 0xFF, barEnd - barStart);
  }
  fontGlyphsFree(shapes);
  return glyphs;
}

// Every row of every glyph random: about 8,000 distinct rows, nearly all
// stored inline.
List* distinctRowsSet() {
  std::mt19937 random(255);
  List* glyphs = blankSet();
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++) {
    FontGlyph* g = glyphAt(glyphs, c);
    for (uint32_t y = 0; y < CELL; y++) {
      uint32_t bits = random();
      for (uint32_t x = 0; x < CELL; x++) g->pixels[y * CELL + x] = bits >> x & 1 ? 0xFF : 0;
    }
  }
  return glyphs;
}

// A glyph set and the body fontEncode made of it, checked to decode to the
// same widths and visible pixels: a baseline that decodes something else
// would make the ratio meaningless.
struct Workload {
  List* glyphs = nullptr;
  Bytes body;

  explicit Workload(GlyphSet set) : glyphs(set == GlyphSet::Letters ? lettersSet() : distinctRowsSet()) {
    uint32_t size = 0;
    MallocPtr<uint8_t> encoded(fontEncode(&METRICS, glyphs, &size));
    if (encoded) body.assign(encoded.get(), encoded.get() + size);
  }
  ~Workload() { fontGlyphsFree(glyphs); }

  bool roundTrips() const {
    FontMetrics m{};
    List* decoded = body.empty() ? nullptr : fontDecode(body.data(), uint32_t(body.size()), &m);
    bool same = decoded && m.width == CELL && m.height == CELL;
    for (uint32_t c = 1; same && c <= FONT_GLYPH_COUNT; c++) {
      const FontGlyph* a = glyphAt(glyphs, c);
      const FontGlyph* b = glyphAt(decoded, c);
      same = a->width == b->width;
      for (uint32_t y = 0; same && y < CELL; y++)
        same = std::memcmp(a->pixels + y * CELL, b->pixels + y * CELL, a->width) == 0;
    }
    fontGlyphsFree(decoded);
    return same;
  }
};

const Workload& workload(GlyphSet set) {
  static const Workload letters(GlyphSet::Letters);
  static const Workload distinct(GlyphSet::DistinctRows);
  return set == GlyphSet::Letters ? letters : distinct;
}

bool workloadReady(benchmark::State& state, const Workload& w) {
  if (w.roundTrips()) return true;
  state.SkipWithError("the encoded font does not decode to its glyphs");
  return false;
}

// Encode and free the body.
void encodeOnce(List* glyphs) {
  uint32_t size = 0;
  uint8_t* body = fontEncode(&METRICS, glyphs, &size);
  benchmark::DoNotOptimize(body);
  std::free(body);
}

// Decode and free the glyphs.
void decodeOnce(const Bytes& body) {
  FontMetrics m{};
  List* glyphs = fontDecode(body.data(), uint32_t(body.size()), &m);
  benchmark::DoNotOptimize(glyphs);
  fontGlyphsFree(glyphs);
}

void BM_FontEncode(benchmark::State& state, GlyphSet set) {
  const Workload& w = workload(set);
  if (!workloadReady(state, w)) return;
  for (auto _ : state) encodeOnce(w.glyphs);
  state.SetItemsProcessed(int64_t(state.iterations()) * FONT_GLYPH_COUNT);
  state.counters["body_bytes"] = double(w.body.size());
}
BENCHMARK_CAPTURE(BM_FontEncode, letters, GlyphSet::Letters)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FontEncode, distinct_rows, GlyphSet::DistinctRows)->Unit(benchmark::kMicrosecond);

void BM_FontDecode(benchmark::State& state, GlyphSet set) {
  const Workload& w = workload(set);
  if (!workloadReady(state, w)) return;
  for (auto _ : state) decodeOnce(w.body);
  state.SetItemsProcessed(int64_t(state.iterations()) * FONT_GLYPH_COUNT);
  state.counters["body_bytes"] = double(w.body.size());
}
BENCHMARK_CAPTURE(BM_FontDecode, letters, GlyphSet::Letters)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FontDecode, distinct_rows, GlyphSet::DistinctRows)->Unit(benchmark::kMicrosecond);

// Seconds for `passes` calls of one.
template <class Call>
double timePasses(Call call, int passes) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < passes; i++) call();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Encode and decode take turns, round after round; the best round of each
// counts.
void BM_FontEncodeRatio(benchmark::State& state, GlyphSet set) {
  const Workload& w = workload(set);
  if (!workloadReady(state, w)) return;
  constexpr int ROUNDS = 15;
  constexpr int PASSES = 20;
  double encode = 1e9, decode = 1e9;
  for (auto _ : state) {
    for (int round = 0; round < ROUNDS; round++) {
      encode = std::min(encode, timePasses([&] { encodeOnce(w.glyphs); }, PASSES));
      decode = std::min(decode, timePasses([&] { decodeOnce(w.body); }, PASSES));
    }
  }
  state.counters["encode_over_decode"] = encode / decode;
  state.counters["encode_us"] = encode / PASSES * 1e6;
  state.counters["decode_us"] = decode / PASSES * 1e6;
  state.counters["body_bytes"] = double(w.body.size());
}
BENCHMARK_CAPTURE(BM_FontEncodeRatio, letters, GlyphSet::Letters)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FontEncodeRatio, distinct_rows, GlyphSet::DistinctRows)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The hardest case for the row search: 255 glyphs of the largest cell, 255 x
// 255, every row random and every glyph of another width, so each glyph
// asks for prefixes of a new length; beside it the same rows at one width.
// Too many distinct rows for 16-bit offsets, so fontEncode refuses both in
// the end: what is timed is the work before. The baseline decodes a 255 x
// 255 font of as many glyphs and as varied widths (one whose records
// overlap, as only a hand-made body can): the same pixels written once.
List* largestCellSet(bool varied) {
  std::mt19937 random(255);
  List* glyphs = listNew();
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++) {
    auto* g = static_cast<FontGlyph*>(std::calloc(1, sizeof(FontGlyph)));
    g->code = c;
    g->width = varied ? c : 255;
    g->pixels = static_cast<uint8_t*>(std::calloc(255 * 255, 1));
    for (uint32_t i = 0; i < 255 * 255; i++) g->pixels[i] = random() & 1 ? 0xFF : 0;
    listPush(glyphs, g);
  }
  return glyphs;
}

void BM_FontEncodeLargestCellRatio(benchmark::State& state) {
  const FontMetrics metrics = {255, 255, 32};
  List* varied = largestCellSet(true);
  List* equal = largestCellSet(false);
  const Bytes body = fontBodyOverlapping(255);
  FontMetrics m{};
  List* check = fontDecode(body.data(), uint32_t(body.size()), &m);
  if (!check || m.width != 255 || m.height != 255) {
    state.SkipWithError("the baseline font does not decode as 255 x 255");
    return;
  }
  fontGlyphsFree(check);
  constexpr int ROUNDS = 5;
  double variedTime = 1e9, equalTime = 1e9, decode = 1e9;
  auto encode = [&](List* glyphs) {
    uint32_t size = 0;
    std::free(fontEncode(&metrics, glyphs, &size));
  };
  for (auto _ : state) {
    for (int round = 0; round < ROUNDS; round++) {
      variedTime = std::min(variedTime, timePasses([&] { encode(varied); }, 1));
      equalTime = std::min(equalTime, timePasses([&] { encode(equal); }, 1));
      decode = std::min(decode, timePasses([&] { decodeOnce(body); }, 1));
    }
  }
  state.counters["varied_over_decode"] = variedTime / decode;
  state.counters["equal_over_decode"] = equalTime / decode;
  state.counters["varied_ms"] = variedTime * 1e3;
  state.counters["equal_ms"] = equalTime * 1e3;
  state.counters["decode_ms"] = decode * 1e3;
  fontGlyphsFree(varied);
  fontGlyphsFree(equal);
}
BENCHMARK(BM_FontEncodeLargestCellRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

// BDF export and import of the same 255 glyphs (font_bdf.cpp), each against
// fontDecode of the encoded body: the decoder touches every pixel of every
// glyph once, as the BDF writer and reader do, but without any text.
struct BdfWorkload {
  const Workload& font;
  std::string text;
  List* target = nullptr;  // what the import sets: a decoded copy of the font

  explicit BdfWorkload(GlyphSet set) : font(workload(set)) {
    size_t length = 0;
    MallocPtr<char> bdf(fontBdfWrite(&METRICS, font.glyphs, "font_bench", "CP1252", &length));
    text.assign(bdf.get(), length);
    FontMetrics m{};
    target = fontDecode(font.body.data(), uint32_t(font.body.size()), &m);
  }
  ~BdfWorkload() { fontGlyphsFree(target); }

  // The import of the export gives every glyph back, width and visible pixels.
  bool roundTrips() const {
    List* blank = blankSet();
    char err[ERROR_SIZE];
    char* warnings = nullptr;
    bool same = fontBdfRead(text.data(), text.size(), &METRICS, blank, &warnings, err, sizeof err) && !warnings;
    for (uint32_t c = 1; same && c <= FONT_GLYPH_COUNT; c++) {
      const FontGlyph* a = glyphAt(font.glyphs, c);
      const FontGlyph* b = glyphAt(blank, c);
      same = a->width == b->width;
      for (uint32_t y = 0; same && y < CELL; y++)
        same = std::memcmp(a->pixels + y * CELL, b->pixels + y * CELL, a->width) == 0;
    }
    std::free(warnings);
    fontGlyphsFree(blank);
    return same;
  }
};

const BdfWorkload& bdfWorkload() {
  static const BdfWorkload letters(GlyphSet::Letters);
  return letters;
}

void exportOnce(List* glyphs) {
  size_t length = 0;
  char* text = fontBdfWrite(&METRICS, glyphs, "font_bench", "CP1252", &length);
  benchmark::DoNotOptimize(text);
  std::free(text);
}

void importOnce(const BdfWorkload& w) {
  char err[ERROR_SIZE];
  char* warnings = nullptr;
  benchmark::DoNotOptimize(fontBdfRead(w.text.data(), w.text.size(), &METRICS, w.target, &warnings, err, sizeof err));
  std::free(warnings);
}

bool bdfReady(benchmark::State& state, const BdfWorkload& w) {
  if (!workloadReady(state, w.font)) return false;
  if (w.roundTrips()) return true;
  state.SkipWithError("the BDF export does not import back to the glyphs");
  return false;
}

void BM_FontBdfExport(benchmark::State& state) {
  const BdfWorkload& w = bdfWorkload();
  if (!bdfReady(state, w)) return;
  for (auto _ : state) exportOnce(w.font.glyphs);
  state.counters["bdf_bytes"] = double(w.text.size());
}
BENCHMARK(BM_FontBdfExport)->Unit(benchmark::kMicrosecond);

void BM_FontBdfImport(benchmark::State& state) {
  const BdfWorkload& w = bdfWorkload();
  if (!bdfReady(state, w)) return;
  for (auto _ : state) importOnce(w);
  state.counters["bdf_bytes"] = double(w.text.size());
}
BENCHMARK(BM_FontBdfImport)->Unit(benchmark::kMicrosecond);

// Export, import and decode take turns, round after round; the best round
// of each counts.
void BM_FontBdfRatio(benchmark::State& state) {
  const BdfWorkload& w = bdfWorkload();
  if (!bdfReady(state, w)) return;
  constexpr int ROUNDS = 15;
  constexpr int PASSES = 10;
  double exportTime = 1e9, importTime = 1e9, decode = 1e9;
  for (auto _ : state) {
    for (int round = 0; round < ROUNDS; round++) {
      exportTime = std::min(exportTime, timePasses([&] { exportOnce(w.font.glyphs); }, PASSES));
      importTime = std::min(importTime, timePasses([&] { importOnce(w); }, PASSES));
      decode = std::min(decode, timePasses([&] { decodeOnce(w.font.body); }, PASSES));
    }
  }
  state.counters["export_over_decode"] = exportTime / decode;
  state.counters["import_over_decode"] = importTime / decode;
  state.counters["export_ms"] = exportTime / PASSES * 1e3;
  state.counters["import_ms"] = importTime / PASSES * 1e3;
  state.counters["decode_ms"] = decode / PASSES * 1e3;
  state.counters["bdf_bytes"] = double(w.text.size());
}
BENCHMARK(BM_FontBdfRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
