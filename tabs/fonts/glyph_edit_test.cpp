// SPDX-License-Identifier: MIT
// The GlyphEdit widget in a window of its own, driven by pointer and key events.
#include "tabs/fonts/glyph_edit.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <string>

#include "pool/glib_memory.h"
#include "tests/support/gui_driver.h"

namespace {

void failOnWarning(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer) {
  if (level & (G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL))
    ADD_FAILURE() << (domain ? domain : "") << ": " << message;
}

void settle() {
  gdk_display_sync(gdk_display_get_default());
  while (gtk_events_pending()) gtk_main_iteration();
}

// A widget of 4 x 3 cells with dots of 5, so cells 9 pixels apart.
class GlyphEditTest : public testing::Test {
 protected:
  void SetUp() override { oldHandler = g_log_set_default_handler(failOnWarning, nullptr); }
  void TearDown() override {
    if (window) gtk_widget_destroy(window);
    settle();
    g_log_set_default_handler(oldHandler, nullptr);
  }
  // Shows the widget (above sibling, if any) in a window with the keyboard, no widget focused.
  void make(GtkWidget* sibling = nullptr) {
    ge = GLYPH_EDIT(glyphEditNew(4, 3, 5));
    g_signal_connect(ge, "modified", G_CALLBACK(+[](GlyphEdit*, gpointer, gpointer n) { ++*static_cast<int*>(n); }),
                     &modified);
    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWidget* box = gtk_vbox_new(FALSE, 0);
    gtk_container_add(GTK_CONTAINER(window), box);
    gtk_box_pack_start(GTK_BOX(box), GTK_WIDGET(ge), FALSE, FALSE, 0);
    if (sibling) gtk_box_pack_start(GTK_BOX(box), sibling, FALSE, FALSE, 0);
    gtk_widget_show_all(window);
    guiKeyPress(window, GDK_Shift_L);
    gtk_window_set_focus(GTK_WINDOW(window), nullptr);
    settle();
  }
  // A press of a button (type GDK_BUTTON_PRESS or a double), or motion with the buttons of state held.
  void send(double x, double y, guint detail, GdkEventType type = GDK_MOTION_NOTIFY) {
    GdkEvent* event = gdk_event_new(type);
    event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(ge))));
    if (type == GDK_MOTION_NOTIFY) event->motion.x = x, event->motion.y = y, event->motion.state = detail;
    else event->button.x = x, event->button.y = y, event->button.button = detail;
    gtk_widget_event(GTK_WIDGET(ge), event);
    gdk_event_free(event);
  }
  void press(int column, int row, guint button) { send(midX(column), midY(row), button, GDK_BUTTON_PRESS); }
  void move(int column, int row, guint state) { send(midX(column), midY(row), state); }
  // The grid's outer left and top lines, and the middle of a cell.
  int left() { return ge->widget.allocation.width / 2 - 36 / 2; }
  int top() { return ge->widget.allocation.height / 2 - 27 / 2; }
  int midX(int column) { return left() + column * 9 + 5; }
  int midY(int row) { return top() + row * 9 + 5; }
  // The matrix, rows apart by "|", set cells as "X".
  std::string cells() {
    std::string s;
    for (int i = 0; i < 12; i++) s += std::string(i && i % 4 == 0 ? "|" : "") + (ge->pixels[i] ? "X" : ".");
    return s;
  }
  // The colour on screen at a point of the widget, as 0xRRGGBB.
  guint32 pixel(int x, int y) {
    settle();
    GObjectPtr<GdkPixbuf> p(gdk_pixbuf_get_from_drawable(nullptr, gtk_widget_get_window(GTK_WIDGET(ge)),
                                                         nullptr, x, y, 0, 0, 1, 1));
    const guchar* rgb = gdk_pixbuf_get_pixels(p.get());
    return guint32(rgb[0]) << 16 | rgb[1] << 8 | rgb[2];
  }

  GLogFunc oldHandler = nullptr;
  GtkWidget* window = nullptr;
  GlyphEdit* ge = nullptr;
  int modified = 0;
};

// A drag paints a cell once, as the pointer enters it, and only with the keyboard focus.
TEST_F(GlyphEditTest, PressesAndDragsPaintACellOnce) {
  make();
  move(1, 0, GDK_BUTTON1_MASK);  // without the focus motion paints nothing; a press takes it
  EXPECT_EQ("....|....|....", cells());
  send(left() + 9, top() + 9, 1, GDK_BUTTON_PRESS);  // an inner line: cell (0, 0)
  move(1, 0, GDK_BUTTON1_MASK);
  move(2, 0, GDK_BUTTON1_MASK);
  move(2, 1, 0);  // no button held
  press(0, 0, 1);  // set cells stay set, unannounced
  move(1, 0, GDK_BUTTON1_MASK);
  EXPECT_EQ(3, modified);

  press(0, 1, 2);
  send(midX(0) + 2, midY(1) + 1, GDK_BUTTON2_MASK);  // same cell
  send(midX(0), midY(1), 2, GDK_2BUTTON_PRESS);       // follows a second press
  for (int column : {1, 0, 1, 0}) move(column, 1, GDK_BUTTON2_MASK);
  press(2, 0, 3);
  EXPECT_EQ("XX..|X...|....", cells());
  EXPECT_EQ(9, modified);
}

TEST_F(GlyphEditTest, DotSizeShrinksForTallGlyphsAndStaysInRange) {
  ASSERT_LT(gdk_screen_get_height(gdk_screen_get_default()) / 2, 255 * 6);  // even dots of 2 do not fit
  GlyphEdit* tall = GLYPH_EDIT(g_object_ref_sink(glyphEditNew(8, 255, 10)));
  GtkRequisition size;
  gtk_widget_size_request(GTK_WIDGET(tall), &size);  // dots of 2
  EXPECT_EQ(255 * 6 + 2 * tall->borderY, size.height);
  glyphEditSetDotSize(tall, 1);
  glyphEditSetDotSize(tall, 33);
  EXPECT_EQ(2, glyphEditGetDotSize(tall));
  glyphEditZoom(tall, 31);  // a zoom keeps its dots whatever the screen
  gtk_widget_size_request(GTK_WIDGET(tall), &size);
  EXPECT_EQ(255 * 35 + 2 * tall->borderY, size.height);
  g_object_unref(tall);  // the last reference: destroys it
}

TEST_F(GlyphEditTest, DrawsAfterAnotherGlyphEditIsDestroyed) {
  GtkWidget* other = glyphEditNew(4, 3, 5);
  make(other);
  gtk_widget_destroy(other);
  settle();
  glyphEditSetVisibleWidth(ge, 1);
  press(1, 0, 1);
  EXPECT_EQ(0xE0E0E0u, pixel(midX(1), midY(0)));  // beyond the visible width
  EXPECT_EQ(0xFFFFFFu, pixel(midX(2), midY(0)));  // clear, on the white field
}

}  // namespace
