// SPDX-License-Identifier: MIT
// Editor figures of single large views, in the real window. On an image of
// one language module of 50,000 texts: opening it with the Strings page
// showing, against loading and reading that module, and entering the Strings
// page with nothing changed, against a CRC of the module, and switching the
// list's filter, against loading and reading the module. On an image of one
// 32 x 32 font: opening it with the Fonts page showing, against loading and
// decoding that font. They run after gui_bench.cpp's, in link order.
// Needs an X display; see bench/README.md.
#include <benchmark/benchmark.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pool/memory.h"
#include "pool/module_format.h"
#include "pool/pool.h"
#include "shell/editor_page.h"
#include "shell/shell.h"
#include "tabs/fonts/font_codec.h"
#include "tabs/fonts/font_view.h"
#include "tabs/strings/language_view.h"
#include "bench/gui_bench.h"
#include "bench/navigation_texts.h"
#include "tests/support/body_builders.h"
#include "tests/support/module_builder.h"

namespace {

constexpr uint32_t STRINGS_ENTRIES = 50000;

// The image of the single language module "Lng_German": 50,000 interface
// texts, most of them recurring, laid out as the editor writes them, so that
// committing it changes nothing. Written once per process.
const std::string& stringsImageFile() {
  static TempDir folder;
  static const std::string path = [] {
    Bytes body = languageBody(LANGUAGE_LAYOUT_32, navigationTexts(STRINGS_ENTRIES), "CP1252");
    std::string p = folder.file("strings.bin");
    if (body.empty() ||
        !writeFile(p, ModuleBuilder().name("Lng_German").body(std::move(body)).build()))
      p.clear();
    return p;
  }();
  return path;
}

// poolLoad of the strings image, then readLanguageModule of its module,
// everything freed: what building the view cannot avoid.
double timeLanguageRead(const std::string& path, bool* ok) {
  char err[ERROR_SIZE];
  auto start = Clock::now();
  ModulePool* pool = poolLoad(path.c_str(), err, sizeof err);
  LanguageModule lm = {};
  lm.module = pool && poolGetCount(pool) == 1 ? poolGet(pool, 0) : nullptr;
  *ok = lm.module && readLanguageModule(&lm, err, sizeof err) && listGetCount(lm.entries) == STRINGS_ENTRIES;
  languageModuleClear(&lm);
  poolFree(pool);
  return secondsSince(start);
}

// The view of the first module on a main notebook's page, if it was built.
template <typename View>
View* firstView(int page) {
  GtkWidget* container = gtk_notebook_get_nth_page(GTK_NOTEBOOK(shellGetNotebook()), page);
  GList* children = gtk_container_get_children(GTK_CONTAINER(container));
  GtkWidget* shown = children ? GTK_WIDGET(children->data) : nullptr;
  g_list_free(children);
  if (!shown || !GTK_IS_NOTEBOOK(shown)) return nullptr;
  GtkWidget* top = editorPageViewOf(gtk_notebook_get_nth_page(GTK_NOTEBOOK(shown), 0));
  return top ? viewGetRecord<View>(top) : nullptr;
}

// The Strings page shows the view of the 50,000 entries, on screen with its
// first rows.
bool stringsViewShown(int page) {
  LanguageView* view = firstView<LanguageView>(page);
  if (!view || !view->treeView || listGetCount(view->lm.entries) != STRINGS_ENTRIES ||
      !gtk_widget_is_drawable(view->treeView))
    return false;
  GtkTreePath* first = nullptr;
  GtkTreePath* last = nullptr;
  if (!gtk_tree_view_get_visible_range(GTK_TREE_VIEW(view->treeView), &first, &last)) return false;
  bool atTop = gtk_tree_path_get_indices(first)[0] == 0 && gtk_tree_path_get_indices(last)[0] > 5;
  gtk_tree_path_free(first);
  gtk_tree_path_free(last);
  return atTop;
}

// When the rows of a list on the Strings page were first painted after an
// open: an emission hook, since the list is made inside the open.
DrawWatch stringsDrawWatch;
GtkWidget* stringsContainer;

gboolean onStringsExpose(GSignalInvocationHint*, guint, const GValue* params, gpointer) {
  auto* widget = GTK_WIDGET(g_value_get_object(&params[0]));
  auto* event = static_cast<GdkEventExpose*>(g_value_get_boxed(&params[1]));
  if (stringsDrawWatch.armed && GTK_IS_TREE_VIEW(widget) &&
      gtk_widget_is_ancestor(widget, stringsContainer) &&
      event->window == gtk_tree_view_get_bin_window(GTK_TREE_VIEW(widget))) {
    stringsDrawWatch.armed = false;
    stringsDrawWatch.drawn = true;
    stringsDrawWatch.at = Clock::now();
  }
  return TRUE;  // stay installed
}

// Loads the strings image on the Modules page, so that entering the Strings
// page afterwards builds only its view. False when it cannot be loaded.
bool stringsImageOpen(const std::string& path) {
  bool ok = false;
  if (!path.empty()) timeLanguageRead(path, &ok);
  ModulePool* pool = shellGetCurrentPool();
  if (!ok || (pool && poolIsModified(pool))) return false;  // an open would ask a question
  gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 0);
  benchFlushAll();
  shellOpenFile(path.c_str());
  benchFlushAll();
  return true;
}

