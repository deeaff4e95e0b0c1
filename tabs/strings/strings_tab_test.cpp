#include "tabs/strings/strings_tab.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "pool/memory.h"
#include "shell/editor_page.h"
#include "shell/gtk_ptr.h"
#include "tabs/strings/language_view.h"
#include "tests/support/body_builders.h"
#include "tests/support/gui_driver.h"

namespace {

// Lng_German (CP1252): "Ja", an absent entry, "Nein". Lng_Russian (CP1251):
// "Da" and the byte 0x98, which CP1251 cannot decode.
const Bytes GERMAN = {0, 2, 0, 8, 0, 0, 0, 11, 'J', 'a', 0, 'N', 'e', 'i', 'n', 0};
const Bytes RUSSIAN = {0, 2, 0, 6, 0, 9, 'D', 'a', 0, 0x98, 0, 0};

// The list's column with the title, shown or not, or -1.
int columnOf(LanguageView* v, const char* title) {
  for (int i = 0; GtkTreeViewColumn* c = gtk_tree_view_get_column(GTK_TREE_VIEW(v->treeView), i);
       i++)
    if (std::string(gtk_tree_view_column_get_title(c)) == title) return i;
  return -1;
}

Bytes moduleBody(int index) {
  uint32_t size = 0;
  MallocPtr<uint8_t> b(moduleGetBody(poolGet(shellGetCurrentPool(), index), &size));
  return Bytes(b.get(), b.get() + size);
}

class StringsTab : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    ASSERT_TRUE(
        writeFile(good, imageOf({kernel, ModuleBuilder().name("Lng_German").body(GERMAN).build(),
                                 ModuleBuilder().name("Lng_Russian").body(RUSSIAN).build()})));
    open(good);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 3);
    GtkWidget* inner = guiOnlyChild(gtk_notebook_get_nth_page(GTK_NOTEBOOK(shellGetNotebook()), 3));
    de = viewGetRecord<LanguageView>(gtk_notebook_get_nth_page(GTK_NOTEBOOK(inner), 0));
    ru = viewGetRecord<LanguageView>(gtk_notebook_get_nth_page(GTK_NOTEBOOK(inner), 1));
    while (gtk_events_pending()) gtk_main_iteration();
  }

  static GtkCellRenderer* renderer(LanguageView* v, const char* title) {
    GList* cells = gtk_cell_layout_get_cells(
        GTK_CELL_LAYOUT(gtk_tree_view_get_column(GTK_TREE_VIEW(v->treeView), columnOf(v, title))));
    auto* cell = GTK_CELL_RENDERER(cells->data);
    g_list_free(cells);
    return cell;
  }
  static void edit(LanguageView* v, const char* row, const char* text) {
    g_signal_emit_by_name(renderer(v, "Text"), "edited", row, text);
  }
  static std::string text(LanguageView* v, int row) {
    return guiCellText(v->treeView, columnOf(v, "Text"), row);
  }
  // Whether the row shows its change mark.
  static bool marked(LanguageView* v, int row) {
    GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(v->treeView));
    GtkTreeIter iter;
    gtk_tree_model_iter_nth_child(model, &iter, nullptr, row);
    gtk_tree_view_column_cell_set_cell_data(
        gtk_tree_view_get_column(GTK_TREE_VIEW(v->treeView), columnOf(v, "Changed")), model, &iter,
        FALSE, FALSE);
    gboolean visible = FALSE;
    g_object_get(renderer(v, "Changed"), "visible", &visible, nullptr);
    return visible;
  }
  static Bytes body(int index) { return moduleBody(index); }
  static void commit() {
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 0);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 3);
  }
  void startEditing(int row) {
    GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_view_set_cursor(
        GTK_TREE_VIEW(de->treeView), path,
        gtk_tree_view_get_column(GTK_TREE_VIEW(de->treeView), columnOf(de, "Text")), TRUE);
    gtk_tree_path_free(path);
    ASSERT_TRUE(de->editable);
  }

  LanguageView *de, *ru;
};

