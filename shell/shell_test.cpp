#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "resources/icon_data.h"
#include "shell/gtk_ptr.h"
#include "tests/support/gui_driver.h"

namespace {

// Stand-in pages: each records the calls the shell makes on its handler.
std::vector<std::string> calls;
ModulePool* poolAtLoad;
int mapEvents, mapEventsAtLoad = -1;

template <int N>
TabHandler* spyPageNew(GtkWidget* container) {
  gtk_container_add(GTK_CONTAINER(container), gtk_label_new("page"));
  auto* handler = g_new0(TabHandler, 1);
  handler->load = [](TabHandler*, ModulePool* pool) {
    calls.push_back("load " + std::to_string(N) + (pool ? "" : " none"));
    poolAtLoad = shellGetCurrentPool();
    if (mapEventsAtLoad < 0 && pool) mapEventsAtLoad = mapEvents;
  };
  handler->commit = [](TabHandler*) { calls.push_back("commit " + std::to_string(N)); };
  return handler;
}

const TabPage SPY_PAGES[] = {{"First", &ICON_MODULES, spyPageNew<0>},
                             {"Second", &ICON_IMAGES, spyPageNew<1>},
                             {"Third", &ICON_COLORS, spyPageNew<2>}};

class Shell : public GuiTest {
 protected:
  void startShell() override {
    guiStartShell(SPY_PAGES, 3);
    open_ = shellGetMenu()->open, save_ = shellGetMenu()->save, quit_ = shellGetMenu()->quit;
  }
  // Opens the good image and edits its first module's body.
  ModulePool* openEdited() {
    open(good);
    const uint8_t body[] = {1, 2, 3, 4};
    EXPECT_EQ(1, moduleSetBody(poolGet(shellGetCurrentPool(), 0), body, 4));
    return shellGetCurrentPool();
  }
  Bytes editedImage() {
    return imageOf({ModuleBuilder().name("col_day").access(0x0557).body({1, 2, 3, 4}).build(), kernel, diag});
  }
  GtkWidget *open_, *save_, *quit_;
};

using Kinds = std::vector<std::string>;

TEST_F(Shell, StartUpState) {
  GtkWindow* window = GTK_WINDOW(shellGetMainWindow());
  EXPECT_STREQ("Korvane 2.6", gtk_window_get_title(window));
  EXPECT_FALSE(gtk_window_get_resizable(window));
  GList* icons = gtk_window_get_icon_list(window);
  EXPECT_EQ(2u, g_list_length(icons));  // the program's icon, 24 and 48 pixels
  g_list_free(icons);
  int width, height;
  gtk_widget_get_size_request(GTK_WIDGET(window), &width, &height);
  EXPECT_EQ(700 * 10000 + 580, width * 10000 + height);
  EXPECT_STREQ(GTK_STOCK_SAVE, gtk_menu_item_get_label(GTK_MENU_ITEM(save_)));
  // Alt+F opens the File menu.
  GtkWidget* fileLabel = gtk_bin_get_child(GTK_BIN(shellGetMenu()->file));
  EXPECT_EQ(guint(GDK_f), gtk_label_get_mnemonic_keyval(GTK_LABEL(fileLabel)));

  // One page per entry, the icon above the title, the page's own content.
  GtkNotebook* notebook = GTK_NOTEBOOK(shellGetNotebook());
  ASSERT_EQ(3, gtk_notebook_get_n_pages(notebook));
  GtkWidget* page = gtk_notebook_get_nth_page(notebook, 1);
  GList* label = gtk_container_get_children(GTK_CONTAINER(gtk_notebook_get_tab_label(notebook, page)));
  EXPECT_EQ(24, gdk_pixbuf_get_width(gtk_image_get_pixbuf(GTK_IMAGE(label->data))));
  EXPECT_EQ("Second", guiLabelText(GTK_WIDGET(label->next->data)));
  EXPECT_EQ("page", guiLabelText(guiOnlyChild(page)));
  g_list_free(label);
  // Without a file, Save does nothing and Quit quits without a question.
  DialogScript script;
  guiActivate(save_);
  guiActivate(quit_);
  EXPECT_TRUE(script.seen().empty());
  EXPECT_EQ(1, guiQuitCount());
}

TEST_F(Shell, OpenSaveAndTheirMessages) {
  std::string in = dir.file("in"), out = dir.file("out"), bad = dir.file("in/bad%s%d.img");
  std::filesystem::create_directory(in);
  std::filesystem::create_directory(out);
  ASSERT_TRUE(writeFile(bad, imageOf({kernel, breakModule(colors, Break::Crc)})));
  ASSERT_TRUE(writeFile(out + "/b.img", bytesOf("old")));
  open(good);
  ModulePool* first = shellGetCurrentPool();
  DialogScript script;
  script.choose(out + "/b.img").choose(out + "/b.img").choose(bad).cancel();
  {
    WriteLimit full(100);
    guiActivate(save_);
  }
  EXPECT_EQ(bytesOf("old"), readFile(out + "/b.img"));
  guiActivate(save_);
  guiActivate(open_);
  guiActivate(open_);
  EXPECT_EQ((Kinds{"save-chooser", "error", "save-chooser", "open-chooser", "error", "open-chooser"}),
            script.kinds());
  EXPECT_EQ("Save File", script.seen()[0].title);
  EXPECT_EQ("Error saving module 0", script.seen()[1].text);
  EXPECT_EQ(out, script.seen()[2].folder);  // Save remembers its folder,
  EXPECT_EQ(in, script.seen()[5].folder);   // Open its own
  // A "%" in the path is shown as it is; the old pool stays.
  EXPECT_EQ("Error loading file " + bad + ":\n\nError at 0x64: Module has invalid CRC", script.seen()[4].text);
  EXPECT_EQ(imageOf({colors, kernel, diag}), readFile(out + "/b.img"));
  EXPECT_EQ(first, shellGetCurrentPool());
}

TEST_F(Shell, PaddedImageOpensReadOnly) {
  std::string padded = dir.file("padded.img");
  ASSERT_TRUE(writeFile(padded, imageOf({kernel, zeros(4096 - kernel.size()), colors})));
  DialogScript script;
  script.choose(padded);
  guiActivate(open_);
  guiActivate(save_);  // refused before any file chooser
  EXPECT_EQ((Kinds{"open-chooser", "warning", "warning"}), script.kinds());
  EXPECT_EQ("\nData alignment found at offset 0x00001000\nFile opened in read only mode.", script.seen()[1].text);
  EXPECT_EQ("Saving files with data alignments not supported yet.", script.seen()[2].text);
}

TEST_F(Shell, UnsavedDataQuestionOnOpen) {
  ModulePool* first = openEdited();
  std::string saved = dir.file("saved.img");
  DialogScript script;
  script.cancel()                                         // nothing happens
      .respond(GTK_RESPONSE_NO).cancel()                  // the old pool stays, unsaved
      .respond(GTK_RESPONSE_YES).cancel()                 // a cancelled save stops Open
      .respond(GTK_RESPONSE_YES).choose(saved).cancel();  // saved, then Open cancelled
  for (int i = 0; i < 4; i++) guiActivate(open_);
  EXPECT_EQ((Kinds{"question", "question", "open-chooser", "question", "save-chooser", "question",
                   "save-chooser", "open-chooser"}),
            script.kinds());
  EXPECT_EQ("Data not saved\nSave it before loading new file ?", script.seen()[0].text);
  EXPECT_EQ(editedImage(), readFile(saved));
  EXPECT_EQ(first, shellGetCurrentPool());
  EXPECT_EQ(0, poolIsModified(first));  // marked saved: Quit asks no more
}

TEST_F(Shell, UnsavedDataQuestionOnQuitAndClose) {
  openEdited();
  std::string saved = dir.file("saved.img");
  DialogScript script;
  script.cancel()                          // Quit: keeps running
      .respond(GTK_RESPONSE_YES).cancel()  // Quit: a cancelled save keeps it running
      .cancel()                            // File > Save cancelled
      .choose(saved);                      // File > Save: written and marked saved
  for (GtkWidget* item : {quit_, quit_, save_, save_}) guiActivate(item);
  EXPECT_EQ(0, guiQuitCount());
  EXPECT_EQ("Data not saved\nSave it before exit ?", script.seen()[0].text);
  // The close button quits without asking again, and never destroys the window.
  GdkEvent* event = gdk_event_new(GDK_DELETE);
  event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(shellGetMainWindow())));
  EXPECT_TRUE(gtk_widget_event(shellGetMainWindow(), event));
  gdk_event_free(event);
  EXPECT_EQ(5u, script.seen().size());
  EXPECT_EQ(1, guiQuitCount());
  EXPECT_EQ(nullptr, shellGetCurrentPool());
  EXPECT_EQ(editedImage(), readFile(saved));
}

