// SPDX-License-Identifier: MIT
// The Strings tab: one view per language module, a list of its texts in
// which every text is edited in place and every edit undone by clicking its
// change mark. Edits reach the module when the tab is committed.
//
// For translators the list also searches anywhere in the texts (Ctrl+F, F3,
// Shift+F3), and its popup menu filters the rows, shows another language's
// texts beside them, measures them in one of the unit's fonts, and exports
// and imports the texts as PO or TSV files. What the user chose there is
// kept per module name until the program ends, so a rebuilt view shows it
// again.
#include "tabs/strings/strings_tab.h"

#include <gdk/gdkkeysyms.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "pool/file_read.h"
#include "pool/file_save.h"
#include "pool/module_format.h"
#include "shell/editor_page.h"
#include "shell/gtk_ptr.h"
#include "shell/shell.h"
#include "shell/tree_titles.h"
#include "tabs/fonts/font_codec.h"
#include "tabs/strings/language_view.h"

namespace {

enum { COL_NUMBER, COL_COUNT };

// What the user chose in the menu of a module's view.
struct ViewChoices {
  int filter = FILTER_ALL;
  std::string reference;  // a language module's name, or "" for none
  std::string font;       // a font module's name, or "" for none
};
std::map<std::string, ViewChoices> choicesByModule;

// Every view alive, in the order they were made: a view finds the view of
// its reference module here.
std::vector<LanguageView*> liveViews;

// The folders of the last accepted Export Texts and Import Texts dialogs.
char exportFolderMemory[SHELL_TEXT_SIZE];
char importFolderMemory[SHELL_TEXT_SIZE];

const char* const FILTER_TITLES[FILTER_COUNT] = {
    "Show all", "Show changed", "Show same as reference", "Show empty", "Show undecodable"};
// What the inner tab's title adds for each filter.
const char* const FILTER_LABELS[FILTER_COUNT] = {"", "changed", "same as reference", "empty",
                                                 "undecodable"};

ViewChoices& choicesOf(const LanguageView* view) {
  return choicesByModule[moduleGetName(view->lm.module)];
}

// The store's row behind a path of the list as shown.
bool storeRow(LanguageView* view, const gchar* path, GtkTreeIter* iter) {
  GtkTreeModel* shown = languageViewShownModel(view);
  GtkTreeIter row;
  if (!gtk_tree_model_get_iter_from_string(shown, &row, path)) return false;
  if (shown == GTK_TREE_MODEL(view->listStore))
    *iter = row;
  else
    gtk_tree_model_filter_convert_iter_to_child_iter(GTK_TREE_MODEL_FILTER(shown), iter, &row);
  return true;
}

// Told to the store, so that a filter over it lets the row through again or
// hides it.
void rowChanged(GtkTreeModel* model, GtkTreeIter* iter) {
  GtkTreePath* path = gtk_tree_model_get_path(model, iter);
  gtk_tree_model_row_changed(model, path, iter);
  gtk_tree_path_free(path);
}

bool entryPasses(const LanguageView* view, const StringEntry* e, int filter) {
  switch (filter) {
    case FILTER_CHANGED: return e->changed;
    case FILTER_SAME: {
      const StringEntry* r = languageViewReference(view, e);
      return r && r->text && !languageShowsRaw(r) && !languageShowsRaw(e) &&
             std::strcmp(r->text, e->text) == 0;
    }
    case FILTER_EMPTY: return !languageShowsRaw(e) && !*e->text;
    case FILTER_UNDECODABLE: return languageShowsRaw(e);
    default: return true;
  }
}

gboolean rowVisible(GtkTreeModel* model, GtkTreeIter* iter, gpointer data) {
  auto* view = static_cast<LanguageView*>(data);
  return entryPasses(view, languageViewRowEntry(view, model, iter), view->filter);
}

void topParentSet(GtkWidget*, GtkWidget*, LanguageView* view) { languageViewTabUpdate(view); }

// Takes the text typed into the row at path, as one undo step. A text the
// code page cannot hold is refused with a message: the entry keeps the
// text it had, an earlier edit included. For an undecodable text, its
// bytes as shown stand for the original, so that entering the cell
// unchanged keeps them.
void entryEdit(LanguageView* view, const gchar* path, const gchar* typed) {
  GtkTreeIter iter;
  if (!storeRow(view, path, &iter)) return;
  StringEntry* e = languageViewRowEntry(view, GTK_TREE_MODEL(view->listStore), &iter);
  GCharPtr shown(e->raw ? languageRawShown(e) : nullptr);
  const bool bytesKept = shown && std::strcmp(typed, shown.get()) == 0;
  if (!bytesKept && !languageTextFits(view->lm.codePage, typed)) {
    stringsEditRefused(view, e, typed);
    return;
  }
  view->history->begin();
  view->history->note(STRINGS_UNDO_TEXT, e->number);
  if (bytesKept) {
    g_free(e->text);
    e->text = g_strdup(e->originalText);
    e->changed = 0;
  } else {
    languageEntryTake(e, typed);
  }
  view->history->end();
  rowChanged(GTK_TREE_MODEL(view->listStore), &iter);
  languageViewTabUpdate(view);
}

void editForget(LanguageView* view) {
  if (view->editable)
    g_object_remove_weak_pointer(G_OBJECT(view->editable),
                                 reinterpret_cast<gpointer*>(&view->editable));
  view->editable = nullptr;
  g_free(view->editPath);
  view->editPath = nullptr;
}

// An edit still open is entered as Enter would: its "edited" takes the text
// and forgets the editor, and the removal closes it. The reference keeps
// the editor alive between the two, since the list drops it as soon as the
// row changes.
void editFinish(LanguageView* view) {
  if (GtkCellEditable* editable = view->editable) {
    g_object_ref(editable);
    gtk_cell_editable_editing_done(editable);
    gtk_cell_editable_remove_widget(editable);
    g_object_unref(editable);
  }
}

// Escape is the one way to drop an open edit: GTK cancels the editor the
// same way when it merely loses the focus. Ctrl+Z drops it as Escape does
// (the list's undo is for texts entered).
gboolean editorKeyPress(GtkWidget* widget, GdkEventKey* event, LanguageView* view) {
  const bool ctrlZ = (event->state & GDK_CONTROL_MASK) && gdk_keyval_to_lower(event->keyval) == GDK_z;
  if (event->keyval != GDK_Escape && !ctrlZ) return FALSE;
  editForget(view);
  if (!ctrlZ) return FALSE;  // GTK's own Escape follows
  GTK_ENTRY(widget)->editing_canceled = TRUE;
  gtk_cell_editable_editing_done(GTK_CELL_EDITABLE(widget));
  gtk_cell_editable_remove_widget(GTK_CELL_EDITABLE(widget));
  return TRUE;
}

// Every way an editor closes removes it; one that still holds its edit here
// (focus lost, the list stopped editing) has its text taken. Enter took it
// already through "edited", Escape dropped it.
void editorRemoved(GtkCellEditable* editable, LanguageView* view) {
  if (editable != view->editable) return;
  GCharPtr path(g_strdup(view->editPath)), text(g_strdup(gtk_entry_get_text(GTK_ENTRY(editable))));
  editForget(view);
  entryEdit(view, path.get(), text.get());
}

// Arrives before the list connects its own handlers to the editor, so ours
// run first.
void editingStarted(GtkCellRenderer*, GtkCellEditable* editable, gchar* path, LanguageView* view) {
  editForget(view);
  if (!GTK_IS_ENTRY(editable)) return;
  view->editable = editable;
  g_object_add_weak_pointer(G_OBJECT(editable), reinterpret_cast<gpointer*>(&view->editable));
  view->editPath = g_strdup(path);
  g_signal_connect(editable, "key-press-event", G_CALLBACK(editorKeyPress), view);
  g_signal_connect(editable, "remove-widget", G_CALLBACK(editorRemoved), view);
}

void languageViewEdited(GtkCellRendererText*, gchar* path, gchar* text, LanguageView* view) {
  if (view->editPath && std::strcmp(view->editPath, path) == 0) editForget(view);
  entryEdit(view, path, text);
}

void languageViewToggled(GtkCellRendererToggle*, gchar* path, LanguageView* view) {
  GtkTreeIter iter;
  if (!storeRow(view, path, &iter)) return;
  StringEntry* e = languageViewRowEntry(view, GTK_TREE_MODEL(view->listStore), &iter);
  view->history->begin();
  view->history->note(STRINGS_UNDO_TEXT, e->number);
  g_free(e->text);
  e->text = g_strdup(e->originalText);
  e->changed = 0;
  view->history->end();
  rowChanged(GTK_TREE_MODEL(view->listStore), &iter);
  languageViewTabUpdate(view);
}

// Shows the rows the view's filter lets through: the store itself, or a new
// filter model over it. A new model rather than a refilter: the tree view
// takes a whole model in one pass, where a refilter would tell it of every
// row that comes or goes one by one. The cursor stays on its entry when
// that entry is still shown.
void listModelSet(LanguageView* view) {
  editFinish(view);
  GtkTreeView* tree = GTK_TREE_VIEW(view->treeView);
  int kept = -1;
  GtkTreePath* cursor = nullptr;
  gtk_tree_view_get_cursor(tree, &cursor, nullptr);
  GtkTreeIter iter;
  if (cursor && gtk_tree_model_get_iter(languageViewShownModel(view), &iter, cursor))
    kept = int(languageViewRowEntry(view, languageViewShownModel(view), &iter)->number);
  if (cursor) gtk_tree_path_free(cursor);

  GtkTreeModel* model = GTK_TREE_MODEL(view->listStore);
  if (view->filter == FILTER_ALL) {
    g_object_ref(model);
  } else {
    model = gtk_tree_model_filter_new(model, nullptr);
    gtk_tree_model_filter_set_visible_func(GTK_TREE_MODEL_FILTER(model), rowVisible, view, nullptr);
  }
  gtk_tree_view_set_model(tree, model);
  g_object_unref(model);  // the tree view keeps it
  gtk_tree_view_set_search_column(tree, COL_NUMBER);

  if (kept < 0) return;
  GtkTreePath* path = gtk_tree_path_new_from_indices(view->storeRows[kept], -1);
  if (model != GTK_TREE_MODEL(view->listStore)) {
    GtkTreePath* shown =
        gtk_tree_model_filter_convert_child_path_to_path(GTK_TREE_MODEL_FILTER(model), path);
    gtk_tree_path_free(path);
    path = shown;
  }
  if (!path) return;
  gtk_tree_view_set_cursor(tree, path, nullptr, FALSE);
  gtk_tree_view_scroll_to_cell(tree, path, nullptr, TRUE, 0.5, 0);
  gtk_tree_path_free(path);
}

// ----- menu state -----

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
  int chosen = choicesOf(view).filter;
  return chosen == FILTER_SAME && !view->reference ? FILTER_ALL : chosen;
}

