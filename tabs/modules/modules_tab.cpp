// SPDX-License-Identifier: MIT
// The Modules tab. Size, parity and CRC are not stored in the rows: they are
// read from the module whenever their cells are drawn, so edits committed by
// other tabs show without a refill.
#include "tabs/modules/modules_tab.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "pool/memory.h"
#include "pool/glib_memory.h"
#include "shell/shell.h"
#include "shell/tree_titles.h"
#include "tabs/modules/module_actions.h"
#include "tabs/modules/module_columns.h"

namespace {

// Columns of the list store; the drawn-only columns have none.
enum StoreColumn {
  SC_INDEX,
  SC_NAME,
  SC_TYPE,
  SC_ACCESS,
  SC_LANGUAGE,
  SC_ATTRIBUTE,
  SC_REVISION,
  SC_EDITION,
  SC_COUNT
};

// Tab state, one for the process.
ModulesTabWidgets widgets;
GtkWidget* listBox;  // shown once a pool has been loaded
GtkListStore* store;
ModulePool* shownPool;
int selectedIndex = -1;
GtkTreeViewColumn* viewColumns[MC_COUNT];
GtkCellRenderer* cells[MC_COUNT];

// The width of text in a column's cell, padding included.
int cellWidth(int column, const char* text) {
  g_object_set(cells[column], "text", text, nullptr);
  gint width = 0;
  gtk_tree_view_column_cell_get_size(viewColumns[column], nullptr, nullptr, nullptr, &width, nullptr);
  return width;
}

// The texts worth measuring whole. A layout per text is what opening an
// image of thousands of modules would spend most of its time on, so past a
// few dozen texts each is first estimated from its letters' widths in the
// cell's font (each letter laid out once), and only the widest few dozen
// estimates are measured: kerning narrows a text by a pixel or two, which a
// few pixels of margin take in; names that differ in their digits alone
// estimate alike, and any of them stands for the rest.
std::vector<const std::string*> widestCandidates(int column, const std::unordered_set<std::string>& texts) {
  constexpr size_t MEASURED = 64;
  std::vector<const std::string*> chosen;
  if (texts.size() <= MEASURED) {
    for (const std::string& text : texts) chosen.push_back(&text);
    return chosen;
  }
  PangoFontDescription* font = pango_font_description_copy(widgets.view->style->font_desc);
  gboolean weightSet = FALSE;
  gint weight = PANGO_WEIGHT_NORMAL;
  g_object_get(cells[column], "weight-set", &weightSet, "weight", &weight, nullptr);
  if (weightSet) pango_font_description_set_weight(font, PangoWeight(weight));
  GObjectPtr<PangoLayout> layout(gtk_widget_create_pango_layout(widgets.view, nullptr));
  pango_layout_set_font_description(layout.get(), font);
  pango_font_description_free(font);
  std::unordered_map<gunichar, int> letters;
  std::vector<std::pair<int, const std::string*>> estimates;
  estimates.reserve(texts.size());
  for (const std::string& text : texts) {
    int estimate = 0;
    for (const char* p = text.c_str(); *p; p = g_utf8_next_char(p)) {
      auto [letter, added] = letters.try_emplace(g_utf8_get_char(p), 0);
      if (added) {
        char one[8] = "";
        one[g_unichar_to_utf8(letter->first, one)] = '\0';
        pango_layout_set_text(layout.get(), one, -1);
        pango_layout_get_size(layout.get(), &letter->second, nullptr);  // no rounding to add up
      }
      estimate += letter->second;
    }
    estimates.emplace_back(estimate, &text);
  }
  std::partial_sort(estimates.begin(), estimates.begin() + MEASURED, estimates.end(),
                    [](const auto& a, const auto& b) { return a.first > b.first; });
  const int margin = std::max(4 * PANGO_SCALE, estimates[0].first / 32);
  for (size_t i = 0; i < MEASURED && estimates[i].first >= estimates[0].first - margin; i++)
    chosen.push_back(estimates[i].second);
  return chosen;
}

// Width a column needs for the widest of texts, its title included: what the
// tree view would find by measuring every row, from each distinct text once
// (or the likely widest of many).
int columnWidth(int column, const std::unordered_set<std::string>& texts) {
  gint separator = 0;
  gtk_widget_style_get(widgets.view, "horizontal-separator", &separator, nullptr);
  int widest = 0;
  for (const std::string* text : widestCandidates(column, texts))
    widest = std::max(widest, cellWidth(column, text->c_str()) + separator);
  GtkRequisition title = {0, 0};
  if (GtkWidget* button = viewColumns[column]->button) gtk_widget_size_request(button, &title);
  return std::max(widest, title.width);
}

using ColumnTexts = std::unordered_set<std::string>[MC_COUNT];

// Every column gets a fixed width, so that the tree view never measures rows
// it does not draw. texts holds the distinct texts of the stored columns.
void sizeColumns(ColumnTexts& texts, uint32_t count, uint32_t largestSize) {
  // Index, size, parity and CRC are digits; sizes may grow by a digit
  // through edits, which are drawn without a refill.
  size_t indexDigits = std::to_string(count ? count - 1 : 0).size();
  size_t sizeDigits = std::to_string(largestSize).size() + 1;
  for (char digit : std::string("0123456789ABCDEF")) {
    if (digit <= '9') {
      texts[MC_INDEX].insert(std::string(indexDigits, digit));
      texts[MC_SIZE].insert(std::string(sizeDigits, digit));
    }
    texts[MC_PARITY].insert(std::string(4, digit));
    texts[MC_CRC].insert(std::string(6, digit));
  }
  for (int column = 0; column < MC_COUNT; column++)
    gtk_tree_view_column_set_fixed_width(viewColumns[column], columnWidth(column, texts[column]));
}

void refill() {
  // Detached while filling, so a large image is not re-laid out per row.
  g_object_ref(store);
  gtk_tree_view_set_model(GTK_TREE_VIEW(widgets.view), nullptr);
  gtk_list_store_clear(store);
  ColumnTexts texts;
  char text[MC_COUNT][64];
  uint32_t count = poolGetCount(shownPool);
  uint32_t largestSize = 0;
  for (uint32_t i = 0; i < count; i++) {
    Module* m = poolGet(shownPool, i);
    for (int column : {MC_TYPE, MC_ACCESS, MC_LANGUAGE, MC_ATTRIBUTE, MC_REVISION, MC_EDITION}) {
      moduleColumnText(m, i, column, text[column], sizeof text[column]);
      texts[column].insert(text[column]);
    }
    GCharPtr name(shellDisplayText(moduleGetName(m)));
    texts[MC_NAME].insert(name.get());
    largestSize = std::max(largestSize, moduleGetField(m, MF_SIZE));
    GtkTreeIter iter;
    gtk_list_store_insert_with_values(
        store, &iter, -1, SC_INDEX, i, SC_NAME, name.get(), SC_TYPE, text[MC_TYPE], SC_ACCESS,
        text[MC_ACCESS], SC_LANGUAGE, text[MC_LANGUAGE], SC_ATTRIBUTE, text[MC_ATTRIBUTE],
        SC_REVISION, moduleGetField(m, MF_REVISION), SC_EDITION, moduleGetField(m, MF_EDITION),
        -1);
  }
  sizeColumns(texts, count, largestSize);
  gtk_tree_view_set_model(GTK_TREE_VIEW(widgets.view), GTK_TREE_MODEL(store));
  // Type-ahead finds a module by the name the user sees, not by "#"; a new
  // model resets the search column, so set it each time.
  gtk_tree_view_set_search_column(GTK_TREE_VIEW(widgets.view), SC_NAME);
  g_object_unref(store);
}

// Draws Size, Parity or CRC from the module as it stands now.
void drawLiveCell(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model,
                  GtkTreeIter* iter, gpointer column) {
  guint index = 0;
  gtk_tree_model_get(model, iter, SC_INDEX, &index, -1);
  char text[64] = "";
  if (Module* m = poolGet(shownPool, index))
    moduleColumnText(m, index, GPOINTER_TO_INT(column), text, sizeof text);
  g_object_set(cell, "text", text, nullptr);
}

void addColumn(int column, int storeColumn, float xalign) {
  GtkCellRenderer* cell = gtk_cell_renderer_text_new();
  g_object_set(cell, "xalign", xalign, nullptr);
  GtkTreeViewColumn* viewColumn = gtk_tree_view_column_new();
  gtk_tree_view_column_set_title(viewColumn, MODULE_COLUMN_TITLES[column]);
  gtk_tree_view_column_set_alignment(viewColumn, 0.5f);
  gtk_tree_view_column_pack_start(viewColumn, cell, TRUE);
  if (storeColumn >= 0)
    gtk_tree_view_column_add_attribute(viewColumn, cell, "text", storeColumn);
  else
    gtk_tree_view_column_set_cell_data_func(viewColumn, cell, drawLiveCell,
                                            GINT_TO_POINTER(column), nullptr);
  if (column == MC_NAME) {
    g_object_set(cell, "weight", 700, "weight-set", TRUE, nullptr);
    gtk_tree_view_column_set_expand(viewColumn, TRUE);
  }
  gtk_tree_view_column_set_sizing(viewColumn, GTK_TREE_VIEW_COLUMN_FIXED);
  viewColumns[column] = viewColumn;
  cells[column] = cell;
  gtk_tree_view_append_column(GTK_TREE_VIEW(widgets.view), viewColumn);
}

// Opens the menu for the row at path, which becomes the selected row and
// the keyboard cursor. Without a path, the selected row is used; with none,
// nothing happens.
bool menuPopupForRow(GtkTreePath* path, guint button, guint32 time, GtkMenuPositionFunc position) {
  GtkTreeView* view = GTK_TREE_VIEW(widgets.view);
  // In single selection the cursor row is the selected one, alone.
  if (path) gtk_tree_view_set_cursor(view, path, nullptr, FALSE);
  GtkTreeModel* model;
  GtkTreeIter iter;
  if (!gtk_tree_selection_get_selected(gtk_tree_view_get_selection(view), &model, &iter))
    return false;
  guint index = 0;
  gtk_tree_model_get(model, &iter, SC_INDEX, &index, -1);
  selectedIndex = int(index);
  gtk_menu_popup(GTK_MENU(widgets.menu), nullptr, nullptr, position, widgets.view, button, time);
  return true;
}

gboolean onButtonPress(GtkWidget* view, GdkEventButton* event, gpointer) {
  if (event->type != GDK_BUTTON_PRESS || event->button != 3) return FALSE;
  GtkTreePath* path = nullptr;
  gtk_tree_view_get_path_at_pos(GTK_TREE_VIEW(view), gint(event->x), gint(event->y), &path,
                                nullptr, nullptr, nullptr);
  bool shown = menuPopupForRow(path, 3, event->time, nullptr);
  if (path) gtk_tree_path_free(path);
  return shown;
}

// Shift+F10 and the Menu key: the menu for the keyboard cursor's row.
gboolean onPopupMenu(GtkWidget* view, gpointer) {
  GtkTreePath* path = nullptr;
  gtk_tree_view_get_cursor(GTK_TREE_VIEW(view), &path, nullptr);
  bool shown = menuPopupForRow(path, 0, gtk_get_current_event_time(), shellMenuBelowCursor);
  if (path) gtk_tree_path_free(path);
  return shown;
}

void onSaveModule(GtkMenuItem*, gpointer) {
  char err[ERROR_SIZE] = "";
  PoolPtr single(moduleExtract(shownPool, uint32_t(selectedIndex), err, sizeof err));
  if (!single) {
    showError(err);
    return;
  }
  GCharPtr name(shellDisplayText(moduleGetName(poolGet(single.get(), 0))));  // the chooser takes UTF-8
  runSaveDialog(single.get(), name.get());
}

void onReplaceModule(GtkMenuItem*, gpointer) {
  PoolPtr loaded(runOpenDialog());
  if (!loaded) return;
  char err[SHELL_TEXT_SIZE] = "";
  if (!moduleReplace(shownPool, uint32_t(selectedIndex), poolGet(loaded.get(), 0), err,
                     sizeof err)) {
    GCharPtr text(shellDisplayText(err));  // names are 8-bit text
    showError(text.get());
    return;
  }
  refill();
  GtkTreePath* path = gtk_tree_path_new_from_indices(selectedIndex, -1);
  gtk_tree_view_set_cursor(GTK_TREE_VIEW(widgets.view), path, nullptr, FALSE);
  // The refill put the list back at its top; bring the row into view.
  gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(widgets.view), path, nullptr, FALSE, 0, 0);
  gtk_tree_path_free(path);
}

