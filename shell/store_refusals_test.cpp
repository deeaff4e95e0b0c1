// SPDX-License-Identifier: MIT
// The editor's stores in the real window: modules nobody edited come out of
// a Save byte for byte, whatever their layout, and a store a module cannot
// take is told on every Save while it stands.
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "shell/editor_page.h"
#include "tabs/fonts/font_view.h"
#include "tabs/fonts/glyph_edit.h"
#include "tabs/strings/language_view.h"
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
  EXPECT_EQ(0, poolIsModified(shellGetCurrentPool()));
}

// Several modules of each kind in layouts no editor writes; one page of the
// Strings tab shown and a text edited there, one page of the Fonts tab shown:
// a Save changes that module alone, as when every view was built at the
// open and stored.
TEST_F(GuiTest, SaveAfterVisitingOnePageOfManyChangesItsModuleAlone) {
  const Bytes texts = languageBody(LANGUAGE_LAYOUT_32, {{"Ja", "Nein"}}, "CP1252");
  const Bytes lngA = module("Lng_A", texts, 12, 0), lngC = module("Lng_C", languageBodyTails(40), 12, 0);
  const Bytes fonts[] = {module("font_a", fontBody(1), 4, 4), module("font_b", fontBody(2), 4, 4)};
  const Bytes colors[] = {module("rom_col", colorBody(0x0033), 0, 4), module("rom_col2", colorBody(0x0035), 8, 4)};
  ASSERT_TRUE(writeFile(good, imageOf({lngA, module("Lng_B", texts, 12, 0), lngC, fonts[0], fonts[1], colors[0],
                                       colors[1]})));
  open(good);
  auto* view = viewGetRecord<LanguageView>(guiEditorView(3, 1));
  ASSERT_TRUE(view);
  ASSERT_TRUE(guiWaitFor([view] { return gtk_widget_has_focus(view->treeView); }));  // the list, laid out
  guiType(GDK_Down);  // the cursor comes to the first row
  guiType(GDK_Return);
  ASSERT_TRUE(view->editable);
  guiTypeText("Jo");
  guiType(GDK_Return);
  EXPECT_EQ("Jo", guiCellText(view->treeView, 2, 0));
  ASSERT_TRUE(guiEditorView(4, 1));
  const std::string saved = dir.file("saved.img");
  DialogScript script;
  script.choose(saved);
  guiActivate(shellGetMenu()->save);
  const Bytes edited = module("Lng_B", languageBody(LANGUAGE_LAYOUT_32, {{"Jo", "Nein"}}, "CP1252"));
  EXPECT_EQ(imageOf({lngA, edited, lngC, fonts[0], fonts[1], colors[0], colors[1]}), readFile(saved));
}

// A font whose glyphs cannot be stored in 16-bit offsets once edited.
TEST_F(GuiTest, RefusedStoreIsToldOnEverySave) {
  ASSERT_TRUE(writeFile(good, imageOf({module("font_overlap", fontBodyOverlapping())})));
  open(good);
  showPage(4);
  auto* view = viewGetRecord<FontView>(guiEditorView(4));
  ASSERT_TRUE(guiWaitFor([&] { return gtk_widget_get_mapped(view->glyphEdit); }));
  // A press in the middle of the grid paints a dot there.
  GdkEvent* press = gdk_event_new(GDK_BUTTON_PRESS);
  press->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(view->glyphEdit)));
  press->button.x = view->glyphEdit->allocation.width / 2;
  press->button.y = view->glyphEdit->allocation.height / 2;
  press->button.button = 1;
  gtk_widget_event(view->glyphEdit, press);
  gdk_event_free(press);

  const std::string told =
      "warning: These edits cannot be stored; each module keeps its previous contents:\n\n"
      "font_overlap: the font is too large to be stored: its glyphs would need offsets beyond "
      "65535 bytes";
  DialogScript script;
  script.cancel().cancel();
  showPage(0);  // told when the tab is left
  showPage(4);
  showPage(0);  // not again on leaving the tab
  guiActivate(shellGetMenu()->save);
  guiActivate(shellGetMenu()->save);
  ASSERT_EQ(5u, script.log.size());
  for (size_t i : {0, 1, 3}) EXPECT_EQ(told, script.log[i]);
  for (size_t i : {2, 4}) EXPECT_EQ(0u, script.log[i].find("Save File in "));
  EXPECT_EQ(0, poolIsModified(shellGetCurrentPool()));
}

}  // namespace
