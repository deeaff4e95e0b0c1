// SPDX-License-Identifier: MIT
// The main window's page keys and the focus a shown page takes, on the editor's real pages.
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "shell/editor_page.h"
#include "tabs/colors/color_view.h"
#include "tabs/fonts/font_view.h"
#include "tabs/images/image_view.h"
#include "tabs/strings/language_view.h"
#include "tests/support/body_builders.h"
#include "tests/support/gui_driver.h"

namespace {

class PageKeys : public GuiTest {
 protected:
  void SetUp() override { GuiTest::SetUp(), openEveryKind(); }
  static GtkNotebook* book() { return GTK_NOTEBOOK(shellGetNotebook()); }
  static GtkNotebook* inner(int page) { return GTK_NOTEBOOK(guiOnlyChild(gtk_notebook_get_nth_page(book(), page))); }
  template <class View>
  static View* view(int page, int innerPage = 0) {
    GtkWidget* top = editorPageViewOf(gtk_notebook_get_nth_page(inner(page), innerPage));
    return top ? viewGetRecord<View>(top) : nullptr;
  }
  static bool focusIs(GtkWidget* w) {
    return guiWaitFor([w] { return guiFocus() == w && gtk_widget_has_focus(w); });
  }
  static int cursorRow(GtkWidget* list) {
    GtkTreePath* path = nullptr;
    gtk_tree_view_get_cursor(GTK_TREE_VIEW(list), &path, nullptr);
    int row = path ? gtk_tree_path_get_indices(path)[0] : -1;
    gtk_tree_path_free(path);
    return row;
  }
};

TEST_F(PageKeys, TabsByKeysFromAnywhereAndTheFocusGoesToTheList) {
  guiType(GDK_4, GDK_MOD1_MASK);
  EXPECT_EQ(3, gtk_notebook_get_current_page(book()));
  LanguageView* de = view<LanguageView>(3);
  ASSERT_TRUE(focusIs(de->treeView));
  for (int k = 0; k < 2; k++) guiType(GDK_Down);  // the cursor comes to the first row, then moves
  EXPECT_EQ(1, cursorRow(de->treeView));

  // The list binds Ctrl+PgDn itself; the window takes it first.
  guiType(GDK_Page_Down, GDK_CONTROL_MASK);
  EXPECT_EQ(4, gtk_notebook_get_current_page(book()));
  EXPECT_TRUE(focusIs(view<FontView>(4)->listView));
  guiType(GDK_Page_Down, GDK_CONTROL_MASK);  // round the end
  EXPECT_EQ(0, gtk_notebook_get_current_page(book()));

  // On a slider Ctrl+PgUp would change the colour.
  guiType(GDK_3, GDK_MOD1_MASK);
  ColorView* colors = view<ColorView>(2);
  ASSERT_TRUE(focusIs(colors->treeView));
  gtk_tree_view_expand_all(GTK_TREE_VIEW(colors->treeView));
  for (int k = 0; k < 2; k++) guiType(GDK_Down);  // the first heading, then its first item
  ASSERT_NE(-1, colors->selected);
  gtk_widget_grab_focus(colors->sliders[0]);
  const double red = gtk_range_get_value(GTK_RANGE(colors->sliders[0]));
  guiType(GDK_Page_Up, GDK_CONTROL_MASK);
  EXPECT_EQ(1, gtk_notebook_get_current_page(book()));
  EXPECT_TRUE(focusIs(view<ImageView>(1)->listView));
  EXPECT_EQ(red, gtk_range_get_value(GTK_RANGE(colors->sliders[0])));
  EXPECT_FALSE(colors->table.colorIsChanged(&colors->table, uint32_t(colors->selected)));

  // A page shown again by a click on its tab keeps its cursor row.
  gtk_widget_grab_focus(GTK_WIDGET(book()));
  gtk_notebook_set_current_page(book(), 3);
  ASSERT_TRUE(focusIs(de->treeView));
  EXPECT_EQ(1, cursorRow(de->treeView));
}

// The Strings notebook's popup (Shift+F10 or a right-click on its tabs) lists its pages; one chosen is focused.
TEST_F(PageKeys, InnerPagesFromTheNotebooksPopup) {
  const Bytes texts = languageBody(LANGUAGE_LAYOUT_32, {{"Ja", "Nein"}}, "CP1252");
  auto module = [&texts](const char* name) { return ModuleBuilder().name(name).body(texts).build(); };
  ASSERT_TRUE(writeFile(good, imageOf({module("Lng_A"), module("Lng_B"), module("Lng_C"), module("Lng_D")})));
  open(good);
  guiType(GDK_4, GDK_MOD1_MASK);
  GtkNotebook* strings = inner(3);
  ASSERT_TRUE(view<LanguageView>(3, 0) && focusIs(view<LanguageView>(3, 0)->treeView));  // laid out

  gtk_widget_grab_focus(GTK_WIDGET(strings));  // the tabs, as a click on one leaves it
  guiType(GDK_F10, GDK_SHIFT_MASK);
  ASSERT_TRUE(strings->menu && gtk_widget_get_visible(strings->menu));
  for (guint key : {GDK_Down, GDK_Down, GDK_Return}) guiType(key);  // from the first item
  ASSERT_TRUE(view<LanguageView>(3, 2));
  EXPECT_TRUE(focusIs(view<LanguageView>(3, 2)->treeView));

  open(good);  // a new notebook, its popup not yet made
  strings = inner(3);
  ASSERT_TRUE(guiWaitFor([strings] { return GTK_WIDGET(strings)->allocation.width > 1; }));  // laid out
  GdkEvent* press = gdk_event_new(GDK_BUTTON_PRESS);
  press->button.x = press->button.y = 4;  // on the first tab
  press->button.button = 3;
  press->button.device = gdk_device_get_core_pointer();
  press->any.window = GDK_WINDOW(g_object_ref(strings->event_window));
  EXPECT_TRUE(gtk_widget_event(GTK_WIDGET(strings), press));
  gdk_event_free(press);
  ASSERT_TRUE(strings->menu && gtk_widget_get_visible(strings->menu));
  std::vector<std::string> titles;
  GList* items = gtk_container_get_children(GTK_CONTAINER(strings->menu));
  for (GList* l = items; l; l = l->next) titles.push_back(guiLabelText(gtk_bin_get_child(GTK_BIN(l->data))));
  g_list_free(items);
  EXPECT_EQ((std::vector<std::string>{"Lng_A", "Lng_B", "Lng_C", "Lng_D"}), titles);
  gtk_menu_popdown(GTK_MENU(strings->menu));
}

}  // namespace
