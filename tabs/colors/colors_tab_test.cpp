// SPDX-License-Identifier: MIT
#include "tabs/colors/colors_tab.h"

#include "tabs/colors/colors_tab_fixture.h"

namespace {

TEST_F(ColorsTab, PaletteFollowsTheTreeAndTheSliders) {
  EXPECT_FALSE(sensitive(v->swatches[0]) || sensitive(v->sliders[0]) || sensitive(v->restoreAllButton));
  select("0:0");  // entry 12: 28, 11, 19; a move recolours it everywhere it shows
  int rowsChanged = 0;
  g_signal_connect_swapped(v->treeStore, "row-changed", G_CALLBACK(+[](int* n) { ++*n; }), &rowsChanged);
  gtk_range_set_value(GTK_RANGE(v->sliders[0]), 31);
  EXPECT_EQ(7, rowsChanged);  // items 1, 2, 36, 96, 156, 216 and 276
  EXPECT_EQ(255, red(v->swatchPixbufs[12]));
  EXPECT_EQ(255, previewRed());

  select("0:4");  // entry 35
  gtk_range_set_value(GTK_RANGE(v->sliders[2]), 0);
  select("0:2");  // the transparent entry: no sliders
  EXPECT_TRUE(!sensitive(v->sliders[0]) && sensitive(v->restoreAllButton));

  select("0:0");
  gtk_button_clicked(GTK_BUTTON(v->restoreButton));
  EXPECT_EQ(28u, sliderValue(0));
  EXPECT_TRUE(t->colorIsChanged(t, 35));
  gtk_button_clicked(GTK_BUTTON(v->restoreAllButton));
  EXPECT_FALSE(t->colorIsChanged(t, 35));
  gtk_widget_grab_focus(v->treeView);
  undo();  // Restore All is one step
  EXPECT_TRUE(t->colorIsChanged(t, 35));
}

TEST_F(ColorsTab, AssignmentsReachTheModuleOnCommit) {
  select("0:0");
  for (GdkEventType type : {GDK_BUTTON_PRESS, GDK_2BUTTON_PRESS})  // a double click on entry 20
    button(v->swatches[20], type, 5, 5, 1);
  EXPECT_TRUE(t->itemGetColor(t, 1) == 20 && v->selected == 20);
  EXPECT_TRUE(changedShown("0:0") && changedShown("0"));

  // Drops: only 4 bytes, only on colour items.
  int32_t entry = 30;
  Bytes four(reinterpret_cast<uint8_t*>(&entry), reinterpret_cast<uint8_t*>(&entry) + 4);
  EXPECT_EQ(0, dropOn("0", four));
  EXPECT_EQ(GDK_ACTION_COPY, dropOn("0:1", Bytes(8, 0)));
  EXPECT_EQ(12u, t->itemGetColor(t, 2));
  dropOn("0:1", four);
  EXPECT_TRUE(t->itemGetColor(t, 2) == 30 && v->selected == 30);
  gtk_widget_grab_focus(v->treeView);
  undo();  // a drop is one step
  EXPECT_EQ(12u, t->itemGetColor(t, 2));

  // An edit reaches the module when the tab is left.
  dropOn("0:0", four);
  EXPECT_EQ(body, moduleBody());
  gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 0);
  EXPECT_EQ(31u, colorItemWord(moduleBody(), 1));
}

TEST_F(ColorsTab, TypeAheadTakesTheWholeNameAndKeepsTheFocus) {
  gtk_widget_grab_focus(v->treeView);
  guiTypeText("sky");
  EXPECT_EQ(v->treeView, guiFocus());
  EXPECT_EQ(52, v->selected);  // item 16's, "sky in GPS symbol", past "shadow" (45)
}

// Tab lands on the selected swatch, Space selects, Enter assigns; every edit is one undo step.
TEST_F(ColorsTab, KeyboardEditsInThePaletteUndoOneStepEach) {
  gtk_widget_grab_focus(v->treeView);
  select("0:0");  // item 1, entry 12
  guiType(GDK_Tab);
  ASSERT_TRUE(focusIs(v->swatches[12]));
  EXPECT_TRUE(swatchMarked(12, 1));  // the focus line
  guiType(GDK_Right);
  guiType(GDK_space);
  EXPECT_TRUE(v->selected == 13 && t->itemGetColor(t, 1) == 12);
  guiType(GDK_Right);
  guiType(GDK_Return);  // entry 14 is 6, 1, 17 (display 49, 8, 140)
  EXPECT_TRUE(t->itemGetColor(t, 1) == 14 && v->selected == 14 && framed(14) && !framed(13));
  EXPECT_EQ(std::make_tuple(6u, 1u, 17u), sliders());
  EXPECT_EQ(49, previewRed());

  guiType(GDK_Tab);
  ASSERT_TRUE(focusIs(v->sliders[0]));
  for (int i = 0; i < 3; i++) guiType(GDK_Right);  // red 9: one step
  GtkRange* range = GTK_RANGE(v->sliders[2]);  // the blue knob dragged, in two moves as the pointer does it
  const double x = (range->slider_start + range->slider_end) / 2.0, y = v->sliders[2]->allocation.height / 2.0;
  for (auto [type, at] : {std::pair{GDK_BUTTON_PRESS, 0.0}, {GDK_MOTION_NOTIFY, -30.0}, {GDK_MOTION_NOTIFY, -60.0},
                          {GDK_BUTTON_RELEASE, -60.0}})
    button(v->sliders[2], type, x + at, y, 1);
  const uint32_t dragged = sliderValue(2);
  ASSERT_LT(dragged, 17u);
  guiType(GDK_r, GDK_MOD1_MASK);  // Restore: entry 14 as read
  EXPECT_EQ(6u, sliderValue(0));

  // In the tree, Space on the Changed box (past the Color column) reverts; Enter on a heading folds it.
  gtk_widget_grab_focus(v->treeView);
  guiType(GDK_Right);
  guiType(GDK_Right);
  guiType(GDK_space);
  EXPECT_EQ(12u, t->itemGetColor(t, 1));
  guiType(GDK_Up);
  GtkTreePath* heading = gtk_tree_path_new_from_string("0");
  guiType(GDK_Return);  // the selection goes to the folded heading: no entry
  EXPECT_TRUE(!gtk_tree_view_row_expanded(tree, heading) && v->selected == -1);
  guiType(GDK_Return);
  EXPECT_TRUE(gtk_tree_view_row_expanded(tree, heading));
  gtk_tree_path_free(heading);
  guiType(GDK_Down);

  undo();  // the revert: the palette follows the item
  EXPECT_TRUE(t->itemGetColor(t, 1) == 14 && v->selected == 14 && changedShown("0:0"));
  undo();  // Restore
  EXPECT_EQ(std::make_tuple(9u, 1u, dragged), sliders());
  undo();  // a drag, whole
  EXPECT_EQ(17u, sliderValue(2));
  undo();  // three presses
  EXPECT_EQ(6u, sliderValue(0));
  undo();
  EXPECT_TRUE(t->itemGetColor(t, 1) == 12 && v->selected == 12 && !changedShown("0"));
  commit();
  EXPECT_EQ(body, moduleBody());  // every edit undone: the body as read

  guiType(GDK_y, GDK_CONTROL_MASK);
  guiType(GDK_z, GDK_CONTROL_MASK | GDK_SHIFT_MASK);
  EXPECT_EQ(9u, sliderValue(0));
  commit();
  EXPECT_EQ(15u, colorItemWord(moduleBody(), 1));
}

}  // namespace
