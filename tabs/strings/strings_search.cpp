// SPDX-License-Identifier: MIT
// Searching the Strings list (type-ahead, Ctrl+F, F3 and Shift+F3) in the
// texts and the references shown, with a search box that turns red on a miss.
#include <cstring>

#include "pool/glib_memory.h"
#include "pool/memory.h"
#include "tabs/strings/language_view.h"

namespace {

gchar* searchFold(const char* text) {
  GCharPtr folded(g_utf8_casefold(text, -1));
  return g_utf8_normalize(folded.get(), -1, G_NORMALIZE_ALL);
}

bool entryContains(const StringEntry* e, const char* foldedKey) {
  if (!e || !e->text) return false;  // a reference's absent entry
  MallocPtr<char> shown(languageShowsRaw(e) ? languageRawShown(e) : mallocString(e->text));
  GCharPtr text(searchFold(shown.get()));
  return text && std::strstr(text.get(), foldedKey);
}

// A row holds the key anywhere in its text as shown, ignoring case, or in its
// reference's while the Reference column is shown (exactly while the view
// has a reference).
bool rowMatches(LanguageView* view, GtkTreeModel* model, GtkTreeIter* iter, const char* foldedKey) {
  const StringEntry* e = languageViewRowEntry(view, model, iter);
  return entryContains(e, foldedKey) ||
         (view->reference && entryContains(languageViewReference(view, e), foldedKey));
}

// GTK's convention: FALSE for a match.
gboolean searchEqual(GtkTreeModel* model, gint, const gchar* key, GtkTreeIter* iter,
                     gpointer data) {
  auto* view = static_cast<LanguageView*>(data);
  if (!view->searchKey || std::strcmp(view->searchKey, key) != 0) {
    g_free(view->searchKey);
    view->searchKey = g_strdup(key);
  }
  GCharPtr folded(searchFold(key));
  return !(folded && rowMatches(view, model, iter, folded.get()));
}

// After the list has searched for the box's text: a match leaves the cursor
// on a row that holds it, so only a miss walks the rows.
bool searchFound(LanguageView* view, const char* key) {
  GCharPtr folded(searchFold(key));
  if (!folded || !*folded) return true;
  GtkTreeModel* model = languageViewShownModel(view);
  GtkTreePath* cursor = nullptr;
  gtk_tree_view_get_cursor(GTK_TREE_VIEW(view->treeView), &cursor, nullptr);
  GtkTreeIter iter;
  bool found = cursor && gtk_tree_model_get_iter(model, &iter, cursor) &&
               rowMatches(view, model, &iter, folded.get());
  if (cursor) gtk_tree_path_free(cursor);
  for (gboolean more = gtk_tree_model_get_iter_first(model, &iter); more && !found;
       more = gtk_tree_model_iter_next(model, &iter))
    found = rowMatches(view, model, &iter, folded.get());
  return found;
}

void searchColour(GtkEditable* box, LanguageView* view) {
  static const GdkColor RED = {0, 0xFFFF, 0x6666, 0x6666}, WHITE = {0, 0xFFFF, 0xFFFF, 0xFFFF};
  bool found = searchFound(view, gtk_entry_get_text(GTK_ENTRY(box)));
  gtk_widget_modify_base(GTK_WIDGET(box), GTK_STATE_NORMAL, found ? nullptr : &RED);
  gtk_widget_modify_text(GTK_WIDGET(box), GTK_STATE_NORMAL, found ? nullptr : &WHITE);
}

void boxForget(LanguageView* view) {
  if (view->searchEntry) {
    g_signal_handlers_disconnect_matched(view->searchEntry, G_SIGNAL_MATCH_DATA, 0, 0, nullptr,
                                         nullptr, view);
    g_object_remove_weak_pointer(G_OBJECT(view->searchEntry),
                                 reinterpret_cast<gpointer*>(&view->searchEntry));
  }
  view->searchEntry = nullptr;
}

GtkWidget* entryIn(GtkWidget* widget) {
  if (GTK_IS_ENTRY(widget)) return widget;
  GtkWidget* found = nullptr;
  if (GTK_IS_CONTAINER(widget)) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* c = children; c && !found; c = c->next) found = entryIn(GTK_WIDGET(c->data));
    g_list_free(children);
  }
  return found;
}

// GTK's own placement, below the list's right end and kept on the screen.
// The list makes its search box on the first search and shows it here, the
// one place it hands it out: the box gets its colour from here on.
void searchPosition(GtkTreeView* tree, GtkWidget* dialog, gpointer data) {
  auto* view = static_cast<LanguageView*>(data);
  GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(tree));
  GdkScreen* screen = gdk_window_get_screen(window);
  gtk_widget_realize(dialog);
  gint x, y, width, height;
  gdk_window_get_origin(window, &x, &y);
  gdk_drawable_get_size(window, &width, &height);
  GtkRequisition size;
  gtk_widget_size_request(dialog, &size);
  x = CLAMP(x + width - size.width, 0, gdk_screen_get_width(screen) - size.width);
  y = CLAMP(y + height, 0, gdk_screen_get_height(screen) - size.height);
  gtk_window_move(GTK_WINDOW(dialog), x, y);

  GtkWidget* box = entryIn(dialog);
  if (box && box != view->searchEntry) {
    boxForget(view);
    view->searchEntry = box;
    g_object_add_weak_pointer(G_OBJECT(box), reinterpret_cast<gpointer*>(&view->searchEntry));
    g_signal_connect_after(box, "changed", G_CALLBACK(searchColour), view);
  }
  if (box) searchColour(GTK_EDITABLE(box), view);
}

}  // namespace

void stringsSearchInit(LanguageView* view) {
  GtkTreeView* tree = GTK_TREE_VIEW(view->treeView);
  gtk_tree_view_set_search_equal_func(tree, searchEqual, view, nullptr);
  gtk_tree_view_set_search_position_func(tree, searchPosition, view, nullptr);
}

void stringsSearchStep(LanguageView* view, int step) {
  GtkTreeView* tree = GTK_TREE_VIEW(view->treeView);
  GtkTreeModel* model = languageViewShownModel(view);
  const int count = gtk_tree_model_iter_n_children(model, nullptr);
  GCharPtr folded(view->searchKey ? searchFold(view->searchKey) : nullptr);
  if (!count || !folded) return;
  int at = step > 0 ? -1 : 0;
  GtkTreePath* cursor = nullptr;
  gtk_tree_view_get_cursor(tree, &cursor, nullptr);
  if (cursor) at = gtk_tree_path_get_indices(cursor)[0];
  if (cursor) gtk_tree_path_free(cursor);
  for (int k = 1; k <= count; k++) {
    int row = ((at + step * k) % count + count) % count;
    GtkTreeIter iter;
    if (!gtk_tree_model_iter_nth_child(model, &iter, nullptr, row) ||
        !rowMatches(view, model, &iter, folded.get()))
      continue;
    GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_view_set_cursor(tree, path, nullptr, FALSE);
    gtk_tree_view_scroll_to_cell(tree, path, nullptr, FALSE, 0, 0);
    gtk_tree_path_free(path);
    return;
  }
}

void stringsSearchForget(LanguageView* view) {
  boxForget(view);
  g_free(view->searchKey);
  view->searchKey = nullptr;
}
