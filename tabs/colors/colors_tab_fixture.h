// SPDX-License-Identifier: MIT
// The Colors tab's GUI tests' window: one colour table loaded, its view and what is drawn of it.
#pragma once

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "pool/glib_memory.h"
#include "pool/memory.h"
#include "shell/editor_page.h"
#include "tabs/colors/color_view.h"
#include "tests/support/body_builders.h"
#include "tests/support/gui_driver.h"

// Items 1 and 2 use entry 12, item 3 the transparent entry 11, item 5 entry 35, all under heading 0.
class ColorsTab : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    body = colorBody(0x0033, 12);
    for (auto [item, word] : {std::pair{1, 13}, {2, 13}, {3, 12}}) colorItemWordSet(body, item, word);
    bodyEdit();
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
  // A suite's own changes to the body, before it is loaded.
  virtual void bodyEdit() {}

  void select(const char* path) {
    GtkTreePath* p = gtk_tree_path_new_from_string(path);
    gtk_tree_view_set_cursor(tree, p, nullptr, FALSE);
    gtk_tree_path_free(p);
  }
  std::tuple<uint32_t, uint32_t, uint32_t> sliders() { return {sliderValue(0), sliderValue(1), sliderValue(2)}; }
  uint32_t sliderValue(int c) { return uint32_t(gtk_range_get_value(GTK_RANGE(v->sliders[c]))); }
  bool sensitive(GtkWidget* w) { return gtk_widget_is_sensitive(w); }
  static int red(GdkPixbuf* p) { return gdk_pixbuf_get_pixels(p)[0]; }  // of the top-left pixel
  int previewRed() { return red(gtk_image_get_pixbuf(GTK_IMAGE(v->previewImage))); }
  // Whether the swatch's frame shows it as the selected entry.
  bool framed(int32_t e) {
    auto* rect = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(v->swatches[e]), "selrect"));
    return gtk_widget_get_modifier_style(rect)->color_flags[GTK_STATE_NORMAL] & GTK_RC_BG;
  }

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

  // A drag over a row's centre, its action returned, then its data dropped; the tree lays rows out when idle.
  GdkDragAction dropOn(const char* path, Bytes data) {
    GtkTreePath *p = gtk_tree_path_new_from_string(path), *there = nullptr;
    GdkRectangle area = {};
    EXPECT_TRUE(guiWaitFor([&] {
      if (there) gtk_tree_path_free(there), there = nullptr;
      gtk_tree_view_get_cell_area(tree, p, nullptr, &area);
      return area.height > 0 &&
             gtk_tree_view_get_path_at_pos(tree, area.x + 10, area.y + area.height / 2, &there, nullptr, nullptr,
                                           nullptr) &&
             gtk_tree_path_compare(there, p) == 0;
    })) << path;
    gtk_tree_path_free(p);
    if (there) gtk_tree_path_free(there);
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
  bool focusIs(GtkWidget* w) { return guiWaitFor([w] { return guiFocus() == w; }); }
  void undo() { guiType(GDK_z, GDK_CONTROL_MASK); }
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
  // Button b going down, up or moving at (x, y) of a widget's own window.
  void button(GtkWidget* w, GdkEventType type, double x, double y, guint b = 3) {
    GdkEvent* event = gdk_event_new(type);
    GdkWindow* window = GTK_IS_RANGE(w) ? GTK_RANGE(w)->event_window : w->window;
    event->button.window = GDK_WINDOW(g_object_ref(window));
    event->button.x = x, event->button.y = y, event->button.device = gdk_device_get_core_pointer();
    if (type == GDK_MOTION_NOTIFY) event->motion.state = b == 1 ? GDK_BUTTON1_MASK : GDK_BUTTON3_MASK;
    else event->button.button = b;
    gtk_main_do_event(event);
    gdk_event_free(event);
  }

  Bytes body;
  ColorView* v;
  ColorTable* t;
  GtkTreeView* tree;
  GtkCellRenderer* toggle;  // the Changed column's box
};
