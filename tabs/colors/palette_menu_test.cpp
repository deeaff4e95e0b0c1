// SPDX-License-Identifier: MIT
// The Palette's hex entry, swatch tooltips and marks, and its popup menu
// with the palette and items files, in the real window.
#include <cstring>
#include <string>

#include "pool/be.h"
#include "tabs/colors/colors_tab_fixture.h"
#include "tabs/colors/palette_file.h"

namespace {

std::string textOf(const std::string& path) {
  Bytes b = readFile(path);
  return std::string(b.begin(), b.end());
}

// The fixture's table with entry 40 used by no item (its items take 41).
class ColorsPalette : public ColorsTab {
 protected:
  void bodyEdit() override {
    for (uint32_t i = 0; i < 310; i++)
      if (colorItemWord(body, i) == 41) colorItemWordSet(body, i, 42);
  }
  uint32_t word(const Bytes& b, uint32_t e) { return beGet16(b.data() + 2 + 2 * e); }
  // The colour items whose word names entry e.
  uint32_t itemsUsing(uint32_t e) {
    uint32_t n = 0;
    for (uint32_t i = 0; i < 310; i++) n += colorItemWord(body, i) == e + 1;
    return n;
  }
  bool hexRed() {
    return gtk_widget_get_modifier_style(v->hexEntry)->color_flags[GTK_STATE_NORMAL] & GTK_RC_BASE;
  }
  std::string hex() { return gtk_entry_get_text(GTK_ENTRY(v->hexEntry)); }
  void typeInHex(const char* text) {
    guiType(GDK_h, GDK_MOD1_MASK);  // the mnemonic selects the whole text
    ASSERT_TRUE(focusIs(v->hexEntry));
    guiTypeText(text);
  }
  // A swatch's tooltip as shown for the keyboard (Ctrl+F1 shows it).
  std::string tooltipOf(int32_t e) {
    gtk_widget_grab_focus(v->swatches[e]);
    guiType(GDK_F1, GDK_CONTROL_MASK);
    std::string text;
    EXPECT_TRUE(guiWaitFor([&] { return !(text = guiTooltipText()).empty(); })) << e;
    guiType(GDK_F1, GDK_CONTROL_MASK);  // and hides it again
    EXPECT_TRUE(guiWaitFor([] { return guiTooltipText().empty(); }));
    return text;
  }
  // Whether the marks show: a dot in the bottom left corner, a triangle in
  // the top right (each a row of the swatch as drawn).
  bool unusedMark(int32_t e) { return swatchMarked(e, v->swatches[e]->allocation.height - 4); }
  bool editedMark(int32_t e) { return swatchMarked(e, 3); }
  bool menuShown() {
    bool shown = gtk_widget_get_visible(v->menu);
    gtk_menu_popdown(GTK_MENU(v->menu));
    return shown;
  }
  // Button 3 going down or up at (x, y) of a widget's own window.
  void button3(GtkWidget* w, GdkEventType type, double x, double y) {
    GdkEvent* event = gdk_event_new(type);
    event->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(w)));
    event->button.x = x, event->button.y = y, event->button.button = 3;
    event->button.device = gdk_device_get_core_pointer();
    gtk_main_do_event(event);
    gdk_event_free(event);
  }
  void menuRun(const char* label) { guiActivate(guiChildLabelled(v->menu, label)); }
};

