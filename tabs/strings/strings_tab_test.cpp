// SPDX-License-Identifier: MIT
#include "tabs/strings/strings_tab.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "pool/memory.h"
#include "shell/editor_page.h"
#include "tabs/strings/language_view.h"
#include "tests/support/body_builders.h"
#include "tests/support/gui_driver.h"

namespace {

Bytes german(const char* first, const char* third, const char* fourth) {
  return languageBody(LANGUAGE_LAYOUT_32, {{first, std::nullopt, third, fourth, "Weiter"}},
                      "CP1252");
}

Bytes moduleBody(int index) {
  uint32_t size = 0;
  MallocPtr<uint8_t> b(moduleGetBody(poolGet(shellGetCurrentPool(), index), &size));
  return Bytes(b.get(), b.get() + size);
}

// Lng_German beside its reference Lng_English (0/2 and 0/3 the same in both), Lng_Russian
// (CP1251) with "Da" and the byte 0x98, which CP1251 cannot decode, and a font (J 2 wide, a 5).
class StringsTab : public GuiTest {
 protected:
  enum { NUMBER, REFERENCE, TEXT, WIDTH, CHANGED };  // the list's columns
  void SetUp() override {
    GuiTest::SetUp();
    auto m = [](const char* n, const Bytes& b) { return ModuleBuilder().name(n).body(b).build(); };
    Bytes english = languageBody(LANGUAGE_LAYOUT_32, {{"Yes", "Maybe", "Nein", "", "Next"}}, "CP1252");
    ASSERT_TRUE(writeFile(
        good, imageOf({kernel, m("Lng_German", german("Ja", "Nein", "")), m("Lng_English", english),
                       m("Lng_Russian", {0, 2, 0, 6, 0, 9, 'D', 'a', 0, 0x98, 0, 0}),
                       m("font_test", fontBodyWidths(2, {{'J', 2}, {'a', 5}}))})));
    open(good);
  }
  void open(const std::string& path) {
    GuiTest::open(path);
    ru = viewGetRecord<LanguageView>(guiEditorView(3, 2));
    de = viewGetRecord<LanguageView>(guiEditorView(3, 0));
    while (gtk_events_pending()) gtk_main_iteration();
  }

  static std::string cell(LanguageView* v, int c, int row) { return guiCellText(v->treeView, c, row); }
  // The column's renderer, set up to draw the row.
  static GObject* renderer(LanguageView* v, int column, int row) {
    GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(v->treeView));
    GtkTreeViewColumn* c = gtk_tree_view_get_column(GTK_TREE_VIEW(v->treeView), column);
    GtkTreeIter iter;
    gtk_tree_model_iter_nth_child(model, &iter, nullptr, row);
    gtk_tree_view_column_cell_set_cell_data(c, model, &iter, FALSE, FALSE);
    GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(c));
    GObject* cell = G_OBJECT(cells->data);
    g_list_free(cells);
    return cell;
  }
  static bool shows(LanguageView* v, int column, int row, const char* property) {
    gboolean on = FALSE;
    g_object_get(renderer(v, column, row), property, &on, nullptr);
    return on;
  }
  static bool marked(LanguageView* v, int row) { return shows(v, CHANGED, row, "visible"); }
  static void edit(LanguageView* v, int row, const char* text) {
    g_signal_emit_by_name(renderer(v, TEXT, row), "edited", std::to_string(row).c_str(), text);
  }
  static void commit() {
    for (int page : {0, 3}) gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), page);
  }
  int rows() { return gtk_tree_model_iter_n_children(gtk_tree_view_get_model(GTK_TREE_VIEW(de->treeView)), nullptr); }
  static GtkWidget* item(GtkWidget* menu, const char* label) { return guiChildLabelled(menu, label); }

  LanguageView *de, *ru;
};

