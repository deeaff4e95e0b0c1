#include "shell/editor_page.h"

#include <gtest/gtest.h>

#include <cstring>

#include "pool/memory.h"
#include "tests/support/gui_driver.h"

namespace {

// A test page: modules named "col..." shown as labels; store writes the
// label's text as the body. Each view's record holds its module.
int created, freed, stored, freedAtCreate = -1;

struct TestView {
  Module* module;
  ~TestView() { freed++; }
};

int testMatch(ModulePool*, Module* m) { return std::strncmp(moduleGetName(m), "col", 3) == 0; }

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
  moduleSetBody(viewGetRecord<TestView>(view)->module, reinterpret_cast<const uint8_t*>(text), uint32_t(std::strlen(text)));
}

class EditorPageTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    // A page lives as long as its process, as in the editor.
    container = GTK_WIDGET(g_object_ref_sink(gtk_vbox_new(FALSE, 0)));
    page = editorPageNew(container, testMatch, testCreate, testStore, "No modules found");
  }
  ModulePool* parse(const Bytes& image) {
    pools.emplace_back(poolParse(image.data(), image.size(), nullptr));
    return pools.back().get();
  }
  // The views shown, with their tab titles.
  std::vector<std::pair<GtkWidget*, std::string>> views() {
    std::vector<std::pair<GtkWidget*, std::string>> result;
    GtkWidget* inner = guiOnlyChild(container);
    for (int i = 0; GTK_IS_NOTEBOOK(inner) && i < gtk_notebook_get_n_pages(GTK_NOTEBOOK(inner)); i++) {
      GtkWidget* view = gtk_notebook_get_nth_page(GTK_NOTEBOOK(inner), i);
      result.push_back({view, guiLabelText(gtk_notebook_get_tab_label(GTK_NOTEBOOK(inner), view))});
    }
    return result;
  }

  static inline GtkWidget* container;
  static inline EditorPage* page;
  static inline std::vector<PoolPtr> pools;
};

Bytes named(const char* name, uint8_t fill) { return ModuleBuilder().name(name).body(Bytes(8, fill)).build(); }

TEST_F(EditorPageTest, OnePagePerMatchOrTheEmptyText) {
  EXPECT_EQ("No modules found", guiLabelText(guiOnlyChild(container)));
  editorPageLoad(page, parse(imageOf({named("col_day", 1), named("font8", 2), named("col_day", 3)})));
  auto shown = views();
  ASSERT_EQ(2u, shown.size());  // two modules of one name: two pages
  EXPECT_EQ("col_day", shown[1].second);
  EXPECT_TRUE(gtk_notebook_get_scrollable(GTK_NOTEBOOK(guiOnlyChild(container))));
  editorPageLoad(page, parse(named("font8", 2)));
  EXPECT_EQ("No modules found", guiLabelText(guiOnlyChild(container)));
  EXPECT_EQ(2, freed);  // the views' state went with their widgets
}

TEST_F(EditorPageTest, ViewsAreRebuiltOnlyWhenTheirModulesChange) {
  Bytes image = imageOf({named("col_day", 1), named("col_night", 3)});
  ModulePool* pool = parse(image);
  editorPageLoad(page, pool);
  auto before = views();
  // The page's own edits, stored on commit, never rebuild it.
  gtk_label_set_text(GTK_LABEL(before[0].first), "edited");
  editorPageCommit(page);
  editorPageLoad(page, pool);
  EXPECT_EQ(before, views());
  EXPECT_EQ(2, stored);  // every view, edited or not
  EXPECT_EQ(1, poolIsModified(pool));

  // A module replaced elsewhere keeps its bytes on commit, then every view
  // is made anew; so does a new pool with the same bytes.
  Bytes other = named("col_night", 9);
  moduleSetData(poolGet(pool, 1), other.data(), uint32_t(other.size()));
  editorPageCommit(page);
  EXPECT_EQ(3, stored);
  MallocPtr<uint8_t> data(moduleGetData(poolGet(pool, 1), nullptr));
  EXPECT_EQ(0, std::memcmp(other.data(), data.get(), other.size()));
  editorPageLoad(page, pool);
  EXPECT_NE(before[0].first, views()[0].first);
  EXPECT_EQ(0, freedAtCreate);  // the new views were made while the old ones lived
  editorPageLoad(page, parse(image));
  EXPECT_EQ(6, created);
}

}  // namespace
