// SPDX-License-Identifier: MIT
#include "tabs/colors/colors_tab.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "tabs/colors/colors_tab_fixture.h"

namespace {

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
  gtk_widget_grab_focus(v->treeView);
  guiType(GDK_z, GDK_CONTROL_MASK);  // a drop is one step
  EXPECT_EQ(12u, t->itemGetColor(t, 2));
  guiType(GDK_y, GDK_CONTROL_MASK);
  EXPECT_EQ(30u, t->itemGetColor(t, 2));

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

// The tree keeps the focus while it selects, so that type-ahead takes the
// whole name typed; the palette still follows the row found.
TEST_F(ColorsTab, TypeAheadTakesTheWholeNameAndKeepsTheFocus) {
  gtk_widget_grab_focus(v->treeView);
  guiTypeText("sky");
  EXPECT_EQ(16, cursorItem());  // "sky in GPS symbol", past "shadow"
  EXPECT_EQ(v->treeView, guiFocus());
  EXPECT_EQ(colorViewItemEntry(v, 16), v->selected);
  GtkTreePath* path = nullptr;
  gtk_tree_view_get_cursor(tree, &path, nullptr);
  EXPECT_TRUE(gtk_tree_selection_path_is_selected(gtk_tree_view_get_selection(tree), path));
  gtk_tree_path_free(path);
}

// Tab lands on the selected swatch, which shows the focus; Space selects
// the focused swatch, Enter gives it to the item as a double click does.
TEST_F(ColorsTab, TheKeyboardInThePalette) {
  gtk_widget_grab_focus(v->treeView);
  select("0:0");  // entry 12
  ASSERT_EQ(v->treeView, guiFocus());
  guiType(GDK_Tab);
  ASSERT_TRUE(focusIs(v->swatches[12]));
  EXPECT_TRUE(swatchMarked(12, 1));
  EXPECT_FALSE(swatchMarked(13, 1));
  guiType(GDK_Tab);  // out of the palette
  EXPECT_TRUE(focusIs(v->sliders[0]));
  EXPECT_FALSE(swatchMarked(12, 1));
  guiType(GDK_Tab, GDK_SHIFT_MASK);
  EXPECT_TRUE(focusIs(v->swatches[12]));

  guiType(GDK_Right);
  ASSERT_TRUE(focusIs(v->swatches[13]));
  guiType(GDK_space);
  EXPECT_EQ(13, v->selected);
  EXPECT_EQ(12u, t->itemGetColor(t, 1));
  guiType(GDK_Right);
  guiType(GDK_Return);  // entry 14 is 6, 1, 17 (display 49, 8, 140)
  EXPECT_EQ(14, v->selected);
  EXPECT_EQ(14u, t->itemGetColor(t, 1));
  EXPECT_EQ(std::make_tuple(6u, 1u, 17u), std::make_tuple(sliderValue(0), sliderValue(1), sliderValue(2)));
  EXPECT_EQ(49, red(gtk_image_get_pixbuf(GTK_IMAGE(v->previewImage))));
  auto* rect = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(v->swatches[14]), "selrect"));
  EXPECT_TRUE(gtk_widget_get_modifier_style(rect)->color_flags[GTK_STATE_NORMAL] & GTK_RC_BG);

  // Back in the tree: Space on the Changed box (Right, past the Color
  // column) undoes the assignment; Enter on a heading closes and opens it.
  guiType(GDK_Tab, GDK_SHIFT_MASK);
  ASSERT_TRUE(focusIs(v->treeView));
  guiType(GDK_Right);
  guiType(GDK_Right);
  guiType(GDK_space);
  EXPECT_EQ(12u, t->itemGetColor(t, 1));
  guiType(GDK_Up);
  GtkTreePath* heading = gtk_tree_path_new_from_string("0");
  guiType(GDK_Return);
  EXPECT_FALSE(gtk_tree_view_row_expanded(tree, heading));
  guiType(GDK_Return);
  EXPECT_TRUE(gtk_tree_view_row_expanded(tree, heading));
  gtk_tree_path_free(heading);
}

// Every kind of edit is one step: an assignment, a run of key presses on
// one slider, a drag, Restore, Restore All, a Changed-box revert.
TEST_F(ColorsTab, UndoAndRedoOfEveryEdit) {
  gtk_widget_grab_focus(v->treeView);
  select("0:0");
  guiType(GDK_Tab);
  ASSERT_TRUE(focusIs(v->swatches[12]));
  guiType(GDK_Right);
  guiType(GDK_Return);  // item 1: entry 13, which is 1, 22, 18
  guiType(GDK_Tab);
  ASSERT_TRUE(focusIs(v->sliders[0]));
  for (int i = 0; i < 3; i++) guiType(GDK_Right);  // red 4: one step
  guiType(GDK_Tab);
  ASSERT_TRUE(focusIs(v->sliders[1]));
  guiType(GDK_Left);  // green 21
  sliderDrag(v->sliders[2], -60);  // blue down
  const uint32_t dragged = sliderValue(2);
  ASSERT_LT(dragged, 17u);
  sliderDrag(v->sliders[2], 20);  // a drag of its own
  const uint32_t draggedAgain = sliderValue(2);
  ASSERT_GT(draggedAgain, dragged);
  guiType(GDK_r, GDK_MOD1_MASK);  // Restore: entry 13 as read
  EXPECT_EQ(1u, sliderValue(0));
  g_signal_emit_by_name(toggle, "toggled", "0:0");  // a click on the Changed box
  EXPECT_EQ(12u, t->itemGetColor(t, 1));

  gtk_widget_grab_focus(v->treeView);
  auto undo = [] { guiType(GDK_z, GDK_CONTROL_MASK); };
  undo();  // the revert: the palette follows the item
  EXPECT_EQ(13u, t->itemGetColor(t, 1));
  EXPECT_EQ(13, v->selected);
  EXPECT_TRUE(changedShown("0:0"));
  undo();  // Restore
  EXPECT_EQ(std::make_tuple(4u, 21u, draggedAgain), std::make_tuple(sliderValue(0), sliderValue(1), sliderValue(2)));
  EXPECT_TRUE(sensitive(v->restoreButton));
  undo();  // a drag, whole
  EXPECT_EQ(dragged, sliderValue(2));
  undo();
  EXPECT_EQ(18u, sliderValue(2));
  undo();
  EXPECT_EQ(22u, sliderValue(1));
  undo();  // three presses
  EXPECT_EQ(1u, sliderValue(0));
  EXPECT_EQ(8, red(v->swatchPixbufs[13]));
  undo();
  EXPECT_EQ(12u, t->itemGetColor(t, 1));
  EXPECT_EQ(12, v->selected);
  EXPECT_FALSE(changedShown("0"));
  commit();
  EXPECT_EQ(body, moduleBody());  // every edit undone: the body as read

  guiType(GDK_y, GDK_CONTROL_MASK);
  guiType(GDK_z, GDK_CONTROL_MASK | GDK_SHIFT_MASK);
  EXPECT_EQ(4u, sliderValue(0));
  gtk_button_clicked(GTK_BUTTON(v->restoreAllButton));
  gtk_widget_grab_focus(v->treeView);
  undo();  // Restore All
  EXPECT_EQ(4u, sliderValue(0));
  commit();
  EXPECT_EQ(14u, colorItemWord(moduleBody(), 1));
}

}  // namespace
