// SPDX-License-Identifier: MIT
#include "tabs/fonts/fonts_tab.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "pool/memory.h"
#include "shell/editor_page.h"
#include "pool/glib_memory.h"
#include "tabs/fonts/font_view.h"
#include "tabs/fonts/glyph_edit.h"
#include "tabs/strings/language_codec.h"
#include "tests/support/body_builders.h"
#include "tests/support/gui_driver.h"

namespace {

// A 6 x 8 font ('A', 'B' six wide, code 1 three wide and blank), its body padded and its
// module laid out with gaps, so the module stored shows whether it is the one read.
class FontsTab : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    body = fontBody(1);
    body.resize(body.size() + 4);
    module = ModuleBuilder().name("font_a").body(body).gaps(4, 8).build();
    load({kernel, module});
  }
  void load(std::initializer_list<Bytes> modules) {
    ASSERT_TRUE(writeFile(good, imageOf(modules)));
    open(good);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 4);
    v = viewGetRecord<FontView>(guiEditorView(4));
    while (gtk_events_pending()) gtk_main_iteration();
  }

  FontGlyph* glyph(uint32_t code) { return fontGlyphAt(v->glyphs, code); }
  Bytes pixels(uint32_t code) { return Bytes(glyph(code)->pixels, glyph(code)->pixels + 48); }
  void select(uint32_t code) {
    GtkTreePath* path = gtk_tree_path_new_from_indices(int(code - 1), -1);
    gtk_tree_view_set_cursor(GTK_TREE_VIEW(v->listView), path, nullptr, FALSE);
    gtk_tree_path_free(path);
  }
  // A press or release of button, or motion with button 1 held, on the editor's cell (x, y).
  void editorEvent(GdkEventType type, int x, int y, guint button = 1) {
    const int step = GLYPH_EDIT(v->glyphEdit)->dotSize + 4;
    const double px = v->glyphEdit->allocation.width / 2 - 6 * step / 2 + 1 + x * step + step / 2;
    const double py = v->glyphEdit->allocation.height / 2 - 8 * step / 2 + 1 + y * step + step / 2;
    GdkEvent* event = gdk_event_new(type);
    event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(v->glyphEdit)));
    if (type == GDK_MOTION_NOTIFY) event->motion.x = px, event->motion.y = py, event->motion.state = GDK_BUTTON1_MASK;
    else event->button.x = px, event->button.y = py, event->button.button = button;
    gtk_widget_event(v->glyphEdit, event);
    gdk_event_free(event);
  }
  void paint(guint button, int x, int y) { editorEvent(GDK_BUTTON_PRESS, x, y, button); }
  // A key pressed in the glyph list, as the window hands it on: Ctrl+Z unless said otherwise.
  void key(guint keyval = GDK_z, guint state = GDK_CONTROL_MASK) {
    gtk_widget_grab_focus(v->listView);
    guiKeyPress(shellGetMainWindow(), keyval, state);
  }
  void click(const char* label) {
    gtk_button_clicked(GTK_BUTTON(guiChildLabelled(gtk_widget_get_parent(v->restoreButton), label)));
  }
  // Its submenu is made as the list's menu pops up.
  void missingFor(const std::string& language) {
    guiKeyPress(v->listView, GDK_F10, GDK_SHIFT_MASK);
    gtk_menu_popdown(GTK_MENU(v->menu));
    GtkWidget* item = guiChildLabelled(v->menu, "Missing for");
    guiActivate(guiChildLabelled(gtk_menu_item_get_submenu(GTK_MENU_ITEM(item)), language));
  }
  // Whether the glyph's code is marked as missing, as drawn.
  bool marked(uint32_t code) {
    guiCellText(v->listView, 0, int(code - 1));  // gives the code's cell its data
    GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(gtk_tree_view_get_column(GTK_TREE_VIEW(v->listView), 0)));
    gboolean set = FALSE;
    g_object_get(cells->data, "cell-background-set", &set, nullptr);
    g_list_free(cells);
    return set;
  }
  void enter(GtkWidget* entry, const char* text) {
    gtk_entry_set_text(GTK_ENTRY(entry), text);
    gtk_widget_activate(entry);
  }
  int previewWidth(const char* text) {
    enter(v->previewEntry, text);
    return gdk_pixbuf_get_width(gtk_image_get_pixbuf(GTK_IMAGE(v->previewImage)));
  }
  // The font module as the pool holds it, header to CRC.
  Bytes stored() {
    uint32_t size = 0;
    MallocPtr<uint8_t> bytes(moduleGetData(poolGet(shellGetCurrentPool(), 1), &size));
    return Bytes(bytes.get(), bytes.get() + size);
  }
  void commit() {
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 0);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 4);
  }

  Bytes body, module;
  FontView* v;
};