TEST_F(Shell, PoolHandOverAndPageSwitches) {
  GtkNotebook* notebook = GTK_NOTEBOOK(shellGetNotebook());
  calls.clear();
  gtk_notebook_set_current_page(notebook, 2);
  EXPECT_EQ((Kinds{"commit 0", "load 2 none"}), calls);
  open(good);
  ModulePool* first = shellGetCurrentPool();
  calls.clear();
  open(good);
  // The visible tab first; the old pool is freed only after every tab has the new one.
  EXPECT_EQ((Kinds{"commit 0", "commit 1", "commit 2", "load 2", "load 0", "load 1"}), calls);
  EXPECT_EQ(first, poolAtLoad);
  calls.clear();
  gtk_notebook_set_current_page(notebook, 1);
  EXPECT_EQ((Kinds{"commit 2", "load 1"}), calls);
}

// GTK's own dialogs, answered by a callback that sees each one as it runs:
// it returns the response, or 0 to look again later.
std::function<int(GtkWidget*)> answer;

gboolean answerModal(gpointer) {
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w; w = w->next)
    if (GTK_IS_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data)) &&
        gtk_window_get_modal(GTK_WINDOW(w->data)))
      if (int response = answer(GTK_WIDGET(w->data))) gtk_dialog_response(GTK_DIALOG(w->data), response);
  g_list_free(windows);
  return TRUE;
}

