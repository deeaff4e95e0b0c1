// SPDX-License-Identifier: MIT
// The Palette's hex entry, swatch tooltips and marks, and its popup menu
// with the palette and items files, in the real window.
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
  bool hexRed() { return gtk_widget_get_modifier_style(v->hexEntry)->color_flags[GTK_STATE_NORMAL] & GTK_RC_BASE; }
  std::string hex() { return gtk_entry_get_text(GTK_ENTRY(v->hexEntry)); }
  void typeInHex(const char* text) {
    guiType(GDK_h, GDK_MOD1_MASK);  // the mnemonic selects the whole text
    ASSERT_TRUE(focusIs(v->hexEntry));
    guiTypeText(text);
  }
  // A swatch's tooltip as shown for the keyboard: Ctrl+F1 shows it and hides it.
  std::string tooltipOf(int32_t e) {
    gtk_widget_grab_focus(v->swatches[e]);
    guiType(GDK_F1, GDK_CONTROL_MASK);
    std::string text;
    EXPECT_TRUE(guiWaitFor([&] { return !(text = guiTooltipText()).empty(); })) << e;
    guiType(GDK_F1, GDK_CONTROL_MASK);
    EXPECT_TRUE(guiWaitFor([] { return guiTooltipText().empty(); }));
    return text;
  }
  // The marks as drawn: a dot in the bottom left corner, a triangle in the top right.
  bool unusedMark(int32_t e) { return swatchMarked(e, v->swatches[e]->allocation.height - 4); }
  bool editedMark(int32_t e) { return swatchMarked(e, 3); }
  bool menuShown() {
    bool shown = gtk_widget_get_visible(v->menu);
    gtk_menu_popdown(GTK_MENU(v->menu));
    return shown;
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
  EXPECT_EQ(std::make_tuple(2u, 1u, 4u), sliders());
  EXPECT_EQ("#100821", hex());
  EXPECT_EQ(16, red(v->swatchPixbufs[12]));
  undo();  // one step, from the entry too
  EXPECT_EQ(28u, sliderValue(0));
  EXPECT_FALSE(t->colorIsChanged(t, 12));
  guiType(GDK_y, GDK_CONTROL_MASK);
  gtk_range_set_value(GTK_RANGE(v->sliders[2]), 31);
  EXPECT_EQ("#1008ff", hex());  // a slider's move shows

  // The colour an entry shows already keeps its word, here with bit 15 clear.
  select("0:4");  // entry 35: 15, 8, 28
  typeInHex("#7b42e6");
  guiType(GDK_Return);
  EXPECT_FALSE(t->colorIsChanged(t, 35));
  select("0:2");  // the transparent entry takes no colour
  EXPECT_FALSE(sensitive(v->hexEntry));
  commit();
  EXPECT_EQ(0x8000u | 2 << 10 | 1 << 5 | 31, beGet16(moduleBody().data() + 2 + 2 * 12));
}