TEST_F(FontsTab, EditingMarksAndUnmarks) {
  select(65);
  const Bytes a = pixels(65);
  paint(1, 0, 7);  // below the letter
  EXPECT_TRUE(gtk_widget_is_sensitive(v->restoreButton));
  paint(3, 0, 7);
  EXPECT_FALSE(gtk_widget_is_sensitive(v->restoreButton));

  for (const char* ignored : {"0", "256", "-3", "4294967297"}) enter(v->copyEntry, ignored);
  EXPECT_EQ(a, pixels(65));
  EXPECT_STREQ("", gtk_entry_get_text(GTK_ENTRY(v->copyEntry)));
  ASSERT_NE(a, pixels(255));
  enter(v->copyEntry, "255");  // the last code is one to copy from
  EXPECT_EQ(pixels(255), pixels(65));
  enter(v->copyEntry, "1");
  EXPECT_EQ(pixels(1), pixels(65));
  EXPECT_EQ(3, gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(v->widthSpin)));

  EXPECT_EQ(3 + 6, previewWidth("AB"));
  click("Res_tore");
  EXPECT_EQ(a, pixels(65));
  EXPECT_EQ(6, previewWidth("A"));
}

// Unedited, the module stays the block read; edited, the font is encoded.
TEST_F(FontsTab, StoreKeepsTheBlockReadOrEncodesTheFont) {
  commit();
  EXPECT_EQ(module, stored());
  select(66);
  paint(1, 5, 7);
  commit();
  EXPECT_NE(module, stored());

  // A width typed but not yet taken by the spin still counts.
  gtk_entry_set_text(GTK_ENTRY(v->widthSpin), "2");
  commit();
  EXPECT_EQ(2u, glyph(66)->width);
  EXPECT_NE(module, stored());
}

// A stroke, a width change, Clear and an import are one step each, undone and redone in order.
TEST_F(FontsTab, UndoAndRedoStepThroughEdits) {
  select(65);
  const Bytes a = pixels(65), b = pixels(66);
  guiKeyPress(v->glyphEdit, GDK_Shift_L);  // the window gets the keyboard, as a drag needs
  paint(1, 0, 7);  // a stroke of two dots below the letter
  editorEvent(GDK_MOTION_NOTIFY, 1, 7);
  editorEvent(GDK_BUTTON_RELEASE, 1, 7);
  Bytes painted = a;
  painted[42] = painted[43] = 0xFF;
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(v->widthSpin), 3);
  click("_Clear");
  key();
  EXPECT_EQ(painted, pixels(65));
  EXPECT_EQ(3u, glyph(65)->width);
  key();  // the width change
  EXPECT_EQ(6, gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(v->widthSpin)));
  EXPECT_EQ(6u, glyphEditGetVisibleWidth(GLYPH_EDIT(v->glyphEdit)));
  key();  // the whole stroke
  EXPECT_EQ(a, pixels(65));
  EXPECT_FALSE(gtk_widget_is_sensitive(v->restoreButton));
  key();  // nothing left
  key(GDK_Z, GDK_CONTROL_MASK | GDK_SHIFT_MASK);
  key(GDK_y);
  EXPECT_EQ(3u, glyph(65)->width);

  // An import (a dot for 'A', a blank 'B') is one step; the module changes only on commit.
  const std::string bdf = dir.file("edit.bdf");
  ASSERT_TRUE(writeFile(bdf, bytesOf("STARTFONT 2.1\nFONTBOUNDINGBOX 6 8 0 0\nSTARTCHAR a\nENCODING 65\n"
                                     "DWIDTH 6 0\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\nSTARTCHAR b\nENCODING 66\n"
                                     "DWIDTH 6 0\nBBX 0 0 0 0\nBITMAP\nENDCHAR\nENDFONT\n")));
  DialogScript script;
  script.choose(bdf);
  guiActivate(guiChildLabelled(v->menu, "Import BDF…"));
  Bytes dot(48);
  dot[42] = 0xFF;
  EXPECT_EQ(dot, pixels(65));
  EXPECT_EQ(1u, glyph(66)->changed);
  EXPECT_EQ(module, stored());
  key();
  EXPECT_EQ(painted, pixels(65));
  EXPECT_EQ(3u, glyph(65)->width);
  EXPECT_EQ(b, pixels(66));
}

