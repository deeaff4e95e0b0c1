// SPDX-License-Identifier: MIT
#include "shell/editor_page.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/gui_driver.h"

namespace {

// A test page: modules named "col..." shown as labels whose text store writes as the body.
int created, stored;

struct TestView {  // freed with its widget, else a leak
  Module* module;
};

GtkWidget* testCreate(ModulePool*, Module* m) {
  created++;
  GtkWidget* view = gtk_label_new(moduleGetName(m));
  viewSetRecord(view, new TestView{m});
  return view;
}

void testStore(GtkWidget* view) {
  stored++;
  const char* text = gtk_label_get_text(GTK_LABEL(view));
  moduleSetBody(viewGetRecord<TestView>(view)->module, reinterpret_cast<const uint8_t*>(text),
                uint32_t(std::strlen(text)));
}

std::vector<PoolPtr> pools;  // pages and pools live as long as the process, as in the editor
ModulePool* parse(const Bytes& image) { return pools.emplace_back(poolParse(image.data(), image.size(), nullptr, 0)).get(); }
Bytes named(const char* name, uint8_t fill) { return ModuleBuilder().name(name).body(Bytes(8, fill)).build(); }

Bytes blockOf(ModulePool* pool, uint32_t index) {
  uint32_t size = 0;
  MallocPtr<uint8_t> data(moduleGetData(poolGet(pool, index), &size));
  return Bytes(data.get(), data.get() + size);
}

class EditorPageTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();  // the main window holds the page in place of its notebook
    GtkWidget* box = gtk_bin_get_child(GTK_BIN(shellGetMainWindow()));
    gtk_widget_hide(shellGetNotebook());
    container = gtk_vbox_new(FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), container, TRUE, TRUE, 0);
    gtk_widget_show(container);
    auto match = [](ModulePool*, Module* m) { return int(std::strncmp(moduleGetName(m), "col", 3) == 0); };
    page = editorPageNew(container, match, testCreate, testStore, "No modules found");
  }
  static inline GtkWidget* container;
  static inline EditorPage* page;
  GtkNotebook* inner() { return GTK_NOTEBOOK(guiOnlyChild(container)); }
  // The view of each page shown, by tab title; null for a page never shown.
  std::vector<std::pair<std::string, GtkWidget*>> views() {
    std::vector<std::pair<std::string, GtkWidget*>> result;
    for (int i = 0; GTK_IS_NOTEBOOK(guiOnlyChild(container)) && i < gtk_notebook_get_n_pages(inner()); i++) {
      GtkWidget* slot = gtk_notebook_get_nth_page(inner(), i);
      result.push_back({guiLabelText(gtk_notebook_get_tab_label(inner(), slot)), editorPageViewOf(slot)});
    }
    return result;
  }
};

// One page per module, a view only for the page shown; a commit stores those alone, the rest keep their blocks.
TEST_F(EditorPageTest, ViewsAreBuiltWhenShownAndOnlyTheyAreStored) {
  EXPECT_EQ("No modules found", guiLabelText(guiOnlyChild(container)));
  Bytes image = imageOf({named("col_day", 1), named("font8", 2), named("col_day", 3), named("col_x", 4)});
  ModulePool* pool = parse(image);
  editorPageLoad(page, pool);
  auto before = views();
  ASSERT_EQ(3u, before.size());  // two modules of one name: two pages
  EXPECT_EQ("col_day", before[1].first);
  EXPECT_EQ(1, created);
  ASSERT_TRUE(before[0].second && !before[1].second && !before[2].second);
  // The page's own edits, stored on commit, never rebuild it; pages never shown store nothing.
  gtk_label_set_text(GTK_LABEL(before[0].second), "edited");
  gtk_notebook_set_current_page(inner(), 2);
  gtk_notebook_set_current_page(inner(), 0);
  editorPageCommit(page);
  editorPageLoad(page, pool);
  EXPECT_EQ(2, created);
  EXPECT_EQ(before[0].second, views()[0].second);
  EXPECT_EQ(nullptr, views()[1].second);
  EXPECT_EQ(2, stored);  // the views built, edited or not
  EXPECT_EQ(ModuleBuilder().name("col_day").body(bytesOf("edited")).build(), blockOf(pool, 0));
  EXPECT_EQ(ModuleBuilder().name("col_x").body(bytesOf("col_x")).build(), blockOf(pool, 3));
  EXPECT_EQ(named("col_day", 3), blockOf(pool, 2));
  // A module replaced elsewhere keeps its bytes on commit; then only the page shown is built again.
  Bytes other = named("col_x", 9);
  moduleSetData(poolGet(pool, 3), other.data(), uint32_t(other.size()));
  editorPageCommit(page);
  EXPECT_EQ(3, stored);
  EXPECT_EQ(other, blockOf(pool, 3));
  editorPageLoad(page, pool);
  EXPECT_EQ(3, created);
  EXPECT_TRUE(views()[0].second && !views()[2].second);
  editorPageLoad(page, parse(image));
  EXPECT_EQ(4, created);
  editorPageLoad(page, parse(named("font8", 2)));
  EXPECT_EQ("No modules found", guiLabelText(guiOnlyChild(container)));
}

// Off screen, a load builds nothing and a commit stores nothing; the page shown later builds its view.
TEST_F(EditorPageTest, AHiddenPageBuildsItsViewWhenShown) {
  gtk_widget_hide(container);
  editorPageLoad(page, parse(imageOf({named("col_a", 1), named("col_b", 2)})));
  EXPECT_EQ(0, created);
  editorPageCommit(page);
  EXPECT_EQ(0, stored);
  gtk_widget_show(container);
  ASSERT_EQ(1, created);
  EXPECT_EQ("col_a", guiLabelText(views()[0].second));
}

}  // namespace
