// SPDX-License-Identifier: MIT
// "Export all…" of the Images popup: names, the question before replacing, refusals, progress.
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "pool/memory.h"
#include "shell/editor_page.h"
#include "tabs/images/image_view.h"
#include "tests/support/body_builders.h"
#include "tests/support/gui_driver.h"

namespace {

namespace fs = std::filesystem;

class ImagesExportAll : public GuiTest {
 protected:
  void load(const std::vector<ImagePicture>& pictures) {
    Bytes bitmaps = ModuleBuilder().name("rombitmaps").body(imagesBody(IMAGE_KIND_BITMAPS, pictures)).build();
    ASSERT_TRUE(writeFile(good, imageOf({kernel, bitmaps})));
    open(good);
    v = viewGetRecord<ImageView>(guiEditorView(1));
    GtkTreePath* path = gtk_tree_path_new_from_indices(0, -1);
    gtk_tree_view_set_cursor(GTK_TREE_VIEW(v->listView), path, nullptr, FALSE);
    gtk_tree_path_free(path);
  }
  // What "Save Image" writes for entry index.
  Bytes saved(uint32_t index) {
    size_t length = 0;
    MallocPtr<uint8_t> bytes(imageExportBytes(static_cast<ImageEntry*>(listGet(v->images->entries, index)), &length));
    return Bytes(bytes.get(), bytes.get() + length);
  }

  ImageView* v;
  std::string out = dir.file("out");
};

// Reached by keys; files already there are named and replaced only on Yes;
// pictures not saved are listed at the end.
TEST_F(ImagesExportAll, NamesAsUnpackAndAsksBeforeReplacing) {
  // A bitmap, a pixmap 8 (never saved), a 15-bit pixmap, a bitmap far larger than its data, a bitmap.
  load({{IMAGE_BITMAP, 8, 2, {0xF0, 0x00, 0, 0}}, {IMAGE_PIXMAP8, 2, 1, {1, 2, 0, 0}},
        {IMAGE_PIXMAP15, 2, 1, {0x7C, 0x00, 0x00, 0x1F}}, {IMAGE_BITMAP, 65535, 65535, {0, 0, 0, 0}},
        {IMAGE_BITMAP, 8, 1, {0x0F, 0, 0, 0}}});
  fs::create_directories(out + "/002.xpm");  // a folder where a picture would go
  ASSERT_TRUE(writeFile(out + "/000.xbm", bytesOf("old")));
  const std::string refusal = "003.xbm: This image cannot be saved (65535x65535 pixels over 4 bytes).\n";
  {
    DialogScript script;
    script.choose(out).respond(GTK_RESPONSE_NO);
    guiKeyPress(v->listView, GDK_F10, GDK_SHIFT_MASK);
    ASSERT_TRUE(gtk_widget_get_visible(v->menu));
    guiType(GDK_a);  // the item's mnemonic
    ASSERT_EQ(3u, script.log.size());
    EXPECT_EQ("Export All Images in " + dir.path(), script.log[0]);
    EXPECT_EQ("question: 2 of these files are in " + out + " already:\n\n000.xbm\n002.xpm\n\n"
              "Replace them? No saves only the other pictures.",
              script.log[1]);
    EXPECT_EQ("warning: 1 of 2 pictures were not saved in " + out + ":\n\n" + refusal, script.log[2]);
  }
  EXPECT_EQ(bytesOf("old"), readFile(out + "/000.xbm"));
  EXPECT_EQ(saved(4), readFile(out + "/004.xbm"));
  EXPECT_FALSE(fs::exists(out + "/001.xpm") || fs::exists(out + "/003.xbm"));

  {
    DialogScript script;
    script.choose(out).respond(GTK_RESPONSE_YES);
    guiActivate(v->exportAllItem);
    ASSERT_EQ(3u, script.log.size());
    EXPECT_EQ(0u, script.log[2].find("warning: 2 of 4 pictures were not saved in " + out + ":\n\n002.xpm: "));
    EXPECT_NE(std::string::npos, script.log[2].find("\n" + refusal));
  }
  EXPECT_EQ(saved(0), readFile(out + "/000.xbm"));
  fs::remove(out + "/004.xbm");
  DialogScript script;
  script.choose(out).respond(GTK_RESPONSE_CANCEL);
  guiActivate(v->exportAllItem);
  EXPECT_EQ(2u, script.log.size());
  EXPECT_FALSE(fs::exists(out + "/004.xbm"));
}

// A long run shows its progress; Cancel stops it after the picture being
// written; names take as many digits as the last index.
TEST_F(ImagesExportAll, ProgressBarAndCancel) {
  std::vector<ImagePicture> pictures(1001, ImagePicture{IMAGE_BITMAP, 8, 1, {0x0F, 0, 0, 0}});
  load(pictures);
  fs::create_directories(out);
  struct Seen { std::string text; bool shown = false; } seen;
  g_idle_add(
      [](gpointer data) -> gboolean {
        auto* seen = static_cast<Seen*>(data);
        GList* windows = gtk_window_list_toplevels();
        for (GList* w = windows; w; w = w->next) {
          if (!GTK_IS_DIALOG(w->data) || g_strcmp0(gtk_window_get_title(GTK_WINDOW(w->data)), "Export All Images"))
            continue;
          GtkWidget* dialog = GTK_WIDGET(w->data);
          seen->shown = gtk_widget_get_visible(dialog) && gtk_window_get_modal(GTK_WINDOW(dialog));
          GList* children = gtk_container_get_children(GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(dialog))));
          GList* inner = gtk_container_get_children(GTK_CONTAINER(children->data));  // a label, the bar
          seen->text = gtk_progress_bar_get_text(GTK_PROGRESS_BAR(g_list_last(inner)->data));
          g_list_free(inner);
          g_list_free(children);
          gtk_button_clicked(GTK_BUTTON(guiChildLabelled(gtk_dialog_get_action_area(GTK_DIALOG(dialog)), "gtk-cancel")));
        }
        g_list_free(windows);
        return FALSE;
      },
      &seen);
  DialogScript script;
  script.choose(out);
  guiActivate(v->exportAllItem);
  ASSERT_TRUE(seen.shown);
  const size_t written = std::stoul(seen.text);
  EXPECT_EQ(std::to_string(written) + " of 1001", seen.text);
  EXPECT_LT(written, 1001u);
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(out)) files += entry.path().filename().string().size() == 8;
  EXPECT_EQ(written, files);
  EXPECT_TRUE(fs::exists(out + "/0000.xbm"));
  EXPECT_EQ(1u, script.log.size());  // and nothing more to say
}

}  // namespace
