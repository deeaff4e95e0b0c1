// SPDX-License-Identifier: MIT
// Fixed-width list columns show their whole titles, in every tab's list.
#include <gtest/gtest.h>

#include <algorithm>

#include "tabs/modules/modules_tab.h"
#include "tests/support/gui_driver.h"

namespace {

// Every tree view inside widget.
void listsIn(GtkWidget* widget, std::vector<GtkTreeView*>& lists) {
  if (GTK_IS_TREE_VIEW(widget)) lists.push_back(GTK_TREE_VIEW(widget));
  if (!GTK_IS_CONTAINER(widget)) return;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  for (GList* c = children; c; c = c->next) listsIn(GTK_WIDGET(c->data), lists);
  g_list_free(children);
}

using TreeTitles = GuiTest;

TEST_F(TreeTitles, FixedColumnsAreAsWideAsTheirTitles) {
  openEveryKind();
  GtkNotebook* book = GTK_NOTEBOOK(shellGetNotebook());
  for (int page = 0; page < gtk_notebook_get_n_pages(book); page++) {
    gtk_notebook_set_current_page(book, page);  // the lists shown are realized in their place
    std::vector<GtkTreeView*> lists;
    listsIn(gtk_notebook_get_nth_page(book, page), lists);
    auto mapped = [](GtkTreeView* l) { return gtk_widget_get_mapped(GTK_WIDGET(l)); };
    ASSERT_TRUE(guiWaitFor([&] { return std::any_of(lists.begin(), lists.end(), mapped); }));
    for (GtkTreeView* list : lists) {
      if (!mapped(list)) continue;  // an inner page not shown
      for (int i = 0; GtkTreeViewColumn* column = gtk_tree_view_get_column(list, i); i++) {
        if (gtk_tree_view_column_get_sizing(column) != GTK_TREE_VIEW_COLUMN_FIXED) continue;
        GtkRequisition header;
        gtk_widget_size_request(column->button, &header);
        EXPECT_GE(gtk_tree_view_column_get_fixed_width(column), header.width) << gtk_tree_view_column_get_title(column);
      }
    }
  }
}

}  // namespace