// Return takes a typed colour as the nearest 5-bit channels, one undo
// step; a colour it cannot read turns the entry red and changes nothing.
TEST_F(ColorsPalette, HexEntryTakesTypedColours) {
  EXPECT_FALSE(sensitive(v->hexEntry));
  gtk_widget_grab_focus(v->treeView);
  select("0:0");  // entry 12: 28, 11, 19
  EXPECT_EQ("#e65a9c", hex());
  const size_t steps = v->history->undoCount();
  typeInHex("#0c0zz0");
  guiType(GDK_Return);
  EXPECT_TRUE(hexRed());
  EXPECT_FALSE(t->colorIsChanged(t, 12));
  EXPECT_EQ(steps, v->history->undoCount());

  typeInHex("#");
  EXPECT_FALSE(hexRed());  // typing again clears it
  guiTypeText("0D0C1E");
  guiType(GDK_Return);  // 13 is nearer 16 than 8, 12 as near both: the lower; 30 is nearest 33
  EXPECT_EQ(std::make_tuple(2u, 1u, 4u), std::make_tuple(sliderValue(0), sliderValue(1), sliderValue(2)));
  EXPECT_EQ("#100821", hex());
  EXPECT_EQ(16, red(v->swatchPixbufs[12]));
  EXPECT_EQ(v->hexEntry, guiFocus());
  guiType(GDK_z, GDK_CONTROL_MASK);  // one step, from the entry too
  EXPECT_EQ("#e65a9c", hex());
  EXPECT_EQ(28u, sliderValue(0));
  EXPECT_FALSE(t->colorIsChanged(t, 12));
  guiType(GDK_y, GDK_CONTROL_MASK);
  EXPECT_EQ("#100821", hex());

  // The colour shown already keeps its word; a slider's move shows.
  typeInHex("#100821");
  guiType(GDK_Return);
  EXPECT_EQ(steps + 1, v->history->undoCount());
  gtk_range_set_value(GTK_RANGE(v->sliders[2]), 31);
  EXPECT_EQ("#1008ff", hex());
  select("0:2");  // the transparent entry takes no colour
  EXPECT_FALSE(sensitive(v->hexEntry));
  commit();
  EXPECT_EQ(0x8000u | 2 << 10 | 1 << 5 | 31, word(moduleBody(), 12));
}

// Each swatch tells its entry, colour, 5-bit channels and how many colour
// items use it, headings aside; the counts follow every assignment.
TEST_F(ColorsPalette, TooltipsCountTheItemsUsingAnEntry) {
  select("0:0");
  EXPECT_EQ("Entry 12: #e65a9c\nR: 28, G: 11, B: 19\nused by 7 items", tooltipOf(12));
  EXPECT_EQ("Entry 40: #42ffbd\nR: 8, G: 31, B: 23\nnot used", tooltipOf(40));
  ASSERT_GT(itemsUsing(0), 0u);  // headings have the word 0, naming no entry
  EXPECT_NE(std::string::npos, tooltipOf(0).find("\nused by " + std::to_string(itemsUsing(0)) + " items"));
  EXPECT_EQ("Entry 11: #bd00a4\nR: 23, G: 0, B: 20\nused by " + std::to_string(itemsUsing(11)) +
                " items\ntransparent",
            tooltipOf(11));

  // Enter on swatch 40 gives it to item 1: counted again, once.
  gtk_widget_grab_focus(v->swatches[40]);
  guiType(GDK_Return);
  ASSERT_EQ(40u, t->itemGetColor(t, 1));
  EXPECT_EQ("Entry 40: #42ffbd\nR: 8, G: 31, B: 23\nused by 1 item", tooltipOf(40));
  EXPECT_EQ("Entry 12: #e65a9c\nR: 28, G: 11, B: 19\nused by 6 items", tooltipOf(12));
  gtk_range_set_value(GTK_RANGE(v->sliders[0]), 7);
  EXPECT_EQ("Entry 40: #3affbd\nR: 7, G: 31, B: 23\nused by 1 item\nedited since loading", tooltipOf(40));
}

// The marks are drawn over the swatch, never into the picture the tree and
// the preview share; they follow edits, assignments and undo.
TEST_F(ColorsPalette, MarksOfUnusedAndEditedEntries) {
  gtk_widget_grab_focus(v->treeView);
  select("0:0");
  EXPECT_TRUE(unusedMark(40));
  EXPECT_FALSE(unusedMark(41) || editedMark(40) || editedMark(12) || unusedMark(12));
  GdkPixbuf* picture = v->swatchPixbufs[40];  // the tree's and the preview's too: one colour
  for (int y = 0; y < 24; y++)
    for (int x = 0; x < 24; x++)
      ASSERT_EQ(0, std::memcmp(gdk_pixbuf_get_pixels(picture),
                               gdk_pixbuf_get_pixels(picture) + y * gdk_pixbuf_get_rowstride(picture) + 3 * x, 3));

  gtk_range_set_value(GTK_RANGE(v->sliders[0]), 31);
  EXPECT_TRUE(editedMark(12));
  EXPECT_FALSE(unusedMark(12));
  gtk_button_clicked(GTK_BUTTON(v->restoreButton));
  gtk_widget_grab_focus(v->treeView);  // the focus line would cross the rows read
  EXPECT_FALSE(editedMark(12));

  gtk_widget_grab_focus(v->swatches[40]);
  guiType(GDK_Return);  // item 1 takes entry 40
  gtk_widget_grab_focus(v->treeView);
  EXPECT_FALSE(unusedMark(40));
  guiType(GDK_z, GDK_CONTROL_MASK);
  EXPECT_TRUE(unusedMark(40));
}

