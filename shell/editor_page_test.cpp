// SPDX-License-Identifier: MIT
#include "shell/editor_page.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/gui_driver.h"

namespace {

// A test page: modules named "col..." shown as labels whose text store writes as the body.
int created, freed, stored, freedAtCreate = -1;

struct TestView {
  Module* module;
  ~TestView() { freed++; }
};

GtkWidget* testCreate(ModulePool*, Module* m) {
  created++;
  freedAtCreate = freed;
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

TEST_F(GuiTest, EditorPage) {
  static GtkWidget* container = GTK_WIDGET(g_object_ref_sink(gtk_vbox_new(FALSE, 0)));
  auto match = [](ModulePool*, Module* m) { return int(std::strncmp(moduleGetName(m), "col", 3) == 0); };
  static EditorPage* page = editorPageNew(container, match, testCreate, testStore, "No modules found");
  auto views = [] {  // the views shown, by tab title
    std::vector<std::pair<std::string, GtkWidget*>> result;
    GtkWidget* inner = guiOnlyChild(container);
    for (int i = 0; GTK_IS_NOTEBOOK(inner) && i < gtk_notebook_get_n_pages(GTK_NOTEBOOK(inner)); i++) {
      GtkWidget* view = gtk_notebook_get_nth_page(GTK_NOTEBOOK(inner), i);
      result.push_back({guiLabelText(gtk_notebook_get_tab_label(GTK_NOTEBOOK(inner), view)), view});
    }
    return result;
  };
  EXPECT_EQ("No modules found", guiLabelText(guiOnlyChild(container)));
  Bytes image = imageOf({named("col_day", 1), named("font8", 2), named("col_day", 3)});
  ModulePool* pool = parse(image);
  editorPageLoad(page, pool);
  auto before = views();
  ASSERT_EQ(2u, before.size());  // two modules of one name: two pages
  EXPECT_EQ("col_day", before[1].first);
  EXPECT_TRUE(gtk_notebook_get_scrollable(GTK_NOTEBOOK(guiOnlyChild(container))));

  // The page's own edits, stored on commit, never rebuild it.
  gtk_label_set_text(GTK_LABEL(before[0].second), "edited");
  editorPageCommit(page);
  editorPageLoad(page, pool);
  EXPECT_EQ(before, views());
  EXPECT_EQ(2, stored);  // every view, edited or not
  EXPECT_EQ(1, poolIsModified(pool));

  // A module replaced elsewhere keeps its bytes on commit, then every view
  // is made anew, while the old ones still live; so does a new pool.
  Bytes other = named("col_day", 9);
  moduleSetData(poolGet(pool, 2), other.data(), uint32_t(other.size()));
  editorPageCommit(page);
  EXPECT_EQ(3, stored);  // not the replaced one
  editorPageLoad(page, pool);
  EXPECT_NE(before[0].second, views()[0].second);
  EXPECT_EQ(0, freedAtCreate);
  editorPageLoad(page, parse(image));
  EXPECT_EQ(6, created);
  EXPECT_EQ(4, freed);  // the views' records went with their widgets
  editorPageLoad(page, parse(named("font8", 2)));
  EXPECT_EQ("No modules found", guiLabelText(guiOnlyChild(container)));
}

}  // namespace