void modulesLoad(TabHandler*, ModulePool* pool) {
  if (!pool || pool == shownPool) return;
  if (!shownPool) {
    containerClear(widgets.container);
    gtk_container_add(GTK_CONTAINER(widgets.container), listBox);
  }
  shownPool = pool;
  refill();
}

void modulesCommit(TabHandler*) {}

}  // namespace

TabHandler* modulesTabNew(GtkWidget* container) {
  auto* handler = g_new0(TabHandler, 1);
  handler->load = modulesLoad;
  handler->commit = modulesCommit;
  handler->release = tabHandlerFree;

  widgets.container = container;
  gtk_container_add(GTK_CONTAINER(widgets.container), gtk_label_new("File not loaded"));

  listBox = gtk_hbox_new(FALSE, 0);
  g_object_ref_sink(listBox);  // kept by the tab until it is put into the page
  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_NONE);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  gtk_box_pack_start(GTK_BOX(listBox), scrolled, TRUE, TRUE, 0);
  store = gtk_list_store_new(SC_COUNT, G_TYPE_UINT, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING,
                             G_TYPE_STRING, G_TYPE_STRING, G_TYPE_UINT, G_TYPE_UINT);
  widgets.view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
  shellSetMainList(container, widgets.view);
  gtk_container_add(GTK_CONTAINER(scrolled), widgets.view);
  addColumn(MC_INDEX, SC_INDEX, 1.0f);
  addColumn(MC_NAME, SC_NAME, 0.0f);
  addColumn(MC_SIZE, -1, 1.0f);
  addColumn(MC_TYPE, SC_TYPE, 0.0f);
  addColumn(MC_ACCESS, SC_ACCESS, 1.0f);
  addColumn(MC_LANGUAGE, SC_LANGUAGE, 0.5f);
  addColumn(MC_ATTRIBUTE, SC_ATTRIBUTE, 0.5f);
  addColumn(MC_REVISION, SC_REVISION, 1.0f);
  addColumn(MC_EDITION, SC_EDITION, 1.0f);
  addColumn(MC_PARITY, -1, 1.0f);
  addColumn(MC_CRC, -1, 1.0f);
  gtk_tree_view_set_fixed_height_mode(GTK_TREE_VIEW(widgets.view), TRUE);
  treeViewTitlesFit(widgets.view);
  g_signal_connect(widgets.view, "button-press-event", G_CALLBACK(onButtonPress), nullptr);
  g_signal_connect(widgets.view, "popup-menu", G_CALLBACK(onPopupMenu), nullptr);
  gtk_widget_show_all(listBox);

  widgets.menu = gtk_menu_new();
  widgets.saveItem = gtk_image_menu_item_new_from_stock(GTK_STOCK_SAVE, nullptr);
  g_signal_connect(widgets.saveItem, "activate", G_CALLBACK(onSaveModule), nullptr);
  gtk_menu_shell_append(GTK_MENU_SHELL(widgets.menu), widgets.saveItem);
  widgets.replaceItem = gtk_image_menu_item_new_with_label("Replace");
  gtk_image_menu_item_set_image(GTK_IMAGE_MENU_ITEM(widgets.replaceItem), newReplaceIcon());
  g_signal_connect(widgets.replaceItem, "activate", G_CALLBACK(onReplaceModule), nullptr);
  gtk_menu_shell_append(GTK_MENU_SHELL(widgets.menu), widgets.replaceItem);
  gtk_widget_show_all(widgets.menu);
  return handler;
}

const ModulesTabWidgets* modulesTabGetWidgets() { return &widgets; }
int modulesTabGetSelectedIndex() { return selectedIndex; }
