// SPDX-License-Identifier: MIT
#include "tabs/colors/colors_tab.h"

#include <gtest/gtest.h>

#include "pool/memory.h"
#include "shell/editor_page.h"
#include "tabs/colors/color_view.h"
#include "tests/support/body_builders.h"
#include "tests/support/gui_driver.h"

namespace {

// Items 1 and 2 use entry 12, item 3 the transparent entry 11, item 5 entry
// 35. All under heading 0.
class ColorsTab : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    body = colorBody(0x0033, 12);
    for (auto [item, word] : {std::pair{1, 13}, {2, 13}, {3, 12}}) colorItemWordSet(body, item, word);
    ASSERT_TRUE(writeFile(good, imageOf({kernel, ModuleBuilder().name("rom_col_a").body(body).build()})));
    open(good);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 2);
    GtkWidget* inner = guiOnlyChild(gtk_notebook_get_nth_page(GTK_NOTEBOOK(shellGetNotebook()), 2));
    v = viewGetRecord<ColorView>(gtk_notebook_get_nth_page(GTK_NOTEBOOK(inner), 0));
    t = &v->table;
    tree = GTK_TREE_VIEW(v->treeView);
    gtk_tree_view_expand_all(tree);
    GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(gtk_tree_view_get_column(tree, 2)));
    toggle = GTK_CELL_RENDERER(cells->data);
    g_list_free(cells);
    while (gtk_events_pending()) gtk_main_iteration();
  }

  void select(const char* path) {
    GtkTreePath* p = gtk_tree_path_new_from_string(path);
    gtk_tree_view_set_cursor(tree, p, nullptr, FALSE);
    gtk_tree_path_free(p);
  }

  uint32_t sliderValue(int c) { return uint32_t(gtk_range_get_value(GTK_RANGE(v->sliders[c]))); }
  bool sensitive(GtkWidget* w) { return gtk_widget_is_sensitive(w); }
  // The red byte of a picture's top-left pixel.
  static int red(GdkPixbuf* p) { return gdk_pixbuf_get_pixels(p)[0]; }

  // What the Changed column draws for a row: box shown and ticked, or not.
  bool changedShown(const char* path) {
    GtkTreeIter iter;
    gtk_tree_model_get_iter_from_string(GTK_TREE_MODEL(v->treeStore), &iter, path);
    gtk_tree_view_column_cell_set_cell_data(gtk_tree_view_get_column(tree, 2), GTK_TREE_MODEL(v->treeStore),
                                            &iter, FALSE, FALSE);
    gboolean visible, active;
    g_object_get(toggle, "visible", &visible, "active", &active, nullptr);
    return visible && active;
  }

  // A drag over a row's centre: the action it shows there, then its data dropped.
  GdkDragAction dropOn(const char* path, Bytes data) {
    GtkTreePath* p = gtk_tree_path_new_from_string(path);
    GdkRectangle area;
    gtk_tree_view_get_cell_area(tree, p, nullptr, &area);
    gtk_tree_path_free(p);
    gint x, y;
    gtk_tree_view_convert_bin_window_to_widget_coords(tree, area.x + 10, area.y + area.height / 2, &x, &y);
    GdkDragContext* context = gdk_drag_context_new();
    context->protocol = GDK_DRAG_PROTO_NONE;
    context->source_window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(v->treeView)));
    gboolean handled;
    g_signal_emit_by_name(tree, "drag-motion", context, x, y, 0, &handled);
    GtkSelectionData selection = {};
    selection.format = 32, selection.data = data.data(), selection.length = gint(data.size());
    g_signal_emit_by_name(tree, "drag-data-received", context, x, y, &selection, 0, 0);
    GdkDragAction action = context->action;
    g_object_unref(context);
    return action;
  }
  Bytes moduleBody() {
    uint32_t size = 0;
    MallocPtr<uint8_t> bytes(moduleGetBody(poolGet(shellGetCurrentPool(), 1), &size));
    return Bytes(bytes.get(), bytes.get() + size);
  }

  Bytes body;
  ColorView* v;
  ColorTable* t;
  GtkTreeView* tree;
  GtkCellRenderer* toggle;  // the Changed column's box
};

