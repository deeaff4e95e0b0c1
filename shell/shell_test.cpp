// SPDX-License-Identifier: MIT
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "resources/icon_data.h"
#include "pool/glib_memory.h"
#include "tests/support/gui_driver.h"

namespace {

using Lines = std::vector<std::string>;

// Stand-in pages: the first load with a pool notes the map events handled by then.
int mapEvents, mapEventsAtLoad = -1;

TabHandler* spyPageNew(GtkWidget* container) {
  gtk_container_add(GTK_CONTAINER(container), gtk_label_new("page"));
  auto* handler = g_new0(TabHandler, 1);
  handler->load = [](TabHandler*, ModulePool* pool) {
    if (mapEventsAtLoad < 0 && pool) mapEventsAtLoad = mapEvents;
  };
  handler->commit = [](TabHandler*) {};
  return handler;
}

const TabPage SPY_PAGES[] = {
    {"First", &ICON_MODULES, spyPageNew}, {"Second", &ICON_IMAGES, spyPageNew}, {"Third", &ICON_COLORS, spyPageNew}};

class Shell : public GuiTest {
 protected:
  void startShell() override {
    guiStartShell(SPY_PAGES, 3);
    open_ = shellGetMenu()->open, save_ = shellGetMenu()->save, quit_ = shellGetMenu()->quit;
  }
  GtkWidget *open_, *save_, *quit_;
};

TEST_F(Shell, StartUpState) {
  GtkWindow* window = GTK_WINDOW(shellGetMainWindow());
  EXPECT_STREQ("Korvane 2.6", gtk_window_get_title(window));
  int width, height;
  gtk_widget_get_size_request(GTK_WIDGET(window), &width, &height);
  EXPECT_EQ(700 * 10000 + 580, width * 10000 + height);
  EXPECT_EQ(guint(GDK_f), gtk_label_get_mnemonic_keyval(GTK_LABEL(gtk_bin_get_child(GTK_BIN(shellGetMenu()->file)))));
  // One page per entry, its title below its icon.
  GtkNotebook* notebook = GTK_NOTEBOOK(shellGetNotebook());
  ASSERT_EQ(3, gtk_notebook_get_n_pages(notebook));
  GtkWidget* tab = gtk_notebook_get_tab_label(notebook, gtk_notebook_get_nth_page(notebook, 1));
  GList* label = gtk_container_get_children(GTK_CONTAINER(tab));
  EXPECT_EQ("Second", guiLabelText(GTK_WIDGET(label->next->data)));
  g_list_free(label);
  // Without a file Save does nothing, Quit asks nothing, Open starts in the current folder; no name, no load.
  DialogScript script;
  script.choose("");
  for (guint key : {GDK_s, GDK_o, GDK_q}) guiType(key, GDK_CONTROL_MASK);
  EXPECT_EQ(Lines{"Open File in " + std::string(GCharPtr(g_get_current_dir()).get())}, script.log);
  EXPECT_EQ(nullptr, shellGetCurrentPool());
  EXPECT_EQ(1, guiQuitCount());
}

TEST_F(Shell, OpenSaveAndTheirMessages) {
  std::string in = dir.file("in"), out = dir.file("out"), bad = in + "/%s%d.img", padded = in + "/p.img";
  for (const std::string& folder : {in, out}) std::filesystem::create_directory(folder);
  ASSERT_TRUE(writeFile(bad, imageOf({kernel, breakModule(colors, Break::Crc)})));
  ASSERT_TRUE(writeFile(padded, imageOf({kernel, zeros(4096 - kernel.size()), colors})));
  ASSERT_TRUE(writeFile(out + "/b.img", bytesOf("old")));
  open(good);
  ModulePool* first = shellGetCurrentPool();
  DialogScript script;
  script.choose(out + "/b.img").choose(out + "/b.img").choose(bad).choose(padded);
  {
    WriteLimit full(100);
    guiActivate(save_);
  }
  EXPECT_EQ(bytesOf("old"), readFile(out + "/b.img"));
  guiActivate(save_);
  guiActivate(open_);
  EXPECT_EQ(first, shellGetCurrentPool());
  guiActivate(open_);
  guiActivate(save_);  // read-only: refused before any file chooser
  // Each chooser remembers its own folder, else starts in the image's; a "%" in a path is shown as it is.
  EXPECT_EQ((Lines{"Save File in " + dir.path(), "error: Error saving module 0\n" + out + "/b.img: File too large",
                   "Save File in " + out,
                   "Open File in " + dir.path(),
                   "error: Error loading file " + bad + ":\n\nError at 0x64: Module has invalid CRC",
                   "Open File in " + in,
                   "warning: \nData alignment found at offset 0x00001000\nFile opened in read only mode.",
                   "warning: Saving files with data alignments not supported yet."}),
            script.log);
  EXPECT_EQ(imageOf({colors, kernel, diag}), readFile(out + "/b.img"));
  EXPECT_EQ(bytesOf("old"), readFile(out + "/b.img.orig"));  // the editor always keeps it
}

TEST_F(Shell, UnsavedDataQuestions) {
  open(good);
  ModulePool* first = shellGetCurrentPool();
  const uint8_t body[] = {1, 2, 3, 4};
  ASSERT_EQ(1, moduleSetBody(poolGet(first, 0), body, 4));
  std::string saved = dir.file("saved.img");
  DialogScript script;
  script.cancel()                                   // Open: nothing happens
      .respond(GTK_RESPONSE_NO).cancel()            // Open: the old pool stays, unsaved
      .respond(GTK_RESPONSE_YES).cancel()           // Open: a cancelled save stops it
      .cancel()                                     // Quit: keeps running
      .respond(GTK_RESPONSE_YES).cancel()           // Quit: a cancelled save keeps it running
      .choose(dir.file("first.img"))                // File > Save: written, marked saved
      .respond(GTK_RESPONSE_YES).choose(saved).cancel();  // Open: saved, marked saved
  for (GtkWidget* item : {open_, open_, open_, quit_, quit_, save_}) guiActivate(item);
  EXPECT_EQ(0, poolIsModified(first));  // File > Save marked it saved
  ASSERT_EQ(1, moduleSetBody(poolGet(first, 0), body, 3));  // a new edit: Open asks again
  guiActivate(open_);
  std::string onOpen = "question: Data not saved\nSave it before loading new file ?",
              onQuit = "question: Data not saved\nSave it before exit ?", save = "Save File in " + dir.path(),
              openFile = "Open File in " + dir.path();
  EXPECT_EQ((Lines{onOpen, onOpen, openFile, onOpen, save, onQuit, onQuit, save, save, onOpen, save, openFile}),
            script.log);
  EXPECT_EQ(0, guiQuitCount());
  EXPECT_EQ(first, shellGetCurrentPool());
  Bytes edited = ModuleBuilder().name("col_day").access(0x0557).body({1, 2, 3}).build();
  EXPECT_EQ(imageOf({edited, kernel, diag}), readFile(saved));
  // The close button quits without asking again, and never destroys the window.
  GdkEvent* event = gdk_event_new(GDK_DELETE);
  event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(shellGetMainWindow())));
  EXPECT_TRUE(gtk_widget_event(shellGetMainWindow(), event));
  gdk_event_free(event);
  EXPECT_EQ(1, guiQuitCount());
  EXPECT_EQ(nullptr, shellGetCurrentPool());
}

