// SPDX-License-Identifier: MIT
// The popup menu of a Strings view's list and what it chooses: which rows
// show (the filters), the language shown beside the texts (the Reference
// column) and the font that measures them (the Width column). The choices
// are the tab's, kept per module name, so a rebuilt view shows them again.
#include <cstring>
#include <string>
#include <vector>

#include "pool/glib_memory.h"
#include "pool/module_format.h"
#include "shell/editor_page.h"
#include "shell/shell.h"
#include "tabs/fonts/font_codec.h"
#include "tabs/strings/language_view.h"

namespace {

const char* const FILTER_TITLES[FILTER_COUNT] = {
    "Show all", "Show changed", "Show same as reference", "Show empty", "Show undecodable"};

// The radio item of a submenu whose module name is name ("" for "None").
void submenuSelect(GtkWidget* submenu, const std::string& name) {
  GList* items = gtk_container_get_children(GTK_CONTAINER(submenu));
  for (GList* l = items; l; l = l->next) {
    auto* itemName = static_cast<const char*>(g_object_get_data(G_OBJECT(l->data), "module-name"));
    if (itemName && name == itemName)
      gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(l->data), TRUE);
  }
  g_list_free(items);
}

// The radio items show what the view does; setting them chooses nothing.
void menuSync(LanguageView* view) {
  view->menuSyncing = true;
  gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(view->filterItems[view->filter]), TRUE);
  gtk_widget_set_sensitive(view->filterItems[FILTER_SAME], view->reference != nullptr);
  submenuSelect(view->referenceMenu,
                view->reference ? moduleGetName(view->reference->lm.module) : "");
  submenuSelect(view->measureMenu, view->measuring ? moduleGetName(view->font) : "");
  view->menuSyncing = false;
}

// The filter chosen, except that without a reference nothing is the same
// as it: the choice waits for one.
int filterEffective(const LanguageView* view) {
  int chosen = view->choices->filter;
  return chosen == FILTER_SAME && !view->reference ? FILTER_ALL : chosen;
}

// Shows the rows of the filter now in effect. "Show same as reference" is
// applied again each time, since the reference may have changed.
void filterApply(LanguageView* view) {
  const int filter = filterEffective(view);
  if (filter != view->filter || filter == FILTER_SAME) {
    view->filter = filter;
    stringsListModelSet(view);
  }
  menuSync(view);
  languageViewTabUpdate(view);
}

// ----- reference -----

// The views of the same inner notebook, in page order: the views the page
// made from one pool.
std::vector<LanguageView*> siblingsOf(const LanguageView* view) {
  std::vector<LanguageView*> views;
  GtkWidget* notebook = gtk_widget_get_parent(view->top);
  if (!GTK_IS_NOTEBOOK(notebook)) return views;
  const int pages = gtk_notebook_get_n_pages(GTK_NOTEBOOK(notebook));
  for (int i = 0; i < pages; i++)
    if (auto* v = viewGetRecord<LanguageView>(gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), i)))
      views.push_back(v);
  return views;
}

// The last view beside this one of the module its choice names, skipping
// one being destroyed.
LanguageView* referenceFind(const LanguageView* view, const LanguageView* gone) {
  const std::string& name = view->choices->reference;
  LanguageView* found = nullptr;
  if (name.empty()) return nullptr;
  for (LanguageView* v : siblingsOf(view))
    if (v != view && v != gone && !v->malformed && v->lm.module != view->lm.module &&
        name == moduleGetName(v->lm.module))
      found = v;
  return found;
}

void referenceSet(LanguageView* view, LanguageView* reference) {
  view->reference = reference;
  view->referenceEntries.assign(listGetCount(view->lm.entries), nullptr);
  if (reference) languageEntriesMatch(&view->lm, &reference->lm, view->referenceEntries.data());
  gtk_tree_view_column_set_visible(view->referenceColumn, reference != nullptr);
  filterApply(view);
  gtk_widget_queue_draw(view->treeView);
}

// Points every view beside this one (itself included) at the reference it
// chose, when that is now another view.
void referencesResolve(const LanguageView* view, const LanguageView* gone) {
  for (LanguageView* v : siblingsOf(view)) {
    if (v->malformed || v == gone) continue;
    LanguageView* found = referenceFind(v, gone);
    if (found != v->reference) referenceSet(v, found);
  }
}

// ----- width -----

// Measures with the font (null: stops). Returns 0, with the reason in err,
// when the font cannot be read; the view then measures nothing.
int measureSet(LanguageView* view, Module* font, char* err, size_t errSize) {
  stringsMeasureStop(view);
  if (font && textMeasureOpen(&view->measure, view->pool, font, view->lm.codePage, err, errSize)) {
    view->measuring = true;
    view->font = font;
    view->fontCrc = moduleGetField(font, MF_CRC);
  }
  gtk_tree_view_column_set_visible(view->widthColumn, view->measuring);
  gtk_widget_queue_draw(view->treeView);
  return !font || view->measuring;
}

Module* fontNamed(ModulePool* pool, const std::string& name) {
  for (uint32_t i = 0; !name.empty() && i < poolGetCount(pool); i++)
    if (name == moduleGetName(poolGet(pool, i)) && fontMatch(pool, poolGet(pool, i)))
      return poolGet(pool, i);
  return nullptr;
}

// ----- the menu -----