// The list's menu: BDF export, a refused import, and the letters a language needs drawn blank.
TEST_F(FontsTab, MenuExportsImportsAndMarksMissingLetters) {
  const Bytes russian = languageBody(LANGUAGE_LAYOUT_32, {{"Да"}}, "CP1251");
  const Bytes german = languageBody(LANGUAGE_LAYOUT_32, {{"Größe", "Straße ö"}}, "CP1252");
  load({ModuleBuilder().name("font_a").body(body).build(), ModuleBuilder().name("Lng_Russian").body(russian).build(),
        ModuleBuilder().name("Lng_German").body(german).build()});
  EXPECT_TRUE(guiRightClickRow(v->listView, 64));
  EXPECT_TRUE(gtk_widget_get_visible(v->menu));
  gtk_menu_popdown(GTK_MENU(v->menu));
  EXPECT_EQ(65u, v->current);

  missingFor("Lng_German");  // not the first language: its letters are other ones
  EXPECT_TRUE(marked(246));  // ö, and ß; a blank space is meant to be blank
  EXPECT_EQ(0u, std::string(GCharPtr(gtk_widget_get_tooltip_text(v->listView)).get())
                    .find("2 letters that Lng_German uses are drawn blank (marked red).\n"));
  select(246);
  paint(1, 2, 2);
  EXPECT_FALSE(marked(246));

  const std::string exported = dir.file("font_a.bdf"), bad = dir.file("bad.bdf");
  ASSERT_TRUE(writeFile(bad, bytesOf("STARTFONT 2.1\nENDCHAR\n")));
  {
    DialogScript script;
    script.choose(exported).choose(bad);
    guiActivate(guiChildLabelled(v->menu, "Export BDF…"));
    guiActivate(guiChildLabelled(v->menu, "Import BDF…"));
    EXPECT_EQ((std::vector<std::string>{"Export BDF in " + dir.path() + " as font_a.bdf", "Import BDF in " + dir.path(),
                                        "error: Unable to import bad.bdf:\nline 2: the file ends before ENDFONT"}),
              script.log);
  }
  const Bytes file = readFile(exported);
  EXPECT_NE(std::string::npos, std::string(file.begin(), file.end()).find("BITMAP\n00\n00\n20\n00\n"));
  key();
  EXPECT_TRUE(marked(246));
  missingFor("None");
  EXPECT_FALSE(marked(246));
}

// The grid by keys alone: arrows stop at the edges, a Space is one step, a
// Shift stroke one more; Ctrl with plus, minus or 0 zooms, the window keeping its size.
TEST_F(FontsTab, KeysPaintStepByStepAndZoom) {
  select(65);
  const Bytes a = pixels(65);
  gtk_widget_grab_focus(v->glyphEdit);
  for (guint k : {GDK_Page_Down, GDK_Right, GDK_Left, GDK_space}) guiType(k);  // cell 0, 7: below the letter
  guiKeyDown(GDK_Shift_L);
  for (int i = 0; i < 2; i++) guiType(GDK_Right, GDK_SHIFT_MASK);
  guiKeyUp(GDK_Shift_L, GDK_SHIFT_MASK);
  for (guint k : {GDK_space, GDK_End, GDK_Right, GDK_space}) guiType(k);  // 2, 7 cleared; 5, 7 set
  Bytes painted = a;
  painted[42] = painted[43] = painted[47] = 0xFF;
  EXPECT_EQ(painted, pixels(65));
  for (int i = 0; i < 2; i++) guiType(GDK_z, GDK_CONTROL_MASK);
  painted[44] = 0xFF, painted[47] = 0;
  EXPECT_EQ(painted, pixels(65));
  guiType(GDK_z, GDK_CONTROL_MASK);  // the whole stroke
  painted[43] = painted[44] = 0;
  EXPECT_EQ(painted, pixels(65));
  guiType(GDK_z, GDK_CONTROL_MASK);
  EXPECT_EQ(a, pixels(65));
  commit();
  EXPECT_EQ(module, stored());

  load({ModuleBuilder().name("font_b").body(fontBody(2)).build()});  // 12 x 16
  GlyphEdit* editor = GLYPH_EDIT(v->glyphEdit);
  gtk_widget_grab_focus(v->glyphEdit);
  guiType(GDK_plus, GDK_CONTROL_MASK | GDK_SHIFT_MASK);
  EXPECT_EQ(6, glyphEditGetDotSize(editor));
  for (int i = 0; i < 2; i++) guiType(GDK_minus, GDK_CONTROL_MASK);
  EXPECT_EQ(4, glyphEditGetDotSize(editor));
  guiType(GDK_0, GDK_CONTROL_MASK);
  EXPECT_EQ(5, glyphEditGetDotSize(editor));
  for (int i = 0; i < 30; i++) guiType(GDK_equal, GDK_CONTROL_MASK);
  EXPECT_EQ(32, glyphEditGetDotSize(editor));
  GtkRequisition window;
  gtk_widget_size_request(shellGetMainWindow(), &window);
  EXPECT_EQ(700 * 10000 + 580, window.width * 10000 + window.height);
}

// Type-ahead by code, the controls' mnemonics, and Tab from the list to the grid.
TEST_F(FontsTab, TheListAndTheControlsByKeys) {
  gtk_widget_grab_focus(v->listView);
  guiTypeText("65");
  EXPECT_EQ(65u, v->current);
  guiType(GDK_Escape);
  const Bytes a = pixels(65);
  auto alt = [](std::initializer_list<guint> keys) { for (guint k : keys) guiType(k, GDK_MOD1_MASK); };
  alt({GDK_w});
  EXPECT_EQ(v->widthSpin, guiFocus());
  alt({GDK_u, GDK_l});
  Bytes shifted(48);  // up and left by one, wrapping around the whole cell
  for (int i = 0; i < 48; i++) shifted[i] = a[(i / 6 + 1) % 8 * 6 + (i % 6 + 1) % 6];
  EXPECT_EQ(shifted, pixels(65));
  alt({GDK_d, GDK_r});
  EXPECT_EQ(a, pixels(65));
  gtk_widget_grab_focus(v->listView);
  guiType(GDK_Tab);
  EXPECT_EQ(v->glyphEdit, guiFocus());
}

}  // namespace