// Shows the rows of the filter now in effect. "Show same as reference" is
// applied again each time, since the reference may have changed.
void filterApply(LanguageView* view) {
  const int filter = filterEffective(view);
  if (filter != view->filter || filter == FILTER_SAME) {
    view->filter = filter;
    listModelSet(view);
  }
  menuSync(view);
  languageViewTabUpdate(view);
}

// ----- reference -----

// The newest live view of the module the view's choice names, in the same
// pool: during a rebuild the old views are still alive.
LanguageView* referenceFind(const LanguageView* view) {
  const std::string& name = choicesOf(view).reference;
  LanguageView* found = nullptr;
  if (name.empty()) return nullptr;
  for (LanguageView* v : liveViews)
    if (v != view && v->pool == view->pool && !v->malformed && v->lm.module != view->lm.module &&
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

// Points every view whose chosen reference is now another live view there.
void referencesResolve() {
  for (LanguageView* v : liveViews) {
    if (v->malformed) continue;
    LanguageView* found = referenceFind(v);
    if (found != v->reference) referenceSet(v, found);
  }
}

// ----- width -----

void measureStop(LanguageView* view) {
  if (view->measuring) textMeasureClose(&view->measure);
  view->measuring = false;
  view->font = nullptr;
}

// Measures with the font (null: stops). Returns 0, with the reason in err,
// when the font cannot be read; the view then measures nothing.
int measureSet(LanguageView* view, Module* font, char* err) {
  measureStop(view);
  if (font && textMeasureOpen(&view->measure, view->pool, font, view->lm.codePage, err)) {
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

// A font edited on the Fonts tab has a new CRC once committed there; the
// view reads its widths again when it is shown next.
void topMapped(GtkWidget*, LanguageView* view) {
  char err[LANGUAGE_ERROR_SIZE];
  if (view->measuring && moduleGetField(view->font, MF_CRC) != view->fontCrc)
    measureSet(view, view->font, err);
}

// ----- cells -----

void numberCell(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter,
                gpointer data) {
  const StringEntry* e = languageViewRowEntry(static_cast<LanguageView*>(data), model, iter);
  char text[32];
  g_snprintf(text, sizeof text, "%u/%u", e->group, e->index);
  g_object_set(cell, "text", text, nullptr);
}

// Undecodable bytes are shown grey and slanted, so they are not taken for
// the text itself.
void entryShow(GtkCellRenderer* cell, const StringEntry* e) {
  if (!e || !e->text) {
    g_object_set(cell, "text", "", "foreground-set", FALSE, "style-set", FALSE, nullptr);
  } else if (languageShowsRaw(e)) {
    GCharPtr shown(languageRawShown(e));
    g_object_set(cell, "text", shown.get(), "foreground", "#808080", "style", PANGO_STYLE_ITALIC,
                 nullptr);
  } else {
    g_object_set(cell, "text", e->text, "foreground-set", FALSE, "style-set", FALSE, nullptr);
  }
}

void textCell(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter,
              gpointer data) {
  entryShow(cell, languageViewRowEntry(static_cast<LanguageView*>(data), model, iter));
}

void referenceCell(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model,
                   GtkTreeIter* iter, gpointer data) {
  auto* view = static_cast<LanguageView*>(data);
  entryShow(cell, languageViewReference(view, languageViewRowEntry(view, model, iter)));
}

// Red where the text now draws wider than it did as loaded: it may no
// longer fit where the unit shows it.
void widthCell(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter,
               gpointer data) {
  auto* view = static_cast<LanguageView*>(data);
  if (!view->measuring) return;
  const StringEntry* e = languageViewRowEntry(view, model, iter);
  uint64_t now = textMeasureEntry(&view->measure, e, 0);
  char text[24];
  g_snprintf(text, sizeof text, "%" G_GUINT64_FORMAT, now);
  if (now > textMeasureEntry(&view->measure, e, 1))
    g_object_set(cell, "text", text, "foreground", "red", nullptr);
  else
    g_object_set(cell, "text", text, "foreground-set", FALSE, nullptr);
}

void changedCell(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter,
                 gpointer data) {
  const StringEntry* e = languageViewRowEntry(static_cast<LanguageView*>(data), model, iter);
  g_object_set(cell, "visible", gboolean(e->changed), "active", gboolean(e->changed), nullptr);
}

// A fixed width of 0 makes a column that expands to take its share of the
// rest. Every column has a fixed width, so that the list can use rows of one
// fixed height: measuring each of tens of thousands of texts to size the
// column would take a second when the view is built.
GtkTreeViewColumn* columnAdd(LanguageView* view, const char* title, GtkCellRenderer* cell,
                             GtkTreeCellDataFunc cellData, int fixedWidth) {
  GtkTreeViewColumn* column = gtk_tree_view_column_new();
  gtk_tree_view_column_set_title(column, title);
  gtk_tree_view_column_set_alignment(column, 0.5);
  gtk_tree_view_column_pack_start(column, cell, TRUE);
  gtk_tree_view_column_set_cell_data_func(column, cell, cellData, view, nullptr);
  gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_FIXED);
  gtk_tree_view_column_set_fixed_width(column, fixedWidth ? fixedWidth : 100);
  gtk_tree_view_column_set_expand(column, fixedWidth == 0);
  gtk_tree_view_append_column(GTK_TREE_VIEW(view->treeView), column);
  return column;
}

// ----- export and import -----

void textsExport(GtkMenuItem*, LanguageView* view) {
  editFinish(view);
  GCharPtr name(shellDisplayText(moduleGetName(view->lm.module)));
  std::string suggested = std::string(name.get()) + ".po";
  char path[SHELL_TEXT_SIZE];
  if (!shellChooseFile("Export Texts", GTK_FILE_CHOOSER_ACTION_SAVE, exportFolderMemory,
                       suggested.c_str(), path))
    return;
  char message[SHELL_TEXT_SIZE];
  const int format = translationFormatOf(path);
  if (format == TRANSLATION_UNKNOWN) {
    shellFormatMessage(
        message, "Unable to export texts to %s\nThe file name must end in .po or .tsv.", path);
    return showError(message);
  }
  size_t size = 0;
  GCharPtr bytes(
      translationWrite(&view->lm, view->reference ? &view->reference->lm : nullptr, format, &size));
  char err[SHELL_TEXT_SIZE] = "";
  if (!fileSaveBytes(path, bytes.get(), size, err, sizeof err)) {
    shellFormatMessage(message, "Unable to export texts\n%s", err);
    showError(message);
  }
}

// At most this many refusals are listed; the count says how many more.
constexpr int REFUSALS_SHOWN = 20;

// Applies what it can and lists what it refused: the imported texts are
// edits like typed ones, each undone by its change mark.
void textsImport(GtkMenuItem*, LanguageView* view) {
  editFinish(view);
  char path[SHELL_TEXT_SIZE], message[SHELL_TEXT_SIZE];
  if (!shellChooseFile("Import Texts", GTK_FILE_CHOOSER_ACTION_OPEN, importFolderMemory, nullptr,
                       path))
    return;
  const int format = translationFormatOf(path);
  if (format == TRANSLATION_UNKNOWN) {
    shellFormatMessage(
        message, "Unable to import texts from %s\nThe file name must end in .po or .tsv.", path);
    return showError(message);
  }
  size_t size = 0;
  char why[SHELL_TEXT_SIZE] = "";
  MallocPtr<uint8_t> data(fileReadAll(path, FILE_TEXT_LIMIT, &size, why, sizeof why));
  if (!data) {
    shellFormatMessage(message, "Unable to import texts\n%s", why);
    return showError(message);
  }
  TranslationImport result = {};
  stringsUndoNoteAll(view);
  translationRead(&view->lm, reinterpret_cast<const char*>(data.get()), size, format, 1, &result);
  view->history->end();
  listModelSet(view);
  gtk_widget_queue_draw(view->treeView);
  languageViewTabUpdate(view);
  if (result.refused) {
    std::string text = result.malformed ? "The file is not well-formed: no text was imported.\n"
                                        : std::to_string(result.taken) +
                                              (result.taken == 1 ? " text was" : " texts were") +
                                              " imported. Refused:\n";
    const char* p = result.refusals;
    for (int n = 0; *p && n < REFUSALS_SHOWN; n++) {
      const char* end = std::strchr(p, '\n');
      if (!end) end = p + std::strlen(p) - 1;
      text.append(p, end + 1);
      p = end + 1;
    }
    if (result.refused > uint32_t(REFUSALS_SHOWN))
      text += "and " + std::to_string(result.refused - REFUSALS_SHOWN) + " more\n";
    text.pop_back();
    showWarning(text.c_str());
  }
  translationImportClear(&result);
}

// ----- popup menu -----

void filterToggled(GtkCheckMenuItem* item, LanguageView* view) {
  if (view->menuSyncing || !gtk_check_menu_item_get_active(item)) return;
  choicesOf(view).filter = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), "filter"));
  filterApply(view);
}