TEST_F(Shell, GtkDialogs) {
  std::string out = dir.file("out");
  std::filesystem::create_directory(out);
  {
    DialogScript script;
    script.choose(out + "/x.img");
    runSaveDialog(PoolPtr(poolParse(kernel.data(), kernel.size(), nullptr)).get(), nullptr);
  }
  shellSetDialogs(&SHELL_GTK_DIALOGS);
  guint source = g_timeout_add(20, answerModal, nullptr);
  std::string seen;
  answer = [&](GtkWidget* dialog) {
    seen = gtk_window_get_title(GTK_WINDOW(dialog));
    return GTK_RESPONSE_NO;
  };
  EXPECT_EQ(SAVE_NO, askSaveFirst("Data not saved\nSave it before exit ?"));
  EXPECT_EQ("Save", seen);
  answer = [&](GtkWidget* dialog) {
    seen = GTK_MESSAGE_DIALOG(dialog)->label ? gtk_label_get_text(GTK_LABEL(GTK_MESSAGE_DIALOG(dialog)->label)) : "";
    return GTK_RESPONSE_CLOSE;
  };
  showError("50% of %s");
  EXPECT_EQ("50% of %s", seen);
  // The chooser takes a file once it has read its folder; the next one starts
  // there and asks before overwriting.
  answer = [&](GtkWidget* dialog) {
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    GCharPtr name(gtk_file_chooser_get_filename(chooser)), folder(gtk_file_chooser_get_current_folder(chooser));
    if (gtk_file_chooser_get_action(chooser) == GTK_FILE_CHOOSER_ACTION_SAVE) {
      seen = std::string(folder ? folder.get() : "") + gtk_window_get_title(GTK_WINDOW(dialog)) +
             std::to_string(gtk_file_chooser_get_do_overwrite_confirmation(chooser));
      return folder ? int(GTK_RESPONSE_CANCEL) : 0;
    }
    if (name && good == name.get()) return int(GTK_RESPONSE_ACCEPT);
    gtk_file_chooser_set_filename(chooser, good.c_str());
    return 0;
  };
  PoolPtr pool(runOpenDialog());
  ASSERT_TRUE(pool);
  EXPECT_EQ(SAVE_CANCELLED, runSaveDialog(pool.get(), "diag"));
  EXPECT_EQ(out + "Save File1", seen);
  g_source_remove(source);
}

// korvane FILE: opened once the window is on screen, with File > Open's messages.
TEST_F(Shell, FileGivenAtStartUp) {
  // The fixture built the window; its map event has not been handled yet.
  auto counter = +[](GtkWidget*, GdkEvent*, gpointer) -> gboolean { return mapEvents++, FALSE; };
  g_signal_connect(shellGetMainWindow(), "map-event", G_CALLBACK(counter), nullptr);
  std::string bad = dir.file("bad.img");
  ASSERT_TRUE(writeFile(bad, bytesOf("ABCD")));
  DialogScript script;
  shellOpenWhenShown(good.c_str());
  ASSERT_TRUE(guiWaitFor([] { return shellGetCurrentPool() != nullptr; }));
  EXPECT_EQ(1, mapEventsAtLoad);
  shellOpenWhenShown(bad.c_str());
  ASSERT_TRUE(guiWaitFor([&] { return !script.seen().empty(); }));
  EXPECT_EQ("Error loading file " + bad + ":\n\nUnknown file format", script.seen()[0].text);
}

}  // namespace
