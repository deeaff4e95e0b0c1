#include "tabs/fonts/fonts_tab.h"

#include <gtest/gtest.h>

#include "shell/editor_page.h"
#include "tabs/fonts/font_view.h"
#include "tabs/fonts/glyph_edit.h"
#include "tests/support/body_builders.h"
#include "tests/support/gui_driver.h"

namespace {

// A 6 x 8 font: 'A' (65) and 'B' (66) six wide, code 1 three wide and blank.
class FontsTab : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    body = fontBody(1);
    ASSERT_TRUE(writeFile(good, imageOf({kernel, ModuleBuilder().name("font_a").body(body).build()})));
    open(good);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 4);
    GtkWidget* inner = guiOnlyChild(gtk_notebook_get_nth_page(GTK_NOTEBOOK(shellGetNotebook()), 4));
    v = viewGetRecord<FontView>(gtk_notebook_get_nth_page(GTK_NOTEBOOK(inner), 0));
    while (gtk_events_pending()) gtk_main_iteration();
  }

  FontGlyph* glyph(uint32_t code) { return static_cast<FontGlyph*>(listGet(v->glyphs, code - 1)); }
  Bytes pixels(uint32_t code) { return Bytes(glyph(code)->pixels, glyph(code)->pixels + 48); }
  void select(uint32_t code) {
    GtkTreePath* path = gtk_tree_path_new_from_indices(int(code - 1), -1);
    gtk_tree_view_set_cursor(GTK_TREE_VIEW(v->listView), path, nullptr, FALSE);
    gtk_tree_path_free(path);
  }
  // A press of button on the editor's cell (x, y).
  void paint(guint button, int x, int y) {
    GlyphEdit* edit = GLYPH_EDIT(v->glyphEdit);
    int step = edit->dotSize + 4;
    GdkEvent* event = gdk_event_new(GDK_BUTTON_PRESS);
    event->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(v->glyphEdit)));
    event->button.x = v->glyphEdit->allocation.width / 2 - 6 * step / 2 + 1 + x * step + step / 2;
    event->button.y = v->glyphEdit->allocation.height / 2 - 8 * step / 2 + 1 + y * step + step / 2;
    event->button.button = button;
    gtk_widget_event(v->glyphEdit, event);
    gdk_event_free(event);
  }
  void click(const char* label) {
    GtkWidget* table = gtk_widget_get_parent(v->restoreButton);
    GList* children = gtk_container_get_children(GTK_CONTAINER(table));
    for (GList* c = children; c; c = c->next)
      if (GTK_IS_BUTTON(c->data) && std::string(gtk_button_get_label(GTK_BUTTON(c->data))) == label)
        gtk_button_clicked(GTK_BUTTON(c->data));
    g_list_free(children);
  }
  void copyFrom(const char* text) {
    gtk_entry_set_text(GTK_ENTRY(v->copyEntry), text);
    gtk_widget_activate(v->copyEntry);
  }
  int previewWidth(const char* text) {
    gtk_entry_set_text(GTK_ENTRY(v->previewEntry), text);
    gtk_widget_activate(v->previewEntry);
    return gdk_pixbuf_get_width(gtk_image_get_pixbuf(GTK_IMAGE(v->previewImage)));
  }
  Bytes moduleBody() {
    uint32_t size = 0;
    MallocPtr<uint8_t> bytes(moduleGetBody(poolGet(shellGetCurrentPool(), 1), &size));
    return Bytes(bytes.get(), bytes.get() + size);
  }
  void commit() {
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 0);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 4);
  }

  Bytes body;
  FontView* v;
};

TEST_F(FontsTab, EditingMarksAndUnmarks) {
  EXPECT_EQ(1u, v->current);
  EXPECT_STREQ("1", gtk_label_get_text(GTK_LABEL(v->currentLabel)));
  EXPECT_EQ(3, gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(v->widthSpin)));
  EXPECT_FALSE(gtk_widget_is_sensitive(v->restoreButton));

  select(65);
  const Bytes a = pixels(65);
  paint(1, 0, 7);  // below the letter
  EXPECT_EQ(1u, glyph(65)->changed);
  EXPECT_TRUE(gtk_widget_is_sensitive(v->restoreButton));
  paint(3, 0, 7);
  EXPECT_EQ(0u, glyph(65)->changed);
  EXPECT_FALSE(gtk_widget_is_sensitive(v->restoreButton));

  gtk_spin_button_set_value(GTK_SPIN_BUTTON(v->widthSpin), 3);  // as the user would
  EXPECT_EQ(1u, glyph(65)->changed);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(v->widthSpin), 6);
  EXPECT_EQ(0u, glyph(65)->changed);

  // Shifts wrap around the whole cell.
  click("_Left");
  EXPECT_NE(a, pixels(65));
  click("_Right");
  EXPECT_EQ(a, pixels(65));
  click("_Up");
  click("_Down");
  for (int i = 0; i < 6; i++) click("_Left");
  EXPECT_EQ(a, pixels(65));
  EXPECT_EQ(0u, glyph(65)->changed);

  for (const char* ignored : {"0", "256", "-3", "A", "", "4294967361"}) copyFrom(ignored);
  EXPECT_EQ(a, pixels(65));
  EXPECT_STREQ("", gtk_entry_get_text(GTK_ENTRY(v->copyEntry)));
  copyFrom("1");
  EXPECT_EQ(pixels(1), pixels(65));
  EXPECT_EQ(3u, glyph(65)->width);
  EXPECT_EQ(3, gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(v->widthSpin)));

  EXPECT_EQ(3 + 6, previewWidth("AB"));
  EXPECT_EQ(1, previewWidth(""));
  click("Res_tore");
  EXPECT_EQ(a, pixels(65));
  EXPECT_EQ(6, previewWidth("A"));
}

TEST_F(FontsTab, StoreWritesTheBodyReadOrTheEncodedFont) {
  commit();
  EXPECT_EQ(body, moduleBody());
  select(66);
  paint(1, 5, 7);
  commit();
  FontMetrics m;
  Bytes stored = moduleBody();
  List* decoded = fontDecode(stored.data(), uint32_t(stored.size()), &m);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(Bytes(glyph(66)->pixels, glyph(66)->pixels + 48),
            Bytes(static_cast<FontGlyph*>(listGet(decoded, 65))->pixels,
                  static_cast<FontGlyph*>(listGet(decoded, 65))->pixels + 48));
  fontGlyphsFree(decoded);
  EXPECT_TRUE(poolIsModified(shellGetCurrentPool()));
  commit();
  EXPECT_EQ(stored, moduleBody());

  paint(3, 5, 7);  // painted back: the body as read, byte for byte
  commit();
  EXPECT_EQ(body, moduleBody());
  EXPECT_FALSE(poolIsModified(shellGetCurrentPool()));

  // A width typed but not yet taken by the spin still counts.
  gtk_entry_set_text(GTK_ENTRY(v->widthSpin), "2");
  commit();
  EXPECT_EQ(2u, glyph(66)->width);
  EXPECT_NE(body, moduleBody());
}

}  // namespace