void referenceToggled(GtkCheckMenuItem* item, LanguageView* view) {
  if (view->menuSyncing || !gtk_check_menu_item_get_active(item)) return;
  ViewChoices& choices = choicesOf(view);
  choices.reference = static_cast<const char*>(g_object_get_data(G_OBJECT(item), "module-name"));
  if (choices.reference.empty() && choices.filter == FILTER_SAME) choices.filter = FILTER_ALL;
  referenceSet(view, referenceFind(view));
}

void measureToggled(GtkCheckMenuItem* item, LanguageView* view) {
  if (view->menuSyncing || !gtk_check_menu_item_get_active(item)) return;
  std::string name = static_cast<const char*>(g_object_get_data(G_OBJECT(item), "module-name"));
  char err[LANGUAGE_ERROR_SIZE] = "";
  Module* font = fontNamed(view->pool, name);
  bool measured = measureSet(view, font, err);
  choicesOf(view).font = measured ? name : "";
  menuSync(view);
  if (!measured) showError(err);
}

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

void menuBuild(LanguageView* view) {
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
  g_signal_connect(view->exportItem, "activate", G_CALLBACK(textsExport), view);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), view->exportItem);
  view->importItem = gtk_menu_item_new_with_label("Import texts\u2026");
  g_signal_connect(view->importItem, "activate", G_CALLBACK(textsImport), view);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), view->importItem);
  gtk_widget_show_all(menu);
}

