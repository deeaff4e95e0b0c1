// SPDX-License-Identifier: MIT
// diff and carry against check, on the 64 MiB image and a copy of it with
// 64 modules changed (one byte of each body, parity and CRC made right):
// check loads and validates one image; diff loads two and compares every
// module; carry loads three, merges and saves with the read-back check.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_cli.h"
#include "bench/big_image.h"
#include "pool/be.h"
#include "pool/module_format.h"

namespace {

// The image with a byte of every 32nd module's body changed.
Bytes changedCopy(const Bytes& image) {
  Bytes copy = image;
  size_t at = 0;
  for (int i = 0; at < copy.size(); i++) {
    const uint32_t size = beGet32(&copy[at + MH_SIZE]);
    if (i % 32 == 0) {
      Bytes m(copy.begin() + long(at), copy.begin() + long(at + size));
      m[beGet32(&m[MH_DATA_OFFSET])] ^= 0x5A;
      beSet16(&m[MH_PARITY], moduleHeaderParity(m.data()));
      beSet32(&m[size - 4], moduleCrc(m.data(), size - 3));
      std::copy(m.begin(), m.end(), copy.begin() + long(at));
    }
    at += size;
  }
  return copy;
}

void BM_CompareBigImageRatio(benchmark::State& state) {
  TempDir dir;
  const std::string a = dir.file("a.img"), b = dir.file("b.img"), out = dir.file("out.img");
  if (!writeFile(a, benchBigImage()) || !writeFile(b, changedCopy(benchBigImage())) ||
      benchCli({"diff", a, b}) != 1 || benchCli({"carry", a, b, a, out}) != 0 ||
      readFile(out) != readFile(b)) {
    state.SkipWithError("diff does not see the changes, or carry does not give the mod");
    return;
  }
  constexpr int ROUNDS = 5;
  double check = 1e9, diff = 1e9, carry = 1e9;
  for (auto _ : state) {
    for (int round = 0; round < ROUNDS; round++) {
      check = std::min(check, benchSeconds([&] { benchCli({"check", a}); }));
      diff = std::min(diff, benchSeconds([&] { benchCli({"diff", a, b}); }));
      carry = std::min(carry, benchSeconds([&] {
                         benchCli({"carry", a, b, a, out, "--prefer", "new"});
                       }));
    }
  }
  state.counters["diff_over_check"] = diff / check;
  state.counters["carry_over_check"] = carry / check;
  state.counters["check_ms"] = check * 1e3;
  state.counters["diff_ms"] = diff * 1e3;
  state.counters["carry_ms"] = carry * 1e3;
}
BENCHMARK(BM_CompareBigImageRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