// The menu opens by a right-click in the frame outside the swatches, a
// right button released over a swatch without a drag, Shift+F10 and the
// Menu key, with or without a colour item selected.
TEST_F(ColorsPalette, MenuByMouseAndKeys) {
  gtk_widget_grab_focus(v->treeView);
  guiType(GDK_Tab);  // no entry selected: the frame itself takes the focus
  ASSERT_TRUE(focusIs(v->palette));
  guiType(GDK_F10, GDK_SHIFT_MASK);
  EXPECT_TRUE(menuShown());
  GtkWidget* ring = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(v->swatches[0]), "selrect"));
  button3(ring, GDK_BUTTON_PRESS, 1, 1);  // between the swatches
  EXPECT_TRUE(menuShown());

  gtk_widget_grab_focus(v->treeView);
  select("0:0");
  EXPECT_FALSE(gtk_widget_get_can_focus(v->palette));
  button3(v->swatches[12], GDK_BUTTON_PRESS, 5, 5);  // a drag may begin yet
  EXPECT_FALSE(gtk_widget_get_visible(v->menu));
  button3(v->swatches[12], GDK_BUTTON_RELEASE, 6, 5);
  EXPECT_TRUE(menuShown());
  button3(v->swatches[12], GDK_BUTTON_PRESS, 5, 5);
  button3(v->swatches[12], GDK_BUTTON_RELEASE, -30, 5);  // let go elsewhere
  EXPECT_FALSE(menuShown());
  // A drag with button 3, cancelled by Escape with the button still down:
  // its release over the swatch is no click.
  button3(v->swatches[12], GDK_BUTTON_PRESS, 5, 5);
  GdkEvent* motion = gdk_event_new(GDK_MOTION_NOTIFY);
  motion->motion.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(v->swatches[12])));
  motion->motion.x = 40, motion->motion.y = 5, motion->motion.state = GDK_BUTTON3_MASK;
  motion->motion.device = gdk_device_get_core_pointer();
  gtk_main_do_event(motion);
  gdk_event_free(motion);
  GtkWidget* drag = gtk_grab_get_current();  // the drag's own widget has the pointer and the keys
  ASSERT_NE(nullptr, drag);
  guiKeyPress(drag, GDK_Escape);
  ASSERT_TRUE(guiWaitFor([] { return !gtk_grab_get_current(); }));
  EXPECT_FALSE(menuShown());  // GTK ends a drag with a release of its own
  button3(v->swatches[12], GDK_BUTTON_RELEASE, 6, 5);
  EXPECT_FALSE(menuShown());

  guiType(GDK_Tab);
  ASSERT_TRUE(focusIs(v->swatches[12]));
  guiType(GDK_Menu);
  EXPECT_TRUE(menuShown());
  guiType(GDK_Tab);
  ASSERT_TRUE(focusIs(v->sliders[0]));
  guiType(GDK_F10, GDK_SHIFT_MASK);
  EXPECT_TRUE(menuShown());
}