// A right-click puts the cursor on its row, if any; the menu is about the
// whole list, so it opens below the last row too.
gboolean listButtonPress(GtkWidget* list, GdkEventButton* event, LanguageView* view) {
  if (event->type != GDK_BUTTON_PRESS || event->button != 3) return FALSE;
  GtkTreePath* path = nullptr;
  if (gtk_tree_view_get_path_at_pos(GTK_TREE_VIEW(list), gint(event->x), gint(event->y), &path,
                                    nullptr, nullptr, nullptr)) {
    gtk_tree_view_set_cursor(GTK_TREE_VIEW(list), path, nullptr, FALSE);
    gtk_tree_path_free(path);
  }
  gtk_menu_popup(GTK_MENU(view->menu), nullptr, nullptr, nullptr, nullptr, 3, event->time);
  return TRUE;
}

// Shift+F10 and the Menu key.
gboolean listPopupMenu(GtkWidget*, LanguageView* view) {
  gtk_menu_popup(GTK_MENU(view->menu), nullptr, nullptr, shellMenuBelowCursor, view->treeView, 0,
                 gtk_get_current_event_time());
  return TRUE;
}

// ----- the view -----

GtkWidget* languageViewCreate(ModulePool* pool, Module* module) {
  auto* view = new LanguageView{};
  view->lm.module = module;
  view->pool = pool;
  char err[LANGUAGE_ERROR_SIZE] = "";
  if (!readLanguageModule(&view->lm, err)) {
    view->malformed = true;
    view->top = gtk_label_new(err);
    viewSetRecord(view->top, view);
    liveViews.push_back(view);
    return view->top;
  }

  GtkWidget* top = view->top = gtk_vbox_new(FALSE, 0);
  gtk_container_set_border_width(GTK_CONTAINER(top), 5);
  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_NONE);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  gtk_box_pack_start(GTK_BOX(top), scrolled, TRUE, TRUE, 0);
  view->listStore = gtk_list_store_new(COL_COUNT, G_TYPE_UINT);
  view->treeView = gtk_tree_view_new();
  gtk_container_add(GTK_CONTAINER(scrolled), view->treeView);
  shellSetMainList(top, view->treeView);

  const uint32_t count = listGetCount(view->lm.entries);
  view->storeRows.assign(count, -1);
  int rows = 0;
  for (uint32_t i = 0; i < count; i++) {
    if (!languageViewEntry(view, i)->text) continue;  // absent
    GtkTreeIter iter;
    gtk_list_store_append(view->listStore, &iter);
    gtk_list_store_set(view->listStore, &iter, COL_NUMBER, i, -1);
    view->storeRows[i] = rows++;
  }

  GtkCellRenderer* number = gtk_cell_renderer_text_new();
  g_object_set(number, "xalign", 0.5, nullptr);
  columnAdd(view, "#", number, numberCell, 60);
  GtkCellRenderer* reference = gtk_cell_renderer_text_new();
  g_object_set(reference, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
  view->referenceColumn = columnAdd(view, "Reference", reference, referenceCell, 0);
  gtk_tree_view_column_set_visible(view->referenceColumn, FALSE);
  GtkCellRenderer* text = gtk_cell_renderer_text_new();
  g_object_set(text, "editable", TRUE, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
  g_signal_connect(text, "edited", G_CALLBACK(languageViewEdited), view);
  g_signal_connect(text, "editing-started", G_CALLBACK(editingStarted), view);
  view->textColumn = columnAdd(view, "Text", text, textCell, 0);
  GtkCellRenderer* width = gtk_cell_renderer_text_new();
  g_object_set(width, "xalign", 1.0, nullptr);
  view->widthColumn = columnAdd(view, "Width", width, widthCell, 60);
  gtk_tree_view_column_set_visible(view->widthColumn, FALSE);
  GtkCellRenderer* changed = gtk_cell_renderer_toggle_new();
  g_object_set(changed, "xalign", 0.5, nullptr);
  g_signal_connect(changed, "toggled", G_CALLBACK(languageViewToggled), view);
  columnAdd(view, "Changed", changed, changedCell, 60);
  gtk_tree_view_set_fixed_height_mode(GTK_TREE_VIEW(view->treeView), TRUE);
  treeViewTitlesFit(view->treeView);

  GtkTreeView* tree = GTK_TREE_VIEW(view->treeView);
  stringsSearchInit(view);
  stringsUndoInit(view);
  g_signal_connect(tree, "key-press-event", G_CALLBACK(stringsListKeyPress), view);
  g_signal_connect(tree, "row-activated", G_CALLBACK(stringsRowActivated), view);
  g_signal_connect(tree, "button-press-event", G_CALLBACK(listButtonPress), view);
  g_signal_connect(tree, "popup-menu", G_CALLBACK(listPopupMenu), view);
  g_signal_connect(top, "parent-set", G_CALLBACK(topParentSet), view);
  g_signal_connect(top, "map", G_CALLBACK(topMapped), view);
  menuBuild(view);
  viewSetRecord(top, view);

  // What was chosen for this module before, in a view now gone. The
  // reference's view may be made after this one: each new view points the
  // views that chose it there.
  view->filter = filterEffective(view);
  listModelSet(view);
  g_object_unref(view->listStore);  // the tree view keeps it
  measureSet(view, fontNamed(pool, choicesOf(view).font), err);
  liveViews.push_back(view);
  referencesResolve();
  menuSync(view);
  return top;
}

// Rebuilds the body only when a text differs from the one read, so an
// unedited module keeps its block whatever its layout.
void languageViewStore(GtkWidget* widget) {
  LanguageView* view = viewGetRecord<LanguageView>(widget);
  if (view->malformed) return;
  editFinish(view);
  char err[LANGUAGE_ERROR_SIZE] = "";
  bool stored = writeLanguageModule(&view->lm, &view->keep, err);
  if (!stored) shellStoreRefused(view->lm.module, err, !view->refusedStoreTold);
  view->refusedStoreTold = !stored;
}

}  // namespace

