#include "tabs/images/images_tab.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "pool/memory.h"
#include "shell/editor_page.h"
#include "tabs/images/image_view.h"
#include "tests/support/body_builders.h"
#include "tests/support/gui_driver.h"

namespace {

Bytes pngOf(int width, int height, uint32_t rgba) {
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
  gdk_pixbuf_fill(pixbuf, rgba);
  gchar* buffer = nullptr;
  gsize size = 0;
  gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "png", nullptr, nullptr);
  g_object_unref(pixbuf);
  Bytes bytes(buffer, buffer + size);
  g_free(buffer);
  return bytes;
}

// rombitmaps: an 8 x 2 bitmap (left half of the top row white), a pixmap 8,
// a 15-bit pixmap. romicons: a JPEG whose scan comes before its frame, and a
// 2 x 2 PNG, small enough that gdk-pixbuf decodes it only on close.
class ImagesTab : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    bitmaps = ModuleBuilder().name("rombitmaps").body(imagesBody(IMAGE_KIND_BITMAPS, {
        {IMAGE_BITMAP, 8, 2, {0xF0, 0x00, 0, 0}},
        {IMAGE_PIXMAP8, 2, 1, {1, 2, 0, 0}},
        {IMAGE_PIXMAP15, 2, 1, {0x7C, 0x00, 0x00, 0x1F}},
    })).build();
    Bytes icons = ModuleBuilder().name("romicons").body(imagesBody(IMAGE_KIND_ICONS, {
        {IMAGE_JPEG, 4, 4, {0xFF, 0xD8, 0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 0x3F, 0}, 7, "arrow"},
        {IMAGE_PNG, 2, 2, pngOf(2, 2, 0xFF0000FF), 9, "dot"},
    })).build();
    ASSERT_TRUE(writeFile(good, imageOf({kernel, bitmaps, icons})));
    open(good);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 1);
    inner = GTK_NOTEBOOK(guiOnlyChild(gtk_notebook_get_nth_page(GTK_NOTEBOOK(shellGetNotebook()), 1)));
    b = viewGetRecord<ImageView>(gtk_notebook_get_nth_page(inner, 0));
    i = viewGetRecord<ImageView>(gtk_notebook_get_nth_page(inner, 1));
    gtk_notebook_set_current_page(inner, 0);
    settle();
  }

  static void settle() {
    while (gtk_events_pending()) gtk_main_iteration();
  }
  static void select(ImageView* v, int row) {
    GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_view_set_cursor(GTK_TREE_VIEW(v->listView), path, nullptr, FALSE);
    gtk_tree_path_free(path);
  }
  static int selectedRow(ImageView* v) {
    GtkTreeModel* model;
    GtkTreeIter iter;
    if (!gtk_tree_selection_get_selected(gtk_tree_view_get_selection(GTK_TREE_VIEW(v->listView)), &model, &iter))
      return -1;
    guint index = 0;
    gtk_tree_model_get(model, &iter, 0, &index, -1);
    return int(index);
  }
  static GtkWidget* picture(ImageView* v) { return gtk_bin_get_child(GTK_BIN(v->previewFrame)); }
  static bool menuShown(ImageView* v) {
    bool shown = gtk_widget_get_visible(v->menu);
    gtk_menu_popdown(GTK_MENU(v->menu));
    return shown;
  }
  static std::vector<std::string> titles(ImageView* v) {
    std::vector<std::string> out;
    for (guint c = 0; GtkTreeViewColumn* col = gtk_tree_view_get_column(GTK_TREE_VIEW(v->listView), int(c)); c++)
      out.push_back(gtk_tree_view_column_get_title(col));
    return out;
  }
  static ImageEntry* entry(ImageView* v, uint32_t index) {
    return static_cast<ImageEntry*>(listGet(v->images->entries, index));
  }

  Bytes bitmaps;
  GtkNotebook* inner;
  ImageView *b, *i;
};

