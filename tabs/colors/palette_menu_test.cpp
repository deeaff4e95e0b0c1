// SPDX-License-Identifier: MIT
// The Palette's hex entry, swatch tooltips and marks, and its popup menu, in the real window.
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

// Return takes a typed colour as the nearest channels, one undo step; an unreadable one turns it red.
TEST_F(ColorsPalette, HexEntryTakesTypedColours) {
  EXPECT_FALSE(sensitive(v->hexEntry));
  gtk_widget_grab_focus(v->treeView);
  select("0:0");  // entry 12: 28, 11, 19
  const size_t steps = v->history->undoCount();
  typeInHex("#0c0zz0");
  guiType(GDK_Return);
  EXPECT_TRUE(hexRed());
  EXPECT_FALSE(t->colorIsChanged(t, 12));
  EXPECT_EQ(steps, v->history->undoCount());

  typeInHex("#0D0C1E");
  EXPECT_FALSE(hexRed());  // typing again clears it
  guiType(GDK_Return);
  EXPECT_EQ(std::make_tuple(2u, 1u, 4u), sliders());
  undo();  // one step, from the entry too
  EXPECT_EQ(28u, sliderValue(0));
  gtk_range_set_value(GTK_RANGE(v->sliders[2]), 31);
  EXPECT_EQ("#e65aff", hex());  // a slider's move shows

  // The colour an entry shows already keeps its word, here with bit 15 clear.
  select("0:4");  // entry 35: 15, 8, 28
  typeInHex("#7b42e6");
  guiType(GDK_Return);
  EXPECT_FALSE(t->colorIsChanged(t, 35));
  select("0:2");  // the transparent entry takes no colour
  EXPECT_FALSE(sensitive(v->hexEntry));
  commit();
  EXPECT_EQ(0x8000u | 28 << 10 | 11 << 5 | 31, beGet16(moduleBody().data() + 2 + 2 * 12));
}

// Tooltips and marks (unused, edited) follow edits, assignments and undo.
TEST_F(ColorsPalette, TooltipsAndMarksFollowUsesAndEdits) {
  gtk_widget_grab_focus(v->treeView);
  select("0:0");
  EXPECT_TRUE(unusedMark(40));
  EXPECT_FALSE(unusedMark(41) || editedMark(40) || editedMark(12) || unusedMark(12));
  gtk_range_set_value(GTK_RANGE(v->sliders[0]), 31);
  EXPECT_TRUE(editedMark(12));
  gtk_button_clicked(GTK_BUTTON(v->restoreButton));
  gtk_widget_grab_focus(v->treeView);  // the focus line would cross the rows read
  EXPECT_FALSE(editedMark(12));


  gtk_widget_grab_focus(v->swatches[40]);
  guiType(GDK_Return);  // item 1 takes entry 40
  gtk_range_set_value(GTK_RANGE(v->sliders[0]), 7);
  guiType(GDK_F1, GDK_CONTROL_MASK);  // the focused swatch's tooltip, shown and hidden by keys
  std::string tip;
  EXPECT_TRUE(guiWaitFor([&] { return !(tip = guiTooltipText()).empty(); }));
  EXPECT_EQ("Entry 40: #3affbd\nR: 7, G: 31, B: 23\nused by 1 item\nedited since loading", tip);
  guiType(GDK_F1, GDK_CONTROL_MASK);
  EXPECT_TRUE(guiWaitFor([] { return guiTooltipText().empty(); }));
  gtk_widget_grab_focus(v->treeView);
  EXPECT_FALSE(unusedMark(40));
  undo();
  undo();
  EXPECT_TRUE(unusedMark(40));
}

// The menu opens by a right-click outside the swatches or released over one without a drag,
// by Shift+F10 and the Menu key, with or without an item selected.
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
  guiType(GDK_Tab);
  ASSERT_TRUE(focusIs(swatch));
  guiType(GDK_Menu);
  EXPECT_TRUE(menuShown());
}

// Palettes out and back as the command line does it; an import is one undo step, committed.
TEST_F(ColorsPalette, PaletteAndItemsFiles) {
  DialogScript script;
  const std::string gpl = dir.file("day.gpl"), items = dir.file("day.tsv");
  script.choose(gpl);
  menuRun("Export palette…");
  EXPECT_EQ("Export Palette in " + dir.path() + " as rom_col_a.gpl", script.log[0]);

  // Entry 12 red, the transparent entry 11 black: only entry 12 changes.
  std::string text = textOf(gpl);
  text.replace(text.find("230  90 156\tentry 12"), 11, "255   0   0");
  text.replace(text.find("189   0 164\tentry 11"), 11, "  0   0   0");
  ASSERT_TRUE(writeFile(gpl, bytesOf(text)));
  script.choose(gpl);
  menuRun("Import palette…");
  EXPECT_EQ("warning: day.gpl was imported.\nentry 11 is the transparent entry: its colour is kept\n",
            script.log.back());
  EXPECT_EQ(255, red(v->swatchPixbufs[12]));
  EXPECT_EQ(body, moduleBody());
  gtk_widget_grab_focus(v->treeView);
  undo();
  EXPECT_FALSE(t->colorIsChanged(t, 12));
  guiType(GDK_y, GDK_CONTROL_MASK);
  commit();
  Bytes expected = body;
  beSet16(expected.data() + 2 + 2 * 12, 0xFC00);
  EXPECT_EQ(expected, moduleBody());

  // An item given another entry: the palette follows the selected item.
  select("0:0");
  script.choose(items).choose(items);
  menuRun("Export items…");
  EXPECT_EQ(0u, textOf(items).find("index\tname\tentry\tred\tgreen\tblue\n0\t"));
  ASSERT_TRUE(writeFile(items, bytesOf("index\tname\tentry\tred\tgreen\tblue\n1\tbackgr. guiding screen\t40\t\t\t\n")));
  menuRun("Import items…");
  EXPECT_EQ(40u, t->itemGetColor(t, 1));
  EXPECT_EQ(40, v->selected);
  gtk_widget_grab_focus(v->treeView);
  undo();
  EXPECT_EQ(12, v->selected);
}

}  // namespace
