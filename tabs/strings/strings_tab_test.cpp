// SPDX-License-Identifier: MIT
#include "tabs/strings/strings_tab.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "pool/memory.h"
#include "shell/editor_page.h"
#include "pool/glib_memory.h"
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

// Lng_German beside its reference Lng_English (0/2 and 0/3 the same in both),
// Lng_Russian (CP1251) with "Da" and the byte 0x98, which CP1251 cannot
// decode, and a font whose J is 2 pixels wide, a 5, N 1, e 3, i 4, n 7 and
// every other letter 12.
class StringsTab : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    auto module = [](const char* name, const Bytes& body) {
      return ModuleBuilder().name(name).body(body).build();
    };
    Bytes english =
        languageBody(LANGUAGE_LAYOUT_32, {{"Yes", "Maybe", "Nein", "", "Next"}}, "CP1252");
    Bytes font = fontBodyWidths(2, {{'J', 2}, {'a', 5}, {'N', 1}, {'e', 3}, {'i', 4}, {'n', 7}});
    ASSERT_TRUE(
        writeFile(good, imageOf({kernel, module("Lng_German", german("Ja", "Nein", "")),
                                 module("Lng_English", english),
                                 module("Lng_Russian", {0, 2, 0, 6, 0, 9, 'D', 'a', 0, 0x98, 0, 0}),
                                 module("font_test", font)})));
    open(good);
  }
  void open(const std::string& path) {
    GuiTest::open(path);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 3);
    inner =
        GTK_NOTEBOOK(guiOnlyChild(gtk_notebook_get_nth_page(GTK_NOTEBOOK(shellGetNotebook()), 3)));
    ru = viewGetRecord<LanguageView>(guiEditorView(3, 2));
    de = viewGetRecord<LanguageView>(guiEditorView(3, 0));
    while (gtk_events_pending()) gtk_main_iteration();
  }

  // The column with the title, as the user sees it, or -1.
  static int column(LanguageView* v, const char* title) {
    for (int i = 0; GtkTreeViewColumn* c = gtk_tree_view_get_column(GTK_TREE_VIEW(v->treeView), i);
         i++)
      if (gtk_tree_view_column_get_visible(c) &&
          std::string(gtk_tree_view_column_get_title(c)) == title)
        return i;
    return -1;
  }
  static std::string cell(LanguageView* v, const char* title, int row) {
    return column(v, title) < 0 ? "<hidden>" : guiCellText(v->treeView, column(v, title), row);
  }
  // The column's renderer, set up to draw the row.
  static GObject* renderer(LanguageView* v, const char* title, int row) {
    GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(v->treeView));
    GtkTreeViewColumn* c = gtk_tree_view_get_column(GTK_TREE_VIEW(v->treeView), column(v, title));
    GtkTreeIter iter;
    gtk_tree_model_iter_nth_child(model, &iter, nullptr, row);
    gtk_tree_view_column_cell_set_cell_data(c, model, &iter, FALSE, FALSE);
    GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(c));
    GObject* cell = G_OBJECT(cells->data);
    g_list_free(cells);
    return cell;
  }
  static bool shows(LanguageView* v, const char* title, int row, const char* property) {
    gboolean on = FALSE;
    g_object_get(renderer(v, title, row), property, &on, nullptr);
    return on;
  }
  static bool marked(LanguageView* v, int row) { return shows(v, "Changed", row, "visible"); }
  static void edit(LanguageView* v, int row, const char* text) {
    g_signal_emit_by_name(renderer(v, "Text", row), "edited", std::to_string(row).c_str(), text);
  }
  static void commit() {
    for (int page : {0, 3}) gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), page);
  }
  GtkTreeView* tree() { return GTK_TREE_VIEW(de->treeView); }
  void startEditing(const char* text) {
    GtkTreePath* path = gtk_tree_path_new_first();
    gtk_tree_view_set_cursor(tree(), path, gtk_tree_view_get_column(tree(), column(de, "Text")),
                             TRUE);
    gtk_tree_path_free(path);
    ASSERT_TRUE(de->editable);
    gtk_entry_set_text(GTK_ENTRY(de->editable), text);
  }
  int rows() { return gtk_tree_model_iter_n_children(gtk_tree_view_get_model(tree()), nullptr); }
  std::string cursorColumn() {
    GtkTreeViewColumn* c = nullptr;
    gtk_tree_view_get_cursor(tree(), nullptr, &c);
    return c ? gtk_tree_view_column_get_title(c) : "";
  }
  int cursorRow() {
    GtkTreePath* path = nullptr;
    gtk_tree_view_get_cursor(tree(), &path, nullptr);
    int row = path ? gtk_tree_path_get_indices(path)[0] : -1;
    if (path) gtk_tree_path_free(path);
    return row;
  }
  std::string tooltip() {
    GCharPtr text(gtk_widget_get_tooltip_text(editorViewTabLabel(de->top)));
    return text ? text.get() : "<none>";
  }
  // The list's menu opened by Shift+F10 and closed: its submenus of modules
  // are made as it pops up.
  static void menuMade(LanguageView* v) {
    EXPECT_TRUE(guiKeyPress(v->treeView, GDK_F10, GDK_SHIFT_MASK));
    EXPECT_TRUE(gtk_widget_get_visible(v->menu));
    gtk_menu_popdown(GTK_MENU(v->menu));
  }
  static std::vector<std::string> labels(GtkWidget* menu) {
    std::vector<std::string> result;
    GList* items = gtk_container_get_children(GTK_CONTAINER(menu));
    for (GList* l = items; l; l = l->next)
      result.push_back(GTK_IS_SEPARATOR_MENU_ITEM(l->data) ? "-" : guiLabelText(gtk_bin_get_child(GTK_BIN(l->data))));
    g_list_free(items);
    return result;
  }
  static GtkWidget* item(GtkWidget* menu, const char* label) {
    GList* items = gtk_container_get_children(GTK_CONTAINER(menu));
    GtkWidget* found = nullptr;
    for (GList* l = items; l; l = l->next)
      if (guiLabelText(gtk_bin_get_child(GTK_BIN(l->data))) == label) found = GTK_WIDGET(l->data);
    g_list_free(items);
    EXPECT_TRUE(found) << label;
    return found;
  }

  GtkNotebook* inner;
  LanguageView *de, *ru;
};