TEST_F(ImagesTab, ListsSelectsAndPreviews) {
  ASSERT_EQ(2, gtk_notebook_get_n_pages(inner));
  EXPECT_STREQ("rombitmaps", gtk_notebook_get_tab_label_text(inner, gtk_notebook_get_nth_page(inner, 0)));
  EXPECT_STREQ("romicons", gtk_notebook_get_tab_label_text(inner, gtk_notebook_get_nth_page(inner, 1)));
  EXPECT_EQ((std::vector<std::string>{"#", "Width", "Height", "Size", "Type"}), titles(b));
  EXPECT_EQ((std::vector<std::string>{"#", "ID #", "Width", "Height", "Size", "Type", "Name"}), titles(i));
  EXPECT_EQ("pixmap 8", guiCellText(b->listView, 4, 1));
  EXPECT_EQ("9", guiCellText(i->listView, 1, 1));
  EXPECT_EQ("dot", guiCellText(i->listView, 6, 1));
  EXPECT_EQ(-1, b->shown);

  select(b, 0);
  GtkWidget* bitmap = picture(b);
  ASSERT_TRUE(GTK_IS_IMAGE(bitmap));
  EXPECT_EQ(255, gdk_pixbuf_get_pixels(gtk_image_get_pixbuf(GTK_IMAGE(bitmap)))[0]);

  // A pixmap 8 row is never selected, nor offered a menu, by click or key.
  guiRightClickRow(b->listView, 1);
  EXPECT_FALSE(menuShown(b));
  EXPECT_EQ(0, b->shown);
  EXPECT_EQ(bitmap, picture(b));
  EXPECT_EQ(0, selectedRow(b));
  select(b, 1);
  guiKeyPress(b->listView, GDK_F10, GDK_SHIFT_MASK);
  EXPECT_FALSE(menuShown(b));
  EXPECT_EQ(0, b->shown);

  EXPECT_TRUE(guiRightClickRow(b->listView, 2));
  EXPECT_TRUE(menuShown(b));
  EXPECT_EQ(2, b->shown);
  GtkWidget* pixmap = picture(b);
  select(b, 0);
  EXPECT_EQ(bitmap, picture(b));  // cached, not made again
  select(b, 2);
  EXPECT_EQ(pixmap, picture(b));

  gtk_notebook_set_current_page(inner, 1);
  settle();
  select(i, 0);
  EXPECT_EQ("Error interpreting JPEG image file (Invalid JPEG file structure: SOS before SOF)",
            guiLabelText(picture(i)));
  select(i, 1);
  ASSERT_TRUE(GTK_IS_IMAGE(picture(i)));
  EXPECT_EQ(2, gdk_pixbuf_get_width(gtk_image_get_pixbuf(GTK_IMAGE(picture(i)))));
}

TEST_F(ImagesTab, ExportAndImport) {
  DialogScript script;
  const std::string exported = dir.file("out.xbm"), png = dir.file("a.png"), small = dir.file("small.xbm"),
                    xbm = dir.file("b.xbm");
  ASSERT_TRUE(writeFile(png, pngOf(8, 2, 0xFFFFFFFF)));
  ASSERT_TRUE(writeFile(small, bytesOf("#define s_width 4\n#define s_height 4\nstatic char s_bits[] = {\n"
                                       "0x00, 0x00, 0x00, 0x00 };\n")));
  // Top row black, bottom row white.
  ASSERT_TRUE(writeFile(xbm, bytesOf("#define b_width 8\n#define b_height 2\nstatic char b_bits[] = {\n"
                                     "0xff, 0x00 };\n")));
  select(b, 0);
  script.choose(exported).choose(png).choose(small).choose(xbm);
  guiActivate(b->saveItem);
  EXPECT_EQ(bytesOf("#define x_width 8\n#define x_height 2\nstatic char x_bits[] = {\n0xf0, \n0xff, \n};\n"),
            readFile(exported));
  GtkWidget* before = picture(b);
  for (int k = 0; k < 2; k++) guiActivate(b->replaceItem);
  EXPECT_EQ(0xF0, entry(b, 0)->data[0]);
  EXPECT_EQ(before, picture(b));
  guiActivate(b->replaceItem);
  const std::string folder = dir.path();
  EXPECT_EQ((std::vector<std::string>{
                "Save Image in  as bitmap_000.xbm",
                "Open XBM Image in ",  // a folder of its own
                "error: \nImage format mismatch.\nXBM format required.",
                "Open XBM Image in " + folder,
                "error: \nImage size mismatch (4x4 pixels).\nRequired size: 8x2 pixels.",
                "Open XBM Image in " + folder,
            }),
            script.log);
  EXPECT_FALSE(poolIsModified(shellGetCurrentPool()));
  EXPECT_EQ(0x00, entry(b, 0)->data[0]);
  EXPECT_EQ(0xFF, entry(b, 0)->data[1]);
  ASSERT_TRUE(GTK_IS_IMAGE(picture(b)));
  EXPECT_NE(before, picture(b));
  EXPECT_EQ(0, gdk_pixbuf_get_pixels(gtk_image_get_pixbuf(GTK_IMAGE(picture(b))))[0]);

  // The module takes the new picture when the tab is left.
  gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 0);
  EXPECT_TRUE(poolIsModified(shellGetCurrentPool()));
  uint32_t size = 0;
  MallocPtr<uint8_t> body(moduleGetBody(poolGet(shellGetCurrentPool(), 1), &size));
  ASSERT_GE(size, 38u);
  EXPECT_EQ(0x00, body.get()[36]);
  EXPECT_EQ(0xFF, body.get()[37]);
}

// A PNG is stored as the file's bytes, its size the file's length.
TEST_F(ImagesTab, ImportKeepsPictureFilesAsTheyAre) {
  DialogScript script;
  const std::string png = dir.file("c.png");
  const Bytes bytes = pngOf(2, 2, 0x00FF00FF);
  ASSERT_TRUE(writeFile(png, bytes));
  gtk_notebook_set_current_page(inner, 1);
  settle();
  select(i, 1);
  script.choose(png);
  guiActivate(i->replaceItem);
  EXPECT_EQ(std::vector<std::string>{"Open PNG Image in "}, script.log);
  EXPECT_EQ(bytes, Bytes(entry(i, 1)->data, entry(i, 1)->data + entry(i, 1)->size));
  EXPECT_EQ(std::to_string(bytes.size()), guiCellText(i->listView, 4, 1));
}

}  // namespace
