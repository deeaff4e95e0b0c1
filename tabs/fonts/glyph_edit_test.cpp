// The GlyphEdit widget in a window of its own, driven by pointer events.
#include "tabs/fonts/glyph_edit.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void failOnWarning(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer) {
  if (level & (G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL))
    ADD_FAILURE() << (domain ? domain : "") << ": " << message;
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
  static void settle() {
    gdk_display_sync(gdk_display_get_default());
    while (gtk_events_pending()) gtk_main_iteration();
  }
  // Shows the widget (above sibling, if any) in a window that has the
  // keyboard, with no widget focused.
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
    settle();
    GdkEvent* focus = gdk_event_new(GDK_FOCUS_CHANGE);
    focus->focus_change.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    focus->focus_change.in = TRUE;
    gtk_widget_send_focus_change(window, focus);
    gdk_event_free(focus);
    gtk_window_set_focus(GTK_WINDOW(window), nullptr);
    settle();
  }
  void send(GdkEvent* event) {
    event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(ge))));
    gtk_widget_event(GTK_WIDGET(ge), event);
    gdk_event_free(event);
  }
  void press(double x, double y, guint button, GdkEventType type = GDK_BUTTON_PRESS) {
    GdkEvent* event = gdk_event_new(type);
    event->button.x = x;
    event->button.y = y;
    event->button.button = button;
    send(event);
  }
  void move(double x, double y, guint state) {
    GdkEvent* event = gdk_event_new(GDK_MOTION_NOTIFY);
    event->motion.x = x;
    event->motion.y = y;
    event->motion.state = state;
    send(event);
  }
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
    gdk_window_process_updates(gtk_widget_get_window(GTK_WIDGET(ge)), TRUE);
    settle();
    GdkPixbuf* p = gdk_pixbuf_get_from_drawable(nullptr, gtk_widget_get_window(GTK_WIDGET(ge)), nullptr,
                                                x, y, 0, 0, 1, 1);
    const guchar* rgb = gdk_pixbuf_get_pixels(p);
    guint32 colour = guint32(rgb[0]) << 16 | rgb[1] << 8 | rgb[2];
    g_object_unref(p);
    return colour;
  }

  GLogFunc oldHandler = nullptr;
  GtkWidget* window = nullptr;
  GlyphEdit* ge = nullptr;
  int modified = 0;
};

TEST_F(GlyphEditTest, PressOnAGridLineHitsTheCellLeftOfOrAboveIt) {
  make();
  press(left() + 9, top() + 9, 1);    // inner lines: cell (0, 0)
  press(left() + 36, top() + 27, 1);  // outer right and bottom lines: cell (3, 2)
  press(left(), midY(1), 1);
  press(midX(1), top(), 1);
  press(left() + 37, midY(1), 1);
  press(midX(1), top() + 28, 1);
  press(-1e6, midY(1), 1);
  press(1e12, 1e12, 1);
  EXPECT_EQ("X...|....|...X", cells());
  EXPECT_EQ(2, modified);
}

TEST_F(GlyphEditTest, DragPaintsACellOnceWhenThePointerEntersIt) {
  make();
  // Without the keyboard focus motion paints nothing; the first press takes it.
  move(midX(1), midY(0), GDK_BUTTON1_MASK);
  EXPECT_EQ("....|....|....", cells());
  press(midX(0), midY(0), 1);
  EXPECT_TRUE(gtk_widget_has_focus(GTK_WIDGET(ge)));
  move(midX(1), midY(0), GDK_BUTTON1_MASK);
  move(midX(2), midY(0), GDK_BUTTON1_MASK);
  move(midX(2), midY(1), 0);  // no button held
  EXPECT_EQ("XXX.|....|....", cells());
  EXPECT_EQ(3, modified);
  press(midX(0), midY(0), 1);
  move(midX(1), midY(0), GDK_BUTTON1_MASK);
  EXPECT_EQ(3, modified);

  press(midX(0), midY(1), 2);
  move(midX(0) + 2, midY(1) + 1, GDK_BUTTON2_MASK);     // same cell
  press(midX(0), midY(1), 2, GDK_2BUTTON_PRESS);        // follows a second press
  for (int column : {1, 0, 1, 0}) move(midX(column), midY(1), GDK_BUTTON2_MASK);
  EXPECT_EQ("XXX.|X...|....", cells());
  press(midX(2), midY(0), 3);
  EXPECT_EQ("XX..|X...|....", cells());
  EXPECT_EQ(9, modified);
}

TEST_F(GlyphEditTest, DotSizeShrinksForTallGlyphsAndStaysInRange) {
  int half = gdk_screen_get_height(gdk_screen_get_default()) / 2;
  GtkWidget* tall = GTK_WIDGET(g_object_ref_sink(glyphEditNew(8, 255, 10)));
  GtkRequisition size;
  gtk_widget_size_request(tall, &size);
  ASSERT_LT(half, 255 * 6);  // even dots of 2 do not fit: the smallest is kept
  EXPECT_EQ(2, glyphEditGetDotSize(GLYPH_EDIT(tall)));
  EXPECT_EQ(8 * 6 + 2 * GLYPH_EDIT(tall)->borderX, size.width);
  EXPECT_EQ(255 * 6 + 2 * GLYPH_EDIT(tall)->borderY, size.height);

  GtkWidget* small = GTK_WIDGET(g_object_ref_sink(glyphEditNew(8, 16, 5)));
  gtk_widget_size_request(small, &size);
  EXPECT_EQ(5, glyphEditGetDotSize(GLYPH_EDIT(small)));
  g_object_set(small, "dotsize", 1u, nullptr);
  EXPECT_EQ(5, glyphEditGetDotSize(GLYPH_EDIT(small)));
  g_object_set(small, "dotsize", 20u, nullptr);
  glyphEditSetDotSize(GLYPH_EDIT(small), 21);
  EXPECT_EQ(20, glyphEditGetDotSize(GLYPH_EDIT(small)));
  for (GtkWidget* w : {tall, small}) {
    gtk_widget_destroy(w);
    g_object_unref(w);
  }
}

TEST_F(GlyphEditTest, DrawsAfterAnotherGlyphEditIsDestroyed) {
  GtkWidget* other = glyphEditNew(4, 3, 5);
  make(other);
  gtk_widget_destroy(other);
  settle();
  glyphEditSetVisibleWidth(ge, 1);
  press(midX(1), midY(0), 1);
  EXPECT_EQ(0xE0E0E0u, pixel(midX(1), midY(0)));  // beyond the visible width
  EXPECT_EQ(0xFFFFFFu, pixel(midX(2), midY(0)));  // clear, on the white field
  EXPECT_NE(0xFFFFFFu, pixel(left(), midY(0)));   // grid line in the theme's colour
  glyphEditSetVisibleWidth(ge, 2);
  EXPECT_EQ(0x000000u, pixel(midX(1), midY(0)));
}

}  // namespace