TEST_F(StringsTab, EditsMarkRevertFollowTheCodePageAndReachTheModule) {
  edit(de, 0, "Jo");
  EXPECT_TRUE(marked(de, 0));
  edit(de, 0, "Ja");
  EXPECT_FALSE(marked(de, 0));
  edit(de, 0, "Jo");
  g_signal_emit_by_name(renderer(de, "Changed", 0), "toggled", "0");
  EXPECT_EQ("Ja", cell(de, "Text", 0));
  EXPECT_FALSE(marked(de, 0));

  edit(de, 1, "N\xC3\xB6");  // "Nö"
  edit(ru, 0, "\xD0\x94\xD0\xB0");
  EXPECT_EQ("\\x98", cell(ru, "Text", 1));
  edit(ru, 1, "\\x98");  // entered unchanged: the undecodable byte stays
  // An editor still open is entered by the commit.
  startEditing("Jawohl");
  commit();
  EXPECT_EQ(german("Jawohl", "N\xC3\xB6", ""), moduleBody(1));
  EXPECT_EQ(Bytes({0, 2, 0, 6, 0, 9, 0xC4, 0xE0, 0, 0x98, 0, 0}), moduleBody(3));

  // Escape drops the editor's text; losing the focus, which GTK takes for a
  // cancel, enters it.
  startEditing("Nie");
  guiKeyPress(GTK_WIDGET(de->editable), GDK_Escape);
  EXPECT_EQ("Jawohl", cell(de, "Text", 0));
  startEditing("Jawoll");
  gtk_widget_grab_focus(de->treeView);
  EXPECT_EQ("Jawoll", cell(de, "Text", 0));
}

