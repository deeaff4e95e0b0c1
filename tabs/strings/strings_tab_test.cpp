#include "tabs/strings/strings_tab.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "pool/memory.h"
#include "shell/editor_page.h"
#include "tabs/strings/language_view.h"
#include "tests/support/gui_driver.h"

namespace {

// Lng_German (CP1252): "Ja", an absent entry, "Nein". Lng_Russian (CP1251):
// "Da" and the byte 0x98, which CP1251 cannot decode.
const Bytes GERMAN = {0, 2, 0, 8, 0, 0, 0, 11, 'J', 'a', 0, 'N', 'e', 'i', 'n', 0};
const Bytes RUSSIAN = {0, 2, 0, 6, 0, 9, 'D', 'a', 0, 0x98, 0, 0};

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

  static GtkCellRenderer* renderer(LanguageView* v, int column) {
    GList* cells = gtk_cell_layout_get_cells(
        GTK_CELL_LAYOUT(gtk_tree_view_get_column(GTK_TREE_VIEW(v->treeView), column)));
    auto* cell = GTK_CELL_RENDERER(cells->data);
    g_list_free(cells);
    return cell;
  }
  static void edit(LanguageView* v, const char* row, const char* text) {
    g_signal_emit_by_name(renderer(v, 1), "edited", row, text);
  }
  static std::string text(LanguageView* v, int row) { return guiCellText(v->treeView, 1, row); }
  // Whether the row shows its change mark.
  static bool marked(LanguageView* v, int row) {
    GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(v->treeView));
    GtkTreeIter iter;
    gtk_tree_model_iter_nth_child(model, &iter, nullptr, row);
    gtk_tree_view_column_cell_set_cell_data(gtk_tree_view_get_column(GTK_TREE_VIEW(v->treeView), 2),
                                            model, &iter, FALSE, FALSE);
    gboolean visible = FALSE;
    g_object_get(renderer(v, 2), "visible", &visible, nullptr);
    return visible;
  }
  static Bytes body(int index) {
    uint32_t size = 0;
    MallocPtr<uint8_t> b(moduleGetBody(poolGet(shellGetCurrentPool(), index), &size));
    return Bytes(b.get(), b.get() + size);
  }
  static void commit() {
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 0);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 3);
  }
  void startEditing(int row) {
    GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_view_set_cursor(GTK_TREE_VIEW(de->treeView), path,
                             gtk_tree_view_get_column(GTK_TREE_VIEW(de->treeView), 1), TRUE);
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
  g_signal_emit_by_name(renderer(de, 2), "toggled", "0");
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

}  // namespace