void filterToggled(GtkCheckMenuItem* item, LanguageView* view) {
  if (view->menuSyncing || !gtk_check_menu_item_get_active(item)) return;
  view->choices->filter = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), "filter"));
  filterApply(view);
}

void referenceToggled(GtkCheckMenuItem* item, LanguageView* view) {
  if (view->menuSyncing || !gtk_check_menu_item_get_active(item)) return;
  StringsChoices& choices = *view->choices;
  choices.reference = static_cast<const char*>(g_object_get_data(G_OBJECT(item), "module-name"));
  if (choices.reference.empty() && choices.filter == FILTER_SAME) choices.filter = FILTER_ALL;
  referenceSet(view, referenceFind(view, nullptr));
}

void measureToggled(GtkCheckMenuItem* item, LanguageView* view) {
  if (view->menuSyncing || !gtk_check_menu_item_get_active(item)) return;
  std::string name = static_cast<const char*>(g_object_get_data(G_OBJECT(item), "module-name"));
  char err[ERROR_SIZE] = "";
  Module* font = fontNamed(view->pool, name);
  bool measured = measureSet(view, font, err, sizeof err);
  view->choices->font = measured ? name : "";
  menuSync(view);
  if (!measured) showError(err);
}

void exportActivated(GtkMenuItem*, LanguageView* view) { stringsTextsExport(view); }
void importActivated(GtkMenuItem*, LanguageView* view) { stringsTextsImport(view); }

GtkWidget* radioAdd(GtkWidget* menu, GSList** group, const char* label) {
  GtkWidget* item = gtk_radio_menu_item_new_with_label(*group, label);
  *group = gtk_radio_menu_item_get_group(GTK_RADIO_MENU_ITEM(item));
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  return item;
}

// A submenu of modules by name, then "None"; each item carries its module's
// name ("" for "None").
GtkWidget* moduleSubmenu(GtkWidget* menu, const char* title, LanguageView* view,
                         int (*match)(ModulePool*, Module*), GCallback toggled) {
  GtkWidget* item = gtk_menu_item_new_with_label(title);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  GtkWidget* submenu = gtk_menu_new();
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), submenu);
  GSList* group = nullptr;
  std::vector<GtkWidget*> items;
  for (uint32_t i = 0; i < poolGetCount(view->pool); i++) {
    Module* m = poolGet(view->pool, i);
    if (m == view->lm.module || !match(view->pool, m)) continue;
    GCharPtr label(shellDisplayText(moduleGetName(m)));
    items.push_back(radioAdd(submenu, &group, label.get()));
    g_object_set_data_full(G_OBJECT(items.back()), "module-name", g_strdup(moduleGetName(m)),
                           g_free);
  }
  if (!items.empty()) gtk_menu_shell_append(GTK_MENU_SHELL(submenu), gtk_separator_menu_item_new());
  items.push_back(radioAdd(submenu, &group, "None"));
  g_object_set_data_full(G_OBJECT(items.back()), "module-name", g_strdup(""), g_free);
  gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(items.back()), TRUE);
  for (GtkWidget* radio : items) g_signal_connect(radio, "toggled", toggled, view);
  return submenu;
}

}  // namespace

void stringsMenuBuild(LanguageView* view) {
  GtkWidget* menu = view->menu = gtk_menu_new();
  GSList* group = nullptr;
  for (int f = 0; f < FILTER_COUNT; f++) {
    view->filterItems[f] = radioAdd(menu, &group, FILTER_TITLES[f]);
    g_object_set_data(G_OBJECT(view->filterItems[f]), "filter", GINT_TO_POINTER(f));
  }
  for (GtkWidget* item : view->filterItems)
    g_signal_connect(item, "toggled", G_CALLBACK(filterToggled), view);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
  view->referenceMenu =
      moduleSubmenu(menu, "Reference", view, languageMatch, G_CALLBACK(referenceToggled));
  view->measureMenu =
      moduleSubmenu(menu, "Measure with", view, fontMatch, G_CALLBACK(measureToggled));
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
  view->exportItem = gtk_menu_item_new_with_label("Export texts\u2026");
  g_signal_connect(view->exportItem, "activate", G_CALLBACK(exportActivated), view);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), view->exportItem);
  view->importItem = gtk_menu_item_new_with_label("Import texts\u2026");
  g_signal_connect(view->importItem, "activate", G_CALLBACK(importActivated), view);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), view->importItem);
  gtk_widget_show_all(menu);
}

void stringsChoicesApply(LanguageView* view) {
  char err[ERROR_SIZE] = "";
  view->filter = filterEffective(view);
  stringsListModelSet(view);
  measureSet(view, fontNamed(view->pool, view->choices->font), err, sizeof err);
  menuSync(view);
}

void stringsReferencesResolve(LanguageView* view) { referencesResolve(view, nullptr); }

void stringsReferenceGone(LanguageView* view) { referencesResolve(view, view); }

void stringsMeasureStop(LanguageView* view) {
  if (view->measuring) textMeasureClose(&view->measure);
  view->measuring = false;
  view->font = nullptr;
}

void stringsMeasureRefresh(LanguageView* view) {
  char err[ERROR_SIZE];
  if (view->measuring && moduleGetField(view->font, MF_CRC) != view->fontCrc)
    measureSet(view, view->font, err, sizeof err);
}
