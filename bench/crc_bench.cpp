// SPDX-License-Identifier: MIT
// CRC throughput: the folding path (carry-less multiplication) and the
// four-byte step of moduleCrc against the classic 256-entry byte table and
// against the reference byte step, on the same 1 MiB of random bytes.
// BM_CrcRatios times the three table methods in one run and reports how many
// times faster the four-byte step is; BM_CrcFoldingRatio sets folding against
// the four-byte step and against a warm memcpy of the same buffer.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>

#include "pool/module_format.h"
#include "tests/support/module_builder.h"

namespace {

constexpr size_t CRC_BUFFER_SIZE = 1 << 20;

// Random bytes; size a multiple of 8.
Bytes randomBytes(size_t size) {
  Bytes b(size);
  std::mt19937_64 random(0x4DAD0002);
  for (size_t i = 0; i < b.size(); i += 8) {
    uint64_t v = random();
    for (size_t k = 0; k < 8; k++) b[i + k] = uint8_t(v >> (8 * k));
  }
  return b;
}

const Bytes& crcBuffer() {
  static const Bytes buffer = randomBytes(CRC_BUFFER_SIZE);
  return buffer;
}

// Sets the CRC path for the length of a scope.
struct FoldingSetting {
  explicit FoldingSetting(int enabled) : saved(moduleCrcSetFolding(enabled)) {}
  ~FoldingSetting() { moduleCrcSetFolding(saved); }
  int saved;
};

// The classic table CRC: one lookup per byte. The table is the register after
// each byte value from a zero register.
using ByteTable = std::array<uint32_t, 256>;

const ByteTable& byteTable() {
  static const ByteTable table = [] {
    ByteTable t{};
    for (uint32_t v = 0; v < 256; v++) t[v] = moduleCrcByteStep(0, uint8_t(v));
    return t;
  }();
  return table;
}

uint32_t tableCrc(const uint8_t* bytes, size_t length) {
  const ByteTable& t = byteTable();
  uint32_t reg = 0xFFFFFF;
  for (size_t i = 0; i < length; i++) reg = ((reg << 8) ^ t[(reg >> 16) ^ bytes[i]]) & 0xFFFFFF;
  return reg ^ 0xFFFFFF;
}

// A baseline that computes another checksum would make every ratio meaningless.
bool tableMatches(benchmark::State& state) {
  const Bytes& b = crcBuffer();
  if (tableCrc(b.data(), b.size()) == moduleCrc(b.data(), b.size())) return true;
  state.SkipWithError("byte-table CRC differs from moduleCrc");
  return false;
}

void BM_CrcFolding(benchmark::State& state) {
  if (!moduleCrcFoldingAvailable()) {
    state.SkipWithError("this CPU has no carry-less multiplication");
    return;
  }
  const Bytes& b = crcBuffer();
  for (auto _ : state) benchmark::DoNotOptimize(moduleCrc(b.data(), b.size()));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(b.size()));
}
BENCHMARK(BM_CrcFolding);

void BM_CrcFourByteStep(benchmark::State& state) {
  FoldingSetting fourByteStep(0);
  const Bytes& b = crcBuffer();
  for (auto _ : state) benchmark::DoNotOptimize(moduleCrc(b.data(), b.size()));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(b.size()));
}
BENCHMARK(BM_CrcFourByteStep);

void BM_CrcByteTable(benchmark::State& state) {
  if (!tableMatches(state)) return;
  const Bytes& b = crcBuffer();
  for (auto _ : state) benchmark::DoNotOptimize(tableCrc(b.data(), b.size()));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(b.size()));
}
BENCHMARK(BM_CrcByteTable);

void BM_CrcByteStep(benchmark::State& state) {
  const Bytes& b = crcBuffer();
  for (auto _ : state) benchmark::DoNotOptimize(moduleCrcBytewise(b.data(), b.size()));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(b.size()));
}
BENCHMARK(BM_CrcByteStep);

