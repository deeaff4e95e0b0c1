// SPDX-License-Identifier: MIT
#include "tabs/modules/modules_tab.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pool/memory.h"
#include "tabs/modules/module_columns.h"
#include "tests/support/gui_driver.h"

namespace {

using ModulesTab = GuiTest;

GtkWidget* view() { return modulesTabGetWidgets()->view; }
GtkWidget* menu() { return modulesTabGetWidgets()->menu; }

void activate(GtkWidget* item) { gtk_menu_shell_activate_item(GTK_MENU_SHELL(menu()), item, TRUE); }

int cursorRow() {
  GtkTreePath* path = nullptr;
  gtk_tree_view_get_cursor(GTK_TREE_VIEW(view()), &path, nullptr);
  int row = path ? gtk_tree_path_get_indices(path)[0] : -1;
  gtk_tree_path_free(path);
  return row;
}

// The row the menu would act on, or -1 when no menu opened.
int menuRow() {
  bool shown = gtk_widget_get_visible(menu());
  gtk_menu_popdown(GTK_MENU(menu()));
  return shown ? modulesTabGetSelectedIndex() : -1;
}

TEST_F(ModulesTab, ListReplacesTheLabelAndDrawsLiveCells) {
  GtkWidget* container = modulesTabGetWidgets()->container;
  EXPECT_EQ("File not loaded", guiLabelText(guiOnlyChild(container)));
  open(good);
  EXPECT_EQ("<none>", guiLabelText(guiOnlyChild(container)));
  EXPECT_EQ("diag", guiCellText(view(), MC_NAME, 2));

  const uint8_t body[] = {9, 8, 7, 6, 5};  // cells drawn from the module, following an edit
  moduleSetBody(poolGet(shellGetCurrentPool(), 0), body, sizeof body);
  EXPECT_EQ("108", guiCellText(view(), MC_SIZE, 0));

  poolMarkSaved(shellGetCurrentPool());  // no question on the next Open; 8-bit names shown readably
  ASSERT_TRUE(writeFile(good, ModuleBuilder().name("M\xFCller").build()));
  open(good);
  EXPECT_EQ("M\xC3\xBCller", guiCellText(view(), MC_NAME, 0));

  // Among 300 names the Name column is as wide as the widest: the fewest letters, but the widest ones.
  std::vector<std::string> names;
  Bytes image;
  for (int i = 0; i < 300; i++) {
    names.push_back(i == 150 ? "WMWMWMWMWMWMWM" : "lng_" + std::to_string(i) + "_iiiiiiiiiiiil");
    const Bytes m = ModuleBuilder().name(names.back()).build();
    image.insert(image.end(), m.begin(), m.end());
  }
  poolMarkSaved(shellGetCurrentPool());
  ASSERT_TRUE(writeFile(good, image));
  open(good);
  GtkTreeViewColumn* column = gtk_tree_view_get_column(GTK_TREE_VIEW(view()), MC_NAME);
  GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(column));
  int widest = 0;
  for (const std::string& name : names) {
    g_object_set(cells->data, "text", name.c_str(), nullptr);
    gint width = 0;
    gtk_tree_view_column_cell_get_size(column, nullptr, nullptr, nullptr, &width, nullptr);
    widest = std::max(widest, width);
  }
  g_list_free(cells);
  gint separator = 0;
  gtk_widget_style_get(view(), "horizontal-separator", &separator, nullptr);
  EXPECT_EQ(widest + separator, gtk_tree_view_column_get_fixed_width(column));
}

TEST_F(ModulesTab, KeyboardAndMouse) {
  open(good);
  // Type-ahead goes by name, not by "#".
  for (guint key : {GDK_d, GDK_i}) guiKeyPress(view(), key);
  EXPECT_EQ(2, cursorRow());
  // A page switch with nothing changed keeps the list: a refill would drop the cursor.
  gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 1);
  gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 0);
  EXPECT_EQ(2, cursorRow());
  EXPECT_TRUE(guiKeyPress(view(), GDK_F10, GDK_SHIFT_MASK));  // the menu for the cursor row
  EXPECT_EQ(2, menuRow());
  EXPECT_TRUE(guiRightClickRow(view(), 1));  // a right-click moves the cursor to its row
  EXPECT_EQ(1, menuRow());
}

TEST_F(ModulesTab, SaveAndReplaceModule) {
  open(good);
  ASSERT_TRUE(guiRightClickRow(view(), 2));
  Module* old = poolGet(shellGetCurrentPool(), 2);
  std::string file = dir.file("diag.mod");
  DialogScript script;
  script.choose(file);
  activate(modulesTabGetWidgets()->saveItem);
  EXPECT_EQ(diag, readFile(file));
  ASSERT_TRUE(writeFile(file, ModuleBuilder().name("diagnose").build()));
  script.choose(file);
  activate(modulesTabGetWidgets()->replaceItem);
  EXPECT_EQ(0, poolIsModified(shellGetCurrentPool()));

  Bytes newer = ModuleBuilder().name("diag").edition(9).body(Bytes(100, 0x77)).build();
  ASSERT_TRUE(writeFile(file, imageOf({newer, kernel})));
  script.choose(file);
  activate(modulesTabGetWidgets()->replaceItem);
  std::string open = "Open File in " + dir.path();
  EXPECT_EQ((std::vector<std::string>{"Save File in " + dir.path() + " as diag", open,
                                      "error: \nUnable to replace module 'diag'\nNew module has different name: 'diagnose'.", open}),
            script.log);
  EXPECT_EQ("200", guiCellText(view(), MC_SIZE, 2));
  MallocPtr<uint8_t> data(moduleGetData(old, nullptr));
  EXPECT_EQ(newer, Bytes(data.get(), data.get() + newer.size()));
  EXPECT_EQ(1, poolIsModified(shellGetCurrentPool()));
}

}  // namespace
