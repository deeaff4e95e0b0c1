#include "tabs/modules/modules_tab.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tabs/modules/module_columns.h"
#include "tests/support/gui_fixture.h"

namespace {

using ModulesTab = GuiTest;

GtkWidget* view() { return modulesTabGetWidgets()->view; }

std::string hex(const char* format, unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

void activate(GtkWidget* item) {
  gtk_menu_shell_activate_item(GTK_MENU_SHELL(modulesTabGetWidgets()->menu), item, TRUE);
}

int selectedRow() {
  GtkTreeModel* model;
  GtkTreeIter iter;
  if (!gtk_tree_selection_get_selected(gtk_tree_view_get_selection(GTK_TREE_VIEW(view())), &model,
                                       &iter))
    return -1;
  GtkTreePath* path = gtk_tree_model_get_path(model, &iter);
  int row = gtk_tree_path_get_indices(path)[0];
  gtk_tree_path_free(path);
  return row;
}

TEST_F(ModulesTab, FileNotLoadedUntilFirstOpen) {
  GtkWidget* container = modulesTabGetWidgets()->container;
  EXPECT_EQ("File not loaded", guiLabelText(guiOnlyChild(container)));
  EXPECT_FALSE(gtk_widget_get_ancestor(view(), GTK_TYPE_WINDOW));  // nothing to click on
  open(good);
  EXPECT_TRUE(GTK_IS_HBOX(guiOnlyChild(container)));
  EXPECT_TRUE(gtk_widget_is_ancestor(view(), container));
}

TEST_F(ModulesTab, CellsShowEveryColumnInItsFormat) {
  open(good);
  GList* columns = gtk_tree_view_get_columns(GTK_TREE_VIEW(view()));
  ASSERT_EQ(11u, g_list_length(columns));
  g_list_free(columns);
  const char* titles[] = {"#", "Name", "Size", "Type", "Access", "Language", "Attribute",
                          "Revision", "Edition", "Parity", "CRC"};
  for (int c = 0; c < 11; c++) {
    GtkTreeViewColumn* column = gtk_tree_view_get_column(GTK_TREE_VIEW(view()), c);
    EXPECT_STREQ(titles[c], gtk_tree_view_column_get_title(column));
    EXPECT_EQ(0.5f, gtk_tree_view_column_get_alignment(column));
    EXPECT_EQ(c == MC_NAME, bool(gtk_tree_view_column_get_expand(column)));
  }
  std::vector<std::string> row;
  for (int c = 0; c < 11; c++) row.push_back(guiCellText(view(), c, 2));
  EXPECT_EQ((std::vector<std::string>{"2", "diag", std::to_string(diag.size()), "user defined",
                                      "-e-r-e-r-e-r", "1F", "A0", "7", "513",
                                      hex("%04X", beGet16(&diag[86])),
                                      hex("%06X", beGet24(&diag[diag.size() - 3]))}),
            row);
  EXPECT_EQ("-e-r-e-r-ewr", guiCellText(view(), MC_ACCESS, 0));
  EXPECT_EQ("system", guiCellText(view(), MC_TYPE, 1));

  // The name is drawn bold.
  GList* cells = gtk_cell_layout_get_cells(
      GTK_CELL_LAYOUT(gtk_tree_view_get_column(GTK_TREE_VIEW(view()), MC_NAME)));
  int weight = 0;
  g_object_get(cells->data, "weight", &weight, nullptr);
  g_list_free(cells);
  EXPECT_EQ(700, weight);
}

// Module names are 8-bit text; a GTK label takes only UTF-8.
TEST_F(ModulesTab, EightBitNamesAreShownReadably) {
  ASSERT_TRUE(writeFile(good, ModuleBuilder().name("M\xFCller").build()));
  open(good);
  EXPECT_EQ("M\xC3\xBCller", guiCellText(view(), MC_NAME, 0));
}

TEST_F(ModulesTab, SizeParityAndCrcAreReadWhenDrawn) {
  open(good);
  Module* m = poolGet(shellGetCurrentPool(), 0);
  const uint8_t body[] = {9, 8, 7, 6, 5, 4, 3, 2, 1};
  moduleSetBody(m, body, sizeof body);
  Bytes rebuilt = ModuleBuilder().name("col_day").access(0x0557).body({9, 8, 7, 6, 5, 4, 3, 2, 1})
                      .build();
  EXPECT_EQ(std::to_string(rebuilt.size()), guiCellText(view(), MC_SIZE, 0));
  EXPECT_EQ(hex("%04X", beGet16(&rebuilt[86])), guiCellText(view(), MC_PARITY, 0));
  EXPECT_EQ(hex("%06X", beGet24(&rebuilt[rebuilt.size() - 3])), guiCellText(view(), MC_CRC, 0));
}

TEST_F(ModulesTab, RightClickSelectsRowAndOpensMenu) {
  open(good);
  GtkWidget* menu = modulesTabGetWidgets()->menu;
  EXPECT_TRUE(guiRightClickRow(view(), 1));
  EXPECT_EQ(1, selectedRow());
  EXPECT_EQ(1, modulesTabGetSelectedIndex());
  EXPECT_TRUE(gtk_widget_get_visible(menu));
  gtk_menu_popdown(GTK_MENU(menu));

  // Below the last row, the row already selected is the one the menu acts on.
  EXPECT_TRUE(guiRightClickRow(view(), -1));
  EXPECT_EQ(1, modulesTabGetSelectedIndex());
  gtk_menu_popdown(GTK_MENU(menu));

  // With nothing selected such a click is left to the view: no menu.
  gtk_tree_selection_unselect_all(gtk_tree_view_get_selection(GTK_TREE_VIEW(view())));
  guiRightClickRow(view(), -1);
  EXPECT_EQ(-1, selectedRow());
  EXPECT_FALSE(gtk_widget_get_visible(menu));
}

TEST_F(ModulesTab, SaveModuleWritesOneModuleImage) {
  open(good);
  ASSERT_TRUE(guiRightClickRow(view(), 2));
  std::string target = dir.file("diag.mod");
  {
    DialogScript script;
    script.choose(target);
    activate(modulesTabGetWidgets()->saveItem);
    ASSERT_EQ(1u, script.seen().size());
    EXPECT_EQ("save-chooser", script.seen()[0].kind);
    EXPECT_EQ("diag", script.seen()[0].name);  // suggested file name
  }
  EXPECT_EQ(diag, readFile(target));
  char err[POOL_ERROR_SIZE];
  ModulePool* single = poolLoad(target.c_str(), err);
  ASSERT_NE(nullptr, single);
  EXPECT_EQ(1u, poolGetCount(single));
  poolFree(single);

  // The single-module save shares the Save File dialog's folder memory.
  DialogScript next;
  next.cancel();
  guiActivate(shellGetMenu()->save);
  ASSERT_EQ(1u, next.seen().size());
  EXPECT_EQ(dir.path(), next.seen()[0].folder);
}

TEST_F(ModulesTab, ReplaceWithSameNameUpdatesRowAndCountsAsUnsaved) {
  open(good);
  Bytes newer = ModuleBuilder().name("diag").type(4).edition(9).body(Bytes(100, 0x77)).build();
  std::string file = dir.file("diag.mod");
  ASSERT_TRUE(writeFile(file, imageOf({newer, kernel})));
  ASSERT_TRUE(guiRightClickRow(view(), 2));
  DialogScript script;
  script.choose(file);
  activate(modulesTabGetWidgets()->replaceItem);
  EXPECT_EQ(1u, script.seen().size());
  EXPECT_EQ(std::to_string(newer.size()), guiCellText(view(), MC_SIZE, 2));
  EXPECT_EQ(hex("%06X", beGet24(&newer[newer.size() - 3])), guiCellText(view(), MC_CRC, 2));
  EXPECT_EQ("data", guiCellText(view(), MC_TYPE, 2));
  EXPECT_EQ(2, selectedRow());
  EXPECT_EQ(1, poolIsModified(shellGetCurrentPool()));
}

TEST_F(ModulesTab, ReplaceRefusals) {
  open(good);
  Bytes other = ModuleBuilder().name("diagnose").build();
  std::string file = dir.file("other.mod");
  ASSERT_TRUE(writeFile(file, other));
  ASSERT_TRUE(guiRightClickRow(view(), 2));
  {
    DialogScript script;
    script.choose(file).close();
    activate(modulesTabGetWidgets()->replaceItem);
    ASSERT_EQ(2u, script.seen().size());
    EXPECT_EQ("error", script.seen()[1].kind);
    EXPECT_EQ("\nUnable to replace module 'diag'\nNew module has different name: 'diagnose'.",
              script.seen()[1].text);
  }
  {  // A module whose sync word was changed no longer matches any file's.
    Module* m = poolGet(shellGetCurrentPool(), 2);
    moduleSetField(m, MF_SYNC, 0x4DAD0003);
    ASSERT_TRUE(writeFile(file, diag));
    DialogScript script;
    script.choose(file).close();
    activate(modulesTabGetWidgets()->replaceItem);
    ASSERT_EQ(2u, script.seen().size());
    EXPECT_EQ("\nUnable to replace module 'diag'\nNew module has different architecture.",
              script.seen()[1].text);
    moduleSetField(m, MF_SYNC, 0x4DAD0002);
  }
  {  // A file that does not load is reported by the Open File dialog itself.
    ASSERT_TRUE(writeFile(file, bytesOf("ABCD")));
    DialogScript script;
    script.choose(file).close();
    activate(modulesTabGetWidgets()->replaceItem);
    ASSERT_EQ(2u, script.seen().size());
    EXPECT_EQ("Error loading file " + file + ":\n\nUnknown file format", script.seen()[1].text);
  }
  EXPECT_EQ(0, poolIsModified(shellGetCurrentPool()));
  uint32_t length = 0;
  uint8_t* data = moduleGetData(poolGet(shellGetCurrentPool(), 2), &length);
  EXPECT_EQ(diag, Bytes(data, data + length));
  free(data);
}

}  // namespace