// Seconds for `passes` CRCs of the buffer by one method.
template <class Crc>
double timePasses(Crc crc, int passes, const Bytes& b = crcBuffer()) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < passes; i++) benchmark::DoNotOptimize(crc(b.data(), b.size()));
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The three methods take turns, round after round, so that a slow spell of
// the machine hits all of them; the best round of each counts.
void BM_CrcRatios(benchmark::State& state) {
  FoldingSetting fourByteStep(0);
  if (!tableMatches(state)) return;
  const Bytes& b = crcBuffer();
  if (moduleCrcBytewise(b.data(), b.size()) != moduleCrc(b.data(), b.size())) {
    state.SkipWithError("moduleCrcBytewise differs from moduleCrc");
    return;
  }
  constexpr int ROUNDS = 15;
  constexpr int PASSES = 8;  // 8 MiB per round and method
  double fourByte = 1e9, table = 1e9, byteStep = 1e9;
  for (auto _ : state) {
    for (int round = 0; round < ROUNDS; round++) {
      fourByte = std::min(fourByte, timePasses(moduleCrc, PASSES));
      table = std::min(table, timePasses(tableCrc, PASSES));
      byteStep = std::min(byteStep, timePasses(moduleCrcBytewise, PASSES));
    }
  }
  double mib = double(PASSES) * double(b.size()) / (1 << 20);
  state.counters["vs_table"] = table / fourByte;
  state.counters["vs_bytestep"] = byteStep / fourByte;
  state.counters["four_MiBps"] = mib / fourByte;
  state.counters["table_MiBps"] = mib / table;
  state.counters["bytestep_MiBps"] = mib / byteStep;
}
BENCHMARK(BM_CrcRatios)->Iterations(1)->Unit(benchmark::kMillisecond);

// Seconds for `passes` copies of the buffer into memory already touched.
double timeWarmCopies(const Bytes& b, uint8_t* resident, int passes) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < passes; i++) {
    std::memcpy(resident, b.data(), b.size());
    benchmark::DoNotOptimize(resident);
    benchmark::ClobberMemory();
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Folding, the four-byte step and a warm memcpy of the same buffer take
// turns; the best round of each counts. At 1 MiB the buffer stays in the
// caches, at 64 MiB it comes from memory.
void BM_CrcFoldingRatio(benchmark::State& state) {
  if (!moduleCrcFoldingAvailable()) {
    state.SkipWithError("this CPU has no carry-less multiplication");
    return;
  }
  const Bytes b = randomBytes(size_t(state.range(0)));
  Bytes resident(b.size(), 1);
  uint32_t folded = moduleCrc(b.data(), b.size());
  FoldingSetting setting(0);
  if (moduleCrc(b.data(), b.size()) != folded) {
    state.SkipWithError("folding differs from the four-byte step");
    return;
  }
  const int passes = std::max(1, int((size_t(16) << 20) / b.size()));
  const int rounds = b.size() > CRC_BUFFER_SIZE ? 5 : 15;
  double folding = 1e9, fourByte = 1e9, copy = 1e9;
  for (auto _ : state) {
    for (int round = 0; round < rounds; round++) {
      moduleCrcSetFolding(1);
      folding = std::min(folding, timePasses(moduleCrc, passes, b));
      moduleCrcSetFolding(0);
      fourByte = std::min(fourByte, timePasses(moduleCrc, passes, b));
      copy = std::min(copy, timeWarmCopies(b, resident.data(), passes));
    }
  }
  double mib = double(passes) * double(b.size()) / (1 << 20);
  state.counters["fold_vs_memcpy"] = copy / folding;
  state.counters["fold_vs_four"] = fourByte / folding;
  state.counters["fold_MiBps"] = mib / folding;
  state.counters["four_MiBps"] = mib / fourByte;
  state.counters["memcpy_MiBps"] = mib / copy;
}
BENCHMARK(BM_CrcFoldingRatio)
    ->Arg(1 << 20)
    ->Arg(64 << 20)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