// The strings image opened through the shell with the Strings page showing,
// so that its view is built, laid out and painted; every iteration opens the
// same file again. The open first commits the view it replaces, which
// rewrites that module (unchanged).
void BM_StringsViewBuild(benchmark::State& state) {
  const std::string& path = stringsImageFile();
  const int page = pageIndex("Strings");
  if (page < 0 || !stringsImageOpen(path)) {
    state.SkipWithError("could not write or read the strings image");
    return;
  }
  GtkNotebook* notebook = GTK_NOTEBOOK(shellGetNotebook());
  gtk_notebook_set_current_page(notebook, page);
  benchFlushAll();
  static const bool hooked = [page] {
    stringsContainer = gtk_notebook_get_nth_page(GTK_NOTEBOOK(shellGetNotebook()), page);
    return g_signal_add_emission_hook(g_signal_lookup("expose-event", GTK_TYPE_WIDGET), 0,
                                      onStringsExpose, nullptr, nullptr) != 0;
  }();
  double build = 0, call = 0, read = 0, firstDraw = 0;
  bool ok = false;
  for (auto _ : state) {
    if (poolIsModified(shellGetCurrentPool())) {
      state.SkipWithError("the loaded pool is modified; opening would ask a question");
      break;
    }
    read += timeLanguageRead(path, &ok);
    stringsDrawWatch = DrawWatch{};
    stringsDrawWatch.armed = true;
    auto start = Clock::now();
    shellOpenFile(path.c_str());
    call += secondsSince(start);
    benchFlushAll();
    double seconds = secondsSince(start);
    state.SetIterationTime(seconds);
    build += seconds;
    if (!ok || !stringsViewShown(page) || !hooked || !stringsDrawWatch.drawn) {
      state.SkipWithError("the strings view was not built and drawn");
      break;
    }
    firstDraw += std::chrono::duration<double>(stringsDrawWatch.at - start).count();
  }
  double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
  state.counters["entries"] = STRINGS_ENTRIES;
  state.counters["build_ms"] = build / n * 1e3;
  state.counters["first_draw_ms"] = firstDraw / n * 1e3;
  state.counters["build_over_read"] = build / read;
  state.counters["read_ms"] = read / n * 1e3;
  state.counters["open_call_ms"] = call / n * 1e3;
}
BENCHMARK(BM_StringsViewBuild)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// With the strings image loaded and nothing changed, the main notebook goes
// from the Modules page to the Strings page and back, flushed each time;
// only the switch to the Strings page is timed. Its baseline is the CRC of
// the language module's whole block, what the page's check for changes
// would cost if CRCs were not kept, timed in the same iterations. Leaving
// the page commits it, which rewrites the module (`leave_ms`).
void BM_StringsPageSwitch(benchmark::State& state) {
  const std::string& path = stringsImageFile();
  const int page = pageIndex("Strings");
  if (page < 0 || !stringsImageOpen(path)) {
    state.SkipWithError("could not write or read the strings image");
    return;
  }
  GtkNotebook* notebook = GTK_NOTEBOOK(shellGetNotebook());
  ModulePool* pool = shellGetCurrentPool();
  uint32_t size = 0;
  MallocPtr<uint8_t> block(moduleGetData(poolGet(pool, 0), &size));
  // The first visit builds the view; the switches then only show it.
  gtk_notebook_set_current_page(notebook, page);
  benchFlushAll();
  if (!stringsViewShown(page)) {
    state.SkipWithError("the strings view was not built");
    return;
  }
  gtk_notebook_set_current_page(notebook, 0);
  benchFlushAll();
  double total = 0, crc = 0, slowest = 0, leave = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    benchmark::DoNotOptimize(moduleCrc(block.get(), size));
    crc += secondsSince(start);
    start = Clock::now();
    gtk_notebook_set_current_page(notebook, page);
    benchFlushAll();
    double seconds = secondsSince(start);
    state.SetIterationTime(seconds);
    total += seconds;
    slowest = std::max(slowest, seconds);
    if (!stringsViewShown(page)) {
      state.SkipWithError("the strings view is not shown");
      break;
    }
    start = Clock::now();
    gtk_notebook_set_current_page(notebook, 0);
    benchFlushAll();
    leave += secondsSince(start);
  }
  if (poolIsModified(pool)) state.SkipWithError("switching pages modified the pool");
  double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
  state.counters["switch_over_crc"] = total / crc;
  state.counters["crc_us"] = crc / n * 1e6;
  state.counters["slowest_switch_ms"] = slowest * 1e3;
  state.counters["leave_ms"] = leave / n * 1e3;
  state.counters["block_KiB"] = double(size) / 1024;
}
BENCHMARK(BM_StringsPageSwitch)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