TEST_F(StringsTab, EditsMarkRevertAndFollowTheCodePage) {
  EXPECT_EQ("0/0", guiCellText(de->treeView, 0, 0));
  EXPECT_EQ("0/2", guiCellText(de->treeView, 0, 1));
  EXPECT_EQ("Nein", text(de, 1));

  edit(de, "0", "Jo");
  EXPECT_EQ("Jo", text(de, 0));
  EXPECT_TRUE(marked(de, 0));
  edit(de, "0", "Ja");
  EXPECT_FALSE(marked(de, 0));
  edit(de, "0", "Jo");
  g_signal_emit_by_name(renderer(de, "Changed"), "toggled", "0");
  EXPECT_EQ("Ja", text(de, 0));
  EXPECT_FALSE(marked(de, 0));

  edit(de, "1", "Nee");
  edit(de, "1", "\xD0\x94\xD0\xB0");  // "Да"
  EXPECT_EQ("Nein", text(de, 1));
  EXPECT_FALSE(marked(de, 1));
  edit(ru, "0", "\xD0\x94\xD0\xB0");
  EXPECT_EQ("\xD0\x94\xD0\xB0", text(ru, 0));
  EXPECT_TRUE(marked(ru, 0));
}

TEST_F(StringsTab, EditsReachTheModuleOnCommit) {
  edit(de, "1", "N\xC3\xB6");  // "Nö"
  EXPECT_EQ("\\x98", text(ru, 1));
  edit(ru, "1", "\\x98");  // entered unchanged: the undecodable byte stays
  EXPECT_FALSE(marked(ru, 1));
  EXPECT_EQ(GERMAN, body(1));
  commit();
  EXPECT_TRUE(poolIsModified(shellGetCurrentPool()));
  EXPECT_EQ(Bytes({0, 2, 0, 8, 0, 0, 0, 11, 'J', 'a', 0, 'N', 0xF6, 0, 0, 0}), body(1));
  EXPECT_EQ(RUSSIAN, body(2));
  EXPECT_EQ("N\xC3\xB6", text(de, 1));
  EXPECT_TRUE(marked(de, 1));

  // An editor still open is entered by the commit; Escape drops its text.
  startEditing(0);
  gtk_entry_set_text(GTK_ENTRY(de->editable), "Jawohl");
  commit();
  Bytes jawohl = {0, 2, 0, 8, 0, 0, 0, 15, 'J', 'a', 'w', 'o', 'h', 'l', 0, 'N', 0xF6, 0, 0, 0};
  EXPECT_EQ(jawohl, body(1));
  EXPECT_TRUE(marked(de, 0));
  startEditing(0);
  gtk_entry_set_text(GTK_ENTRY(de->editable), "Nie");
  guiKeyPress(GTK_WIDGET(de->editable), GDK_Escape);
  EXPECT_FALSE(de->editable);
  commit();
  EXPECT_EQ("Jawohl", text(de, 0));
  EXPECT_EQ(jawohl, body(1));
  // Losing the focus, which GTK takes for a cancel, enters it too.
  startEditing(0);
  gtk_entry_set_text(GTK_ENTRY(de->editable), "Jawoll");
  gtk_widget_grab_focus(de->treeView);
  EXPECT_EQ("Jawoll", text(de, 0));
}

