// The Strings tab: one view per language module, a list of its texts in
// which every text is edited in place and every edit undone by clicking its
// change mark. Edits reach the module when the tab is committed.
#include "tabs/strings/strings_tab.h"

#include <gdk/gdkkeysyms.h>

#include <cstring>

#include "shell/editor_page.h"
#include "shell/gtk_ptr.h"
#include "shell/shell.h"
#include "tabs/strings/language_view.h"

namespace {

enum { COL_NUMBER, COL_COUNT };

StringEntry* rowEntry(LanguageView* view, GtkTreeModel* model, GtkTreeIter* iter) {
  guint number = 0;
  gtk_tree_model_get(model, iter, COL_NUMBER, &number, -1);
  return static_cast<StringEntry*>(listGet(view->lm.entries, number));
}

// The bytes of a text the code page cannot decode, as the cell shows them:
// printable ASCII as it is, every other byte as \xNN.
gchar* rawShown(const StringEntry* e) {
  GString* s = g_string_new(nullptr);
  for (uint32_t i = 0; i < e->rawLength; i++) {
    uint8_t c = e->raw[i];
    if (c == '\\')
      g_string_append(s, "\\\\");
    else if (c >= 0x20 && c < 0x7F)
      g_string_append_c(s, char(c));
    else
      g_string_append_printf(s, "\\x%02x", c);
  }
  return g_string_free(s, FALSE);
}

bool showsRaw(const StringEntry* e) { return e->raw && !e->changed; }

void rowChanged(GtkTreeModel* model, GtkTreeIter* iter) {
  GtkTreePath* path = gtk_tree_model_get_path(model, iter);
  gtk_tree_model_row_changed(model, path, iter);
  gtk_tree_path_free(path);
}

// Takes the text typed into the row at path. A text the code page cannot
// hold is refused, and the entry goes back to its original text. For an
// undecodable text, its bytes as shown stand for the original, so that
// entering the cell unchanged keeps them.
void entryEdit(LanguageView* view, const gchar* path, const gchar* typed) {
  GtkTreeModel* model = GTK_TREE_MODEL(view->listStore);
  GtkTreeIter iter;
  if (!gtk_tree_model_get_iter_from_string(model, &iter, path)) return;
  StringEntry* e = rowEntry(view, model, &iter);
  GCharPtr shown(e->raw ? rawShown(e) : nullptr);
  bool accepted = languageTextFits(view->lm.codePage, typed) &&
                  !(shown && std::strcmp(typed, shown.get()) == 0);
  g_free(e->text);
  e->text = g_strdup(accepted ? typed : e->originalText);
  e->changed = accepted && (e->raw || std::strcmp(e->text, e->originalText) != 0);
  rowChanged(model, &iter);
}

void editForget(LanguageView* view) {
  if (view->editable)
    g_object_remove_weak_pointer(G_OBJECT(view->editable),
                                 reinterpret_cast<gpointer*>(&view->editable));
  view->editable = nullptr;
  g_free(view->editPath);
  view->editPath = nullptr;
}

// Escape is the one way to drop an open edit: GTK cancels the editor the
// same way when it merely loses the focus.
gboolean editorKeyPress(GtkWidget*, GdkEventKey* event, LanguageView* view) {
  if (event->keyval == GDK_Escape) editForget(view);
  return FALSE;
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
  GtkTreeModel* model = GTK_TREE_MODEL(view->listStore);
  GtkTreeIter iter;
  if (!gtk_tree_model_get_iter_from_string(model, &iter, path)) return;
  StringEntry* e = rowEntry(view, model, &iter);
  g_free(e->text);
  e->text = g_strdup(e->originalText);
  e->changed = 0;
  rowChanged(model, &iter);
}

void numberCell(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter,
                gpointer data) {
  const StringEntry* e = rowEntry(static_cast<LanguageView*>(data), model, iter);
  char text[32];
  g_snprintf(text, sizeof text, "%u/%u", e->group, e->index);
  g_object_set(cell, "text", text, nullptr);
}

// Undecodable bytes are shown grey and slanted, so they are not taken for
// the text itself.
void textCell(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter,
              gpointer data) {
  const StringEntry* e = rowEntry(static_cast<LanguageView*>(data), model, iter);
  if (showsRaw(e)) {
    GCharPtr shown(rawShown(e));
    g_object_set(cell, "text", shown.get(), "foreground", "#808080", "style", PANGO_STYLE_ITALIC,
                 nullptr);
  } else {
    g_object_set(cell, "text", e->text, "foreground-set", FALSE, "style-set", FALSE, nullptr);
  }
}

void changedCell(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter,
                 gpointer data) {
  const StringEntry* e = rowEntry(static_cast<LanguageView*>(data), model, iter);
  g_object_set(cell, "visible", gboolean(e->changed), "active", gboolean(e->changed), nullptr);
}

// A fixed width of 0 makes a column that expands to take the rest. Every
// column has a fixed width, so that the list can use rows of one fixed
// height: measuring each of tens of thousands of texts to size the column
// would take a second when the view is built.
void columnAdd(LanguageView* view, const char* title, GtkCellRenderer* cell,
               GtkTreeCellDataFunc cellData, int fixedWidth) {
  GtkTreeViewColumn* column = gtk_tree_view_column_new();
  gtk_tree_view_column_set_title(column, title);
  gtk_tree_view_column_set_alignment(column, 0.5);
  gtk_tree_view_column_pack_start(column, cell, TRUE);
  gtk_tree_view_column_set_cell_data_func(column, cell, cellData, view, nullptr);
  if (fixedWidth) {
    gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_FIXED);
    gtk_tree_view_column_set_fixed_width(column, fixedWidth);
  } else {
    gtk_tree_view_column_set_expand(column, TRUE);
    gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_FIXED);
    gtk_tree_view_column_set_fixed_width(column, 100);
  }
  gtk_tree_view_append_column(GTK_TREE_VIEW(view->treeView), column);
}