// With the strings image loaded and its view shown, the filter of the
// list's menu goes from "Show all" to "Show empty", "Show changed" and
// "Show undecodable" and back each time, by activating the radio items as a
// click does, each switch flushed; the time is per single switch. Its
// baseline is loading the file and reading the module (`read_ms`, as in
// BM_StringsViewBuild), timed in the same iterations.
void BM_StringsFilterSwitch(benchmark::State& state) {
  const std::string& path = stringsImageFile();
  const int page = pageIndex("Strings");
  if (page < 0 || !stringsImageOpen(path)) {
    state.SkipWithError("could not write or read the strings image");
    return;
  }
  gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), page);
  benchFlushAll();
  LanguageView* view = firstView<LanguageView>(page);
  if (!stringsViewShown(page) || !view || view->filter != FILTER_ALL) {
    state.SkipWithError("the strings view was not built with all its rows");
    return;
  }
  static const int FILTERS[] = {FILTER_EMPTY, FILTER_ALL,         FILTER_CHANGED,
                                FILTER_ALL,   FILTER_UNDECODABLE, FILTER_ALL};
  double total = 0, read = 0, slowest = 0, toAll = 0;
  int emptyRows = 0, allRows = 0, switches = 0;
  bool ok = false;
  for (auto _ : state) {
    const int filter = FILTERS[switches++ % 6];
    read += timeLanguageRead(path, &ok);
    auto start = Clock::now();
    gtk_menu_item_activate(GTK_MENU_ITEM(view->filterItems[filter]));
    benchFlushAll();
    double seconds = secondsSince(start);
    state.SetIterationTime(seconds);
    total += seconds;
    slowest = std::max(slowest, seconds);
    int rows = gtk_tree_model_iter_n_children(
        gtk_tree_view_get_model(GTK_TREE_VIEW(view->treeView)), nullptr);
    if (filter == FILTER_ALL) toAll += seconds, allRows = rows;
    if (filter == FILTER_EMPTY) emptyRows = rows;
    if (!ok || view->filter != filter || (filter == FILTER_CHANGED && rows != 0)) {
      state.SkipWithError("the filter did not switch");
      break;
    }
  }
  gtk_menu_item_activate(GTK_MENU_ITEM(view->filterItems[FILTER_ALL]));
  benchFlushAll();
  double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
  state.counters["switch_over_read"] = total / read;
  state.counters["read_ms"] = read / n * 1e3;
  state.counters["slowest_switch_ms"] = slowest * 1e3;
  state.counters["to_all_ms"] = toAll / (n / 2) * 1e3;
  state.counters["to_filter_ms"] = (total - toAll) / (n / 2) * 1e3;
  state.counters["all_rows"] = allRows;
  state.counters["empty_rows"] = emptyRows;
}
BENCHMARK(BM_StringsFilterSwitch)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

