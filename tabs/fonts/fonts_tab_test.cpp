#include "tabs/fonts/fonts_tab.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "pool/memory.h"
#include "shell/editor_page.h"
#include "tabs/fonts/font_bdf.h"
#include "tabs/fonts/font_view.h"
#include "tabs/strings/language_codec.h"
#include "tabs/fonts/glyph_edit.h"
#include "tests/support/body_builders.h"
#include "shell/gtk_ptr.h"
#include "tests/support/gui_driver.h"

namespace {

// A 6 x 8 font: 'A' (65) and 'B' (66) six wide, code 1 three wide and blank.
class FontsTab : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    body = fontBody(1);
    load({kernel, ModuleBuilder().name("font_a").body(body).build()});
  }
  void load(std::initializer_list<Bytes> modules) {
    ASSERT_TRUE(writeFile(good, imageOf(modules)));
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
  // A drag of button 1 from the editor's cell (x, y) one cell right, released.
  void stroke(int x, int y) {
    guiKeyPress(v->glyphEdit, GDK_Shift_L);  // the window gets the keyboard, as the drag needs
    paint(1, x, y);
    GlyphEdit* edit = GLYPH_EDIT(v->glyphEdit);
    int step = edit->dotSize + 4;
    GdkEvent* event = gdk_event_new(GDK_MOTION_NOTIFY);
    event->motion.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(v->glyphEdit)));
    event->motion.x = v->glyphEdit->allocation.width / 2 - 6 * step / 2 + 1 + (x + 1) * step + step / 2;
    event->motion.y = v->glyphEdit->allocation.height / 2 - 8 * step / 2 + 1 + y * step + step / 2;
    event->motion.state = GDK_BUTTON1_MASK;
    gtk_widget_event(v->glyphEdit, event);
    gdk_event_free(event);
    event = gdk_event_new(GDK_BUTTON_RELEASE);
    event->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(v->glyphEdit)));
    event->button.button = 1;
    gtk_widget_event(v->glyphEdit, event);
    gdk_event_free(event);
  }
  // A key pressed in the glyph list, as the window hands it on.
  void key(guint keyval, guint state) {
    gtk_widget_grab_focus(v->listView);
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(shellGetMainWindow())));
    event->key.keyval = keyval;
    event->key.state = state;
    gtk_widget_event(shellGetMainWindow(), event);
    gdk_event_free(event);
  }
  GtkWidget* menuItem(GtkWidget* menu, const std::string& label) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
    GtkWidget* found = nullptr;
    for (GList* c = children; c; c = c->next) {
      GtkWidget* child = gtk_bin_get_child(GTK_BIN(c->data));
      if (GTK_IS_LABEL(child) && gtk_label_get_text(GTK_LABEL(child)) == label) found = GTK_WIDGET(c->data);
    }
    g_list_free(children);
    return found;
  }
  void missingFor(const std::string& language) {
    GtkWidget* submenu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(menuItem(v->menu, "Missing for")));
    ASSERT_TRUE(menuItem(submenu, language));
    guiActivate(menuItem(submenu, language));
  }
  // Whether the glyph's code is marked as missing, as drawn.
  bool marked(uint32_t code) {
    GtkTreeViewColumn* column = gtk_tree_view_get_column(GTK_TREE_VIEW(v->listView), 0);
    GtkTreeIter iter;
    gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(v->listStore), &iter, nullptr, int(code - 1));
    gtk_tree_view_column_cell_set_cell_data(column, GTK_TREE_MODEL(v->listStore), &iter, FALSE, FALSE);
    GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(column));
    gboolean set = FALSE;
    g_object_get(cells->data, "cell-background-set", &set, nullptr);
    g_list_free(cells);
    return set;
  }
  std::string tooltipLine() {
    GCharPtr text(gtk_widget_get_tooltip_text(v->listView));
    std::string s = text.get();
    return s.substr(0, s.find('\n'));
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

bool menuShown(FontView* v) {
  bool shown = gtk_widget_get_visible(v->menu);
  gtk_menu_popdown(GTK_MENU(v->menu));
  return shown;
}

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

// A stroke, a width change, Clear and an import are one step each; undo and
// redo go through them in order, the Changed marks following the glyphs.
TEST_F(FontsTab, UndoAndRedoStepThroughEdits) {
  select(65);
  const Bytes a = pixels(65);
  stroke(0, 7);  // two dots below the letter
  Bytes painted = a;
  painted[42] = painted[43] = 0xFF;
  EXPECT_EQ(painted, pixels(65));
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(v->widthSpin), 3);
  click("_Clear");
  EXPECT_EQ(Bytes(48, 0), pixels(65));

  key(GDK_z, GDK_CONTROL_MASK);
  EXPECT_EQ(painted, pixels(65));
  EXPECT_EQ(3u, glyph(65)->width);
  key(GDK_z, GDK_CONTROL_MASK);  // the width change
  EXPECT_EQ(6u, glyph(65)->width);
  EXPECT_EQ(6, gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(v->widthSpin)));
  EXPECT_EQ(6u, glyphEditGetVisibleWidth(GLYPH_EDIT(v->glyphEdit)));
  key(GDK_z, GDK_CONTROL_MASK);  // the whole stroke
  EXPECT_EQ(a, pixels(65));
  EXPECT_EQ(0u, glyph(65)->changed);
  EXPECT_FALSE(gtk_widget_is_sensitive(v->restoreButton));
  key(GDK_z, GDK_CONTROL_MASK);  // nothing left
  EXPECT_EQ(a, pixels(65));
  key(GDK_Z, GDK_CONTROL_MASK | GDK_SHIFT_MASK);
  EXPECT_EQ(painted, pixels(65));
  EXPECT_EQ(1u, glyph(65)->changed);
  key(GDK_y, GDK_CONTROL_MASK);
  EXPECT_EQ(3u, glyph(65)->width);

  // An import is one step over all its glyphs; the module changes only on
  // commit, and Restore still gives the glyph as loaded.
  FontMetrics m = v->metrics;
  List* edited = fontDecode(body.data(), uint32_t(body.size()), &m);
  std::swap(static_cast<FontGlyph*>(listGet(edited, 64))->pixels, static_cast<FontGlyph*>(listGet(edited, 65))->pixels);
  size_t length = 0;
  MallocPtr<char> text(fontBdfWrite(&m, edited, "font_a", "CP1252", &length));
  fontGlyphsFree(edited);
  const std::string bdf = dir.file("swapped.bdf");
  ASSERT_TRUE(writeFile(bdf, Bytes(text.get(), text.get() + length)));
  const Bytes b = pixels(66);
  {
    DialogScript script;
    script.choose(bdf);
    GtkWidget* item = menuItem(v->menu, "Import BDF…");
    ASSERT_TRUE(item);
    guiActivate(item);
    EXPECT_EQ(std::vector<std::string>{"Import BDF in "}, script.log);
  }
  EXPECT_EQ(b, pixels(65));
  EXPECT_EQ(6u, glyph(65)->width);
  EXPECT_EQ(a, pixels(66));
  EXPECT_EQ(1u, glyph(66)->changed);
  EXPECT_EQ(body, moduleBody());
  key(GDK_z, GDK_CONTROL_MASK);
  EXPECT_EQ(painted, pixels(65));
  EXPECT_EQ(3u, glyph(65)->width);
  EXPECT_EQ(b, pixels(66));
  EXPECT_EQ(0u, glyph(66)->changed);
  key(GDK_y, GDK_CONTROL_MASK);
  select(66);
  click("Res_tore");
  EXPECT_EQ(b, pixels(66));

  // More than a hundred steps are kept.
  const Bytes before = pixels(66);
  for (int i = 0; i < 110; i++) click("_Up");
  for (int i = 0; i < 110; i++) key(GDK_z, GDK_CONTROL_MASK);
  EXPECT_EQ(before, pixels(66));
  key(GDK_z, GDK_CONTROL_MASK);  // the Restore
  EXPECT_EQ(a, pixels(66));
}

