#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "pool/list.h"
#include "tabs/modules/modules_tab.h"
#include "tests/support/gui_driver.h"

namespace {

using Shell = GuiTest;

GtkWidget* menu(int i) {
  const ShellMenu* m = shellGetMenu();
  return i == 0 ? m->open : i == 1 ? m->save : m->quit;
}

void editFirstModule() {
  const uint8_t body[] = {1, 2, 3, 4};
  ASSERT_EQ(1, moduleSetBody(poolGet(shellGetCurrentPool(), 0), body, 4));
}

TEST_F(Shell, StartUpState) {
  GtkWidget* window = shellGetMainWindow();
  EXPECT_STREQ("Korvane 2.6", gtk_window_get_title(GTK_WINDOW(window)));
  EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(window)));
  int width, height;
  gtk_widget_get_size_request(window, &width, &height);
  EXPECT_EQ(700 * 10000 + 580, width * 10000 + height);
  const char* stocks[] = {GTK_STOCK_OPEN, GTK_STOCK_SAVE, GTK_STOCK_QUIT};
  for (int i = 0; i < 3; i++) EXPECT_STREQ(stocks[i], gtk_menu_item_get_label(GTK_MENU_ITEM(menu(i))));

  // Five tabs, each with its 24 x 24 icon above its title.
  GtkNotebook* notebook = GTK_NOTEBOOK(shellGetNotebook());
  ASSERT_EQ(5, gtk_notebook_get_n_pages(notebook));
  const char* titles[] = {"Modules", "Images", "Colors", "Strings", "Fonts"};
  for (int i = 0; i < 5; i++) {
    GtkWidget* page = gtk_notebook_get_nth_page(notebook, i);
    GList* label = gtk_container_get_children(GTK_CONTAINER(gtk_notebook_get_tab_label(notebook, page)));
    GdkPixbuf* icon = gtk_image_get_pixbuf(GTK_IMAGE(label->data));
    EXPECT_EQ(24, gdk_pixbuf_get_width(icon));
    EXPECT_EQ(titles[i], guiLabelText(GTK_WIDGET(label->next->data)));
    EXPECT_EQ(i ? "No modules found" : "File not loaded", guiLabelText(guiOnlyChild(page)));
    g_list_free(label);
  }
  // Without a file, Save does nothing and Quit quits without a question.
  DialogScript script;
  guiActivate(menu(1));
  guiActivate(menu(2));
  EXPECT_TRUE(script.seen().empty());
  EXPECT_EQ(1, guiQuitCount());
}

TEST_F(Shell, OpenSaveAndTheirMessages) {
  EXPECT_EQ("Open File", open(good).at(0).title);
  ModulePool* first = shellGetCurrentPool();
  ASSERT_NE(nullptr, first);
  EXPECT_EQ("kernel", guiCellText(modulesTabGetWidgets()->view, 1, 1));
  std::string copy = dir.file("copy.img"), bad = dir.file("bad%s%d.img");
  ASSERT_TRUE(writeFile(bad, imageOf({kernel, breakModule(colors, Break::Crc)})));
  {
    DialogScript script;
    script.choose(copy).choose(bad).close();
    guiActivate(menu(1));
    guiActivate(menu(0));
    EXPECT_EQ("Save File", script.seen().at(0).title);
    // A "%" in the path is shown as it is; the old pool stays.
    EXPECT_EQ("Error loading file " + bad + ":\n\nError at 0x64: Module has invalid CRC",
              script.seen().at(2).text);
  }
  EXPECT_EQ(imageOf({colors, kernel, diag}), readFile(copy));
  EXPECT_EQ(first, shellGetCurrentPool());

  std::string padded = dir.file("padded.img");
  ASSERT_TRUE(writeFile(padded, imageOf({kernel, zeros(4096 - kernel.size()), colors})));
  DialogScript script;
  script.choose(padded).close().close();
  guiActivate(menu(0));
  guiActivate(menu(1));  // refused before any file chooser
  ASSERT_EQ(3u, script.seen().size());
  EXPECT_EQ("\nData alignment found at offset 0x00001000\nFile opened in read only mode.",
            script.seen()[1].text);
  EXPECT_EQ("Saving files with data alignments not supported yet.", script.seen()[2].text);
}

TEST_F(Shell, UnsavedDataQuestionOnOpen) {
  open(good);
  ModulePool* first = shellGetCurrentPool();
  editFirstModule();
  std::string saved = dir.file("saved.img");
  DialogScript script;
  script.cancel().respond(GTK_RESPONSE_DELETE_EVENT)  // nothing happens
      .respond(GTK_RESPONSE_NO).cancel()              // the old pool stays, unsaved
      .respond(GTK_RESPONSE_YES).cancel()             // a cancelled save stops Open
      .respond(GTK_RESPONSE_YES).choose(saved).choose(good);
  for (int i = 0; i < 4; i++) guiActivate(menu(0));
  EXPECT_EQ(first, shellGetCurrentPool());
  EXPECT_EQ(1, poolIsModified(first));
  guiActivate(menu(0));
  ASSERT_EQ(9u, script.seen().size());
  EXPECT_EQ("Data not saved\nSave it before loading new file ?", script.seen()[0].text);
  EXPECT_EQ("open-chooser", script.seen()[3].kind);
  EXPECT_EQ("save-chooser", script.seen()[5].kind);
  Bytes edited = ModuleBuilder().name("col_day").access(0x0557).body({1, 2, 3, 4}).build();
  EXPECT_EQ(imageOf({edited, kernel, diag}), readFile(saved));
  EXPECT_NE(first, shellGetCurrentPool());
}

