// SPDX-License-Identifier: MIT
// The Items half of a Colors view: every item of the colour table, colour
// items grouped under their headings, each with its name, the swatch of the
// entry it uses and a Changed box that undoes its assignment.
#include <cstring>

#include "shell/tree_lists.h"
#include "shell/tree_titles.h"
#include "tabs/colors/color_view.h"

namespace {

enum { COL_ITEM, COL_BOLD, COL_SWATCH_VISIBLE, COL_SWATCH, COL_COUNT };

uint32_t rowItem(GtkTreeModel* model, GtkTreeIter* iter) {
  guint item = 0;
  gtk_tree_model_get(model, iter, COL_ITEM, &item, -1);
  return item;
}

// Shows the item's swatch; rows without an entry in the palette show none.
void rowSwatchSet(ColorView* view, GtkTreeIter* iter, uint32_t item) {
  int32_t e = colorViewItemEntry(view, item);
  gtk_tree_store_set(view->treeStore, iter, COL_SWATCH_VISIBLE, e >= 0, COL_SWATCH,
                     e >= 0 ? view->swatchPixbufs[e] : nullptr, -1);
}

void nameData(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter,
              gpointer data) {
  auto* view = static_cast<ColorView*>(data);
  char name[COLOR_NAME_SIZE] = "";
  view->table.itemGetName(&view->table, rowItem(model, iter), name);
  // The weight itself, not "weight-set" over a fixed weight: clearing
  // "weight-set" for one row drops the weight from the renderer's font.
  gboolean bold = FALSE;
  gtk_tree_model_get(model, iter, COL_BOLD, &bold, -1);
  g_object_set(cell, "text", name, "weight", bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL, nullptr);
}

bool itemChanged(gpointer data, GtkTreeModel* model, GtkTreeIter* iter) {
  auto* view = static_cast<ColorView*>(data);
  return view->table.itemIsChanged(&view->table, rowItem(model, iter));
}

// Undoes the row's assignment; on a heading, those of its whole group.
void changedToggled(gpointer data, const gchar* pathText) {
  auto* view = static_cast<ColorView*>(data);
  GtkTreeModel* model = GTK_TREE_MODEL(view->treeStore);
  GtkTreeIter iter, child;
  if (!gtk_tree_model_get_iter_from_string(model, &iter, pathText)) return;
  uint32_t item = rowItem(model, &iter);
  view->history->begin();
  colorUndoNoteItem(view, item);
  view->table.itemRestore(&view->table, item);
  view->history->end();
  rowSwatchSet(view, &iter, item);
  for (gboolean more = gtk_tree_model_iter_children(model, &child, &iter); more;
       more = gtk_tree_model_iter_next(model, &child))
    rowSwatchSet(view, &child, rowItem(model, &child));
  gtk_widget_queue_draw(view->treeView);  // the heading's box follows its items
  colorViewItemsChanged(view);
}

gboolean selectRow(GtkTreeSelection*, GtkTreeModel* model, GtkTreePath* path, gboolean selected,
                   gpointer data) {
  if (selected) return TRUE;
  auto* view = static_cast<ColorView*>(data);
  GtkTreeIter iter;
  if (gtk_tree_model_get_iter(model, &iter, path))
    colorViewSelect(view, colorViewItemEntry(view, rowItem(model, &iter)));
  return TRUE;
}

void rowActivated(GtkTreeView* tree, GtkTreePath* path, GtkTreeViewColumn*, ColorView* view) {
  GtkTreeIter iter;
  GtkTreeModel* model = GTK_TREE_MODEL(view->treeStore);
  if (!gtk_tree_model_get_iter(model, &iter, path) ||
      !view->table.itemIsHeading(&view->table, rowItem(model, &iter)))
    return;
  if (gtk_tree_view_row_expanded(tree, path))
    gtk_tree_view_collapse_row(tree, path);
  else
    gtk_tree_view_expand_row(tree, path, FALSE);
}

void rowCollapsed(GtkTreeView* tree, GtkTreeIter*, GtkTreePath* path, ColorView*) {
  gtk_tree_view_set_cursor(tree, path, nullptr, FALSE);
}

// The colour item row at a drop position, if any.
bool dropRow(ColorView* view, gint x, gint y, GtkTreePath** path) {
  GtkTreeView* tree = GTK_TREE_VIEW(view->treeView);
  gint bx, by;
  gtk_tree_view_convert_widget_to_bin_window_coords(tree, x, y, &bx, &by);
  GtkTreeIter iter;
  if (!gtk_tree_view_get_path_at_pos(tree, bx, by, path, nullptr, nullptr, nullptr)) return false;
  GtkTreeModel* model = GTK_TREE_MODEL(view->treeStore);
  if (gtk_tree_model_get_iter(model, &iter, *path) &&
      !view->table.itemIsHeading(&view->table, rowItem(model, &iter)))
    return true;
  gtk_tree_path_free(*path);
  *path = nullptr;
  return false;
}

// Only colour items take a drop.
gboolean dragMotion(GtkWidget*, GdkDragContext* context, gint x, gint y, guint time,
                    ColorView* view) {
  GtkTreePath* path = nullptr;
  bool item = dropRow(view, x, y, &path);
  gtk_tree_path_free(path);
  gdk_drag_status(context, item ? GDK_ACTION_COPY : GdkDragAction(0), time);
  return TRUE;
}

// The data is the palette entry the Palette's drag carries, 4 bytes in host
// byte order; other programs' colours (8 bytes) are not taken.
void dragDataReceived(GtkWidget*, GdkDragContext*, gint x, gint y, GtkSelectionData* data, guint,
                      guint, ColorView* view) {
  int32_t e;
  if (gtk_selection_data_get_length(data) != sizeof e) return;
  std::memcpy(&e, gtk_selection_data_get_data(data), sizeof e);
  if (e < 0 || uint32_t(e) >= view->table.paletteCount) return;
  GtkTreePath* path = nullptr;
  if (!dropRow(view, x, y, &path)) return;
  GtkTreeIter iter;
  gtk_tree_model_get_iter(GTK_TREE_MODEL(view->treeStore), &iter, path);
  const uint32_t item = rowItem(GTK_TREE_MODEL(view->treeStore), &iter);
  // One step: the item is noted before it changes; the assignment below
  // finds it changed already.
  view->history->begin();
  view->history->note(COLOR_UNDO_ITEM, item);
  view->table.itemSetColor(&view->table, item, e);
  gtk_tree_view_set_cursor(GTK_TREE_VIEW(view->treeView), path, nullptr, FALSE);
  gtk_tree_path_free(path);
  colorItemsAssignSelected(view, e);
  view->history->end();
}

// Type-ahead goes by the name the row shows.
gboolean searchEqual(GtkTreeModel* model, gint, const gchar* key, GtkTreeIter* iter, gpointer data) {
  auto* view = static_cast<ColorView*>(data);
  char name[COLOR_NAME_SIZE] = "";
  view->table.itemGetName(&view->table, rowItem(model, iter), name);
  return g_ascii_strncasecmp(name, key, std::strlen(key)) != 0;  // FALSE: a match
}

gboolean refreshRow(GtkTreeModel* model, GtkTreePath*, GtkTreeIter* iter, gpointer data) {
  auto* view = static_cast<ColorView*>(data);
  if (colorViewItemEntry(view, rowItem(model, iter)) == view->refreshEntry)
    rowSwatchSet(view, iter, rowItem(model, iter));
  return FALSE;
}

}  // namespace

