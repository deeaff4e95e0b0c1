#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <string>
#include <vector>

#include <glib/gstdio.h>

#include "pool/list.h"
#include "pool/memory.h"
#include "tabs/modules/modules_tab.h"
#include "tests/support/gui_fixture.h"

namespace {

using Shell = GuiTest;

// A tab handler wrapped so that calls are recorded in order before the real
// tab runs them.
struct Spy {
  TabHandler handler;
  TabHandler* real;
  int page;
};
std::vector<std::string> calls;
ModulePool* poolAtLoad;

void spyLoad(TabHandler* h, ModulePool* pool) {
  auto* spy = reinterpret_cast<Spy*>(h);
  calls.push_back("load " + std::to_string(spy->page) + (pool ? "" : " none"));
  // The old pool must still be alive while the tabs get the new one.
  poolAtLoad = shellGetCurrentPool();
  if (poolAtLoad) {
    EXPECT_GT(poolGetCount(poolAtLoad), 0u);
  }
  spy->real->load(spy->real, pool);
}
void spyCommit(TabHandler* h) {
  auto* spy = reinterpret_cast<Spy*>(h);
  calls.push_back("commit " + std::to_string(spy->page));
  spy->real->commit(spy->real);
}

void installSpies() {
  List* tabs = shellGetTabList();
  for (uint32_t i = 0; i < listGetCount(tabs); i++) {
    auto* spy = new Spy{{spyLoad, spyCommit, nullptr},
                        static_cast<TabHandler*>(listGet(tabs, i)), int(i)};
    listSet(tabs, i, spy);
  }
}

void editFirstModule() {
  const uint8_t body[] = {1, 2, 3, 4};
  ASSERT_EQ(1, moduleSetBody(poolGet(shellGetCurrentPool(), 0), body, 4));
}

std::string tabTitle(int page) {
  GtkWidget* notebook = shellGetNotebook();
  GtkWidget* label =
      gtk_notebook_get_tab_label(GTK_NOTEBOOK(notebook), gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), page));
  GList* children = gtk_container_get_children(GTK_CONTAINER(label));
  std::string text;
  if (g_list_length(children) == 2 && GTK_IS_IMAGE(children->data)) {
    GdkPixbuf* icon = gtk_image_get_pixbuf(GTK_IMAGE(children->data));
    if (icon && gdk_pixbuf_get_width(icon) == 24 && gdk_pixbuf_get_height(icon) == 24 &&
        gdk_pixbuf_get_has_alpha(icon))
      text = guiLabelText(GTK_WIDGET(children->next->data));
  }
  g_list_free(children);
  return text;
}

TEST_F(Shell, StartUpState) {
  GtkWidget* window = shellGetMainWindow();
  EXPECT_STREQ("Korvane 2.6", gtk_window_get_title(GTK_WINDOW(window)));
  EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(window)));
  int width, height;
  gtk_widget_get_size_request(window, &width, &height);
  EXPECT_EQ(700, width);
  EXPECT_EQ(580, height);
  EXPECT_EQ(nullptr, shellGetCurrentPool());

  GtkWidget* notebook = shellGetNotebook();
  ASSERT_EQ(5, gtk_notebook_get_n_pages(GTK_NOTEBOOK(notebook)));
  const char* titles[] = {"Modules", "Images", "Colors", "Strings", "Fonts"};
  for (int i = 0; i < 5; i++) {
    SCOPED_TRACE(titles[i]);
    EXPECT_EQ(titles[i], tabTitle(i));  // icon of 24 x 24 above the title
    GtkWidget* page = gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), i);
    EXPECT_EQ(i == 0 ? "File not loaded" : "No modules found", guiLabelText(guiOnlyChild(page)));
  }
  // Stock items, so they carry GTK's labels, icons and accelerators.
  GtkWidget* items[] = {shellGetMenu()->open, shellGetMenu()->save, shellGetMenu()->quit};
  const char* stocks[] = {GTK_STOCK_OPEN, GTK_STOCK_SAVE, GTK_STOCK_QUIT};
  for (int i = 0; i < 3; i++) {
    EXPECT_TRUE(gtk_image_menu_item_get_use_stock(GTK_IMAGE_MENU_ITEM(items[i])));
    EXPECT_STREQ(stocks[i], gtk_menu_item_get_label(GTK_MENU_ITEM(items[i])));
    GList* closures = gtk_widget_list_accel_closures(items[i]);
    EXPECT_EQ(1u, g_list_length(closures));
    g_list_free(closures);
  }
}