// A swatch's tooltip tells its entry, colour, channels and uses (headings aside); marks show unused
// and edited entries. Both follow edits, assignments and undo.
TEST_F(ColorsPalette, TooltipsAndMarksFollowUsesAndEdits) {
  gtk_widget_grab_focus(v->treeView);
  select("0:0");
  EXPECT_TRUE(unusedMark(40));
  EXPECT_FALSE(unusedMark(41) || editedMark(40) || editedMark(12) || unusedMark(12));
  gtk_range_set_value(GTK_RANGE(v->sliders[0]), 31);
  EXPECT_TRUE(editedMark(12));
  EXPECT_FALSE(unusedMark(12));
  gtk_button_clicked(GTK_BUTTON(v->restoreButton));
  gtk_widget_grab_focus(v->treeView);  // the focus line would cross the rows read
  EXPECT_FALSE(editedMark(12));

  EXPECT_EQ("Entry 40: #42ffbd\nR: 8, G: 31, B: 23\nnot used", tooltipOf(40));
  EXPECT_NE(std::string::npos, tooltipOf(0).find("\nused by 5 items"));  // the 15 headings' word 0 is no entry
  EXPECT_EQ("Entry 11: #bd00a4\nR: 23, G: 0, B: 20\nused by 6 items\ntransparent", tooltipOf(11));

  gtk_widget_grab_focus(v->swatches[40]);
  guiType(GDK_Return);  // item 1 takes entry 40
  gtk_range_set_value(GTK_RANGE(v->sliders[0]), 7);
  EXPECT_EQ("Entry 40: #3affbd\nR: 7, G: 31, B: 23\nused by 1 item\nedited since loading", tooltipOf(40));
  gtk_widget_grab_focus(v->treeView);
  EXPECT_FALSE(unusedMark(40));
  undo();
  undo();
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
  button(static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(v->swatches[0]), "selrect")), GDK_BUTTON_PRESS, 1, 1);
  EXPECT_TRUE(menuShown());  // between the swatches

  gtk_widget_grab_focus(v->treeView);
  select("0:0");
  GtkWidget* swatch = v->swatches[12];
  button(swatch, GDK_BUTTON_PRESS, 5, 5);  // a drag may begin yet
  EXPECT_FALSE(gtk_widget_get_visible(v->menu));
  button(swatch, GDK_BUTTON_RELEASE, 6, 5);
  EXPECT_TRUE(menuShown());
  button(swatch, GDK_BUTTON_PRESS, 5, 5);
  button(swatch, GDK_BUTTON_RELEASE, -30, 5);  // let go elsewhere
  EXPECT_FALSE(menuShown());
  // A drag with button 3, cancelled by Escape with the button still down:
  // its release over the swatch is no click.
  button(swatch, GDK_BUTTON_PRESS, 5, 5);
  button(swatch, GDK_MOTION_NOTIFY, 40, 5);
  GtkWidget* drag = gtk_grab_get_current();  // the drag's own widget has the pointer and the keys
  ASSERT_NE(nullptr, drag);
  guiKeyPress(drag, GDK_Escape);
  ASSERT_TRUE(guiWaitFor([] { return !gtk_grab_get_current(); }));
  EXPECT_FALSE(menuShown());  // GTK ends a drag with a release of its own
  button(swatch, GDK_BUTTON_RELEASE, 6, 5);
  EXPECT_FALSE(menuShown());

  guiType(GDK_Tab);
  ASSERT_TRUE(focusIs(swatch));
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
  EXPECT_EQ(0u, textOf(items).find("index\tname\tentry\tred\tgreen\tblue\n0\t"));

  // Entry 12 red, the transparent entry 11 black: only entry 12 changes.
  std::string text = textOf(gpl);
  const size_t at12 = text.find("230  90 156\tentry 12"), at11 = text.find("189   0 164\tentry 11");
  ASSERT_TRUE(at12 != std::string::npos && at11 != std::string::npos);
  text.replace(at12, 11, "255   0   0").replace(at11, 11, "  0   0   0");
  ASSERT_TRUE(writeFile(gpl, bytesOf(text)));
  script.choose(gpl);
  menuRun("Import palette…");
  EXPECT_EQ("warning: day.gpl was imported.\nentry 11 is the transparent entry: its colour is kept\n",
            script.log.back());
  EXPECT_EQ(255, red(v->swatchPixbufs[12]));
  EXPECT_EQ(255, red(v->swatchPixbufs[11]));  // the transparent marker's white, not the entry's 189
  EXPECT_EQ(body, moduleBody());
  gtk_widget_grab_focus(v->treeView);
  undo();
  EXPECT_FALSE(t->colorIsChanged(t, 12));
  guiType(GDK_y, GDK_CONTROL_MASK);
  commit();
  Bytes expected = body;
  beSet16(expected.data() + 2 + 2 * 12, 0xFC00);
  EXPECT_EQ(expected, moduleBody());

  // A JASC-PAL file of any name; a palette short of a colour is refused whole.
  text = textOf(pal);
  text.replace(20, text.find("\r\n", 20) - 20, "1 9 27");  // entry 0
  ASSERT_TRUE(writeFile(jasc, bytesOf(text)));
  text = textOf(gpl);
  ASSERT_TRUE(writeFile(shortGpl, bytesOf(text.erase(text.rfind("\n", text.size() - 2) + 1))));
  script.choose(jasc).choose(shortGpl);
  menuRun("Import palette…");
  EXPECT_EQ(0x8023u, colorTableWord(t, 0));  // 0, 1, 3: shown 0 8 25
  const size_t steps = v->history->undoCount();
  menuRun("Import palette…");
  EXPECT_EQ("error: Unable to import short.gpl:\nline 63: 59 colours, not 60", script.log.back());
  EXPECT_EQ(steps, v->history->undoCount());

  // An item given another entry: the palette follows the selected item.
  select("0:0");
  ASSERT_TRUE(writeFile(items, bytesOf("index\tname\tentry\tred\tgreen\tblue\n1\tbackgr. guiding screen\t40\t\t\t\n")));
  script.choose(items);
  menuRun("Import items…");
  EXPECT_EQ(40u, t->itemGetColor(t, 1));
  EXPECT_EQ(40, v->selected);
  gtk_widget_grab_focus(v->treeView);
  undo();
  EXPECT_EQ(12, v->selected);
}

}  // namespace