GtkWidget* colorItemsBuild(ColorView* view) {
  ColorTable* t = &view->table;
  GtkWidget* frame = gtk_frame_new("Items");
  gtk_container_set_border_width(GTK_CONTAINER(frame), 5);
  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_NONE);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  gtk_widget_set_size_request(scrolled, 40, 10);
  gtk_container_add(GTK_CONTAINER(frame), scrolled);

  // Items before the first heading have no group: they stand at the top level.
  view->treeStore = gtk_tree_store_new(COL_COUNT, G_TYPE_UINT, G_TYPE_BOOLEAN, G_TYPE_BOOLEAN,
                                       GDK_TYPE_PIXBUF);
  GtkTreeIter heading, row;
  bool inGroup = false;
  for (uint32_t i = 0; i < t->itemCount; i++) {
    bool isHeading = t->itemIsHeading(t, i);
    gtk_tree_store_append(view->treeStore, &row, isHeading || !inGroup ? nullptr : &heading);
    gtk_tree_store_set(view->treeStore, &row, COL_ITEM, i, COL_BOLD, isHeading, -1);
    rowSwatchSet(view, &row, i);
    if (isHeading) heading = row, inGroup = true;
  }

  view->treeView = gtk_tree_view_new_with_model(GTK_TREE_MODEL(view->treeStore));
  g_object_unref(view->treeStore);  // the tree view keeps it
  GtkTreeView* tree = GTK_TREE_VIEW(view->treeView);
  gtk_tree_view_set_rules_hint(tree, TRUE);
  GtkTreeSelection* selection = gtk_tree_view_get_selection(tree);
  gtk_tree_selection_set_mode(selection, GTK_SELECTION_BROWSE);

  GtkCellRenderer* cell = gtk_cell_renderer_text_new();
  g_object_set(cell, "xalign", 0.0, nullptr);
  GtkTreeViewColumn* column = gtk_tree_view_column_new_with_attributes("Name", cell, nullptr);
  gtk_tree_view_column_set_cell_data_func(column, cell, nameData, view, nullptr);
  gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_GROW_ONLY);
  gtk_tree_view_column_set_expand(column, TRUE);
  gtk_tree_view_append_column(tree, column);

  cell = gtk_cell_renderer_pixbuf_new();
  g_object_set(cell, "xalign", 0.5, nullptr);
  column = gtk_tree_view_column_new_with_attributes("Color", cell, "visible", COL_SWATCH_VISIBLE,
                                                    "pixbuf", COL_SWATCH, nullptr);
  gtk_tree_view_column_set_alignment(column, 0.5);
  gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_FIXED);
  gtk_tree_view_column_set_fixed_width(column, 40);
  gtk_tree_view_append_column(tree, column);

  treeListChangedColumnAdd(tree, 0, itemChanged, changedToggled, view);
  treeViewTitlesFit(view->treeView);
  gtk_tree_view_set_search_column(tree, COL_ITEM);
  gtk_tree_view_set_search_equal_func(tree, searchEqual, view, nullptr);

  gtk_tree_selection_set_select_function(selection, selectRow, view, nullptr);
  g_signal_connect(tree, "row_activated", G_CALLBACK(rowActivated), view);
  g_signal_connect(tree, "row_collapsed", G_CALLBACK(rowCollapsed), view);
  gtk_drag_dest_set(view->treeView, GTK_DEST_DEFAULT_ALL, &COLOR_TARGET, 1, GDK_ACTION_COPY);
  g_signal_connect(tree, "drag_motion", G_CALLBACK(dragMotion), view);
  g_signal_connect(tree, "drag_data_received", G_CALLBACK(dragDataReceived), view);

  gtk_container_add(GTK_CONTAINER(scrolled), view->treeView);
  return frame;
}