TEST_F(Shell, UnsavedDataQuestionOnQuitAndClose) {
  open(good);
  editFirstModule();
  std::string saved = dir.file("saved.img");
  DialogScript script;
  script.cancel()                          // Quit: keeps running
      .respond(GTK_RESPONSE_YES).cancel()  // Quit: a cancelled save keeps it running
      .cancel()                            // File > Save cancelled
      .cancel()                            // Quit asks again
      .respond(GTK_RESPONSE_YES).choose(saved);  // the close button: saved, then quit
  for (int i : {2, 2, 1, 2}) guiActivate(menu(i));
  EXPECT_EQ(0, guiQuitCount());
  GdkEvent* event = gdk_event_new(GDK_DELETE);
  event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(shellGetMainWindow())));
  EXPECT_TRUE(gtk_widget_event(shellGetMainWindow(), event));  // never destroyed by it
  gdk_event_free(event);
  ASSERT_EQ(7u, script.seen().size());
  EXPECT_EQ("Data not saved\nSave it before exit ?", script.seen()[5].text);
  EXPECT_EQ(1, guiQuitCount());
  EXPECT_EQ(nullptr, shellGetCurrentPool());
  Bytes edited = ModuleBuilder().name("col_day").access(0x0557).body({1, 2, 3, 4}).build();
  EXPECT_EQ(imageOf({edited, kernel, diag}), readFile(saved));
}

// Tab handlers wrapped so that their calls are recorded in order.
struct Spy {
  TabHandler handler;
  TabHandler* real;
  int page;
};
std::vector<std::string> calls;
ModulePool* poolAtLoad;

void installSpies() {
  List* tabs = shellGetTabList();
  for (uint32_t i = 0; i < listGetCount(tabs); i++) {
    auto load = [](TabHandler* h, ModulePool* pool) {
      auto* spy = reinterpret_cast<Spy*>(h);
      calls.push_back("load " + std::to_string(spy->page) + (pool ? "" : " none"));
      poolAtLoad = shellGetCurrentPool();
      spy->real->load(spy->real, pool);
    };
    auto commit = [](TabHandler* h) {
      auto* spy = reinterpret_cast<Spy*>(h);
      calls.push_back("commit " + std::to_string(spy->page));
      spy->real->commit(spy->real);
    };
    listSet(tabs, i, new Spy{{load, commit, nullptr}, static_cast<TabHandler*>(listGet(tabs, i)), int(i)});
  }
}

TEST_F(Shell, PoolHandOverAndPageSwitches) {
  GtkNotebook* notebook = GTK_NOTEBOOK(shellGetNotebook());
  GtkWidget* images = gtk_notebook_get_nth_page(notebook, 1);
  GtkWidget* shown = guiOnlyChild(images);
  installSpies();
  gtk_notebook_set_current_page(notebook, 3);
  EXPECT_EQ((std::vector<std::string>{"commit 0", "load 3 none"}), calls);
  open(good);
  ModulePool* first = shellGetCurrentPool();
  calls.clear();
  open(good);
  // The visible tab first; the old pool is freed only after every tab has the new one.
  EXPECT_EQ((std::vector<std::string>{"commit 0", "commit 1", "commit 2", "commit 3", "commit 4",
                                      "load 3", "load 0", "load 1", "load 2", "load 4"}),
            calls);
  EXPECT_EQ(first, poolAtLoad);
  calls.clear();
  gtk_notebook_set_current_page(notebook, 1);
  EXPECT_EQ((std::vector<std::string>{"commit 3", "load 1"}), calls);
  EXPECT_EQ(shown, guiOnlyChild(images));  // nothing matched, nothing was rebuilt
}

TEST_F(Shell, ChoosersRememberFoldersAndSaveFailuresShow) {
  std::string in = dir.file("in"), out = dir.file("out");
  std::filesystem::create_directory(in);
  std::filesystem::create_directory(out);
  ASSERT_TRUE(writeFile(in + "/a.img", imageOf({colors, kernel})));
  ASSERT_TRUE(writeFile(out + "/b.img", bytesOf("old")));
  open(in + "/a.img");
  editFirstModule();
  DialogScript script;
  script.choose(out + "/b.img").respond(GTK_RESPONSE_ACCEPT).close().respond(GTK_RESPONSE_NO).cancel();
  {
    WriteLimit full(100);
    guiActivate(menu(1));
  }
  guiActivate(menu(0));
  // Chooser, overwrite question, error; then Open asks about the unsaved data.
  ASSERT_EQ(5u, script.seen().size());
  EXPECT_EQ("Error saving module 0", script.seen()[2].text);
  EXPECT_EQ(bytesOf("old"), readFile(out + "/b.img"));
  EXPECT_EQ("question", script.seen()[3].kind);
  EXPECT_EQ(in, script.seen()[4].folder);  // Open kept its own folder
}

// korvane FILE: the same load and messages as File > Open.
TEST_F(Shell, FileGivenAtStartUp) {
  std::string bad = dir.file("bad.img");
  ASSERT_TRUE(writeFile(bad, bytesOf("ABCD")));
  DialogScript script;
  script.close();
  shellOpenFile(bad.c_str());
  shellOpenFile(good.c_str());
  ASSERT_EQ(1u, script.seen().size());
  EXPECT_EQ("Error loading file " + bad + ":\n\nUnknown file format", script.seen()[0].text);
  EXPECT_EQ(good, shellGetCurrentPool()->path);
}

}  // namespace
