// SPDX-License-Identifier: MIT
// Fixed-width list columns widened to their titles.
#include "shell/tree_titles.h"

namespace {

void titlesFit(GtkWidget* widget) {
  GList* columns = gtk_tree_view_get_columns(GTK_TREE_VIEW(widget));
  for (GList* c = columns; c; c = c->next) {
    GtkTreeViewColumn* column = GTK_TREE_VIEW_COLUMN(c->data);
    if (gtk_tree_view_column_get_sizing(column) != GTK_TREE_VIEW_COLUMN_FIXED || !column->button)
      continue;
    // The header button as it would be drawn: its title, padding and focus line.
    GtkRequisition title;
    gtk_widget_size_request(column->button, &title);
    if (title.width > gtk_tree_view_column_get_fixed_width(column))
      gtk_tree_view_column_set_fixed_width(column, title.width);
  }
  g_list_free(columns);
}

void listRealized(GtkWidget* widget, gpointer) { titlesFit(widget); }

void listStyleSet(GtkWidget* widget, GtkStyle*, gpointer) {
  if (gtk_widget_get_realized(widget)) titlesFit(widget);
}

}  // namespace

void treeViewTitlesFit(GtkWidget* treeView) {
  g_signal_connect_after(treeView, "realize", G_CALLBACK(listRealized), nullptr);
  g_signal_connect_after(treeView, "style-set", G_CALLBACK(listStyleSet), nullptr);
}
