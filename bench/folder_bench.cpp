// SPDX-License-Identifier: MIT
// unpack and pack against resave of the same image, on the 64 MiB image
// (2,048 modules no editor shows: the folder is modules and the manifest)
// and on the demo of 5,000 modules (thousands of fonts, languages, colour
// tables: every editor's files). resave loads, writes, reads back and
// renames, as pack does after it has read the folder; unpack writes a file
// per module and per picture, text or palette, and syncs the folder once.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_cli.h"
#include "bench/big_image.h"
#include "tools/demo_image.h"

namespace {

void folderRatios(benchmark::State& state, const Bytes& image) {
  TempDir dir;
  const std::string in = dir.file("in.img"), out = dir.file("out.img"), folder = dir.file("mod");
  if (!writeFile(in, image) || benchCli({"unpack", in, folder}) != 0 ||
      benchCli({"pack", folder, out, "--verbose"}) != 0 || readFile(out) != image) {
    state.SkipWithError("the folder does not pack back to the image");
    return;
  }
  constexpr int ROUNDS = 5;
  double resave = 1e9, unpack = 1e9, pack = 1e9;
  for (auto _ : state) {
    for (int round = 0; round < ROUNDS; round++) {
      resave = std::min(resave, benchSeconds([&] {
                          benchCli({"resave", in, out, "--no-backup"});
                        }));
      std::filesystem::remove_all(folder);
      unpack = std::min(unpack, benchSeconds([&] { benchCli({"unpack", in, folder}); }));
      std::filesystem::remove(out);
      pack = std::min(pack, benchSeconds([&] { benchCli({"pack", folder, out}); }));
    }
  }
  state.counters["unpack_over_resave"] = unpack / resave;
  state.counters["pack_over_resave"] = pack / resave;
  state.counters["resave_ms"] = resave * 1e3;
  state.counters["unpack_ms"] = unpack * 1e3;
  state.counters["pack_ms"] = pack * 1e3;
  state.counters["image_MiB"] = double(image.size()) / (1 << 20);
}

void BM_FolderBigImageRatio(benchmark::State& state) { folderRatios(state, benchBigImage()); }
BENCHMARK(BM_FolderBigImageRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_FolderDemo5000Ratio(benchmark::State& state) {
  std::string err;
  static const Bytes demo = demoImage(5000, &err);
  folderRatios(state, demo);
}
BENCHMARK(BM_FolderDemo5000Ratio)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