TEST_F(Shell, SaveAndQuitWithoutFileDoNothingButQuit) {
  DialogScript script;
  guiActivate(shellGetMenu()->save);
  EXPECT_TRUE(script.seen().empty());
  guiActivate(shellGetMenu()->quit);
  EXPECT_TRUE(script.seen().empty());
  EXPECT_EQ(1, guiQuitCount());
}

TEST_F(Shell, OpenGoodFileThenSaveWritesSameBytes) {
  std::vector<SeenDialog> seen = open(good);
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ("open-chooser", seen[0].kind);
  EXPECT_EQ("Open File", seen[0].title);
  ASSERT_NE(nullptr, shellGetCurrentPool());
  EXPECT_EQ(3u, poolGetCount(shellGetCurrentPool()));

  std::string copy = dir.file("copy.img");
  DialogScript script;
  script.choose(copy);
  guiActivate(shellGetMenu()->save);
  ASSERT_EQ(1u, script.seen().size());
  EXPECT_EQ("Save File", script.seen()[0].title);
  EXPECT_EQ(imageOf({colors, kernel, diag}), readFile(copy));
  EXPECT_EQ(0, poolIsModified(shellGetCurrentPool()));
}

TEST_F(Shell, OpenBadFileShowsErrorAndKeepsPool) {
  open(good);
  ModulePool* first = shellGetCurrentPool();
  std::string bad = dir.file("bad%s%d.img");  // shown as it is, never as a format
  ASSERT_TRUE(writeFile(bad, imageOf({kernel, breakModule(colors, Break::Crc)})));
  DialogScript script;
  script.choose(bad).close();
  guiActivate(shellGetMenu()->open);
  ASSERT_EQ(2u, script.seen().size());
  EXPECT_EQ("error", script.seen()[1].kind);
  EXPECT_EQ("Error loading file " + bad + ":\n\nError at 0x64: Module has invalid CRC",
            script.seen()[1].text);
  EXPECT_EQ(first, shellGetCurrentPool());
}

// korvane FILE: the same load, messages and hand-over as File > Open.
TEST_F(Shell, FileGivenAtStartUpOpensAsFileOpenWould) {
  std::string bad = dir.file("bad.img");
  ASSERT_TRUE(writeFile(bad, bytesOf("ABCD")));
  {
    DialogScript script;
    script.close();
    shellOpenFile(bad.c_str());
    ASSERT_EQ(1u, script.seen().size());
    EXPECT_EQ("Error loading file " + bad + ":\n\nUnknown file format", script.seen()[0].text);
    EXPECT_EQ(nullptr, shellGetCurrentPool());
  }
  DialogScript script;
  shellOpenFile(good.c_str());
  EXPECT_TRUE(script.seen().empty());
  ASSERT_NE(nullptr, shellGetCurrentPool());
  EXPECT_EQ(good, shellGetCurrentPool()->path);
  EXPECT_EQ("kernel", guiCellText(modulesTabGetWidgets()->view, 1, 1));
}

TEST_F(Shell, PaddedFileOpensReadOnly) {
  std::string padded = dir.file("padded.img");
  ASSERT_TRUE(writeFile(padded, imageOf({kernel, zeros(4096 - kernel.size()), colors})));
  {
    DialogScript script;
    script.choose(padded).close();
    guiActivate(shellGetMenu()->open);
    ASSERT_EQ(2u, script.seen().size());
    EXPECT_EQ("warning", script.seen()[1].kind);
    EXPECT_EQ("\nData alignment found at offset 0x00001000\nFile opened in read only mode.",
              script.seen()[1].text);
  }
  ASSERT_NE(nullptr, shellGetCurrentPool());

  // Save is refused before any file chooser appears.
  DialogScript save;
  save.close();
  guiActivate(shellGetMenu()->save);
  ASSERT_EQ(1u, save.seen().size());
  EXPECT_EQ("warning", save.seen()[0].kind);
  EXPECT_EQ("Saving files with data alignments not supported yet.", save.seen()[0].text);
}

