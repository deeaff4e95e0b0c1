// SPDX-License-Identifier: MIT
// korvane-cli's strings-export and strings-import of a language module of
// 50,000 entries, as PO and as TSV, against the commands that read and
// write the same module without a translation file, all through the command
// line's own dispatch. And the Width column's measure of every text against
// converting the texts alone.
#include <benchmark/benchmark.h>
#include <glib.h>

#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "pool/memory.h"
#include "tabs/strings/translation_file.h"
#include "bench/navigation_texts.h"

namespace {

constexpr uint32_t ENTRIES = 50000;
const char* const EXTENSIONS[] = {".po", ".tsv"};

int cli(std::vector<std::string> args) {
  static FILE* devNull = std::fopen("/dev/null", "w");
  args.insert(args.begin(), "korvane-cli");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  return cliRun(int(argv.size()), argv.data(), devNull, devNull);
}

double secondsOf(auto call) {
  auto start = std::chrono::steady_clock::now();
  call();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The image of "Lng_German" (the texts of BM_LanguageWrite) and a font, and
// per format an edited file in which every text gained " *", so that an
// import replaces every text and rebuilds the module. Before timing: the
// export of the image imports back to the same bytes, and the edited file
// changes the image.
struct Files {
  TempDir dir;
  std::string image = dir.file("strings.img"), out = dir.file("out.img");
  std::string exported[2], edited[2];
  bool ready = false;

  Files() {
    Bytes body = languageBody(LANGUAGE_LAYOUT_32, navigationTexts(ENTRIES), "CP1252");
    Bytes image_ = imageOf({ModuleBuilder().name("Lng_German").body(body).build(),
                            ModuleBuilder().name("font_big").body(fontBody(4)).build()});
    if (body.empty() || !writeFile(image, image_)) return;
    char err[ERROR_SIZE];
    PoolPtr pool(poolLoad(image.c_str(), err, sizeof err));
    LanguageModule lm = {};
    lm.module = pool ? poolGet(pool.get(), 0) : nullptr;
    bool read = lm.module && readLanguageModule(&lm, err, sizeof err);
    for (uint32_t i = 0; read && i < listGetCount(lm.entries); i++) {
      auto* e = static_cast<StringEntry*>(listGet(lm.entries, i));
      if (e->text) languageEntryTake(e, (std::string(e->text) + " *").c_str());
    }
    ready = read;
    for (int f = 0; f < 2 && ready; f++) {
      exported[f] = dir.file(std::string("texts") + EXTENSIONS[f]);
      edited[f] = dir.file(std::string("edited") + EXTENSIONS[f]);
      size_t size = 0;
      char* bytes = translationWrite(&lm, nullptr, f, &size);
      ready = g_file_set_contents(edited[f].c_str(), bytes, gssize(size), nullptr) &&
              cli({"strings-export", image, "0", exported[f]}) == 0 &&
              cli({"strings-import", image, "0", exported[f], out}) == 0 &&
              readFile(out) == image_ && cli({"strings-import", image, "0", edited[f], out}) == 0 &&
              readFile(out) != image_;
      std::free(bytes);
    }
    languageModuleClear(&lm);
  }
};

Files& files() {
  static Files f;
  return f;
}

void BM_StringsExport(benchmark::State& state) {
  Files& f = files();
  if (!f.ready) return state.SkipWithError("could not make or check the files");
  for (auto _ : state) cli({"strings-export", f.image, "0", f.exported[state.range(0)]});
  state.SetItemsProcessed(int64_t(state.iterations()) * ENTRIES);
}
BENCHMARK(BM_StringsExport)->Arg(0)->Arg(1)->ArgName("tsv")->Unit(benchmark::kMillisecond);

void BM_StringsImport(benchmark::State& state) {
  Files& f = files();
  if (!f.ready) return state.SkipWithError("could not make or check the files");
  for (auto _ : state) cli({"strings-import", f.image, "0", f.edited[state.range(0)], f.out});
  state.SetItemsProcessed(int64_t(state.iterations()) * ENTRIES);
}
BENCHMARK(BM_StringsImport)->Arg(0)->Arg(1)->ArgName("tsv")->Unit(benchmark::kMillisecond);

// Each against the command that does the same reading or writing without
// the translation file: export against the `strings` dump (load the image,
// read the module, print every text), import against `resave --commit`
// (load, write the module back, save). The four take turns, round after
// round; the best round of each counts.
void BM_TranslationRatio(benchmark::State& state) {
  Files& f = files();
  if (!f.ready) return state.SkipWithError("could not make or check the files");
  const int format = int(state.range(0));
  constexpr int ROUNDS = 5;
  double exported = 1e9, dumped = 1e9, imported = 1e9, committed = 1e9;
  for (auto _ : state) {
    for (int round = 0; round < ROUNDS; round++) {
      exported = std::min(exported, secondsOf([&] {
                            cli({"strings-export", f.image, "0", f.exported[format]});
                          }));
      dumped = std::min(dumped, secondsOf([&] { cli({"strings", f.image}); }));
      imported = std::min(imported, secondsOf([&] {
                            cli({"strings-import", f.image, "0", f.edited[format], f.out});
                          }));
      committed = std::min(committed, secondsOf([&] {
                             cli({"resave", f.image, f.out, "--commit"});
                           }));
    }
  }
  state.counters["export_ms"] = exported * 1e3;
  state.counters["dump_ms"] = dumped * 1e3;
  state.counters["import_ms"] = imported * 1e3;
  state.counters["commit_ms"] = committed * 1e3;
  state.counters["export_over_dump"] = exported / dumped;
  state.counters["import_over_commit"] = imported / committed;
  state.counters["file_KiB"] = double(readFile(f.exported[format]).size()) / 1024;
}
BENCHMARK(BM_TranslationRatio)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("tsv")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The Width column's work for every text (converted to the code page, then
// one lookup per byte) against the conversion alone, best of 10 rounds each.
void BM_WidthRatio(benchmark::State& state) {
  Files& f = files();
  if (!f.ready) return state.SkipWithError("could not make or check the files");
  char err[ERROR_SIZE];
  PoolPtr pool(poolLoad(f.image.c_str(), err, sizeof err));
  LanguageModule lm = {};
  lm.module = poolGet(pool.get(), 0);
  TextMeasure measure;
  if (!readLanguageModule(&lm, err, sizeof err) ||
      !textMeasureOpen(&measure, pool.get(), poolGet(pool.get(), 1), lm.codePage, err, sizeof err))
    return state.SkipWithError("could not read the module or the font");
  std::vector<StringEntry*> entries;
  uint64_t bytes = 0;
  for (uint32_t i = 0; i < listGetCount(lm.entries); i++) {
    auto* e = static_cast<StringEntry*>(listGet(lm.entries, i));
    if (e->text) entries.push_back(e), bytes += std::strlen(e->text);
  }
  GIConv cd = g_iconv_open(lm.codePage, "UTF-8");
  double measured = 1e9, converted = 1e9;
  uint64_t total = 0;
  for (auto _ : state) {
    for (int round = 0; round < 10; round++) {
      measured = std::min(measured, secondsOf([&] {
        for (StringEntry* e : entries) total += textMeasureEntry(&measure, e, 0);
      }));
      converted = std::min(converted, secondsOf([&] {
        for (StringEntry* e : entries) {
          gsize read = 0, written = 0;
          gchar* out = g_convert_with_iconv(e->text, -1, cd, &read, &written, nullptr);
          total += written;
          g_free(out);
        }
      }));
    }
  }
  benchmark::DoNotOptimize(total);
  g_iconv_close(cd);
  textMeasureClose(&measure);
  languageModuleClear(&lm);
  state.counters["measure_ms"] = measured * 1e3;
  state.counters["convert_ms"] = converted * 1e3;
  state.counters["measure_over_convert"] = measured / converted;
  state.counters["lookup_ns_per_byte"] = (measured - converted) / double(bytes) * 1e9;
}
BENCHMARK(BM_WidthRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
