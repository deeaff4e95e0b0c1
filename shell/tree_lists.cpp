// SPDX-License-Identifier: MIT
// The lists' shared parts: index stores, the Changed column, popup menus.
#include "shell/tree_lists.h"

#include "shell/shell.h"

namespace {

struct ChangedColumn {
  TreeListChanged changed;
  TreeListToggled toggled;
  gpointer data;
};

void changedCell(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter,
                 gpointer column) {
  auto* c = static_cast<ChangedColumn*>(column);
  const gboolean changed = c->changed(c->data, model, iter);
  g_object_set(cell, "visible", changed, "active", changed, nullptr);
}

void changedToggled(GtkCellRendererToggle*, gchar* path, ChangedColumn* c) { c->toggled(c->data, path); }

struct Popup {
  TreeListMenu menuFor;
  TreeListRowTake rowTake;
  gpointer data;
};

gboolean popupOpen(GtkWidget* list, const Popup* p, GtkMenuPositionFunc position, guint button,
                   guint32 time) {
  GtkWidget* menu = p->menuFor(p->data);
  if (!menu) return FALSE;
  gtk_menu_popup(GTK_MENU(menu), nullptr, nullptr, position, position ? list : nullptr, button, time);
  return TRUE;
}

gboolean listButtonPress(GtkWidget* list, GdkEventButton* event, const Popup* p) {
  if (event->type != GDK_BUTTON_PRESS || event->button != 3) return FALSE;
  GtkTreePath* path = nullptr;
  if (gtk_tree_view_get_path_at_pos(GTK_TREE_VIEW(list), gint(event->x), gint(event->y), &path, nullptr,
                                    nullptr, nullptr)) {
    bool taken = true;
    if (p->rowTake)
      taken = p->rowTake(p->data, path, false);
    else
      gtk_tree_view_set_cursor(GTK_TREE_VIEW(list), path, nullptr, FALSE);
    gtk_tree_path_free(path);
    if (!taken) return FALSE;
  }
  return popupOpen(list, p, nullptr, event->button, event->time);
}

// Shift+F10 and the Menu key.
gboolean listPopupMenu(GtkWidget* list, const Popup* p) {
  if (p->rowTake) {
    GtkTreePath* path = nullptr;
    gtk_tree_view_get_cursor(GTK_TREE_VIEW(list), &path, nullptr);
    bool taken = p->rowTake(p->data, path, true);
    if (path) gtk_tree_path_free(path);
    if (!taken) return FALSE;
  }
  return popupOpen(list, p, shellMenuBelowCursor, 0, gtk_get_current_event_time());
}

}  // namespace

GtkWidget* treeListNew(GtkWidget** treeView, GtkListStore** store) {
  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_NONE);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
  *store = gtk_list_store_new(1, G_TYPE_UINT);
  *treeView = gtk_tree_view_new();
  gtk_container_add(GTK_CONTAINER(scrolled), *treeView);
  return scrolled;
}

void treeListAppend(GtkListStore* store, guint index) {
  GtkTreeIter iter;
  gtk_list_store_append(store, &iter);
  gtk_list_store_set(store, &iter, 0, index, -1);
}

guint treeListIndex(GtkTreeModel* model, GtkTreeIter* iter) {
  guint index = 0;
  gtk_tree_model_get(model, iter, 0, &index, -1);
  return index;
}

GtkTreeViewColumn* treeListChangedColumnAdd(GtkTreeView* list, int fixedWidth, TreeListChanged changed,
                                            TreeListToggled toggled, gpointer data) {
  auto* c = g_new(ChangedColumn, 1);
  *c = {changed, toggled, data};
  GtkCellRenderer* cell = gtk_cell_renderer_toggle_new();
  g_object_set(cell, "xalign", 0.5, nullptr);
  GtkTreeViewColumn* column = gtk_tree_view_column_new_with_attributes("Changed", cell, nullptr);
  gtk_tree_view_column_set_cell_data_func(column, cell, changedCell, c, g_free);
  g_signal_connect(cell, "toggled", G_CALLBACK(changedToggled), c);
  if (fixedWidth > 0) {
    gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_FIXED);
    gtk_tree_view_column_set_fixed_width(column, fixedWidth);
    gtk_tree_view_column_set_alignment(column, 0.5);
  }
  gtk_tree_view_append_column(list, column);
  return column;
}

void treeListPopupConnect(GtkWidget* list, TreeListMenu menuFor, TreeListRowTake rowTake, gpointer data) {
  auto* p = g_new(Popup, 1);
  *p = {menuFor, rowTake, data};
  g_object_set_data_full(G_OBJECT(list), "tree-list-popup", p, g_free);
  g_signal_connect(list, "button-press-event", G_CALLBACK(listButtonPress), p);
  g_signal_connect(list, "popup-menu", G_CALLBACK(listPopupMenu), p);
}