// Palettes out and back as the command line writes and reads them; an
// import is one undo step and reaches the module on commit.
TEST_F(ColorsPalette, PaletteAndItemsFiles) {
  DialogScript script;
  const std::string gpl = dir.file("day.gpl"), pal = dir.file("day.pal"), jasc = dir.file("jasc.txt"),
                    shortGpl = dir.file("short.gpl"), items = dir.file("day.tsv");
  script.choose(gpl).choose(pal).choose(items);
  menuRun("Export palette…");
  menuRun("Export palette…");
  menuRun("Export items…");
  EXPECT_EQ("Export Palette in " + dir.path() + " as rom_col_a.gpl", script.log[0]);
  EXPECT_EQ("Export Items in " + dir.path() + " as rom_col_a.items.tsv", script.log[2]);
  std::string text = textOf(gpl);
  EXPECT_EQ(0u, text.find("GIMP Palette\nName: rom_col_a\nColumns: 8\n#\n"));
  EXPECT_EQ(0u, textOf(pal).find("JASC-PAL\r\n0100\r\n60\r\n"));
  EXPECT_EQ(0u, textOf(items).find("index\tname\tentry\tred\tgreen\tblue\n0\t"));

  // Entry 12 red, the transparent entry 11 black: only entry 12 changes.
  const size_t at12 = text.find("230  90 156\tentry 12"), at11 = text.find("189   0 164\tentry 11");
  ASSERT_NE(std::string::npos, at12);
  ASSERT_NE(std::string::npos, at11);
  text.replace(at12, 11, "255   0   0").replace(at11, 11, "  0   0   0");
  ASSERT_TRUE(writeFile(gpl, Bytes(text.begin(), text.end())));
  script.choose(gpl);
  menuRun("Import palette…");
  EXPECT_EQ("warning: day.gpl was imported.\nentry 11 is the transparent entry: its colour is kept\n",
            script.log.back());
  uint32_t r, g, b;
  t->colorGet(t, 12, &r, &g, &b);
  EXPECT_EQ(std::make_tuple(31u, 0u, 0u), std::make_tuple(r, g, b));
  EXPECT_EQ(255, red(v->swatchPixbufs[12]));
  EXPECT_EQ(body, moduleBody());
  gtk_widget_grab_focus(v->treeView);
  guiType(GDK_z, GDK_CONTROL_MASK);
  EXPECT_FALSE(t->colorIsChanged(t, 12));
  EXPECT_EQ(230, red(v->swatchPixbufs[12]));
  guiType(GDK_y, GDK_CONTROL_MASK);
  commit();
  Bytes expected = body;
  beSet16(expected.data() + 2 + 2 * 12, 0xFC00);
  EXPECT_EQ(expected, moduleBody());

  // A JASC-PAL file of any name; a palette short of a colour is refused whole.
  text = textOf(pal);
  text.replace(20, text.find("\r\n", 20) - 20, "1 9 27");  // entry 0
  ASSERT_TRUE(writeFile(jasc, Bytes(text.begin(), text.end())));
  text = textOf(dir.file("day.gpl"));
  text.erase(text.rfind("\n", text.size() - 2) + 1);
  ASSERT_TRUE(writeFile(shortGpl, Bytes(text.begin(), text.end())));
  script.choose(jasc).choose(shortGpl);
  menuRun("Import palette…");
  t->colorGet(t, 0, &r, &g, &b);
  EXPECT_EQ(std::make_tuple(0u, 1u, 3u), std::make_tuple(r, g, b));  // shown 0 8 25
  const size_t steps = v->history->undoCount();
  menuRun("Import palette…");
  EXPECT_EQ("error: Unable to import short.gpl:\nline 63: 59 colours, not 60", script.log.back());
  EXPECT_EQ(steps, v->history->undoCount());

  // An item given another entry: the palette follows the selected item.
  select("0:0");
  char name[COLOR_NAME_SIZE];
  t->itemGetName(t, 1, name);
  const std::string line = std::string("index\tname\tentry\tred\tgreen\tblue\n1\t") + name + "\t40\t\t\t\n";
  ASSERT_TRUE(writeFile(items, Bytes(line.begin(), line.end())));
  script.choose(items);
  menuRun("Import items…");
  EXPECT_EQ(40u, t->itemGetColor(t, 1));
  EXPECT_EQ(40, v->selected);
  EXPECT_TRUE(changedShown("0:0"));
  gtk_widget_grab_focus(v->treeView);
  guiType(GDK_z, GDK_CONTROL_MASK);
  EXPECT_EQ(12, v->selected);
}

}  // namespace
