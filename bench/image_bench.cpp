// SPDX-License-Identifier: MIT
// XPM export of an 800 x 480 15-bit pixmap holding 30,000 distinct colours
// (imageExportBytes), against what a plain reading of the format would do to
// number the colours: search the list of colours found so far for every
// pixel. That search is quadratic (billions of comparisons here), so it runs on the
// first rows only and the two are compared per pixel. A copy of as many bytes
// as the XPM text has is the second baseline: the export's cost against
// merely writing its output.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "pool/be.h"
#include "pool/memory.h"
#include "tabs/images/image_codec.h"

namespace {

constexpr uint32_t WIDTH = 800, HEIGHT = 480, COLOURS = 30000;
constexpr uint32_t PIXELS = WIDTH * HEIGHT;
constexpr uint32_t SLICE_ROWS = 24, SLICE_PIXELS = SLICE_ROWS * WIDTH;

// Every colour at least once, the other pixels drawn from the same colours,
// all shuffled over the picture.
struct Workload {
  std::vector<uint8_t> data;
  ImageEntry entry = {};

  Workload() : data(2 * PIXELS) {
    std::mt19937 random(480);
    std::vector<uint16_t> all(0x8000);
    std::iota(all.begin(), all.end(), uint16_t(0));
    std::shuffle(all.begin(), all.end(), random);
    std::vector<uint16_t> words(all.begin(), all.begin() + COLOURS);
    while (words.size() < PIXELS) words.push_back(all[random() % COLOURS]);
    std::shuffle(words.begin(), words.end(), random);
    for (uint32_t i = 0; i < PIXELS; i++) beSet16(&data[2 * i], words[i]);
    entry.type = IMAGE_PIXMAP15;
    entry.width = WIDTH;
    entry.height = HEIGHT;
    entry.size = uint32_t(data.size());
    entry.data = data.data();
  }
};

const Workload& workload() {
  static const Workload w;
  return w;
}

// The plain reading: the distinct colours in order of first appearance, each
// pixel's index found by searching that list from its start.
std::vector<uint16_t> coloursSearched(const uint8_t* data, uint32_t count,
                                      std::vector<uint32_t>& pixels) {
  std::vector<uint16_t> colours;
  for (uint32_t i = 0; i < count; i++) {
    uint16_t word = uint16_t(beGet16(data + 2 * i) & 0x7FFF);
    auto found = std::find(colours.begin(), colours.end(), word);
    pixels[i] = uint32_t(found - colours.begin());
    if (found == colours.end()) colours.push_back(word);
  }
  return colours;
}

// The export must list all colours, and its first colour lines must be the
// slice's colours in the search's order: otherwise the two number different
// things and the ratio means nothing.
bool exportMatchesSearch(const Workload& w) {
  size_t length = 0;
  MallocPtr<uint8_t> text(imageExportBytes(&w.entry, &length));
  std::string xpm(reinterpret_cast<const char*>(text.get()), length);
  std::vector<uint32_t> pixels(SLICE_PIXELS);
  std::vector<uint16_t> colours = coloursSearched(w.data.data(), SLICE_PIXELS, pixels);
  size_t at = xpm.find("\"800 480 30000 4\",\n/* colors */\n");
  if (at == std::string::npos) return false;
  at = xpm.find('\n', xpm.find('\n', at) + 1) + 1;  // the first colour line
  for (uint16_t word : colours) {
    unsigned r = 0, g = 0, b = 0;
    if (std::sscanf(xpm.c_str() + at, "\"%*4s c #%2x%2x%2x\",", &r, &g, &b) != 3 ||
        word != (r >> 3 << 10 | g >> 3 << 5 | b >> 3))
      return false;
    at = xpm.find('\n', at) + 1;
  }
  return true;
}

bool workloadReady(benchmark::State& state) {
  static const bool ready = exportMatchesSearch(workload());
  if (!ready) state.SkipWithError("the export does not list the colours the search finds");
  return ready;
}

size_t exportOnce(const ImageEntry* e) {
  size_t length = 0;
  uint8_t* text = imageExportBytes(e, &length);
  benchmark::DoNotOptimize(text);
  std::free(text);
  return length;
}

size_t searchOnce(const uint8_t* data) {
  std::vector<uint32_t> pixels(SLICE_PIXELS);
  std::vector<uint16_t> colours = coloursSearched(data, SLICE_PIXELS, pixels);
  benchmark::DoNotOptimize(colours.data());
  benchmark::DoNotOptimize(pixels.data());
  return colours.size();
}

// malloc, memcpy and free of a block as long as the XPM text.
void copyOnce(const uint8_t* source, size_t length) {
  uint8_t* copy = mallocCopy(source, length);
  benchmark::DoNotOptimize(copy);
  std::free(copy);
}

void BM_XpmExport(benchmark::State& state) {
  const Workload& w = workload();
  if (!workloadReady(state)) return;
  size_t length = 0;
  for (auto _ : state) length = exportOnce(&w.entry);
  state.SetItemsProcessed(int64_t(state.iterations()) * PIXELS);
  state.counters["text_bytes"] = double(length);
}
BENCHMARK(BM_XpmExport)->Unit(benchmark::kMillisecond);

// The linear search on the first rows only: their list grows to fewer
// colours (slice_colours) than the whole picture's 30,000.
void BM_XpmColourSearchSlice(benchmark::State& state) {
  const Workload& w = workload();
  if (!workloadReady(state)) return;
  size_t colours = 0;
  for (auto _ : state) colours = searchOnce(w.data.data());
  state.SetItemsProcessed(int64_t(state.iterations()) * SLICE_PIXELS);
  state.counters["slice_colours"] = double(colours);
}
BENCHMARK(BM_XpmColourSearchSlice)->Unit(benchmark::kMillisecond);

double secondsOf(auto call) {
  auto start = std::chrono::steady_clock::now();
  call();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The three take turns, round after round; the best round of each counts.
void BM_XpmExportRatio(benchmark::State& state) {
  const Workload& w = workload();
  if (!workloadReady(state)) return;
  size_t length = 0;
  MallocPtr<uint8_t> text(imageExportBytes(&w.entry, &length));
  constexpr int ROUNDS = 5;
  double exported = 1e9, searched = 1e9, copied = 1e9;
  for (auto _ : state) {
    for (int round = 0; round < ROUNDS; round++) {
      exported = std::min(exported, secondsOf([&] { exportOnce(&w.entry); }));
      searched = std::min(searched, secondsOf([&] { searchOnce(w.data.data()); }));
      copied = std::min(copied, secondsOf([&] { copyOnce(text.get(), length); }));
    }
  }
  const double exportPerPixel = exported / PIXELS, searchPerPixel = searched / SLICE_PIXELS;
  state.counters["export_ms"] = exported * 1e3;
  state.counters["search_slice_ms"] = searched * 1e3;
  state.counters["search_over_export_per_pixel"] = searchPerPixel / exportPerPixel;
  state.counters["search_whole_s_at_least"] = searchPerPixel * PIXELS;
  state.counters["copy_ms"] = copied * 1e3;
  state.counters["export_over_copy"] = exported / copied;
  state.counters["text_bytes"] = double(length);
}
BENCHMARK(BM_XpmExportRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
