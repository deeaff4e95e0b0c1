// SPDX-License-Identifier: MIT
// What the editor views build their lists from: a list over a store of
// record indices in a scrolled window, the "Changed" column of boxes, and a
// list's popup menu on the mouse and the keyboard.
#pragma once

#include <gtk/gtk.h>

// A scrolled window (no shadow, scroll bars as needed) holding a new tree
// view in *treeView, and a new store in *store of one unsigned column: the
// index of the row's record in the view's own list. The tree view has no
// model yet: a long list takes its store in one pass once the rows are in
// (gtk_tree_view_set_model, then the store's reference is dropped).
GtkWidget* treeListNew(GtkWidget** treeView, GtkListStore** store);
// Appends a row for the record index.
void treeListAppend(GtkListStore* store, guint index);
// The record index of a row, of the store or of a model over it.
guint treeListIndex(GtkTreeModel* model, GtkTreeIter* iter);

// Whether the record of a row is changed, for the Changed column.
using TreeListChanged = bool (*)(gpointer data, GtkTreeModel* model, GtkTreeIter* iter);
// A click on a row's box; path is the row in the model as shown.
using TreeListToggled = void (*)(gpointer data, const gchar* path);

// Appends the "Changed" column: a row's box is shown, ticked, while its
// record is changed, and hidden otherwise; a click on it calls toggled,
// which undoes the change. fixedWidth > 0 makes a fixed column of that
// width with its title centred; 0 leaves the column its natural width and
// its title at the left.
GtkTreeViewColumn* treeListChangedColumnAdd(GtkTreeView* list, int fixedWidth, TreeListChanged changed,
                                            TreeListToggled toggled, gpointer data);

// The menu to open, made ready for the cursor row (a right-click has put
// it on its row); null for none, and the event goes on.
using TreeListMenu = GtkWidget* (*)(gpointer data);
// Takes a row for the menu, as the view's selection allows: the row under a
// right-click, or for Shift+F10 and the Menu key (byKey) the cursor row,
// null when there is none. Returns false when the row cannot be taken: no
// menu opens then, and the event goes on.
using TreeListRowTake = bool (*)(gpointer data, GtkTreePath* path, bool byKey);

// Opens menuFor's menu on a right-click, at the pointer, and on Shift+F10
// and the Menu key, below the cursor row. A right-click on a row first
// takes it: through rowTake, or without one by putting the cursor there.
// data must live as long as the list.
void treeListPopupConnect(GtkWidget* list, TreeListMenu menuFor, TreeListRowTake rowTake, gpointer data);
