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
#include "shell/shell.h"
#include "tabs/fonts/font_codec.h"
#include "tabs/strings/language_view.h"

namespace {

const char* const FILTER_TITLES[FILTER_COUNT] = {
    "Show all", "Show changed", "Show same as reference", "Show empty", "Show undecodable"};

// The radio item of a submenu whose module name is name ("" for "None").
void submenuSelect(GtkWidget* submenu, const std::string& name) {
  GList* items = submenu ? gtk_container_get_children(GTK_CONTAINER(submenu)) : nullptr;
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
  submenuSelect(view->referenceMenu, view->reference ? moduleGetName(view->reference->module) : "");
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

void referenceSet(LanguageView* view, LanguageView* referenceView, LanguageModule* read) {
  view->referenceView = referenceView;
  view->referenceRead.reset(read);
  view->reference = referenceView ? &referenceView->lm : read;
  view->referenceEntries.assign(listGetCount(view->lm.entries), nullptr);
  if (view->reference) languageEntriesMatch(&view->lm, view->reference, view->referenceEntries.data());
  gtk_tree_view_column_set_visible(view->referenceColumn, view->reference != nullptr);
  filterApply(view);
  gtk_widget_queue_draw(view->treeView);
}

// Points the view at the texts of the reference it chose: the last module
// of that name in its image, other than its own, that can be read; through
// that module's view where one is built, else read from the module.
// Returns whether the reference changed.
bool referenceResolve(LanguageView* view) {
  const std::string& name = view->choices->reference;
  ModulePool* pool = view->pool;
  for (uint32_t i = name.empty() ? 0 : poolGetCount(pool); i-- > 0;) {
    Module* m = poolGet(pool, i);
    if (m == view->lm.module || name != moduleGetName(m) || !languageMatch(pool, m)) continue;
    auto built = view->tab->views.find(m);
    if (built != view->tab->views.end()) {
      if (built->second == view->referenceView) return false;
      referenceSet(view, built->second, nullptr);
      return true;
    }
    if (!view->referenceView && view->referenceRead && view->referenceRead->module == m) return false;
    auto* read = new LanguageModule{};
    read->module = m;
    char err[ERROR_SIZE];
    if (readLanguageModule(read, err, sizeof err)) {
      referenceSet(view, nullptr, read);
      return true;
    }
    LanguageModuleDelete()(read);  // not readable: an earlier one of the name may be
  }
  if (!view->reference) return false;
  referenceSet(view, nullptr, nullptr);
  return true;
}

// Every view of the tab finds its reference again; those already pointing
// at it cost a look through the image's modules.
void referencesResolve(const StringsTab* tab) {
  for (const auto& [module, view] : tab->views) referenceResolve(view);
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
  if (!referenceResolve(view)) filterApply(view);  // the filter chosen may have changed alone
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

// Gives item a new submenu of the image's modules by name, then "None";
// each item carries its module's name ("" for "None"). The submenu it had
// goes.
GtkWidget* moduleSubmenu(GtkWidget* item, LanguageView* view, int (*match)(ModulePool*, Module*),
                         GCallback toggled) {
  if (GtkWidget* old = gtk_menu_item_get_submenu(GTK_MENU_ITEM(item))) gtk_widget_destroy(old);
  GtkWidget* submenu = gtk_menu_new();
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
  gtk_widget_show_all(submenu);
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), submenu);
  return submenu;
}

GtkWidget* itemAdd(GtkWidget* menu, const char* label) {
  GtkWidget* item = gtk_menu_item_new_with_label(label);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  return item;
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
  view->referenceItem = itemAdd(menu, "Reference");
  view->measureItem = itemAdd(menu, "Measure with");
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
  view->exportItem = itemAdd(menu, "Export texts\u2026");
  g_signal_connect(view->exportItem, "activate", G_CALLBACK(exportActivated), view);
  view->importItem = itemAdd(menu, "Import texts\u2026");
  g_signal_connect(view->importItem, "activate", G_CALLBACK(importActivated), view);
  gtk_widget_show_all(menu);
}

GtkWidget* stringsMenuFor(LanguageView* view) {
  view->referenceMenu =
      moduleSubmenu(view->referenceItem, view, languageMatch, G_CALLBACK(referenceToggled));
  view->measureMenu = moduleSubmenu(view->measureItem, view, fontMatch, G_CALLBACK(measureToggled));
  menuSync(view);
  return view->menu;
}

void stringsChoicesApply(LanguageView* view) {
  char err[ERROR_SIZE] = "";
  view->filter = filterEffective(view);
  stringsListModelSet(view);
  measureSet(view, fontNamed(view->pool, view->choices->font), err, sizeof err);
  menuSync(view);
}

void stringsViewAdded(LanguageView* view) {
  view->tab->views[view->lm.module] = view;
  referencesResolve(view->tab);
}

void stringsViewGone(LanguageView* view) {
  if (view->tab->views.erase(view->lm.module)) referencesResolve(view->tab);
}

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