// Edits follow the module's code page. Return and F2 edit the cursor row's text, from any column
// or the search box; Escape and Ctrl+Z drop an open edit, a lost focus and the commit enter it.
TEST_F(StringsTab, KeyboardEditsRefusalsSayWhyAndKeepTheEarlierEdit) {
  edit(ru, 0, "\xD0\x94\xD0\xB0");  // "Да"
  EXPECT_EQ("\\x98", cell(ru, TEXT, 1));
  edit(ru, 1, "\\x98");

  gtk_widget_grab_focus(de->treeView);
  guiType(GDK_Down);  // the cursor comes to the first row, in the "#" column
  guiType(GDK_Return);
  ASSERT_TRUE(de->editable);
  guiTypeText("Nie");
  guiType(GDK_Escape);
  EXPECT_EQ("Ja", cell(de, TEXT, 0));
  guiType(GDK_f, GDK_CONTROL_MASK);
  guiTypeText("nei");
  guiType(GDK_Return);  // closes the search box
  guiTypeText("Nee");  // the editor's text is selected: typing replaces it
  guiType(GDK_Return);

  DialogScript script;
  guiType(GDK_F2);
  guiType(GDK_End);
  guiType(GDK_space);
  guiType(GDK_Cyrillic_ZHE);  // not in CP1252
  guiType(GDK_Return);
  EXPECT_EQ("Nee", cell(de, TEXT, 1));
  EXPECT_TRUE(marked(de, 1));
  ASSERT_TRUE(guiWaitFor([&] { return !script.log.empty(); }));  // once the editor is gone
  EXPECT_EQ(std::vector<std::string>{"error: Text 0/2 was not changed:\n\"\xD0\x96\" (U+0416) is "
                                     "not in CP1252"},
            script.log);
  guiType(GDK_Return);
  guiTypeText("Nix");
  guiType(GDK_z, GDK_CONTROL_MASK);  // Ctrl+Z drops an open edit
  EXPECT_EQ("Nee", cell(de, TEXT, 1));
  guiType(GDK_Return);
  guiTypeText("Nit");
  gtk_widget_grab_focus(de->treeView);
  EXPECT_EQ("Nit", cell(de, TEXT, 1));
  guiType(GDK_Return);
  guiTypeText("Nu");
  commit();
  EXPECT_EQ(german("Ja", "Nu", ""), moduleBody(1));
  EXPECT_EQ(Bytes({0, 2, 0, 6, 0, 9, 0xC4, 0xE0, 0, 0x98, 0, 0}), moduleBody(3));
}

// A reference whose view was never built is read from its module, then follows the view's
// edits; the search takes it. The inner tab names the filter.
TEST_F(StringsTab, ReferenceSearchWidthAndFilterFollowEdits) {
  // Shift+F10 pops the list's menu up, which makes its submenus.
  ASSERT_TRUE(guiKeyPress(de->treeView, GDK_F10, GDK_SHIFT_MASK) && gtk_widget_get_visible(de->menu));
  gtk_menu_popdown(GTK_MENU(de->menu));
  guiActivate(item(de->referenceMenu, "Lng_English"));
  GtkWidget* inner = guiOnlyChild(gtk_notebook_get_nth_page(GTK_NOTEBOOK(shellGetNotebook()), 3));
  EXPECT_EQ(nullptr, editorPageViewOf(gtk_notebook_get_nth_page(GTK_NOTEBOOK(inner), 1)));
  EXPECT_EQ("Yes", cell(de, REFERENCE, 0));
  // The search takes the reference too; a miss turns the box red; F3 goes round the ends.
  auto red = [](GtkWidget* box) {
    return (gtk_widget_get_modifier_style(box)->color_flags[GTK_STATE_NORMAL] & GTK_RC_BASE) != 0;
  };
  auto cursorRow = [this] {
    GtkTreePath* path = nullptr;
    gtk_tree_view_get_cursor(GTK_TREE_VIEW(de->treeView), &path, nullptr);
    const int row = path ? gtk_tree_path_get_indices(path)[0] : -1;
    gtk_tree_path_free(path);
    return row;
  };
  gtk_widget_grab_focus(de->treeView);
  guiTypeText("ext");  // only in English "Next"
  ASSERT_TRUE(de->searchEntry);
  EXPECT_FALSE(red(de->searchEntry));
  EXPECT_EQ(3, cursorRow());
  guiTypeText("z");
  EXPECT_TRUE(red(de->searchEntry));
  guiType(GDK_Escape);
  guiTypeText("EI");
  EXPECT_EQ(1, cursorRow());  // "Nein"
  guiType(GDK_Escape);
  guiType(GDK_F3, GDK_SHIFT_MASK);
  EXPECT_EQ(3, cursorRow());  // "Weiter"
  guiType(GDK_F3);
  EXPECT_EQ(1, cursorRow());  // round the end
  edit(viewGetRecord<LanguageView>(guiEditorView(3, 1)), 4, "Onward");  // 0/4: English has 0/1
  EXPECT_EQ("Onward", cell(de, REFERENCE, 3));

  guiActivate(item(de->measureMenu, "font_test"));
  edit(de, 0, "Jaa");
  EXPECT_EQ("12", cell(de, WIDTH, 0));  // J 2 + a 5 + a 5, wider than "Ja": red
  EXPECT_TRUE(shows(de, WIDTH, 0, "foreground-set"));
  EXPECT_FALSE(shows(de, WIDTH, 1, "foreground-set"));

  // An edit while filtered takes the row out of the filter.
  guiActivate(item(de->menu, "Show same as reference"));
  ASSERT_EQ(2, rows());
  EXPECT_EQ("Lng_German (same as reference)", guiLabelText(editorViewTabLabel(de->top)));
  edit(de, 1, "Leer");
  EXPECT_EQ(1, rows());
  commit();
  EXPECT_EQ(german("Jaa", "Nein", "Leer"), moduleBody(1));
}

