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

// Reached by keys; files already there are named and replaced only on Yes; pictures not saved are listed at the end.
TEST_F(ImagesExportAll, NamesAsUnpackAndAsksBeforeReplacing) {
  // A bitmap, a pixmap 8 (never saved), a 15-bit pixmap, a bitmap far larger than its data, a bitmap.
  load({{IMAGE_BITMAP, 8, 2, {0xF0, 0x00, 0, 0}}, {IMAGE_PIXMAP8, 2, 1, {1, 2, 0, 0}},
        {IMAGE_PIXMAP15, 2, 1, {0x7C, 0x00, 0x00, 0x1F}}, {IMAGE_BITMAP, 65535, 65535, {0, 0, 0, 0}},
        {IMAGE_BITMAP, 8, 1, {0x0F, 0, 0, 0}}});
  fs::create_directories(out);
  ASSERT_TRUE(writeFile(out + "/000.xbm", bytesOf("old")));
  const std::string refusal = "003.xbm: This image cannot be saved (65535x65535 pixels over 4 bytes).\n";
  {
    DialogScript script;
    script.choose(out).respond(GTK_RESPONSE_NO);
    guiKeyPress(v->listView, GDK_F10, GDK_SHIFT_MASK);
    ASSERT_TRUE(gtk_widget_get_visible(v->menu));
    guiType(GDK_a);  // the item's mnemonic
    EXPECT_EQ((std::vector<std::string>{"Export All Images in " + dir.path(),
                                        "question: 1 of these files are in " + out + " already:\n\n000.xbm\n\n"
                                        "Replace them? No saves only the other pictures.",
                                        "warning: 1 of 3 pictures were not saved in " + out + ":\n\n" + refusal}),
              script.log);
  }
  EXPECT_EQ(bytesOf("old"), readFile(out + "/000.xbm"));
  EXPECT_EQ(saved(4), readFile(out + "/004.xbm"));
  EXPECT_FALSE(fs::exists(out + "/001.xpm") || fs::exists(out + "/003.xbm"));
  DialogScript script;
  script.choose(out).respond(GTK_RESPONSE_YES);
  guiActivate(v->exportAllItem);
  ASSERT_EQ(3u, script.log.size());
  EXPECT_EQ("warning: 1 of 4 pictures were not saved in " + out + ":\n\n" + refusal, script.log[2]);
  EXPECT_EQ(saved(0), readFile(out + "/000.xbm"));
}

// A long run shows its progress in a modal dialog; Cancel stops it; names take as many digits as the last index.
TEST_F(ImagesExportAll, ProgressBarAndCancel) {
  load(std::vector<ImagePicture>(1001, ImagePicture{IMAGE_BITMAP, 8, 1, {0x0F, 0, 0, 0}}));
  fs::create_directories(out);
  bool shown = false;
  g_idle_add(
      [](gpointer shown) -> gboolean {
        GList* windows = gtk_window_list_toplevels();
        for (GList* w = windows; w; w = w->next) {
          GtkWidget* dialog = GTK_WIDGET(w->data);
          if (GTK_IS_DIALOG(dialog) && !g_strcmp0(gtk_window_get_title(GTK_WINDOW(dialog)), "Export All Images")) {
            *static_cast<bool*>(shown) = gtk_widget_get_visible(dialog) && gtk_window_get_modal(GTK_WINDOW(dialog));
            gtk_button_clicked(GTK_BUTTON(guiChildLabelled(gtk_dialog_get_action_area(GTK_DIALOG(dialog)), "gtk-cancel")));
          }
        }
        g_list_free(windows);
        return FALSE;
      },
      &shown);
  DialogScript script;
  script.choose(out);
  guiActivate(v->exportAllItem);
  ASSERT_TRUE(shown);
  const auto files = std::distance(fs::directory_iterator(out), fs::directory_iterator());
  EXPECT_TRUE(files > 0 && files < 1001) << files;
  EXPECT_TRUE(fs::exists(out + "/0000.xbm"));
  EXPECT_EQ(1u, script.log.size());  // and nothing more to say
}

}  // namespace