gchar* searchFold(const char* text) {
  GCharPtr folded(g_utf8_casefold(text, -1));
  return g_utf8_normalize(folded.get(), -1, G_NORMALIZE_ALL);
}

// Type-ahead finds a row by the beginning of the text it shows. GTK's
// convention: FALSE for a match.
gboolean searchEqual(GtkTreeModel* model, gint, const gchar* key, GtkTreeIter* iter,
                     gpointer data) {
  const StringEntry* e = rowEntry(static_cast<LanguageView*>(data), model, iter);
  GCharPtr shown(showsRaw(e) ? rawShown(e) : g_strdup(e->text));
  GCharPtr text(searchFold(shown.get())), prefix(searchFold(key));
  return !(text && prefix && g_str_has_prefix(text.get(), prefix.get()));
}

GtkWidget* languageViewCreate(ModulePool*, Module* module) {
  auto* view = new LanguageView{};
  view->lm.module = module;
  char err[LANGUAGE_ERROR_SIZE] = "";
  if (!readLanguageModule(&view->lm, err)) {
    view->malformed = true;
    GtkWidget* label = gtk_label_new(err);
    viewSetRecord(label, view);
    return label;
  }

  GtkWidget* top = gtk_vbox_new(FALSE, 0);
  gtk_container_set_border_width(GTK_CONTAINER(top), 5);
  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_NONE);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  gtk_box_pack_start(GTK_BOX(top), scrolled, TRUE, TRUE, 0);
  view->listStore = gtk_list_store_new(COL_COUNT, G_TYPE_UINT);
  view->treeView = gtk_tree_view_new_with_model(GTK_TREE_MODEL(view->listStore));
  g_object_unref(view->listStore);  // the tree view keeps it
  gtk_container_add(GTK_CONTAINER(scrolled), view->treeView);

  for (uint32_t i = 0; i < listGetCount(view->lm.entries); i++) {
    if (!static_cast<StringEntry*>(listGet(view->lm.entries, i))->text) continue;  // absent
    GtkTreeIter iter;
    gtk_list_store_append(view->listStore, &iter);
    gtk_list_store_set(view->listStore, &iter, COL_NUMBER, i, -1);
  }

  GtkCellRenderer* number = gtk_cell_renderer_text_new();
  g_object_set(number, "xalign", 0.5, nullptr);
  columnAdd(view, "#", number, numberCell, 60);
  GtkCellRenderer* text = gtk_cell_renderer_text_new();
  g_object_set(text, "editable", TRUE, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
  g_signal_connect(text, "edited", G_CALLBACK(languageViewEdited), view);
  g_signal_connect(text, "editing-started", G_CALLBACK(editingStarted), view);
  columnAdd(view, "Text", text, textCell, 0);
  GtkCellRenderer* changed = gtk_cell_renderer_toggle_new();
  g_object_set(changed, "xalign", 0.5, nullptr);
  g_signal_connect(changed, "toggled", G_CALLBACK(languageViewToggled), view);
  columnAdd(view, "Changed", changed, changedCell, 60);
  gtk_tree_view_set_fixed_height_mode(GTK_TREE_VIEW(view->treeView), TRUE);

  GtkTreeView* tree = GTK_TREE_VIEW(view->treeView);
  gtk_tree_view_set_search_column(tree, COL_NUMBER);
  gtk_tree_view_set_search_equal_func(tree, searchEqual, view, nullptr);
  viewSetRecord(top, view);
  return top;
}

// Always rebuilds the body, so a module not laid out as the writer lays it
// out is rewritten on the first commit.
void languageViewStore(GtkWidget* widget) {
  LanguageView* view = viewGetRecord<LanguageView>(widget);
  if (view->malformed) return;
  // An edit still open is entered as Enter would: its "edited" takes the
  // text and forgets the editor, and the removal closes it. The reference
  // keeps the editor alive between the two, since the list drops it as soon
  // as the row changes.
  if (GtkCellEditable* editable = view->editable) {
    g_object_ref(editable);
    gtk_cell_editable_editing_done(editable);
    gtk_cell_editable_remove_widget(editable);
    g_object_unref(editable);
  }
  char err[LANGUAGE_ERROR_SIZE] = "";
  if (!writeLanguageModule(&view->lm, err) && !view->refusedStoreTold) {
    view->refusedStoreTold = true;
    showWarning(err);
  }
}

}  // namespace

LanguageView::~LanguageView() {
  if (editable)
    g_signal_handlers_disconnect_matched(editable, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                         this);
  editForget(this);
  languageModuleClear(&lm);
}

TabHandler* stringsTabNew(GtkWidget* container) {
  return editorTabNew(container, languageMatch, languageViewCreate, languageViewStore);
}
