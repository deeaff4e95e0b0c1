// SPDX-License-Identifier: MIT
// Editor figures on the demo images: the standard demo and the demo of 5,000
// modules (651 fonts, 868 language modules, 435 colour tables). Each is
// opened by a fresh process as `korvane FILE` opens it, which reports when
// its window answered, its resident memory after visiting every tab, and
// tab switches with nothing changed. In this process: the first switch to
// each editor tab of the large demo, against the same switch in an image of
// the view's module alone. See bench/README.md.
#include <benchmark/benchmark.h>
#include <glib.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "bench/gui_bench.h"
#include "pool/memory.h"
#include "pool/pool.h"
#include "shell/shell.h"
#include "tabs/pages.h"
#include "tools/demo_image.h"
#include "tests/support/module_builder.h"

namespace {

constexpr double MIB = 1024.0 * 1024.0;
constexpr int EDITOR_TABS = 4;  // pages 1 to 4 of the main notebook

double nowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The resident size of this process, in KiB, from /proc/self/status.
long residentKib(const char* field) {
  FILE* status = std::fopen("/proc/self/status", "r");
  char line[256];
  long kib = -1;
  const size_t n = std::strlen(field);
  while (status && std::fgets(line, sizeof line, status))
    if (std::strncmp(line, field, n) == 0) kib = std::strtol(line + n, nullptr, 10);
  if (status) std::fclose(status);
  return kib;
}

// The title of an inner notebook's first page on the main page, or "".
std::string firstInnerTitle(int page) {
  GtkWidget* container = gtk_notebook_get_nth_page(GTK_NOTEBOOK(shellGetNotebook()), page);
  GList* children = gtk_container_get_children(GTK_CONTAINER(container));
  GtkWidget* inner = children ? GTK_WIDGET(children->data) : nullptr;
  g_list_free(children);
  if (!inner || !GTK_IS_NOTEBOOK(inner)) return "";
  GtkWidget* label = gtk_notebook_get_tab_label(GTK_NOTEBOOK(inner),
                                                gtk_notebook_get_nth_page(GTK_NOTEBOOK(inner), 0));
  return label && GTK_IS_LABEL(label) ? gtk_label_get_text(GTK_LABEL(label)) : "";
}

// An image of the first module of the pool named name, in folder; "" when
// there is none.
std::string oneModuleImage(const std::string& name, const TempDir& folder, int page) {
  ModulePool* pool = shellGetCurrentPool();
  for (uint32_t i = 0; pool && i < poolGetCount(pool); i++) {
    Module* m = poolGet(pool, i);
    if (name != moduleGetName(m)) continue;
    uint32_t size = 0;
    MallocPtr<uint8_t> data(moduleGetData(m, &size));
    const std::string path = folder.file("one" + std::to_string(page) + ".bin");
    return data && writeFile(path, Bytes(data.get(), data.get() + size)) ? path : "";
  }
  return "";
}

// Opens path with the main notebook on page, flushed; milliseconds.
double openOn(int page, const std::string& path) {
  gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), page);
  benchFlushAll();
  const double start = nowMs();
  shellOpenFile(path.c_str());
  benchFlushAll();
  return nowMs() - start;
}

}  // namespace

// The child: korvane_gui_bench --demo-child FILE. Prints key=value lines.
int demoChildMain(int argc, char** argv) {
  if (argc < 3 || !gtk_init_check(&argc, &argv)) return 1;
  shellWindowNew(TAB_PAGES, TAB_PAGE_COUNT);
  shellOpenWhenShown(argv[2]);
  const double shown = nowMs();
  while (!shellGetCurrentPool()) gtk_main_iteration();
  benchFlushAll();
  std::printf("window=%.3f\nanswered=%.3f\n", shown, nowMs());
  GtkNotebook* notebook = GTK_NOTEBOOK(shellGetNotebook());
  for (int page = 1; page <= EDITOR_TABS; page++) {
    gtk_notebook_set_current_page(notebook, page);
    benchFlushAll();
  }
  std::printf("rss_kib=%ld\nhwm_kib=%ld\n", residentKib("VmRSS:"), residentKib("VmHWM:"));
  double slowest = 0, total = 0;
  int switches = 0;
  for (int round = 0; round < 4; round++)
    for (int page : {0, 1, 2, 3, 4}) {
      const double start = nowMs();
      gtk_notebook_set_current_page(notebook, page);
      benchFlushAll();
      const double ms = nowMs() - start;
      slowest = std::max(slowest, ms), total += ms, switches++;
    }
  std::printf("switch_slowest=%.3f\nswitch_mean=%.3f\n", slowest, total / switches);
  std::fflush(stdout);
  return 0;
}