TEST_F(StringsTab, ReferenceWidthAndFilterLastAndEditsWhileFilteredReachTheModule) {
  EXPECT_EQ("0 of 4 texts changed", tooltip());
  EXPECT_EQ(-1, column(de, "Reference"));
  EXPECT_TRUE(guiRightClickRow(de->treeView, 1));
  EXPECT_EQ(1, cursorRow());
  EXPECT_TRUE(gtk_widget_get_visible(de->menu));
  EXPECT_FALSE(gtk_widget_get_sensitive(item(de->menu, "Show same as reference")));
  guiActivate(item(de->referenceMenu, "Lng_English"));
  gtk_menu_popdown(GTK_MENU(de->menu));
  EXPECT_EQ("Next", cell(de, "Reference", 3));

  guiActivate(item(de->measureMenu, "font_test"));
  edit(de, 0, "Jaa");
  EXPECT_EQ("12", cell(de, "Width", 0));  // J 2 + a 5 + a 5, wider than "Ja": red
  EXPECT_TRUE(shows(de, "Width", 0, "foreground-set"));
  EXPECT_FALSE(shows(de, "Width", 1, "foreground-set"));

  // An edit while filtered takes the row out of the filter; the "#" numbers
  // stay.
  guiActivate(item(de->menu, "Show same as reference"));
  ASSERT_EQ(2, rows());
  EXPECT_EQ("0/3", cell(de, "#", 1));
  edit(de, 1, "Leer");
  EXPECT_EQ(1, rows());
  guiActivate(item(de->menu, "Show changed"));
  EXPECT_EQ(2, rows());
  EXPECT_EQ("2 of 4 texts changed", tooltip());
  commit();
  EXPECT_EQ(german("Jaa", "Nein", "Leer"), moduleBody(1));

  // The choices outlast the view: a new one shows them again.
  poolMarkSaved(shellGetCurrentPool());
  open(good);
  EXPECT_EQ(0, rows());  // nothing changed yet
  EXPECT_NE(-1, column(de, "Reference"));
  EXPECT_NE(-1, column(de, "Width"));
  EXPECT_TRUE(gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item(de->menu, "Show changed"))));
  menuMade(de);
  guiActivate(item(de->referenceMenu, "None"));
  EXPECT_EQ(-1, column(de, "Reference"));
}

// The menu lists the image's other modules as it pops up. The Reference
// column of a module whose page was never shown reads the module's stored
// texts; once its view is built, it shows the texts as edited there.
TEST_F(StringsTab, ReferenceWithoutAViewReadsTheModuleThenFollowsItsView) {
  menuMade(de);
  EXPECT_EQ((std::vector<std::string>{"Lng_English", "Lng_Russian", "-", "None"}), labels(de->referenceMenu));
  EXPECT_EQ((std::vector<std::string>{"font_test", "-", "None"}), labels(de->measureMenu));
  guiActivate(item(de->referenceMenu, "Lng_English"));
  EXPECT_EQ(nullptr, editorPageViewOf(gtk_notebook_get_nth_page(inner, 1)));
  EXPECT_EQ("Yes", cell(de, "Reference", 0));
  EXPECT_EQ("Next", cell(de, "Reference", 3));

  auto* en = viewGetRecord<LanguageView>(guiEditorView(3, 1));
  ASSERT_TRUE(en);
  edit(en, 4, "Onward");  // English has every entry: its row 4 is 0/4
  EXPECT_EQ("Onward", cell(de, "Reference", 3));
  menuMade(en);
  EXPECT_EQ((std::vector<std::string>{"Lng_German", "Lng_Russian", "-", "None"}), labels(en->referenceMenu));
}

