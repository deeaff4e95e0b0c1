// SPDX-License-Identifier: MIT
// The keys of a Strings list: editing the text of the cursor row, searching
// on, undo and redo.
#include <gdk/gdkkeysyms.h>

#include "tabs/strings/language_view.h"

namespace {

void textEdit(LanguageView* view, GtkTreePath* path) {
  gtk_tree_view_set_cursor(GTK_TREE_VIEW(view->treeView), path, view->textColumn, TRUE);
}

}  // namespace

// Return activates the cursor row, in the list or in its search box (which
// it closes): it edits the text. A double click activates a row too, and
// stays as it was.
void stringsRowActivated(GtkTreeView*, GtkTreePath* path, GtkTreeViewColumn*, LanguageView* view) {
  GdkEvent* event = gtk_get_current_event();
  if (event && event->type == GDK_KEY_PRESS) textEdit(view, path);
  if (event) gdk_event_free(event);
}

// F2 edits the text of the cursor row whatever column has the cursor, F3
// and Shift+F3 search on, Ctrl+Z undoes and Ctrl+Shift+Z or Ctrl+Y redo.
gboolean stringsListKeyPress(GtkWidget* list, GdkEventKey* event, LanguageView* view) {
  const guint mods = event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_SHIFT_MASK);
  const guint key = gdk_keyval_to_lower(event->keyval);
  if (mods == GDK_CONTROL_MASK && key == GDK_z) {
    stringsUndoApply(view, -1);
  } else if ((mods == (GDK_CONTROL_MASK | GDK_SHIFT_MASK) && key == GDK_z) ||
             (mods == GDK_CONTROL_MASK && key == GDK_y)) {
    stringsUndoApply(view, 1);
  } else if (key == GDK_F3 && (mods & ~GDK_SHIFT_MASK) == 0 && view->searchKey) {
    stringsSearchStep(view, mods ? -1 : 1);
  } else if (mods == 0 && key == GDK_F2) {
    GtkTreePath* path = nullptr;
    gtk_tree_view_get_cursor(GTK_TREE_VIEW(list), &path, nullptr);
    if (!path) return FALSE;
    textEdit(view, path);
    gtk_tree_path_free(path);
  } else {
    return FALSE;
  }
  return TRUE;
}