void colorItemsRefreshEntry(ColorView* view, int32_t e) {
  view->refreshEntry = e;
  gtk_tree_model_foreach(GTK_TREE_MODEL(view->treeStore), refreshRow, view);
}

void colorItemsAssignSelected(ColorView* view, int32_t e) {
  GtkTreeModel* model;
  GtkTreeIter iter;
  GtkTreeSelection* selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(view->treeView));
  if (!gtk_tree_selection_get_selected(selection, &model, &iter)) return;
  uint32_t item = rowItem(model, &iter);
  if (view->table.itemIsHeading(&view->table, item)) return;
  view->history->begin();
  view->history->note(COLOR_UNDO_ITEM, item);
  view->table.itemSetColor(&view->table, item, e);
  view->history->end();
  rowSwatchSet(view, &iter, item);
  gtk_widget_queue_draw(view->treeView);  // the heading's box follows its items
  colorViewItemsChanged(view);
}

void colorItemsRefreshAll(ColorView* view) {
  gtk_tree_model_foreach(
      GTK_TREE_MODEL(view->treeStore),
      [](GtkTreeModel* model, GtkTreePath*, GtkTreeIter* iter, gpointer data) -> gboolean {
        rowSwatchSet(static_cast<ColorView*>(data), iter, rowItem(model, iter));
        return FALSE;
      },
      view);
  gtk_widget_queue_draw(view->treeView);
  colorViewItemsChanged(view);
}

int32_t colorItemsSelectedEntry(ColorView* view) {
  GtkTreeModel* model;
  GtkTreeIter iter;
  GtkTreeSelection* selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(view->treeView));
  if (!gtk_tree_selection_get_selected(selection, &model, &iter)) return -1;
  return colorViewItemEntry(view, rowItem(model, &iter));
}