// A 32 x 32 font: the letters of fontBody(4) (24 x 32 cells) widened to
// 32-pixel cells, their widths scaled alike (32 for the letters, 16 for the
// blank codes).
Bytes bigFontBody() {
  FontMetrics small{};
  Bytes body = fontBody(4);
  List* glyphs = fontDecode(body.data(), uint32_t(body.size()), &small);
  if (!glyphs) return Bytes();
  const FontMetrics big = {32, 32, 4};
  for (uint32_t i = 0; i < listGetCount(glyphs); i++) {
    auto* g = static_cast<FontGlyph*>(listGet(glyphs, i));
    auto* wide = static_cast<uint8_t*>(std::calloc(big.width * big.height, 1));
    for (uint32_t y = 0; y < small.height; y++)
      std::memcpy(wide + y * big.width, g->pixels + y * small.width, small.width);
    std::free(g->pixels);
    g->pixels = wide;
    g->width = g->width * big.width / small.width;
  }
  uint32_t size = 0;
  MallocPtr<uint8_t> encoded(fontEncode(&big, glyphs, &size));
  fontGlyphsFree(glyphs);
  return encoded ? Bytes(encoded.get(), encoded.get() + size) : Bytes();
}

// The image of the single font "font_big", written once per process.
const std::string& fontImageFile() {
  static TempDir folder;
  static const std::string path = [] {
    Bytes body = bigFontBody();
    std::string p = folder.file("font.bin");
    if (body.empty() || !writeFile(p, ModuleBuilder().name("font_big").body(std::move(body)).build()))
      p.clear();
    return p;
  }();
  return path;
}

// poolLoad of the font image, then fontDecode of its font, everything freed:
// what building the view cannot avoid.
double timeFontLoad(const std::string& path, bool* ok) {
  char err[ERROR_SIZE];
  auto start = Clock::now();
  ModulePool* pool = poolLoad(path.c_str(), err, sizeof err);
  uint32_t size = 0;
  MallocPtr<uint8_t> body(pool && poolGetCount(pool) == 1 ? moduleGetBody(poolGet(pool, 0), &size)
                                                          : nullptr);
  FontMetrics m{};
  List* glyphs = body ? fontDecode(body.get(), size, &m) : nullptr;
  *ok = glyphs && m.width == 32 && m.height == 32;
  fontGlyphsFree(glyphs);
  body.reset();
  poolFree(pool);
  return secondsSince(start);
}

// The Fonts page shows a view of a 32 x 32 font, laid out and on screen.
bool fontViewShown(int page) {
  FontView* view = firstView<FontView>(page);
  return view && view->glyphs && view->metrics.width == 32 && view->metrics.height == 32 &&
         gtk_widget_is_drawable(view->listView) && gtk_widget_is_drawable(view->glyphEdit);
}

// The font image opened through the shell with the Fonts page showing, so
// that its view is built, laid out and painted; every iteration opens the
// same file again. Registered last: it leaves the font image loaded.
void BM_FontViewBuild(benchmark::State& state) {
  const std::string& path = fontImageFile();
  const int page = pageIndex("Fonts");
  bool ok = false;
  // A failing shellOpenFile would wait in a message box: poolLoad first.
  if (!path.empty()) timeFontLoad(path, &ok);
  if (!ok || page < 0) {
    state.SkipWithError("could not write or read the font image");
    return;
  }
  GtkNotebook* notebook = GTK_NOTEBOOK(shellGetNotebook());
  // Whatever image the other benchmarks left goes first, on the Modules page,
  // so that entering the Fonts page builds nothing but the font's view.
  if (gtk_notebook_get_current_page(notebook) != page) {
    gtk_notebook_set_current_page(notebook, 0);
    benchFlushAll();
    shellOpenFile(path.c_str());
    benchFlushAll();
    gtk_notebook_set_current_page(notebook, page);
    benchFlushAll();
  }
  double build = 0, call = 0, decode = 0;
  for (auto _ : state) {
    decode += timeFontLoad(path, &ok);
    auto start = Clock::now();
    shellOpenFile(path.c_str());
    call += secondsSince(start);
    benchFlushAll();
    double seconds = secondsSince(start);
    state.SetIterationTime(seconds);
    build += seconds;
    if (!ok || !fontViewShown(page)) {
      state.SkipWithError("the font view was not built");
      break;
    }
  }
  double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
  state.counters["build_ms"] = build / n * 1e3;
  state.counters["build_over_decode"] = build / decode;
  state.counters["decode_ms"] = decode / n * 1e3;
  state.counters["open_call_ms"] = call / n * 1e3;
}
BENCHMARK(BM_FontViewBuild)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace
