// SPDX-License-Identifier: MIT
// The editor's stores in the real window: unedited modules saved byte for byte, a refused store told.
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "shell/editor_page.h"
#include "tabs/fonts/font_view.h"
#include "tests/support/body_builders.h"
#include "tests/support/gui_driver.h"

namespace {

Bytes module(const char* name, const Bytes& body, uint32_t gapName = 0, uint32_t gapBody = 0) {
  return ModuleBuilder().name(name).body(body).gaps(gapName, gapBody).build();
}

void showPage(int page) { gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), page); }

// Every editor tab visited, so every view is built and stored.
TEST_F(GuiTest, UneditedModulesSaveByteForByte) {
  const Bytes image = imageOf({module("romicons", iconsBodyShared(), 8, 4),
                               module("rombitmaps", imagesBody(0, {{0, 8, 1, {0x81}}}), 4, 8),
                               module("rom_col", colorBody(0x0033), 0, 4),
                               module("Lng_Tails", languageBodyTails(40), 12, 0),
                               module("font_a", fontBody(1), 4, 4)});
  ASSERT_TRUE(writeFile(good, image));
  open(good);
  for (int page : {1, 2, 3, 4, 0}) showPage(page);
  const std::string saved = dir.file("saved.img");
  DialogScript script;
  script.choose(saved);
  guiActivate(shellGetMenu()->save);
  EXPECT_EQ(image, readFile(saved));
}

// A font whose glyphs cannot be stored in 16-bit offsets once edited: told on every Save, Open and Quit.
TEST_F(GuiTest, RefusedStoreIsToldOnEverySaveOpenAndQuit) {
  ASSERT_TRUE(writeFile(good, imageOf({module("font_overlap", fontBodyOverlapping())})));
  open(good);
  showPage(4);
  auto* view = viewGetRecord<FontView>(guiEditorView(4));
  ASSERT_TRUE(guiKeyPress(view->glyphEdit, GDK_space));  // inverts the cell under the cursor

  const std::string told = "warning: These edits cannot be stored; each module keeps its previous contents:\n\n"
                          "font_overlap: the font is too large to be stored: its glyphs would need offsets beyond 65535 bytes";
  DialogScript script;
  script.cancel().cancel().cancel();
  showPage(0);  // told when the tab is left
  showPage(4);
  showPage(0);  // not again on leaving the tab
  const ShellMenu* menu = shellGetMenu();
  for (GtkWidget* item : {menu->save, menu->save, menu->open, menu->quit}) guiActivate(item);
  const std::string save = "Save File in " + dir.path(), open = "Open File in " + dir.path();
  EXPECT_EQ((std::vector<std::string>{told, told, save, told, save, told, open, told}), script.log);
  EXPECT_EQ(1, guiQuitCount());  // nothing modified: no question
}

}  // namespace