TEST_F(Shell, UnsavedDataQuestionOnOpen) {
  open(good);
  ModulePool* first = shellGetCurrentPool();
  editFirstModule();
  const std::string question = "Data not saved\nSave it before loading new file ?";

  {  // Cancel, or closing the question: nothing happens.
    DialogScript script;
    script.cancel().respond(GTK_RESPONSE_DELETE_EVENT);
    guiActivate(shellGetMenu()->open);
    guiActivate(shellGetMenu()->open);
    ASSERT_EQ(2u, script.seen().size());
    EXPECT_EQ("question", script.seen()[0].kind);
    EXPECT_EQ(question, script.seen()[0].text);
    EXPECT_EQ(question, script.seen()[1].text);
    EXPECT_EQ(first, shellGetCurrentPool());
  }
  {  // No, then cancel the chooser: the old pool stays with its edits.
    DialogScript script;
    script.respond(GTK_RESPONSE_NO).cancel();
    guiActivate(shellGetMenu()->open);
    ASSERT_EQ(2u, script.seen().size());
    EXPECT_EQ("open-chooser", script.seen()[1].kind);
    EXPECT_EQ(first, shellGetCurrentPool());
    EXPECT_EQ(1, poolIsModified(first));
  }
  {  // Yes, then cancel the Save File dialog: Open stops there.
    DialogScript script;
    script.respond(GTK_RESPONSE_YES).cancel();
    guiActivate(shellGetMenu()->open);
    ASSERT_EQ(2u, script.seen().size());
    EXPECT_EQ("save-chooser", script.seen()[1].kind);
    EXPECT_EQ(1, poolIsModified(first));
  }
  {  // Yes and save: the data count as saved, then the file is opened.
    std::string saved = dir.file("saved.img");
    DialogScript script;
    script.respond(GTK_RESPONSE_YES).choose(saved).choose(good);
    guiActivate(shellGetMenu()->open);
    ASSERT_EQ(3u, script.seen().size());
    EXPECT_EQ("open-chooser", script.seen()[2].kind);
    Bytes edited = ModuleBuilder().name("col_day").access(0x0557).body({1, 2, 3, 4}).build();
    EXPECT_EQ(imageOf({edited, kernel, diag}), readFile(saved));
    EXPECT_NE(first, shellGetCurrentPool());
    EXPECT_EQ(0, poolIsModified(shellGetCurrentPool()));
  }
}

TEST_F(Shell, UnsavedDataQuestionOnQuit) {
  open(good);
  editFirstModule();
  const std::string question = "Data not saved\nSave it before exit ?";
  {  // Cancel, and closing the question, keep the program running.
    DialogScript script;
    script.cancel().respond(GTK_RESPONSE_DELETE_EVENT);
    guiActivate(shellGetMenu()->quit);
    guiActivate(shellGetMenu()->quit);
    ASSERT_EQ(2u, script.seen().size());
    EXPECT_EQ(question, script.seen()[0].text);
    EXPECT_EQ(0, guiQuitCount());
  }
  {  // Yes, then cancel the Save File dialog: still running; the next Quit asks again.
    DialogScript script;
    script.respond(GTK_RESPONSE_YES).cancel().cancel();
    guiActivate(shellGetMenu()->quit);
    guiActivate(shellGetMenu()->quit);
    ASSERT_EQ(3u, script.seen().size());
    EXPECT_EQ("question", script.seen()[2].kind);
    EXPECT_EQ(0, guiQuitCount());
  }
  {  // File > Save cancelled: the next Quit still asks.
    DialogScript script;
    script.cancel().cancel();
    guiActivate(shellGetMenu()->save);
    guiActivate(shellGetMenu()->quit);
    ASSERT_EQ(2u, script.seen().size());
    EXPECT_EQ("save-chooser", script.seen()[0].kind);
    EXPECT_EQ("question", script.seen()[1].kind);
  }
  {  // The window's close button asks the same; No quits.
    DialogScript script;
    script.respond(GTK_RESPONSE_NO);
    GdkEvent* event = gdk_event_new(GDK_DELETE);
    event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(shellGetMainWindow())));
    gboolean handled = gtk_widget_event(shellGetMainWindow(), event);
    gdk_event_free(event);
    EXPECT_TRUE(handled);  // the window is never destroyed by the close button
    ASSERT_EQ(1u, script.seen().size());
    EXPECT_EQ(question, script.seen()[0].text);
    EXPECT_EQ(1, guiQuitCount());
    EXPECT_EQ(nullptr, shellGetCurrentPool());
  }
}