LanguageView::~LanguageView() {
  liveViews.erase(std::find(liveViews.begin(), liveViews.end(), this));
  for (LanguageView* v : liveViews)
    if (v->reference == this) referenceSet(v, referenceFind(v));
  if (editable)
    g_signal_handlers_disconnect_matched(editable, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                         this);
  editForget(this);
  measureStop(this);
  stringsSearchForget(this);
  if (menu) gtk_widget_destroy(menu);
  languageModuleClear(&lm);
}

StringEntry* languageViewEntry(LanguageView* view, uint32_t number) {
  return static_cast<StringEntry*>(listGet(view->lm.entries, number));
}

StringEntry* languageViewRowEntry(LanguageView* view, GtkTreeModel* model, GtkTreeIter* iter) {
  guint number = 0;
  gtk_tree_model_get(model, iter, COL_NUMBER, &number, -1);
  return languageViewEntry(view, number);
}

const StringEntry* languageViewReference(const LanguageView* view, const StringEntry* e) {
  return e->number < view->referenceEntries.size() ? view->referenceEntries[e->number] : nullptr;
}

GtkTreeModel* languageViewShownModel(LanguageView* view) {
  return gtk_tree_view_get_model(GTK_TREE_VIEW(view->treeView));
}

// The inner notebook's tab of the view tells how far the work has come, and
// its title the filter that is on.
void languageViewTabUpdate(LanguageView* view) {
  GtkWidget* notebook = gtk_widget_get_parent(view->top);
  GtkWidget* label = GTK_IS_NOTEBOOK(notebook)
                         ? gtk_notebook_get_tab_label(GTK_NOTEBOOK(notebook), view->top)
                         : nullptr;
  if (!label) return;
  uint32_t present = 0, changed = 0;
  for (uint32_t i = 0; i < listGetCount(view->lm.entries); i++) {
    const StringEntry* e = languageViewEntry(view, i);
    present += e->text != nullptr;
    changed += e->changed;
  }
  char text[64];
  g_snprintf(text, sizeof text, "%u of %u texts changed", changed, present);
  gtk_widget_set_tooltip_text(label, text);
  if (!GTK_IS_LABEL(label)) return;
  GCharPtr name(shellDisplayText(moduleGetName(view->lm.module)));
  GCharPtr title(FILTER_LABELS[view->filter][0]
                     ? g_strdup_printf("%s (%s)", name.get(), FILTER_LABELS[view->filter])
                     : g_strdup(name.get()));
  gtk_label_set_text(GTK_LABEL(label), title.get());
}

TabHandler* stringsTabNew(GtkWidget* container) {
  return editorTabNew(container, languageMatch, languageViewCreate, languageViewStore);
}
