#include "tabs/modules/modules_tab.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "pool/be.h"
#include "pool/memory.h"
#include "tabs/modules/module_columns.h"
#include "tests/support/gui_driver.h"

namespace {

using ModulesTab = GuiTest;

GtkWidget* view() { return modulesTabGetWidgets()->view; }
GtkWidget* menu() { return modulesTabGetWidgets()->menu; }

// The menu item is clicked on the menu that the right-click opened.
void activate(GtkWidget* item) { gtk_menu_shell_activate_item(GTK_MENU_SHELL(menu()), item, TRUE); }

int cursorRow() {
  GtkTreePath* path = nullptr;
  gtk_tree_view_get_cursor(GTK_TREE_VIEW(view()), &path, nullptr);
  int row = path ? gtk_tree_path_get_indices(path)[0] : -1;
  gtk_tree_path_free(path);
  return row;
}

void setCursor(int row) {
  GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
  gtk_tree_view_set_cursor(GTK_TREE_VIEW(view()), path, nullptr, FALSE);
  gtk_tree_path_free(path);
}

bool menuShown() {
  bool shown = gtk_widget_get_visible(menu());
  gtk_menu_popdown(GTK_MENU(menu()));
  return shown;
}

TEST_F(ModulesTab, ListReplacesTheLabelAndDrawsLiveCells) {
  GtkWidget* container = modulesTabGetWidgets()->container;
  EXPECT_EQ("File not loaded", guiLabelText(guiOnlyChild(container)));
  open(good);
  EXPECT_FALSE(GTK_IS_LABEL(guiOnlyChild(container)));
  EXPECT_EQ("diag", guiCellText(view(), MC_NAME, 2));

  // Size, parity and CRC follow an edit without a refill.
  const uint8_t body[] = {9, 8, 7, 6, 5};
  moduleSetBody(poolGet(shellGetCurrentPool(), 0), body, sizeof body);
  Bytes rebuilt = ModuleBuilder().name("col_day").access(0x0557).body({9, 8, 7, 6, 5}).build();
  char crc[8];
  std::snprintf(crc, sizeof crc, "%06X", beGet24(&rebuilt[105]));
  EXPECT_EQ("108", guiCellText(view(), MC_SIZE, 0));
  EXPECT_EQ(crc, guiCellText(view(), MC_CRC, 0));

  // Names are 8-bit text; the list shows them readably.
  poolMarkSaved(shellGetCurrentPool());  // no question on the next Open
  ASSERT_TRUE(writeFile(good, ModuleBuilder().name("M\xFCller").build()));
  open(good);
  EXPECT_EQ("M\xC3\xBCller", guiCellText(view(), MC_NAME, 0));
}

// A page switch with nothing changed keeps the list as it was: no refill.
TEST_F(ModulesTab, PageSwitchKeepsTheList) {
  open(good);
  setCursor(2);
  gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 1);
  gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 0);
  EXPECT_EQ(2, cursorRow());  // a refill would have dropped it
}

TEST_F(ModulesTab, MouseAndKeyboardOpenTheMenu) {
  open(good);
  EXPECT_TRUE(guiRightClickRow(view(), 1));
  EXPECT_EQ(1, cursorRow());
  EXPECT_TRUE(menuShown());
  // Below the last row, the selected row is the one the menu acts on.
  EXPECT_TRUE(guiRightClickRow(view(), -1) && menuShown());
  EXPECT_EQ(1, modulesTabGetSelectedIndex());
  // With nothing selected, no menu.
  gtk_tree_selection_unselect_all(gtk_tree_view_get_selection(GTK_TREE_VIEW(view())));
  guiRightClickRow(view(), -1);
  EXPECT_FALSE(menuShown());
  // Shift+F10 and the Menu key: the menu for the cursor row.
  setCursor(2);
  EXPECT_TRUE(guiKeyPress(view(), GDK_F10, GDK_SHIFT_MASK) && menuShown());
  EXPECT_EQ(2, modulesTabGetSelectedIndex());
  setCursor(0);
  EXPECT_TRUE(guiKeyPress(view(), GDK_Menu) && menuShown());
  EXPECT_EQ(0, modulesTabGetSelectedIndex());
}

TEST_F(ModulesTab, TypeAheadFindsTheName) {
  open(good);
  guiFocus(view());
  for (guint key : {GDK_d, GDK_i}) guiKeyPress(view(), key);
  EXPECT_EQ(2, cursorRow());
}

TEST_F(ModulesTab, SaveModuleWritesAOneModuleImage) {
  open(good);
  ASSERT_TRUE(guiRightClickRow(view(), 2));
  DialogScript script;
  script.choose(dir.file("diag.mod"));
  activate(modulesTabGetWidgets()->saveItem);
  EXPECT_EQ("diag", script.seen().at(0).name);  // the suggested file name
  EXPECT_EQ(diag, readFile(dir.file("diag.mod")));
}

TEST_F(ModulesTab, ReplaceChecksSyncWordAndName) {
  open(good);
  Module* old = poolGet(shellGetCurrentPool(), 2);
  std::string file = dir.file("diag.mod");
  ASSERT_TRUE(writeFile(file, ModuleBuilder().name("diagnose").build()));
  ASSERT_TRUE(guiRightClickRow(view(), 2));
  {
    DialogScript script;
    script.choose(file);
    activate(modulesTabGetWidgets()->replaceItem);
    EXPECT_EQ("\nUnable to replace module 'diag'\nNew module has different name: 'diagnose'.",
              script.seen().at(1).text);
  }
  EXPECT_EQ(0, poolIsModified(shellGetCurrentPool()));

  Bytes newer = ModuleBuilder().name("diag").edition(9).body(Bytes(100, 0x77)).build();
  ASSERT_TRUE(writeFile(file, imageOf({newer, kernel})));
  DialogScript script;
  script.choose(file);
  activate(modulesTabGetWidgets()->replaceItem);
  EXPECT_EQ("200", guiCellText(view(), MC_SIZE, 2));
  EXPECT_EQ(2, cursorRow());
  uint32_t length = 0;
  MallocPtr<uint8_t> data(moduleGetData(old, &length));
  EXPECT_EQ(newer, Bytes(data.get(), data.get() + length));
  EXPECT_EQ(1, poolIsModified(shellGetCurrentPool()));
}

}  // namespace