// The list's menu, by mouse and keyboard: BDF export and refused import,
// and the letters a language needs that the font draws blank.
TEST_F(FontsTab, MenuExportsImportsAndMarksMissingLetters) {
  const Bytes german = languageBody(LANGUAGE_LAYOUT_32, {{"Größe", "Straße ö"}}, "CP1252");
  const Bytes russian = languageBody(LANGUAGE_LAYOUT_32, {{"Да"}}, "CP1251");
  load({ModuleBuilder().name("font_a").body(body).build(),
        ModuleBuilder().name("Lng_German").body(german).build(),
        ModuleBuilder().name("Lng_Russian").body(russian).build()});
  EXPECT_TRUE(guiRightClickRow(v->listView, 64));
  EXPECT_TRUE(menuShown(v));
  EXPECT_EQ(65u, v->current);
  guiKeyPress(v->listView, GDK_F10, GDK_SHIFT_MASK);
  EXPECT_TRUE(menuShown(v));

  EXPECT_FALSE(marked(246));
  missingFor("Lng_German");
  EXPECT_TRUE(marked(246));  // ö
  EXPECT_TRUE(marked(223));  // ß
  EXPECT_FALSE(marked(65));
  EXPECT_FALSE(marked(32));  // a blank space is meant to be blank
  EXPECT_EQ("2 letters that Lng_German uses are drawn blank (marked red).", tooltipLine());
  select(246);
  paint(1, 2, 2);
  EXPECT_FALSE(marked(246));
  EXPECT_EQ("1 letter that Lng_German uses is drawn blank (marked red).", tooltipLine());

  const std::string exported = dir.file("font_a.bdf"), bad = dir.file("bad.bdf");
  ASSERT_TRUE(writeFile(bad, bytesOf("STARTFONT 2.1\nENDCHAR\n")));
  {
    DialogScript script;
    script.choose(exported).choose(bad);
    guiActivate(menuItem(v->menu, "Export BDF…"));
    guiActivate(menuItem(v->menu, "Import BDF…"));
    EXPECT_EQ((std::vector<std::string>{"Export BDF in  as font_a.bdf", "Import BDF in ",
                                        "error: Unable to import bad.bdf:\nline 2: the file ends before ENDFONT"}),
              script.log);
  }
  Bytes file = readFile(exported);
  EXPECT_NE(std::string::npos, std::string(file.begin(), file.end()).find("BITMAP\n00\n00\n20\n00\n"));

  key(GDK_z, GDK_CONTROL_MASK);
  EXPECT_TRUE(marked(246));

  // The choice outlasts the view, and "None" clears the marks.
  load({ModuleBuilder().name("font_b").body(body).build(),
        ModuleBuilder().name("Lng_German").body(languageBody(LANGUAGE_LAYOUT_32, {{"ä"}}, "CP1252")).build()});
  EXPECT_TRUE(marked(228));
  missingFor("None");
  EXPECT_FALSE(marked(228));
  EXPECT_EQ(0u, tooltipLine().find("Right-click"));
}

}  // namespace
