// SPDX-License-Identifier: MIT
// The Strings tab: one view per language module, a list of its texts in
// which every text is edited in place and every edit undone by clicking its
// change mark. Edits reach the module when the tab is committed.
//
// For translators the list also searches anywhere in the texts (Ctrl+F, F3,
// Shift+F3), and its popup menu (strings_menu.cpp) filters the rows, shows
// another language's texts beside them, measures them in one of the unit's
// fonts, and exports and imports the texts (strings_files.cpp).
#include "tabs/strings/strings_tab.h"

#include <gdk/gdkkeysyms.h>

#include <cstring>

#include "pool/glib_memory.h"
#include "pool/memory.h"
#include "shell/editor_page.h"
#include "shell/shell.h"
#include "shell/tree_lists.h"
#include "shell/tree_titles.h"
#include "tabs/strings/language_view.h"

namespace {

// The tab's own state. The page makes each view from a pool and a module
// alone, so the views find the tab here; stringsTabNew sets it once.
StringsTab* stringsTab;

// What the inner tab's title adds for each filter.
const char* const FILTER_LABELS[FILTER_COUNT] = {"", "changed", "same as reference", "empty",
                                                 "undecodable"};

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

// Put on its page of the inner notebook, the view shows its state in its tab.
void topParentSet(GtkWidget*, GtkWidget*, LanguageView* view) { languageViewTabUpdate(view); }

// Views that showed this one as their reference look again.
void topDestroyed(GtkWidget*, LanguageView* view) { stringsViewGone(view); }

// Takes the text typed into the row at path, as one undo step. A text the
// code page cannot hold is refused with a message: the entry keeps the
// text it had, an earlier edit included. For an undecodable text, its
// bytes as shown stand for the original, so that entering the cell
// unchanged keeps them.
void entryEdit(LanguageView* view, const gchar* path, const gchar* typed) {
  GtkTreeIter iter;
  if (!storeRow(view, path, &iter)) return;
  StringEntry* e = languageViewRowEntry(view, GTK_TREE_MODEL(view->listStore), &iter);
  MallocPtr<char> shown(e->raw ? languageRawShown(e) : nullptr);
  const bool bytesKept = shown && std::strcmp(typed, shown.get()) == 0;
  if (!bytesKept && !languageTextFits(view->lm.codePage, typed)) {
    stringsEditRefused(view, e, typed);
    return;
  }
  view->history->begin();
  view->history->note(STRINGS_UNDO_TEXT, e->number);
  if (bytesKept) {
    languageEntryRevert(e);
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

}  // namespace

// An edit still open is entered as Enter would: its "edited" takes the text
// and forgets the editor, and the removal closes it. The reference keeps
// the editor alive between the two, since the list drops it as soon as the
// row changes.
void stringsEditFinish(LanguageView* view) {
  if (GtkCellEditable* editable = view->editable) {
    g_object_ref(editable);
    gtk_cell_editable_editing_done(editable);
    gtk_cell_editable_remove_widget(editable);
    g_object_unref(editable);
  }
}

namespace {

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

bool entryChanged(gpointer data, GtkTreeModel* model, GtkTreeIter* iter) {
  return languageViewRowEntry(static_cast<LanguageView*>(data), model, iter)->changed;
}

void entryRevert(gpointer data, const gchar* path) {
  auto* view = static_cast<LanguageView*>(data);
  GtkTreeIter iter;
  if (!storeRow(view, path, &iter)) return;
  StringEntry* e = languageViewRowEntry(view, GTK_TREE_MODEL(view->listStore), &iter);
  view->history->begin();
  view->history->note(STRINGS_UNDO_TEXT, e->number);
  languageEntryRevert(e);
  view->history->end();
  rowChanged(GTK_TREE_MODEL(view->listStore), &iter);
  languageViewTabUpdate(view);
}

}  // namespace

// Shows the rows the view's filter lets through: the store itself, or a new
// filter model over it. A new model rather than a refilter: the tree view
// takes a whole model in one pass, where a refilter would tell it of every
// row that comes or goes one by one. The cursor stays on its entry when
// that entry is still shown.
void stringsListModelSet(LanguageView* view) {
  stringsEditFinish(view);
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
  gtk_tree_view_set_search_column(tree, 0);

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

namespace {

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
    MallocPtr<char> shown(languageRawShown(e));
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

// ----- the view -----

void columnsAdd(LanguageView* view) {
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
  treeListChangedColumnAdd(GTK_TREE_VIEW(view->treeView), 60, entryChanged, entryRevert, view);
  gtk_tree_view_set_fixed_height_mode(GTK_TREE_VIEW(view->treeView), TRUE);
  treeViewTitlesFit(view->treeView);
}

GtkWidget* menuFor(gpointer view) { return stringsMenuFor(static_cast<LanguageView*>(view)); }

// A font edited on the Fonts tab has a new CRC once committed there; the
// view reads its widths again when it is shown next.
void topMapped(GtkWidget*, LanguageView* view) { stringsMeasureRefresh(view); }

GtkWidget* languageViewCreate(ModulePool* pool, Module* module) {
  auto* view = new LanguageView{};
  view->lm.module = module;
  view->pool = pool;
  view->tab = stringsTab;
  view->choices = &stringsTab->choices[moduleGetName(module)];
  char err[ERROR_SIZE] = "";
  if (!readLanguageModule(&view->lm, err, sizeof err)) {
    view->malformed = true;
    view->top = gtk_label_new(err);
    viewSetRecord(view->top, view);
    return view->top;
  }

  GtkWidget* top = view->top = gtk_vbox_new(FALSE, 0);
  gtk_container_set_border_width(GTK_CONTAINER(top), 5);
  gtk_box_pack_start(GTK_BOX(top), treeListNew(&view->treeView, &view->listStore), TRUE, TRUE, 0);
  shellSetMainList(top, view->treeView);
  const uint32_t count = listGetCount(view->lm.entries);
  view->storeRows.assign(count, -1);
  int rows = 0;
  for (uint32_t i = 0; i < count; i++) {
    if (!languageViewEntry(view, i)->text) continue;  // absent
    treeListAppend(view->listStore, i);
    view->storeRows[i] = rows++;
  }
  columnsAdd(view);

  GtkTreeView* tree = GTK_TREE_VIEW(view->treeView);
  stringsSearchInit(view);
  stringsUndoInit(view);
  g_signal_connect(tree, "key-press-event", G_CALLBACK(stringsListKeyPress), view);
  g_signal_connect(tree, "row-activated", G_CALLBACK(stringsRowActivated), view);
  g_signal_connect(top, "parent-set", G_CALLBACK(topParentSet), view);
  g_signal_connect(top, "destroy", G_CALLBACK(topDestroyed), view);
  g_signal_connect(top, "map", G_CALLBACK(topMapped), view);
  stringsMenuBuild(view);
  treeListPopupConnect(view->treeView, menuFor, nullptr, view);
  viewSetRecord(top, view);

  // What was chosen for this module before, in a view now gone; then the
  // references, this view's and those that name its module.
  stringsChoicesApply(view);
  stringsViewAdded(view);
  g_object_unref(view->listStore);  // the tree view keeps it
  return top;
}

// Rebuilds the body only when a text differs from the one read, so an
// unedited module keeps its block whatever its layout.
void languageViewStore(GtkWidget* widget) {
  LanguageView* view = viewGetRecord<LanguageView>(widget);
  if (view->malformed) return;
  stringsEditFinish(view);
  char err[ERROR_SIZE] = "";
  bool stored = writeLanguageModule(&view->lm, &view->keep, err, sizeof err);
  if (!stored) shellStoreRefused(view->lm.module, err, !view->refusedStoreTold);
  view->refusedStoreTold = !stored;
}

}  // namespace

LanguageView::~LanguageView() {
  if (editable)
    g_signal_handlers_disconnect_matched(editable, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                         this);
  editForget(this);
  stringsMeasureStop(this);
  stringsSearchForget(this);
  if (menu) gtk_widget_destroy(menu);
  languageModuleClear(&lm);
}

StringEntry* languageViewEntry(LanguageView* view, uint32_t number) {
  return static_cast<StringEntry*>(listGet(view->lm.entries, number));
}

StringEntry* languageViewRowEntry(LanguageView* view, GtkTreeModel* model, GtkTreeIter* iter) {
  return languageViewEntry(view, treeListIndex(model, iter));
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
  GtkWidget* label = editorViewTabLabel(view->top);
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

// A view builds its list at about 4 KiB of texts per millisecond (50,000
// texts, 367 KiB, in 80 ms on a 2 GHz machine): from this size on, a slower
// machine may take over 0.2 s.
constexpr uint32_t STRINGS_BUSY_SIZE = 256 * 1024;

TabHandler* stringsTabNew(GtkWidget* container) {
  stringsTab = new StringsTab{};
  return editorTabNew(container, languageMatch, languageViewCreate, languageViewStore, STRINGS_BUSY_SIZE);
}