TEST_F(StringsTab, SearchFindsTextAnywhereIgnoringCase) {
  EXPECT_TRUE(guiKeyPress(de->treeView, GDK_f, GDK_CONTROL_MASK));
  guiKeyPress(de->treeView, GDK_E);
  EXPECT_EQ(1, cursorRow());  // "Nein"
  guiKeyPress(de->treeView, GDK_Escape);
  EXPECT_TRUE(guiKeyPress(de->treeView, GDK_F3));
  EXPECT_EQ(3, cursorRow());  // "Weiter"
  guiKeyPress(de->treeView, GDK_F3);
  EXPECT_EQ(1, cursorRow());  // round the end
  guiKeyPress(de->treeView, GDK_F3, GDK_SHIFT_MASK);
  EXPECT_EQ(3, cursorRow());
}

TEST_F(StringsTab, ExportAndImportFromTheMenu) {
  EXPECT_TRUE(guiKeyPress(de->treeView, GDK_F10, GDK_SHIFT_MASK));
  EXPECT_TRUE(gtk_widget_get_visible(de->menu));
  gtk_menu_popdown(GTK_MENU(de->menu));
  std::string po = dir.file("de.po"), tsv = dir.file("de.tsv");
  ASSERT_TRUE(writeFile(tsv, bytesOf("key\treference\ttext\n0/4\t\tWeiter!\n0/1\t\tx\n")));
  DialogScript script;
  script.choose(po).choose(tsv);
  guiActivate(de->exportItem);
  guiActivate(de->importItem);
  EXPECT_EQ(std::vector<std::string>(
                {"Export Texts in " + dir.path() + " as Lng_German.po", "Import Texts in " + dir.path(),
                 "warning: 1 text was imported. Refused:\n0/1: the entry is absent"}),
            script.log);
  Bytes exported = readFile(po);
  EXPECT_NE(
      std::string::npos,
      std::string(exported.begin(), exported.end()).find("msgctxt \"0/4\"\nmsgid \"Weiter\"\n"));
  EXPECT_EQ("Weiter!", cell(de, "Text", 3));
  EXPECT_EQ("1 of 4 texts changed", tooltip());
}

// The keyboard alone: Return edits the text of the cursor row wherever the
// search left the cursor, a text the code page cannot hold is refused with
// a message and leaves the earlier edit, Ctrl+Z in the editor drops it.
TEST_F(StringsTab, KeyboardEditsRefusalsSayWhyAndKeepTheEarlierEdit) {
  gtk_widget_grab_focus(de->treeView);
  guiType(GDK_Down);  // the cursor comes to the first row, in the "#" column
  guiType(GDK_Return);
  ASSERT_TRUE(de->editable);
  guiType(GDK_Escape);
  guiType(GDK_f, GDK_CONTROL_MASK);
  guiTypeText("nei");
  guiType(GDK_Return);  // closes the search box
  ASSERT_TRUE(de->editable);
  EXPECT_EQ(1, cursorRow());
  guiTypeText("Nee");  // the editor's text is selected: typing replaces it
  guiType(GDK_Return);
  EXPECT_EQ("Nee", cell(de, "Text", 1));
  EXPECT_TRUE(marked(de, 1));

  DialogScript script;
  guiType(GDK_F2);
  guiType(GDK_End);
  guiType(GDK_space);
  guiType(GDK_Cyrillic_ZHE);  // not in CP1252
  guiType(GDK_Return);
  EXPECT_EQ("Nee", cell(de, "Text", 1));
  EXPECT_TRUE(marked(de, 1));
  ASSERT_TRUE(guiWaitFor([&] { return !script.log.empty(); }));  // once the editor is gone
  EXPECT_EQ(std::vector<std::string>{"error: Text 0/2 was not changed:\n\"\xD0\x96\" (U+0416) is not in CP1252"},
            script.log);

  guiType(GDK_Return);
  guiTypeText("Nix");
  guiType(GDK_z, GDK_CONTROL_MASK);  // drops the open edit, as Escape does
  EXPECT_FALSE(de->editable);
  EXPECT_EQ("Nee", cell(de, "Text", 1));
  commit();
  EXPECT_EQ(german("Ja", "Nee", ""), moduleBody(1));
}

