#include "tabs/modules/modules_tab.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "pool/be.h"
#include "tabs/modules/module_columns.h"
#include "tests/support/gui_driver.h"

namespace {

using ModulesTab = GuiTest;

GtkWidget* view() { return modulesTabGetWidgets()->view; }

std::string hex(const char* format, unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The menu item is clicked on the menu that the right-click opened.
void activate(GtkWidget* item) {
  gtk_menu_shell_activate_item(GTK_MENU_SHELL(modulesTabGetWidgets()->menu), item, TRUE);
}

int selectedRow() {
  GtkTreeModel* model;
  GtkTreeIter iter;
  if (!gtk_tree_selection_get_selected(gtk_tree_view_get_selection(GTK_TREE_VIEW(view())), &model, &iter))
    return -1;
  GtkTreePath* path = gtk_tree_model_get_path(model, &iter);
  int row = gtk_tree_path_get_indices(path)[0];
  gtk_tree_path_free(path);
  return row;
}

TEST_F(ModulesTab, CellsShowEveryColumnAsDrawn) {
  EXPECT_EQ("File not loaded", guiLabelText(guiOnlyChild(modulesTabGetWidgets()->container)));
  open(good);
  std::vector<std::string> row, titles;
  for (int c = 0; c < MC_COUNT; c++) {
    row.push_back(guiCellText(view(), c, 2));
    titles.push_back(gtk_tree_view_column_get_title(gtk_tree_view_get_column(GTK_TREE_VIEW(view()), c)));
  }
  EXPECT_EQ((std::vector<std::string>{"#", "Name", "Size", "Type", "Access", "Language", "Attribute",
                                      "Revision", "Edition", "Parity", "CRC"}),
            titles);
  EXPECT_EQ((std::vector<std::string>{"2", "diag", "108", "user defined", "-e-r-e-r-e-r", "1F", "A0",
                                      "7", "513", hex("%04X", beGet16(&diag[86])),
                                      hex("%06X", beGet24(&diag[105]))}),
            row);
  EXPECT_EQ("-e-r-e-r-ewr", guiCellText(view(), MC_ACCESS, 0));

  // Size, parity and CRC follow an edit without a refill.
  const uint8_t body[] = {9, 8, 7, 6, 5};
  moduleSetBody(poolGet(shellGetCurrentPool(), 0), body, sizeof body);
  Bytes rebuilt = ModuleBuilder().name("col_day").access(0x0557).body({9, 8, 7, 6, 5}).build();
  EXPECT_EQ("108", guiCellText(view(), MC_SIZE, 0));
  EXPECT_EQ(hex("%06X", beGet24(&rebuilt[105])), guiCellText(view(), MC_CRC, 0));

  // Names are 8-bit text; the list shows them readably.
  poolMarkSaved(shellGetCurrentPool());  // no question on the next Open
  ASSERT_TRUE(writeFile(good, ModuleBuilder().name("M\xFCller").build()));
  open(good);
  EXPECT_EQ("M\xC3\xBCller", guiCellText(view(), MC_NAME, 0));
}

TEST_F(ModulesTab, RightClickSelectsTheRowAndOpensTheMenu) {
  open(good);
  GtkWidget* menu = modulesTabGetWidgets()->menu;
  EXPECT_TRUE(guiRightClickRow(view(), 1));
  EXPECT_EQ(1, selectedRow());
  EXPECT_TRUE(gtk_widget_get_visible(menu));
  gtk_menu_popdown(GTK_MENU(menu));
  // Below the last row, the selected row is the one the menu acts on.
  EXPECT_TRUE(guiRightClickRow(view(), -1));
  EXPECT_EQ(1, modulesTabGetSelectedIndex());
  gtk_menu_popdown(GTK_MENU(menu));
  // With nothing selected, no menu.
  gtk_tree_selection_unselect_all(gtk_tree_view_get_selection(GTK_TREE_VIEW(view())));
  guiRightClickRow(view(), -1);
  EXPECT_FALSE(gtk_widget_get_visible(menu));
}

TEST_F(ModulesTab, SaveModuleWritesAOneModuleImage) {
  open(good);
  ASSERT_TRUE(guiRightClickRow(view(), 2));
  DialogScript script;
  script.choose(dir.file("diag.mod")).cancel();
  activate(modulesTabGetWidgets()->saveItem);
  guiActivate(shellGetMenu()->save);
  ASSERT_EQ(2u, script.seen().size());
  EXPECT_EQ("diag", script.seen()[0].name);  // the suggested file name
  EXPECT_EQ(diag, readFile(dir.file("diag.mod")));
  EXPECT_EQ(dir.path(), script.seen()[1].folder);  // shares File > Save's folder
}

TEST_F(ModulesTab, ReplaceChecksSyncWordAndName) {
  open(good);
  Module* old = poolGet(shellGetCurrentPool(), 2);
  std::string file = dir.file("diag.mod");
  ASSERT_TRUE(writeFile(file, ModuleBuilder().name("diagnose").build()));
  ASSERT_TRUE(guiRightClickRow(view(), 2));
  {
    DialogScript script;
    script.choose(file).close();
    activate(modulesTabGetWidgets()->replaceItem);
    ASSERT_EQ(2u, script.seen().size());
    EXPECT_EQ("\nUnable to replace module 'diag'\nNew module has different name: 'diagnose'.",
              script.seen()[1].text);
  }
  {  // No file can carry another sync word: change the shown module's instead.
    moduleSetField(old, MF_SYNC, 0x4DAD0003);
    ASSERT_TRUE(writeFile(file, diag));
    DialogScript script;
    script.choose(file).close();
    activate(modulesTabGetWidgets()->replaceItem);
    EXPECT_EQ("\nUnable to replace module 'diag'\nNew module has different architecture.",
              script.seen().at(1).text);
    moduleSetField(old, MF_SYNC, 0x4DAD0002);
  }
  EXPECT_EQ(0, poolIsModified(shellGetCurrentPool()));

  Bytes newer = ModuleBuilder().name("diag").edition(9).body(Bytes(100, 0x77)).build();
  ASSERT_TRUE(writeFile(file, imageOf({newer, kernel})));
  DialogScript script;
  script.choose(file);
  activate(modulesTabGetWidgets()->replaceItem);
  EXPECT_EQ("200", guiCellText(view(), MC_SIZE, 2));
  EXPECT_EQ("data", guiCellText(view(), MC_TYPE, 2));
  EXPECT_EQ(2, selectedRow());
  EXPECT_EQ(1, poolIsModified(shellGetCurrentPool()));
}

}  // namespace