// GTK's own dialogs answered as they run, a chooser once it has read its folder or file; after
// 5 s anything left is cancelled, so that a fault fails the test instead of hanging it.
std::string gtkFile, gtkSeen;
int gtkTicks;

gboolean answerGtkDialogs(gpointer) {
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w; w = w->next) {
    GtkWidget* dialog = GTK_WIDGET(w->data);
    if (!GTK_IS_DIALOG(dialog) || !gtk_widget_get_visible(dialog) || !gtk_window_get_modal(GTK_WINDOW(dialog))) continue;
    std::string title = GTK_IS_MESSAGE_DIALOG(dialog) ? gtk_label_get_text(GTK_LABEL(GTK_MESSAGE_DIALOG(dialog)->label))
                                                     : gtk_window_get_title(GTK_WINDOW(dialog));
    int response = GTK_RESPONSE_NO;
    if (GTK_IS_FILE_CHOOSER(dialog)) {
      GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
      GCharPtr name(gtk_file_chooser_get_filename(chooser)), folder(gtk_file_chooser_get_current_folder(chooser));
      bool save = gtk_file_chooser_get_action(chooser) == GTK_FILE_CHOOSER_ACTION_SAVE;
      bool ready = save ? bool(folder) : name && gtkFile == name.get();
      if (save && ready)
        title += " " + std::string(folder.get()) + " " + std::to_string(gtk_file_chooser_get_do_overwrite_confirmation(chooser));
      if (!save && !ready) gtk_file_chooser_set_filename(chooser, gtkFile.c_str());
      if (!ready && ++gtkTicks < 250) continue;
      response = save || !ready ? GTK_RESPONSE_CANCEL : GTK_RESPONSE_ACCEPT;
    }
    gtkSeen += title + "|";
    gtk_dialog_response(GTK_DIALOG(dialog), response);
  }
  g_list_free(windows);
  return TRUE;
}

TEST_F(Shell, GtkDialogs) {
  open(good);  // no folder remembered: the save chooser starts in the image's
  shellSetDialogs(&SHELL_GTK_DIALOGS);
  gtkFile = good;
  guint source = g_timeout_add(20, answerGtkDialogs, nullptr);
  EXPECT_EQ(SAVE_NO, askSaveFirst("Data not saved\nSave it before exit ?"));
  showError("50% of %s");
  PoolPtr pool(runOpenDialog());
  ASSERT_NE(nullptr, pool.get());
  EXPECT_EQ(SAVE_CANCELLED, runSaveDialog(pool.get(), "diag"));
  g_source_remove(source);
  EXPECT_EQ("Save|50% of %s|Open File|Save File " + dir.path() + " 1|", gtkSeen);
}

// korvane FILE: opened once the window is on screen (its map event not yet handled), not before.
TEST_F(Shell, FileGivenAtStartUp) {
  auto counter = +[](GtkWidget*, GdkEvent*, gpointer) -> gboolean { return mapEvents++, FALSE; };
  g_signal_connect(shellGetMainWindow(), "map-event", G_CALLBACK(counter), nullptr);
  shellOpenWhenShown(good.c_str());
  ASSERT_TRUE(guiWaitFor([] { return shellGetCurrentPool() != nullptr; }));
  EXPECT_EQ(1, mapEventsAtLoad);
}

}  // namespace