TEST_F(Shell, QuitAfterSavingTheUnsavedData) {
  open(good);
  editFirstModule();
  std::string saved = dir.file("saved.img");
  DialogScript script;
  script.respond(GTK_RESPONSE_YES).choose(saved);
  guiActivate(shellGetMenu()->quit);
  ASSERT_EQ(2u, script.seen().size());
  EXPECT_EQ(1, guiQuitCount());
  EXPECT_EQ(nullptr, shellGetCurrentPool());
  EXPECT_FALSE(gtk_widget_get_visible(shellGetMainWindow()));
  Bytes edited = ModuleBuilder().name("col_day").access(0x0557).body({1, 2, 3, 4}).build();
  EXPECT_EQ(imageOf({edited, kernel, diag}), readFile(saved));
}

// Nothing changed: entering an editor tab keeps what it shows, through page
// switches and through opening a file whose modules it does not edit.
TEST_F(Shell, EditorTabKeepsItsViewWhenNothingChanged) {
  GtkWidget* notebook = shellGetNotebook();
  GtkWidget* page = gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), 1);
  GtkWidget* shown = guiOnlyChild(page);
  for (int i : {1, 0, 1}) gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), i);
  EXPECT_EQ(shown, guiOnlyChild(page));
  open(good);
  for (int i : {2, 1, 0, 1}) gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), i);
  EXPECT_EQ(shown, guiOnlyChild(page));
  EXPECT_EQ("No modules found", guiLabelText(shown));
}

TEST_F(Shell, VisibleTabGetsNewPoolFirstAndOldPoolIsFreedAfter) {
  open(good);
  ModulePool* first = shellGetCurrentPool();
  gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 3);
  installSpies();
  calls.clear();
  open(good);
  EXPECT_EQ((std::vector<std::string>{"commit 0", "commit 1", "commit 2", "commit 3", "commit 4",
                                      "load 3", "load 0", "load 1", "load 2", "load 4"}),
            calls);
  EXPECT_EQ(first, poolAtLoad);  // still the current pool while the tabs were loaded
  EXPECT_NE(first, shellGetCurrentPool());
}

TEST_F(Shell, PageSwitchCommitsTheLeftTabAndLoadsTheEntered) {
  installSpies();
  calls.clear();
  gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 2);
  EXPECT_EQ((std::vector<std::string>{"commit 0", "load 2 none"}), calls);
  open(good);
  calls.clear();
  gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 4);
  EXPECT_EQ((std::vector<std::string>{"commit 2", "load 4"}), calls);
}

TEST_F(Shell, ChoosersRememberTheirFoldersSeparately) {
  std::string openFolder = dir.file("in");
  std::string saveFolder = dir.file("out");
  ASSERT_EQ(0, g_mkdir(openFolder.c_str(), 0700));
  ASSERT_EQ(0, g_mkdir(saveFolder.c_str(), 0700));
  ASSERT_TRUE(writeFile(openFolder + "/a.img", imageOf({colors, kernel})));
  open(openFolder + "/a.img");
  {
    DialogScript script;
    script.choose(saveFolder + "/b.img");
    guiActivate(shellGetMenu()->save);
  }
  DialogScript script;
  script.cancel().cancel();
  guiActivate(shellGetMenu()->open);
  guiActivate(shellGetMenu()->save);
  ASSERT_EQ(2u, script.seen().size());
  EXPECT_EQ(openFolder, script.seen()[0].folder);
  EXPECT_EQ(saveFolder, script.seen()[1].folder);
}

TEST_F(Shell, SaveFailureIsShownAndDataStayUnsaved) {
  open(good);
  editFirstModule();
  std::string target = dir.file("x.img");
  ASSERT_TRUE(writeFile(target, bytesOf("old")));
  DialogScript script;
  script.choose(target).respond(GTK_RESPONSE_ACCEPT).close();  // confirm the overwrite
  // A file size limit makes the write fail, as a full disk would.
  struct rlimit saved, limited;
  getrlimit(RLIMIT_FSIZE, &saved);
  limited = saved;
  limited.rlim_cur = 100;
  signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limited);
  guiActivate(shellGetMenu()->save);
  setrlimit(RLIMIT_FSIZE, &saved);
  ASSERT_EQ(3u, script.seen().size());
  EXPECT_EQ("error", script.seen()[2].kind);
  EXPECT_EQ("Error saving module 0", script.seen()[2].text);
  EXPECT_EQ(bytesOf("old"), readFile(target));
  EXPECT_EQ(1, poolIsModified(shellGetCurrentPool()));
}

}  // namespace