TEST_F(ColorsTab, PaletteFollowsTheTreeAndTheSliders) {
  EXPECT_FALSE(sensitive(v->swatches[0]) || sensitive(v->sliders[0]) || sensitive(v->restoreAllButton));

  select("0:0");
  auto* rect = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(v->swatches[12]), "selrect"));
  EXPECT_TRUE(gtk_widget_get_modifier_style(rect)->color_flags[GTK_STATE_NORMAL] & GTK_RC_BG);
  // Entry 12 is 28, 11, 19 (display 230, 90, 156).
  EXPECT_EQ(std::make_tuple(28u, 11u, 19u), std::make_tuple(sliderValue(0), sliderValue(1), sliderValue(2)));
  EXPECT_STREQ("R: 28", pango_layout_get_text(gtk_scale_get_layout(GTK_SCALE(v->sliders[0]))));
  EXPECT_FALSE(sensitive(v->restoreButton));
  EXPECT_EQ(230, red(gtk_image_get_pixbuf(GTK_IMAGE(v->previewImage))));

  // A move by the user recolours the entry everywhere it shows.
  int rowsChanged = 0;
  g_signal_connect_swapped(v->treeStore, "row-changed", G_CALLBACK(+[](int* n) { ++*n; }), &rowsChanged);
  gtk_range_set_value(GTK_RANGE(v->sliders[0]), 31);
  EXPECT_EQ(7, rowsChanged);  // items 1, 2, 36, 96, 156, 216 and 276
  EXPECT_EQ(255, red(v->swatchPixbufs[12]));
  EXPECT_EQ(255, red(gtk_image_get_pixbuf(GTK_IMAGE(v->previewImage))));
  EXPECT_TRUE(sensitive(v->restoreButton));

  // Selecting moves the sliders without changing a colour; the old cell
  // loses its border.
  select("0:4");  // entry 35
  EXPECT_FALSE(gtk_widget_get_modifier_style(rect)->color_flags[GTK_STATE_NORMAL] & GTK_RC_BG);
  EXPECT_EQ(255, red(v->swatchPixbufs[12]));
  gtk_range_set_value(GTK_RANGE(v->sliders[2]), 0);
  select("0:2");  // the transparent entry: no sliders
  EXPECT_FALSE(sensitive(v->sliders[0]));
  EXPECT_TRUE(sensitive(v->restoreAllButton));

  select("0:0");
  gtk_button_clicked(GTK_BUTTON(v->restoreButton));
  EXPECT_EQ(28u, sliderValue(0));
  EXPECT_TRUE(t->colorIsChanged(t, 35));
  gtk_range_set_value(GTK_RANGE(v->sliders[1]), 0);
  gtk_button_clicked(GTK_BUTTON(v->restoreAllButton));
  EXPECT_FALSE(t->colorIsChanged(t, 12) || t->colorIsChanged(t, 35));
  EXPECT_EQ(11u, sliderValue(1));
}

TEST_F(ColorsTab, AssignmentsReachTheModuleOnCommit) {
  select("0:0");
  for (GdkEventType type : {GDK_BUTTON_PRESS, GDK_2BUTTON_PRESS}) {  // a double click on entry 20
    GdkEventButton event = {};
    event.type = type, event.window = gtk_widget_get_window(v->swatches[20]), event.button = 1;
    gtk_widget_event(v->swatches[20], reinterpret_cast<GdkEvent*>(&event));
  }
  EXPECT_EQ(20u, t->itemGetColor(t, 1));
  EXPECT_EQ(20, v->selected);
  EXPECT_TRUE(changedShown("0:0") && changedShown("0"));

  // Drops: only 4 bytes, only on colour items.
  int32_t entry = 30;
  Bytes four(reinterpret_cast<uint8_t*>(&entry), reinterpret_cast<uint8_t*>(&entry) + 4);
  EXPECT_EQ(0, dropOn("0", four));
  EXPECT_EQ(GDK_ACTION_COPY, dropOn("0:1", Bytes(8, 0)));
  EXPECT_EQ(12u, t->itemGetColor(t, 2));
  dropOn("0:1", four);
  EXPECT_EQ(30u, t->itemGetColor(t, 2));
  EXPECT_EQ(30, v->selected);

  // Changed boxes undo: the item's own, then the heading's whole group.
  g_signal_emit_by_name(toggle, "toggled", "0:0");
  EXPECT_EQ(12u, t->itemGetColor(t, 1));
  EXPECT_TRUE(changedShown("0"));
  g_signal_emit_by_name(toggle, "toggled", "0");
  EXPECT_EQ(12u, t->itemGetColor(t, 2));

  // An edit reaches the module when the tab is left.
  dropOn("0:0", four);
  EXPECT_EQ(body, moduleBody());
  gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 0);
  EXPECT_EQ(31u, colorItemWord(moduleBody(), 1));

  // Collapsing a heading takes the selection to it: no entry.
  GtkTreePath* heading = gtk_tree_path_new_from_string("0");
  gtk_tree_view_collapse_row(tree, heading);
  gtk_tree_path_free(heading);
  EXPECT_EQ(-1, v->selected);
}

}  // namespace
