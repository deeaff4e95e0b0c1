#include "shell/editor_page.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pool/memory.h"
#include "tabs/modules/modules_tab.h"
#include "tests/support/gui_fixture.h"

namespace {

// A test page: matches modules whose name starts with "col", shows each as a
// label, and on store writes the label's text as the module body.
struct ViewState {
  Module* module;
};
int created;
int freed;
int stored;

int testMatch(ModulePool*, Module* m) { return std::strncmp(moduleGetName(m), "col", 3) == 0; }

GtkWidget* testCreate(ModulePool*, Module* m) {
  created++;
  GtkWidget* view = gtk_label_new(moduleGetName(m));
  auto* state = new ViewState{m};
  g_object_set_data(G_OBJECT(view), "private-data", state);
  g_object_weak_ref(
      G_OBJECT(view),
      [](gpointer d, GObject*) {
        freed++;
        delete static_cast<ViewState*>(d);
      },
      state);
  return view;
}

void testStore(GtkWidget* view) {
  stored++;
  auto* state = static_cast<ViewState*>(g_object_get_data(G_OBJECT(view), "private-data"));
  const char* text = gtk_label_get_text(GTK_LABEL(view));
  moduleSetBody(state->module, reinterpret_cast<const uint8_t*>(text), uint32_t(std::strlen(text)));
}

class EditorPageTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    container = gtk_vbox_new(FALSE, 0);
    g_object_ref_sink(container);
    created = freed = stored = 0;
    page = editorPageNew(container, testMatch, testCreate, testStore, "No modules found");
  }
  void TearDown() override {
    gtk_widget_destroy(container);  // and with it every view
    g_object_unref(container);
    // Pages live for the whole run in the editor; a test's page goes here.
    for (uint32_t i = 0; i < listGetCount(page->entries); i++) g_free(listGet(page->entries, i));
    listFree(page->entries);
    g_free(page);
  }

  ModulePool* parse(const Bytes& image) {
    char err[POOL_ERROR_SIZE];
    ModulePool* pool = poolParse(image.data(), image.size(), err);
    pools.push_back(pool);
    return pool;
  }

  // The views shown: the inner notebook's pages with their tab titles.
  std::vector<std::pair<GtkWidget*, std::string>> views() {
    std::vector<std::pair<GtkWidget*, std::string>> result;
    GtkWidget* child = guiOnlyChild(container);
    if (!GTK_IS_NOTEBOOK(child)) return result;
    for (int i = 0; i < gtk_notebook_get_n_pages(GTK_NOTEBOOK(child)); i++) {
      GtkWidget* view = gtk_notebook_get_nth_page(GTK_NOTEBOOK(child), i);
      result.push_back({view, guiLabelText(gtk_notebook_get_tab_label(GTK_NOTEBOOK(child), view))});
    }
    return result;
  }

  ~EditorPageTest() override {
    for (ModulePool* p : pools) poolFree(p);
  }

  GtkWidget* container;
  EditorPage* page;
  std::vector<ModulePool*> pools;
};

Bytes named(const char* name, uint8_t fill) {
  return ModuleBuilder().name(name).body(Bytes(8, fill)).build();
}

TEST_F(EditorPageTest, EmptyTextBeforeAndWithoutMatches) {
  EXPECT_EQ("No modules found", guiLabelText(guiOnlyChild(container)));
  editorPageLoad(page, parse(imageOf({named("font8", 1), named("lang_en", 2)})));
  EXPECT_EQ("No modules found", guiLabelText(guiOnlyChild(container)));
  EXPECT_EQ(0, created);
}

TEST_F(EditorPageTest, OneScrollableNotebookPagePerMatchInPoolOrder) {
  ModulePool* pool =
      parse(imageOf({named("col_day", 1), named("font8", 2), named("col_night", 3), named("col_day", 4)}));
  editorPageLoad(page, pool);
  GtkWidget* inner = guiOnlyChild(container);
  ASSERT_TRUE(GTK_IS_NOTEBOOK(inner));
  EXPECT_TRUE(gtk_notebook_get_scrollable(GTK_NOTEBOOK(inner)));
  auto shown = views();
  ASSERT_EQ(3u, shown.size());  // two modules of one name give two pages
  EXPECT_EQ("col_day", shown[0].second);
  EXPECT_EQ("col_night", shown[1].second);
  EXPECT_EQ("col_day", shown[2].second);
  EXPECT_TRUE(gtk_widget_get_visible(shown[0].first));
  EXPECT_EQ(3, created);

  // Back to a pool without matches: the empty text comes back, views are freed.
  editorPageLoad(page, parse(named("font8", 2)));
  EXPECT_EQ("No modules found", guiLabelText(guiOnlyChild(container)));
  EXPECT_EQ(3, freed);
}

