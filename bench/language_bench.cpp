// SPDX-License-Identifier: MIT
// languageModuleEncode (what writeLanguageModule stores after an edit) of a
// language module of 50,000 entries, most of whose
// texts recur, against the plain reading of the write-back it replaces: for
// every entry, search the encoded texts of all earlier entries for the same
// bytes. Both convert with one iconv descriptor, so the two differ only in
// how they find a text placed before.
#include <benchmark/benchmark.h>
#include <glib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "pool/be.h"
#include "pool/memory.h"
#include "tabs/strings/language_codec.h"
#include "bench/navigation_texts.h"

namespace {

constexpr uint32_t ENTRIES = 50000;

Bytes encoded(LanguageModule* lm) {
  uint32_t size = 0;
  char err[ERROR_SIZE];
  MallocPtr<uint8_t> body(languageModuleEncode(lm, &size, err, sizeof err));
  return body ? Bytes(body.get(), body.get() + size) : Bytes();
}

// The plain write-back, as the format reads: convert each text, look for an
// earlier entry whose encoded text has the same bytes (a duplicate drops its
// own copy), else place it after the texts placed so far; then lay out the
// body. The workload has no undecodable texts, so their kept bytes are left
// out.
Bytes linearWrite(LanguageModule* lm) {
  const uint32_t count = listGetCount(lm->entries);
  std::vector<StringEntry*> entries(count);
  for (uint32_t i = 0; i < count; i++)
    entries[i] = static_cast<StringEntry*>(listGet(lm->entries, i));
  // By entry: its encoded text (null once a duplicate dropped it) and offset.
  std::vector<gchar*> encoded(count, nullptr);
  std::vector<gsize> encodedLength(count, 0);
  std::vector<uint32_t> newOffset(count, 0);
  GIConv cd = g_iconv_open(lm->codePage, "UTF-8");
  const uint32_t start = 8 + 4 * lm->groupCount;
  uint32_t n = start + 4 * count;
  for (uint32_t i = 0; i < count; i++) {
    if (!entries[i]->text) continue;
    gsize length = 0;
    encoded[i] = g_convert_with_iconv(entries[i]->text, -1, cd, nullptr, &length, nullptr);
    encodedLength[i] = length;
    uint32_t j = 0;
    while (j < i && !(encoded[j] && encodedLength[j] == length && std::memcmp(encoded[j], encoded[i], length) == 0))
      j++;
    if (j < i) {
      newOffset[i] = newOffset[j];
      g_free(encoded[i]);
      encoded[i] = nullptr;
    } else {
      newOffset[i] = n;
      n += length ? uint32_t(length) + 1 : 2;
    }
  }
  g_iconv_close(cd);
  Bytes out((n + 3) & ~3u, 0);
  beSet32(out.data(), lm->groupCount);
  for (uint32_t g = 0; g < lm->groupCount; g++) beSet32(&out[4 + 4 * g], lm->groupOffsets[g]);
  for (uint32_t i = 0; i < count; i++) {
    beSet32(&out[start + 4 * i], newOffset[i]);
    if (encoded[i]) std::memcpy(&out[newOffset[i]], encoded[i], encodedLength[i]);
    g_free(encoded[i]);
  }
  return out;
}

// The module read from a body laid out as the writer lays it out; both
// write-backs are checked to give that body again before anything is timed.
struct Workload {
  Bytes body;
  LanguageModule lm = {};
  uint32_t distinct = 0;
  bool ready = false;

  Workload() : body(languageBody(LANGUAGE_LAYOUT_32, navigationTexts(ENTRIES), "CP1252")) {
    Bytes built = ModuleBuilder().name("Lng_German").body(body).build();
    lm.module = moduleCreate(built.data(), built.size(), ARCH_4DAD, nullptr);
    char err[ERROR_SIZE];
    if (!lm.module || !readLanguageModule(&lm, err, sizeof err) || listGetCount(lm.entries) != ENTRIES) return;
    ready = encoded(&lm) == body && linearWrite(&lm) == body;
    std::vector<uint32_t> offsets;
    for (uint32_t i = 0; i < ENTRIES; i++)
      offsets.push_back(beGet32(&body[8 + 4 * lm.groupCount + 4 * i]));
    std::sort(offsets.begin(), offsets.end());
    distinct =
        uint32_t(std::unique(offsets.begin(), offsets.end()) - offsets.begin()) - (offsets[0] == 0);
  }
  ~Workload() {
    languageModuleClear(&lm);
    moduleFree(lm.module);
  }
};

Workload& workload() {
  static Workload w;
  return w;
}

bool workloadReady(benchmark::State& state, const Workload& w) {
  if (!w.ready)
    state.SkipWithError("the write-backs do not give the body the module was read from");
  return w.ready;
}

void writeOnce(LanguageModule* lm) {
  uint32_t size = 0;
  char err[ERROR_SIZE];
  uint8_t* body = languageModuleEncode(lm, &size, err, sizeof err);
  benchmark::DoNotOptimize(body);
  std::free(body);
}

void BM_LanguageWrite(benchmark::State& state) {
  Workload& w = workload();
  if (!workloadReady(state, w)) return;
  for (auto _ : state) writeOnce(&w.lm);
  state.SetItemsProcessed(int64_t(state.iterations()) * ENTRIES);
  state.counters["distinct_texts"] = w.distinct;
  state.counters["body_KiB"] = double(w.body.size()) / 1024;
}
BENCHMARK(BM_LanguageWrite)->Unit(benchmark::kMillisecond);

void BM_LanguageWriteLinear(benchmark::State& state) {
  Workload& w = workload();
  if (!workloadReady(state, w)) return;
  for (auto _ : state) benchmark::DoNotOptimize(linearWrite(&w.lm).data());
  state.SetItemsProcessed(int64_t(state.iterations()) * ENTRIES);
}
BENCHMARK(BM_LanguageWriteLinear)->Unit(benchmark::kMillisecond);

double secondsOf(auto call) {
  auto start = std::chrono::steady_clock::now();
  call();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The two take turns, round after round; the best round of each counts.
void BM_LanguageWriteRatio(benchmark::State& state) {
  Workload& w = workload();
  if (!workloadReady(state, w)) return;
  constexpr int ROUNDS = 3;
  double written = 1e9, linear = 1e9;
  for (auto _ : state) {
    for (int round = 0; round < ROUNDS; round++) {
      written = std::min(written, secondsOf([&] { writeOnce(&w.lm); }));
      linear =
          std::min(linear, secondsOf([&] { benchmark::DoNotOptimize(linearWrite(&w.lm).data()); }));
    }
  }
  state.counters["write_ms"] = written * 1e3;
  state.counters["linear_ms"] = linear * 1e3;
  state.counters["linear_over_write"] = linear / written;
  state.counters["entries"] = ENTRIES;
  state.counters["distinct_texts"] = w.distinct;
}
BENCHMARK(BM_LanguageWriteRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
