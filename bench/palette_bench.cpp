// SPDX-License-Identifier: MIT
// colors-export and colors-import of one table against check, on the
// standard demo image: export loads the image and writes a palette or item
// list; import loads the image and the file, stores the table and saves the
// image with the read-back check. The absolute figures are the ones the
// palette commands are held to (a table in under 10 ms each way).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "bench/bench_cli.h"
#include "tools/demo_image.h"

namespace {

void BM_PaletteFilesRatio(benchmark::State& state) {
  TempDir dir;
  const std::string in = dir.file("demo.img"), out = dir.file("out.img");
  const std::string gpl = dir.file("day.gpl"), tsv = dir.file("day.tsv");
  const Bytes image = demoImage(0, nullptr);
  if (image.empty() || !writeFile(in, image) ||
      benchCli({"colors-export", in, "rom_col_day", gpl}) != 0 ||
      benchCli({"colors-export", in, "rom_col_day", tsv}) != 0 ||
      benchCli({"colors-import", in, "rom_col_day", gpl, out}) != 0 ||
      readFile(out) != image) {
    state.SkipWithError("the exported palette does not import back to the image");
    return;
  }
  constexpr int ROUNDS = 20;
  double check = 1e9, exportGpl = 1e9, exportTsv = 1e9, importGpl = 1e9, importTsv = 1e9;
  for (auto _ : state) {
    for (int round = 0; round < ROUNDS; round++) {
      check = std::min(check, benchSeconds([&] { benchCli({"check", in}); }));
      exportGpl = std::min(exportGpl, benchSeconds([&] {
                             benchCli({"colors-export", in, "rom_col_day", gpl});
                           }));
      exportTsv = std::min(exportTsv, benchSeconds([&] {
                             benchCli({"colors-export", in, "rom_col_day", tsv});
                           }));
      importGpl = std::min(importGpl, benchSeconds([&] {
                             benchCli({"colors-import", in, "rom_col_day", gpl, out});
                           }));
      importTsv = std::min(importTsv, benchSeconds([&] {
                             benchCli({"colors-import", in, "rom_col_day", tsv, out});
                           }));
    }
  }
  state.counters["check_ms"] = check * 1e3;
  state.counters["export_gpl_ms"] = exportGpl * 1e3;
  state.counters["export_tsv_ms"] = exportTsv * 1e3;
  state.counters["import_gpl_ms"] = importGpl * 1e3;
  state.counters["import_tsv_ms"] = importTsv * 1e3;
  state.counters["export_over_check"] = std::max(exportGpl, exportTsv) / check;
  state.counters["import_over_check"] = std::max(importGpl, importTsv) / check;
}
BENCHMARK(BM_PaletteFilesRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