TEST_F(EditorPageTest, UnchangedModulesKeepTheirViews) {
  ModulePool* pool = parse(imageOf({named("col_day", 1), named("col_night", 3)}));
  editorPageLoad(page, pool);
  auto before = views();
  editorPageLoad(page, pool);
  EXPECT_EQ(before, views());
  EXPECT_EQ(2, created);

  // Committing stores every view, edited or not, and records the new CRCs:
  // the page's own edits never rebuild it.
  gtk_label_set_text(GTK_LABEL(before[0].first), "edited text");
  editorPageCommit(page);
  EXPECT_EQ(2, stored);
  EXPECT_EQ(1, poolIsModified(pool));
  editorPageLoad(page, pool);
  EXPECT_EQ(before, views());
  EXPECT_EQ(0, freed);
}

TEST_F(EditorPageTest, ChangeElsewhereOrNewPoolRebuildsEveryView) {
  Bytes image = imageOf({named("col_day", 1), named("col_night", 3)});
  ModulePool* pool = parse(image);
  editorPageLoad(page, pool);
  auto before = views();

  // Another tab replaces the second module: both views are made anew.
  Bytes other = named("col_night", 9);
  moduleSetData(poolGet(pool, 1), other.data(), uint32_t(other.size()));
  editorPageLoad(page, pool);
  auto after = views();
  ASSERT_EQ(2u, after.size());
  EXPECT_NE(before[0].first, after[0].first);
  EXPECT_NE(before[1].first, after[1].first);
  EXPECT_EQ(4, created);
  EXPECT_EQ(2, freed);  // the old views' state went with their widgets

  // Same bytes, new pool: new module objects, so a rebuild.
  editorPageLoad(page, parse(image));
  EXPECT_EQ(6, created);
  EXPECT_EQ(4, freed);
}

// A Replace on the Modules tab followed by a Save must not be undone by the
// stale view of the replaced module.
TEST_F(EditorPageTest, CommitLeavesModulesChangedElsewhere) {
  ModulePool* pool = parse(imageOf({named("col_day", 1), named("col_night", 3)}));
  editorPageLoad(page, pool);
  Bytes other = named("col_night", 9);
  moduleSetData(poolGet(pool, 1), other.data(), uint32_t(other.size()));
  editorPageCommit(page);
  EXPECT_EQ(1, stored);  // only the unchanged module's view
  uint32_t length = 0;
  MallocPtr<uint8_t> data(moduleGetData(poolGet(pool, 1), &length));
  EXPECT_EQ(other, Bytes(data.get(), data.get() + length));
  // Entering the tab again rebuilds the views from the new bytes.
  editorPageLoad(page, pool);
  EXPECT_EQ(4, created);
}

// The framework keeps its views while nothing changes and rebuilds them after
// the Modules tab replaced one of their modules.
TEST_F(EditorPageTest, ReplaceOnModulesTabRebuildsViews) {
  Bytes image = imageOf({named("col_day", 1), kernel});
  ASSERT_TRUE(writeFile(good, image));
  open(good);
  ModulePool* pool = shellGetCurrentPool();
  editorPageLoad(page, pool);
  auto before = views();
  editorPageLoad(page, pool);
  EXPECT_EQ(before, views());

  std::string replacement = dir.file("col_day.mod");
  ASSERT_TRUE(writeFile(replacement, named("col_day", 7)));
  ASSERT_TRUE(guiRightClickRow(modulesTabGetWidgets()->view, 0));
  DialogScript script;
  script.choose(replacement);
  gtk_menu_shell_activate_item(GTK_MENU_SHELL(modulesTabGetWidgets()->menu),
                               modulesTabGetWidgets()->replaceItem, TRUE);
  editorPageLoad(page, pool);
  auto after = views();
  ASSERT_EQ(1u, after.size());
  EXPECT_NE(before[0].first, after[0].first);
}

}  // namespace
