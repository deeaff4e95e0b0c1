// SPDX-License-Identifier: MIT
// Editor figures on an image of 10,000 small modules, in the real window:
// opening a file until the Modules list is drawn, and switching the main
// notebook's pages with nothing changed. Both run against baselines timed in
// the same iterations (a bare poolLoad of the file, one CRC read per module).
// The figures of single large views are in view_bench.cpp, those of the demo
// images in demo_bench.cpp.
// Needs an X display; see bench/README.md.
#include <benchmark/benchmark.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "pool/memory.h"
#include "pool/module_format.h"
#include "pool/pool.h"
#include "shell/editor_page.h"
#include "shell/shell.h"
#include "tabs/modules/modules_tab.h"
#include "tabs/pages.h"
#include "bench/gui_bench.h"
#include "tests/support/body_builders.h"
#include "tests/support/gui_session.h"
#include "tests/support/module_builder.h"

namespace {

constexpr int IMAGE_MODULES = 10000;
constexpr int PAGES = 5;
constexpr double MIB = 1024.0 * 1024.0;

// Names, types, access words and body sizes vary as in a real image; a few
// names carry 8-bit characters, which the list shows as ISO-8859-1.
Bytes manyModulesImage() {
  static const char* const STEMS[] = {
      "kernel", "ioman",   "navcore", "scf",     "rbf",      "sc_lcd",  "term",
      "col_day", "col_night", "font_small", "font_large", "bitmaps", "icons",
      "lang_en", "lang_de", "lang_fr", "route_cfg", "guidance", "tmc",    "diag",
      "poi_table_long_name", "\xe9tat", "m\xfcnchen_map", "x"};
  static const uint8_t TYPES[] = {1, 4, 4, 4, 5, 12, 13, 14, 15, 0x55};
  static const uint16_t ACCESS[] = {0x0555, 0x0557, 0x0553, 0x0111};
  std::mt19937 random(10000);
  Bytes image;
  image.reserve(size_t(IMAGE_MODULES) * 1200);
  for (int i = 0; i < IMAGE_MODULES; i++) {
    std::string name = STEMS[random() % (sizeof STEMS / sizeof STEMS[0])];
    name += '_' + std::to_string(i);
    Bytes body(100 + random() % 1901);
    for (uint8_t& byte : body) byte = uint8_t(random());
    Bytes m = ModuleBuilder()
                  .name(name)
                  .type(TYPES[random() % (sizeof TYPES)])
                  .access(ACCESS[random() % (sizeof ACCESS / sizeof ACCESS[0])])
                  .language(uint8_t(random() % 6))
                  .attribute(0x80)
                  .revision(uint8_t(1 + random() % 3))
                  .edition(uint16_t(random() % 1000))
                  .body(std::move(body))
                  .build();
    image.insert(image.end(), m.begin(), m.end());
  }
  return image;
}

// The image file, written once per process.
const std::string& imageFile() {
  static TempDir folder;
  static const std::string path = [] {
    std::string p = folder.file("many.bin");
    if (!writeFile(p, manyModulesImage())) p.clear();
    return p;
  }();
  return path;
}

// When the module list's rows were first drawn after an open.
DrawWatch drawWatch;

gboolean onListExpose(GtkWidget* view, GdkEventExpose* event, gpointer) {
  if (drawWatch.armed && event->window == gtk_tree_view_get_bin_window(GTK_TREE_VIEW(view))) {
    drawWatch.armed = false;
    drawWatch.drawn = true;
    drawWatch.at = Clock::now();
  }
  return FALSE;
}

// poolLoad and poolFree of the file: the work no editor can avoid.
double timePoolLoad(const std::string& path, bool* ok) {
  char err[ERROR_SIZE];
  auto start = Clock::now();
  ModulePool* pool = poolLoad(path.c_str(), err, sizeof err);
  *ok = pool && poolGetCount(pool) == IMAGE_MODULES;
  poolFree(pool);
  return secondsSince(start);
}

// One CRC read per module, as each editor page's check for changes does.
double timeCrcPass(ModulePool* pool) {
  auto start = Clock::now();
  uint32_t sum = 0;
  for (uint32_t i = 0; i < poolGetCount(pool); i++)
    sum += moduleGetField(poolGet(pool, i), MF_CRC);
  benchmark::DoNotOptimize(sum);
  return secondsSince(start);
}

// The list shows its first rows once the open is over.
bool listShowsTop() {
  GtkTreeView* view = GTK_TREE_VIEW(modulesTabGetWidgets()->view);
  GtkTreePath* first = nullptr;
  GtkTreePath* last = nullptr;
  if (!gtk_widget_is_drawable(GTK_WIDGET(view)) ||
      !gtk_tree_view_get_visible_range(view, &first, &last))
    return false;
  bool top = gtk_tree_path_get_indices(first)[0] == 0 && gtk_tree_path_get_indices(last)[0] > 5;
  gtk_tree_path_free(first);
  gtk_tree_path_free(last);
  return top;
}

// Opens the image in the shell unless a pool is loaded already. The file is
// tried with poolLoad first: a failing shellOpenFile would wait in a message
// box.
ModulePool* ensureLoaded() {
  if (!shellGetCurrentPool()) {
    bool ok = false;
    if (!imageFile().empty()) timePoolLoad(imageFile(), &ok);
    if (!ok) return nullptr;
    shellOpenFile(imageFile().c_str());
    benchFlushAll();
  }
  ModulePool* pool = shellGetCurrentPool();
  return poolGetCount(pool) == IMAGE_MODULES ? pool : nullptr;
}

void BM_PoolLoad(benchmark::State& state) {
  const std::string& path = imageFile();
  for (auto _ : state) {
    bool ok = false;
    state.SetIterationTime(timePoolLoad(path, &ok));
    if (!ok) {
      state.SkipWithError("poolLoad refused the image");
      break;
    }
  }
  state.counters["modules"] = IMAGE_MODULES;
  GStatBuf info;
  if (g_stat(path.c_str(), &info) == 0) state.counters["image_MiB"] = double(info.st_size) / MIB;
}
BENCHMARK(BM_PoolLoad)->UseManualTime()->Unit(benchmark::kMillisecond);

// File path in hand to the Modules list laid out and painted, through the
// shell's own open (no chooser). Every iteration opens the same file again,
// over the pool the previous one left.
void BM_OpenToDrawnList(benchmark::State& state) {
  const std::string& path = imageFile();
  if (path.empty()) {
    state.SkipWithError("could not write the image file");
    return;
  }
  GtkNotebook* notebook = GTK_NOTEBOOK(shellGetNotebook());
  gtk_notebook_set_current_page(notebook, 0);
  benchFlushAll();
  // The first open of the process also swaps the "File not loaded" label for
  // the list; it is timed on its own.
  static double firstOpen = -1;
  bool ok = false;
  timePoolLoad(path, &ok);
  if (!ok) {
    state.SkipWithError("poolLoad refused the image");
    return;
  }
  if (!shellGetCurrentPool()) {
    auto start = Clock::now();
    shellOpenFile(path.c_str());
    benchFlushAll();
    firstOpen = secondsSince(start);
  }
  double open = 0, call = 0, firstDraw = 0, load = 0;
  for (auto _ : state) {
    if (poolIsModified(shellGetCurrentPool())) {
      state.SkipWithError("the loaded pool is modified; opening would ask a question");
      break;
    }
    load += timePoolLoad(path, &ok);
    drawWatch = DrawWatch{};
    drawWatch.armed = true;
    auto start = Clock::now();
    shellOpenFile(path.c_str());
    call += secondsSince(start);
    benchFlushAll();
    double seconds = secondsSince(start);
    state.SetIterationTime(seconds);
    open += seconds;
    if (!ok || poolGetCount(shellGetCurrentPool()) != IMAGE_MODULES) {
      state.SkipWithError("the image did not load");
      break;
    }
    if (!drawWatch.drawn || !listShowsTop()) {
      state.SkipWithError("the module list was not drawn");
      break;
    }
    firstDraw += std::chrono::duration<double>(drawWatch.at - start).count();
  }
  double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
  state.counters["modules"] = IMAGE_MODULES;
  state.counters["open_over_poolLoad"] = open / load;
  state.counters["poolLoad_ms"] = load / n * 1e3;
  state.counters["open_call_ms"] = call / n * 1e3;
  state.counters["first_draw_ms"] = firstDraw / n * 1e3;
  if (firstOpen >= 0) state.counters["first_open_ms"] = firstOpen * 1e3;
}
BENCHMARK(BM_OpenToDrawnList)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// One CRC read per module of the loaded pool.
void BM_CrcPass(benchmark::State& state) {
  ModulePool* pool = ensureLoaded();
  if (!pool) {
    state.SkipWithError("the image did not load");
    return;
  }
  for (auto _ : state) state.SetIterationTime(timeCrcPass(pool));
  state.counters["modules"] = IMAGE_MODULES;
}
BENCHMARK(BM_CrcPass)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Pages 1, 2, 3, 4, 0 in turn, one switch per iteration, each with its
// events and redraws flushed; nothing is changed between them.
void BM_PageSwitch(benchmark::State& state) {
  GtkNotebook* notebook = GTK_NOTEBOOK(shellGetNotebook());
  ModulePool* pool = ensureLoaded();
  if (!pool) {
    state.SkipWithError("the image did not load");
    return;
  }
  gtk_notebook_set_current_page(notebook, 0);
  benchFlushAll();
  static const int ORDER[PAGES] = {1, 2, 3, 4, 0};
  int next = 0;
  double total = 0, crc = 0, slowest = 0, toModules = 0, toEditor = 0;
  int64_t modulesSwitches = 0;
  for (auto _ : state) {
    crc += timeCrcPass(pool);
    int page = ORDER[next];
    next = (next + 1) % PAGES;
    auto start = Clock::now();
    gtk_notebook_set_current_page(notebook, page);
    benchFlushAll();
    double seconds = secondsSince(start);
    state.SetIterationTime(seconds);
    total += seconds;
    slowest = std::max(slowest, seconds);
    if (page == 0) {
      toModules += seconds;
      modulesSwitches++;
    } else {
      toEditor += seconds;
    }
    if (gtk_notebook_get_current_page(notebook) != page) {
      state.SkipWithError("the notebook did not switch");
      break;
    }
  }
  // Back on the Modules page for whatever runs next.
  gtk_notebook_set_current_page(notebook, 0);
  benchFlushAll();
  if (poolIsModified(pool)) state.SkipWithError("switching pages modified the pool");
  double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
  state.counters["switch_over_crc_pass"] = total / crc;
  state.counters["crc_pass_us"] = crc / n * 1e6;
  state.counters["slowest_switch_ms"] = slowest * 1e3;
  // Into the Modules page the list is drawn again; into an editor page only
  // its check for changes runs.
  if (modulesSwitches) state.counters["to_modules_ms"] = toModules / double(modulesSwitches) * 1e3;
  if (n > double(modulesSwitches))
    state.counters["to_editor_ms"] = toEditor / (n - double(modulesSwitches)) * 1e3;
}
BENCHMARK(BM_PageSwitch)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

int pageIndex(const char* title) {
  for (size_t i = 0; i < TAB_PAGE_COUNT; i++)
    if (std::strcmp(TAB_PAGES[i].title, title) == 0) return int(i);
  return -1;
}

void benchFlushAll() {
  do {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    gdk_window_process_all_updates();
    gdk_flush();
  } while (gtk_events_pending());
}

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--demo-child") == 0) return demoChildMain(argc, argv);
  TempDir home;
  guiUseHome(home);
  if (!guiDisplayOpen(&argc, &argv)) {
    std::fprintf(stderr, "korvane_gui_bench needs an X display (run it through xvfb-run)\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  shellWindowNew(TAB_PAGES, TAB_PAGE_COUNT);
  g_signal_connect(modulesTabGetWidgets()->view, "expose-event", G_CALLBACK(onListExpose),
                   nullptr);
  benchFlushAll();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