namespace {

// The two demo images, written once per process.
struct DemoFiles {
  TempDir folder;
  std::string standard, big;
  double bigMib = 0;
};
const DemoFiles& demoFiles() {
  static DemoFiles files;
  static const bool written = [] {
    std::string err;
    const Bytes big = demoImage(5000, &err);
    files.standard = files.folder.file("demo.bin");
    files.big = files.folder.file("demo5000.bin");
    files.bigMib = double(big.size()) / MIB;
    return !big.empty() && writeFile(files.standard, demoImage(0, &err)) && writeFile(files.big, big);
  }();
  if (!written) files.big.clear();
  return files;
}

using Figures = std::map<std::string, double>;

// Runs a child on path; its figures, with "open" counted from the spawn.
bool childRun(const std::string& path, Figures* figures) {
  GError* error = nullptr;
  gchar* out = nullptr;
  gint status = 0;
  const char* argv[] = {"/proc/self/exe", "--demo-child", path.c_str(), nullptr};
  const double spawn = nowMs();
  if (!g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &out,
                    nullptr, &status, &error)) {
    g_clear_error(&error);
    return false;
  }
  figures->clear();
  for (char* line = std::strtok(out, "\n"); line; line = std::strtok(nullptr, "\n"))
    if (char* eq = std::strchr(line, '=')) (*figures)[std::string(line, eq)] = std::strtod(eq + 1, nullptr);
  g_free(out);
  if (status != 0 || !figures->count("answered") || !figures->count("switch_mean")) return false;
  (*figures)["open"] = (*figures)["answered"] - spawn;
  (*figures)["open_only"] = (*figures)["answered"] - (*figures)["window"];
  return true;
}

// The better of two runs' figures: the lowest of each.
void keepBest(Figures* best, const Figures& run) {
  for (const auto& [key, value] : run)
    if (!best->count(key) || value < (*best)[key]) (*best)[key] = value;
}

int roundsWanted() {
  const char* text = std::getenv("KORVANE_DEMO_ROUNDS");
  return std::max(1, text ? std::atoi(text) : 3);
}

// The standard demo and the 5,000-module demo, each opened by its own child
// process, in turns; the best of the rounds counts (KORVANE_DEMO_ROUNDS,
// default 3).
void BM_DemoOpenRatio(benchmark::State& state) {
  const DemoFiles& files = demoFiles();
  if (files.big.empty()) {
    state.SkipWithError("could not write the demo images");
    return;
  }
  const int rounds = roundsWanted();
  Figures small, large;
  for (auto _ : state) {
    const double start = nowMs();
    for (int r = 0; r < rounds; r++) {
      Figures a, b;
      if (!childRun(files.standard, &a) || !childRun(files.big, &b)) {
        state.SkipWithError("a child process failed");
        return;
      }
      keepBest(&small, a);
      keepBest(&large, b);
    }
    state.SetIterationTime((nowMs() - start) / 1e3);
  }
  state.counters["file_MiB"] = files.bigMib;
  state.counters["standard_open_ms"] = small["open"];
  state.counters["big_open_ms"] = large["open"];
  state.counters["big_open_only_ms"] = large["open_only"];
  state.counters["open_over_standard"] = large["open"] / small["open"];
  state.counters["standard_rss_MiB"] = small["rss_kib"] / 1024;
  state.counters["big_rss_MiB"] = large["rss_kib"] / 1024;
  state.counters["big_peak_MiB"] = large["hwm_kib"] / 1024;
  state.counters["rss_over_allowed"] = large["rss_kib"] / 1024 / (small["rss_kib"] / 1024 + 4 * files.bigMib);
  state.counters["big_switch_slowest_ms"] = large["switch_slowest"];
  state.counters["big_switch_mean_ms"] = large["switch_mean"];
}
BENCHMARK(BM_DemoOpenRatio)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// In this process: the 5,000-module demo opened on the Modules page, then
// the first switch to the editor tab (the argument, 1 to 4) until drawn,
// against the same switch in an image of that tab's first module alone.
void BM_DemoFirstSwitch(benchmark::State& state) {
  const int page = int(state.range(0));
  const DemoFiles& files = demoFiles();
  static TempDir folder;
  std::string alone;
  if (!files.big.empty() && !(shellGetCurrentPool() && poolIsModified(shellGetCurrentPool()))) {
    openOn(0, files.big);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), page);
    benchFlushAll();
    alone = oneModuleImage(firstInnerTitle(page), folder, page);
  }
  if (alone.empty()) {
    state.SkipWithError("could not open the demo or write the one-module image");
    return;
  }
  GtkNotebook* notebook = GTK_NOTEBOOK(shellGetNotebook());
  auto firstSwitch = [&](const std::string& path) {
    openOn(0, path);
    const double start = nowMs();
    gtk_notebook_set_current_page(notebook, page);
    benchFlushAll();
    return nowMs() - start;
  };
  double first = 0, single = 0, slowest = 0;
  for (auto _ : state) {
    const double ms = firstSwitch(files.big);
    state.SetIterationTime(ms / 1e3);
    first += ms;
    slowest = std::max(slowest, ms);
    single += firstSwitch(alone);
    if (poolIsModified(shellGetCurrentPool())) {
      state.SkipWithError("a switch modified the pool");
      break;
    }
  }
  gtk_notebook_set_current_page(notebook, 0);
  benchFlushAll();
  const double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
  state.counters["first_ms"] = first / n;
  state.counters["slowest_ms"] = slowest;
  state.counters["alone_ms"] = single / n;
  state.counters["first_over_alone"] = first / single;
}
BENCHMARK(BM_DemoFirstSwitch)->DenseRange(1, EDITOR_TABS)->UseManualTime()->Iterations(10)
    ->Unit(benchmark::kMillisecond);

}  // namespace