// With the Reference column shown, its texts are searched too; a search
// that finds nothing turns the box red; the inner tab names the filter.
TEST_F(StringsTab, SearchTakesTheReferenceAndShowsAMissAndTheTabTheFilter) {
  auto red = [](GtkWidget* box) { return (gtk_widget_get_modifier_style(box)->color_flags[GTK_STATE_NORMAL] & GTK_RC_BASE) != 0; };
  gtk_widget_grab_focus(de->treeView);
  guiTypeText("x");  // only English has one, in "Next"
  ASSERT_TRUE(de->searchEntry);
  EXPECT_TRUE(red(de->searchEntry));
  guiType(GDK_Escape);
  menuMade(de);
  guiActivate(item(de->referenceMenu, "Lng_English"));
  gtk_widget_grab_focus(de->treeView);
  guiTypeText("next");
  EXPECT_FALSE(red(de->searchEntry));
  EXPECT_EQ(3, cursorRow());
  guiTypeText("z");
  EXPECT_TRUE(red(de->searchEntry));
  guiType(GDK_Escape);

  GtkWidget* label = editorViewTabLabel(de->top);
  guiActivate(item(de->menu, "Show empty"));
  EXPECT_EQ("Lng_German (empty)", guiLabelText(label));
  guiActivate(item(de->menu, "Show same as reference"));
  EXPECT_EQ("Lng_German (same as reference)", guiLabelText(label));
  guiActivate(item(de->menu, "Show all"));
  EXPECT_EQ("Lng_German", guiLabelText(label));
}

// Edits, a revert and an import are one step each; a new edit cuts the redo.
TEST_F(StringsTab, UndoAndRedoByKeys) {
  const std::string tsv = dir.file("de.tsv");
  ASSERT_TRUE(writeFile(tsv, bytesOf("key\treference\ttext\n0/4\t\tWeiter!\n0/0\t\tJawohl\n")));
  edit(de, 0, "Jo");
  edit(de, 0, "Joo");
  {
    DialogScript script;
    script.choose(tsv);
    guiActivate(de->importItem);
  }
  gtk_widget_grab_focus(de->treeView);
  guiType(GDK_Home);  // the first row; Space on its Changed box reverts it
  for (int k = 0; k < 4 && cursorColumn() != "Changed"; k++) guiType(GDK_Right);
  guiType(GDK_space);
  EXPECT_EQ("Ja", cell(de, "Text", 0));
  guiType(GDK_z, GDK_CONTROL_MASK);
  EXPECT_EQ("Jawohl", cell(de, "Text", 0));
  EXPECT_TRUE(marked(de, 0));
  EXPECT_EQ("2 of 4 texts changed", tooltip());
  guiType(GDK_z, GDK_CONTROL_MASK);  // the import, whole
  EXPECT_EQ("Joo", cell(de, "Text", 0));
  EXPECT_EQ("Weiter", cell(de, "Text", 3));
  EXPECT_FALSE(marked(de, 3));
  EXPECT_EQ("1 of 4 texts changed", tooltip());
  guiType(GDK_z, GDK_CONTROL_MASK);
  guiType(GDK_z, GDK_CONTROL_MASK);
  EXPECT_EQ("Ja", cell(de, "Text", 0));
  EXPECT_FALSE(marked(de, 0));
  guiType(GDK_z, GDK_CONTROL_MASK | GDK_SHIFT_MASK);
  EXPECT_EQ("Jo", cell(de, "Text", 0));
  guiType(GDK_y, GDK_CONTROL_MASK);
  EXPECT_EQ("Joo", cell(de, "Text", 0));
  edit(de, 2, "leer");  // a new edit: nothing left to redo
  guiType(GDK_y, GDK_CONTROL_MASK);
  EXPECT_EQ("Joo", cell(de, "Text", 0));
  commit();
  EXPECT_EQ(german("Joo", "Nein", "leer"), moduleBody(1));
}

}  // namespace
