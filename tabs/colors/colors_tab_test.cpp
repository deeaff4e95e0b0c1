// SPDX-License-Identifier: MIT
#include "tabs/colors/colors_tab.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "pool/memory.h"
#include "shell/editor_page.h"
#include "pool/glib_memory.h"
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
    v = viewGetRecord<ColorView>(guiEditorView(2));
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
  // The tree lays its rows out when the main loop is idle: the row's place
  // is read once the tree finds that very row there.
  GdkDragAction dropOn(const char* path, Bytes data) {
    GtkTreePath* p = gtk_tree_path_new_from_string(path);
    GdkRectangle area = {};
    EXPECT_TRUE(guiWaitFor([&] {
      gtk_tree_view_get_cell_area(tree, p, nullptr, &area);
      GtkTreePath* there = nullptr;
      bool found = area.height > 0 &&
                   gtk_tree_view_get_path_at_pos(tree, area.x + 10, area.y + area.height / 2, &there, nullptr,
                                                 nullptr, nullptr) &&
                   gtk_tree_path_compare(there, p) == 0;
      if (there) gtk_tree_path_free(there);
      return found;
    })) << path;
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
  void commit() {
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 0);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 2);
  }
  Bytes moduleBody() {
    uint32_t size = 0;
    MallocPtr<uint8_t> bytes(moduleGetBody(poolGet(shellGetCurrentPool(), 1), &size));
    return Bytes(bytes.get(), bytes.get() + size);
  }

  // The item of the cursor row, -1 for none.
  int cursorItem() {
    GtkTreePath* path = nullptr;
    gtk_tree_view_get_cursor(tree, &path, nullptr);
    GtkTreeIter iter;
    guint item = 0;
    bool found = path && gtk_tree_model_get_iter(GTK_TREE_MODEL(v->treeStore), &iter, path);
    if (found) gtk_tree_model_get(GTK_TREE_MODEL(v->treeStore), &iter, 0, &item, -1);
    if (path) gtk_tree_path_free(path);
    return found ? int(item) : -1;
  }
  bool focusIs(GtkWidget* w) { return guiWaitFor([w] { return guiFocus() == w; }); }
  // Whether any pixel of the swatch's row y differs from its colour, as on screen.
  bool swatchMarked(int32_t e, int y) {
    GtkWidget* w = v->swatches[e];
    gdk_window_process_all_updates();
    GObjectPtr<GdkPixbuf> shot(gdk_pixbuf_get_from_drawable(nullptr, gtk_widget_get_window(w), nullptr, 0, y, 0, 0,
                                                            w->allocation.width, 1));
    const guchar* p = gdk_pixbuf_get_pixels(shot.get());
    const guchar* c = gdk_pixbuf_get_pixels(v->swatchPixbufs[e]);
    for (int x = 0; x < w->allocation.width; x++)
      if (p[3 * x] != c[0] || p[3 * x + 1] != c[1] || p[3 * x + 2] != c[2]) return true;
    return false;
  }
  // A drag of the slider's knob by dx pixels in two moves, as the pointer does it.
  void sliderDrag(GtkWidget* slider, int dx) {
    GtkRange* range = GTK_RANGE(slider);
    const double x = (range->slider_start + range->slider_end) / 2.0, y = slider->allocation.height / 2.0;
    for (auto [type, at] : {std::pair{GDK_BUTTON_PRESS, 0.0}, {GDK_MOTION_NOTIFY, dx / 2.0}, {GDK_MOTION_NOTIFY, double(dx)},
                            {GDK_BUTTON_RELEASE, double(dx)}}) {
      GdkEvent* event = gdk_event_new(type);
      event->button.window = GDK_WINDOW(g_object_ref(range->event_window));
      event->button.x = x + at, event->button.y = y;
      if (type == GDK_MOTION_NOTIFY) event->motion.state = GDK_BUTTON1_MASK, event->motion.is_hint = FALSE;
      else event->button.button = 1;
      event->button.device = gdk_device_get_core_pointer();
      gtk_main_do_event(event);
      gdk_event_free(event);
    }
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