// Lng_German beside its reference Lng_English (0/2 and 0/3 the same in
// both) and a font whose J is 2 pixels wide, a 5, N 1, e 3, i 4, n 7 and
// every other letter 12.
class StringsTranslator : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    german =
        languageBody(LANGUAGE_LAYOUT_32, {{"Ja", std::nullopt, "Nein", "", "Weiter"}}, "CP1252");
    ASSERT_TRUE(writeFile(
        good, imageOf({kernel, ModuleBuilder().name("Lng_German").body(german).build(),
                       ModuleBuilder()
                           .name("Lng_English")
                           .body(languageBody(LANGUAGE_LAYOUT_32,
                                              {{"Yes", "Maybe", "Nein", "", "Next"}}, "CP1252"))
                           .build(),
                       ModuleBuilder()
                           .name("font_test")
                           .body(fontBodyWidths(
                               2, {{'J', 2}, {'a', 5}, {'N', 1}, {'e', 3}, {'i', 4}, {'n', 7}}))
                           .build()})));
    open(good);
  }
  void open(const std::string& path) {
    GuiTest::open(path);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 3);
    inner =
        GTK_NOTEBOOK(guiOnlyChild(gtk_notebook_get_nth_page(GTK_NOTEBOOK(shellGetNotebook()), 3)));
    de = viewGetRecord<LanguageView>(gtk_notebook_get_nth_page(inner, 0));
    while (gtk_events_pending()) gtk_main_iteration();
  }

  // The item of a menu with the label.
  static GtkWidget* item(GtkWidget* menu, const char* label) {
    GList* items = gtk_container_get_children(GTK_CONTAINER(menu));
    GtkWidget* found = nullptr;
    for (GList* l = items; l; l = l->next)
      if (guiLabelText(gtk_bin_get_child(GTK_BIN(l->data))) == label) found = GTK_WIDGET(l->data);
    g_list_free(items);
    EXPECT_TRUE(found) << label;
    return found;
  }
  GtkTreeView* tree() { return GTK_TREE_VIEW(de->treeView); }
  int rows() { return gtk_tree_model_iter_n_children(gtk_tree_view_get_model(tree()), nullptr); }
  // The column with the title, as the user sees it, or -1.
  int column(const char* title) {
    for (int i = 0; GtkTreeViewColumn* c = gtk_tree_view_get_column(tree(), i); i++)
      if (gtk_tree_view_column_get_visible(c) &&
          std::string(gtk_tree_view_column_get_title(c)) == title)
        return i;
    return -1;
  }
  std::string cell(const char* title, int row) {
    return guiCellText(de->treeView, column(title), row);
  }
  bool red(int row) {
    GtkTreeIter iter;
    gtk_tree_model_iter_nth_child(gtk_tree_view_get_model(tree()), &iter, nullptr, row);
    gtk_tree_view_column_cell_set_cell_data(gtk_tree_view_get_column(tree(), column("Width")),
                                            gtk_tree_view_get_model(tree()), &iter, FALSE, FALSE);
    GList* cells = gtk_cell_layout_get_cells(
        GTK_CELL_LAYOUT(gtk_tree_view_get_column(tree(), column("Width"))));
    gboolean set = FALSE;
    GdkColor* color = nullptr;
    g_object_get(cells->data, "foreground-set", &set, "foreground-gdk", &color, nullptr);
    g_list_free(cells);
    bool isRed = set && color && color->red == 0xFFFF && color->green == 0 && color->blue == 0;
    if (color) gdk_color_free(color);
    return isRed;
  }
  int cursorRow() {
    GtkTreePath* path = nullptr;
    gtk_tree_view_get_cursor(tree(), &path, nullptr);
    int row = path ? gtk_tree_path_get_indices(path)[0] : -1;
    if (path) gtk_tree_path_free(path);
    return row;
  }
  std::string tooltip() {
    GCharPtr text(gtk_widget_get_tooltip_text(gtk_notebook_get_tab_label(inner, de->top)));
    return text ? text.get() : "<none>";
  }
  void edit(const char* row, const char* text) {
    GList* cells = gtk_cell_layout_get_cells(
        GTK_CELL_LAYOUT(gtk_tree_view_get_column(tree(), column("Text"))));
    g_signal_emit_by_name(cells->data, "edited", row, text);
    g_list_free(cells);
  }

  Bytes german;
  GtkNotebook* inner;
  LanguageView* de;
};