// Edits, a revert and an import are one undo step each; a new edit cuts the redo.
TEST_F(StringsTab, ExportImportAndUndoRedoByKeys) {
  const std::string po = dir.file("de.po"), tsv = dir.file("de.tsv");
  ASSERT_TRUE(
      writeFile(tsv, bytesOf("key\treference\ttext\n0/4\t\tWeiter!\n0/0\t\tJawohl\n0/1\t\tx\n")));
  edit(de, 0, "Jo");
  edit(de, 0, "Joo");
  DialogScript script;
  script.choose(po).choose(tsv);
  guiActivate(de->exportItem);
  guiActivate(de->importItem);
  EXPECT_EQ("warning: 2 texts were imported. Refused:\n0/1: the entry is absent", script.log.back());
  const Bytes exported = readFile(po);
  EXPECT_NE(std::string::npos, std::string(exported.begin(), exported.end()).find("msgstr \"Joo\"\n"));
  g_signal_emit_by_name(renderer(de, CHANGED, 0), "toggled", "0");  // a click on the mark
  EXPECT_EQ("Ja", cell(de, TEXT, 0));
  EXPECT_FALSE(marked(de, 0));
  gtk_widget_grab_focus(de->treeView);
  guiType(GDK_z, GDK_CONTROL_MASK);
  EXPECT_EQ("Jawohl", cell(de, TEXT, 0));
  EXPECT_TRUE(marked(de, 0));
  guiType(GDK_z, GDK_CONTROL_MASK);  // the import, whole
  EXPECT_EQ("Joo", cell(de, TEXT, 0));
  EXPECT_EQ("Weiter", cell(de, TEXT, 3));
  guiType(GDK_z, GDK_CONTROL_MASK);
  guiType(GDK_z, GDK_CONTROL_MASK);
  EXPECT_EQ("Ja", cell(de, TEXT, 0));
  EXPECT_FALSE(marked(de, 0));
  guiType(GDK_y, GDK_CONTROL_MASK);
  EXPECT_EQ("Jo", cell(de, TEXT, 0));
  edit(de, 2, "leer");  // a new edit: nothing left to redo
  guiType(GDK_y, GDK_CONTROL_MASK);
  EXPECT_EQ("Jo", cell(de, TEXT, 0));
  commit();
  EXPECT_EQ(german("Jo", "Nein", "leer"), moduleBody(1));
}

}  // namespace