TEST_F(StringsTranslator, ReferenceWidthAndFilterLastAndEditsWhileFilteredReachTheModule) {
  EXPECT_EQ("0 of 4 texts changed", tooltip());
  EXPECT_EQ(-1, column("Reference"));
  EXPECT_TRUE(guiRightClickRow(de->treeView, 1));
  EXPECT_EQ(1, cursorRow());
  EXPECT_TRUE(gtk_widget_get_visible(de->menu));
  EXPECT_FALSE(gtk_widget_get_sensitive(item(de->menu, "Show same as reference")));
  guiActivate(item(de->referenceMenu, "Lng_English"));
  gtk_menu_popdown(GTK_MENU(de->menu));
  EXPECT_EQ(1, column("Reference"));
  EXPECT_EQ("Yes", cell("Reference", 0));
  EXPECT_EQ("Ja", cell("Text", 0));
  EXPECT_EQ("Next", cell("Reference", 3));

  guiActivate(item(de->measureMenu, "font_test"));
  EXPECT_EQ(3, column("Width"));
  EXPECT_EQ("7", cell("Width", 0));    // J 2 + a 5
  EXPECT_EQ("15", cell("Width", 1));   // N 1 + e 3 + i 4 + n 7
  edit("0", "Jaa");
  EXPECT_EQ("12", cell("Width", 0));
  EXPECT_TRUE(red(0));
  EXPECT_FALSE(red(1));

  // "Nein" and "" are the same in both; an edit while filtered takes the
  // row out of the filter, and the "#" numbers stay.
  guiActivate(item(de->menu, "Show same as reference"));
  ASSERT_EQ(2, rows());
  EXPECT_EQ("0/2", cell("#", 0));
  EXPECT_EQ("0/3", cell("#", 1));
  edit("1", "Leer");
  ASSERT_EQ(1, rows());
  guiActivate(item(de->menu, "Show changed"));
  ASSERT_EQ(2, rows());
  EXPECT_EQ("0/0", cell("#", 0));
  EXPECT_EQ("Leer", cell("Text", 1));
  EXPECT_EQ("2 of 4 texts changed", tooltip());
  gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 0);  // commits
  EXPECT_EQ(
      languageBody(LANGUAGE_LAYOUT_32, {{"Jaa", std::nullopt, "Nein", "Leer", "Weiter"}}, "CP1252"),
      moduleBody(1));

  // The choices outlast the view: a new one shows them again.
  poolMarkSaved(shellGetCurrentPool());
  open(good);
  EXPECT_EQ(0, rows());  // nothing changed yet
  EXPECT_EQ(1, column("Reference"));
  EXPECT_EQ(3, column("Width"));
  EXPECT_TRUE(gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item(de->menu, "Show changed"))));
  guiActivate(item(de->menu, "Show all"));
  guiActivate(item(de->referenceMenu, "None"));
  EXPECT_EQ(-1, column("Reference"));
  EXPECT_EQ(4, rows());
}

TEST_F(StringsTranslator, SearchFindsTextAnywhereIgnoringCase) {
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

TEST_F(StringsTranslator, ExportAndImportFromTheMenu) {
  EXPECT_TRUE(guiKeyPress(de->treeView, GDK_F10, GDK_SHIFT_MASK));
  EXPECT_TRUE(gtk_widget_get_visible(de->menu));
  gtk_menu_popdown(GTK_MENU(de->menu));
  std::string po = dir.file("de.po"), tsv = dir.file("de.tsv");
  {
    DialogScript script;
    script.choose(po);
    guiActivate(de->exportItem);
    EXPECT_EQ(std::vector<std::string>{"Export Texts in  as Lng_German.po"}, script.log);
  }
  Bytes exported = readFile(po);
  EXPECT_NE(
      std::string::npos,
      std::string(exported.begin(), exported.end()).find("msgctxt \"0/4\"\nmsgid \"Weiter\"\n"));
  ASSERT_TRUE(writeFile(tsv, bytesOf("key\treference\ttext\n0/4\t\tWeiter!\n0/1\t\tx\n")));
  {
    DialogScript script;
    script.choose(tsv);
    guiActivate(de->importItem);
    EXPECT_EQ(std::vector<std::string>(
                  {"Import Texts in ",
                   "warning: 1 text was imported. Refused:\n0/1: the entry is absent"}),
              script.log);
  }
  EXPECT_EQ("Weiter!", cell("Text", 3));
  EXPECT_EQ("1 of 4 texts changed", tooltip());
}

}  // namespace
