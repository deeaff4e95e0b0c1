// SPDX-License-Identifier: MIT
#include "tabs/images/images_tab.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "pool/glib_memory.h"
#include "pool/memory.h"
#include "shell/editor_page.h"
#include "tabs/images/image_view.h"
#include "tests/support/body_builders.h"
#include "tests/support/gui_driver.h"

namespace {

Bytes pngOf(int width, int height, uint32_t rgba) {
  GObjectPtr<GdkPixbuf> pixbuf(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height));
  gdk_pixbuf_fill(pixbuf.get(), rgba);
  gchar* buffer = nullptr;
  gsize size = 0;
  gdk_pixbuf_save_to_buffer(pixbuf.get(), &buffer, &size, "png", nullptr, nullptr);
  return Bytes(buffer, GCharPtr(buffer).get() + size);
}

// rombitmaps: an 8 x 2 bitmap (top left half white), a pixmap 8, a 15-bit pixmap; romicons: a bad JPEG, a PNG.
class ImagesTab : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    Bytes bitmaps = ModuleBuilder().name("rombitmaps").body(imagesBody(IMAGE_KIND_BITMAPS, {
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
    i = viewGetRecord<ImageView>(guiEditorView(1, 1));
    b = viewGetRecord<ImageView>(guiEditorView(1, 0));
    while (gtk_events_pending()) gtk_main_iteration();
  }

  static void select(ImageView* v, int row) {
    GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_view_set_cursor(GTK_TREE_VIEW(v->listView), path, nullptr, FALSE);
    gtk_tree_path_free(path);
  }
  // What the preview frame shows: a message, or a picture in its scrolled window.
  static GtkWidget* picture(ImageView* v) {
    GtkWidget* shown = gtk_bin_get_child(GTK_BIN(v->previewFrame));
    return GTK_IS_SCROLLED_WINDOW(shown) ? gtk_bin_get_child(GTK_BIN(gtk_bin_get_child(GTK_BIN(shown)))) : shown;
  }
  static bool menuShown(ImageView* v) {
    return gtk_widget_get_visible(v->menu) && (gtk_menu_popdown(GTK_MENU(v->menu)), true);
  }
  // A row as the list shows it, one space between cells.
  static std::string rowText(ImageView* v, int row) {
    std::string out;
    for (int c = 0; gtk_tree_view_get_column(GTK_TREE_VIEW(v->listView), c); c++)
      out += (c ? " " : "") + guiCellText(v->listView, c, row);
    return out;
  }
  static Bytes data(ImageView* v, uint32_t index) {
    auto* e = static_cast<ImageEntry*>(listGet(v->images->entries, index));
    return Bytes(e->data, e->data + e->size);
  }
  static const guchar* pixels(ImageView* v) { return gdk_pixbuf_get_pixels(gtk_image_get_pixbuf(GTK_IMAGE(picture(v)))); }

  ImageView *b, *i;
};

// Type-ahead by name on the icons page Ctrl+Alt+PgDn turns to.
TEST_F(ImagesTab, ListsSelectsPreviewsAndTypeAhead) {
  EXPECT_EQ("1 2 1 4 pixmap 8", rowText(b, 1));  // #, Width, Height, Size, Type
  EXPECT_EQ("0 7 4 4 12 jpeg arrow", rowText(i, 0));  // #, ID #, ..., Name

  select(b, 0);
  ASSERT_TRUE(GTK_IS_IMAGE(picture(b)));
  EXPECT_EQ(255, pixels(b)[0]);

  // A pixmap 8 row is never selected nor offered a menu.
  guiRightClickRow(b->listView, 1);
  EXPECT_FALSE(menuShown(b));
  EXPECT_EQ(0, b->shown);

  guiRightClickRow(b->listView, 2);
  EXPECT_TRUE(menuShown(b));
  EXPECT_EQ(2, b->shown);
  gtk_widget_grab_focus(b->listView);
  guiType(GDK_Page_Down, GDK_CONTROL_MASK | GDK_MOD1_MASK);
  ASSERT_TRUE(guiWaitFor([this] { return guiFocus() == i->listView; }));
  guiTypeText("do");
  EXPECT_EQ(1, i->shown);

  select(i, 0);
  EXPECT_EQ("Error interpreting JPEG image file (Invalid JPEG file structure: SOS before SOF)",
            guiLabelText(picture(i)));
  select(i, 1);
  ASSERT_TRUE(GTK_IS_IMAGE(picture(i)));
  EXPECT_EQ(2, gdk_pixbuf_get_width(gtk_image_get_pixbuf(GTK_IMAGE(picture(i)))));
}

TEST_F(ImagesTab, ExportAndImport) {
  DialogScript script;
  const std::string exported = dir.file("out/out.xbm"), narrow = dir.file("n.xbm"), xbm = dir.file("b.xbm"),
                    green = dir.file("c.png");
  const Bytes greenBytes = pngOf(2, 2, 0x00FF00FF);
  ASSERT_TRUE(std::filesystem::create_directory(dir.file("out")));
  ASSERT_TRUE(writeFile(green, greenBytes));
  // As high as the bitmap, narrower; then top row black, bottom row white.
  ASSERT_TRUE(writeFile(narrow, bytesOf("#define n_width 4\n#define n_height 2\nstatic char n_bits[] = {\n0, 0 };\n")));
  ASSERT_TRUE(writeFile(xbm, bytesOf("#define b_width 8\n#define b_height 2\nstatic char b_bits[] = {\n0xff, 0x00 };\n")));
  select(b, 0);
  script.choose(exported).choose(narrow).choose(xbm).choose(green);
  guiActivate(b->saveItem);
  EXPECT_EQ(bytesOf("#define x_width 8\n#define x_height 2\nstatic char x_bits[] = {\n0xf0, \n0xff, \n};\n"),
            readFile(exported));
  guiActivate(b->replaceItem);
  EXPECT_EQ(0xF0, data(b, 0)[0]);
  guiActivate(b->replaceItem);
  ASSERT_TRUE(GTK_IS_IMAGE(picture(b)));
  EXPECT_EQ(0, pixels(b)[0]);
  select(i, 1);  // a PNG is stored as the file's bytes
  guiActivate(i->replaceItem);
  EXPECT_EQ(greenBytes, data(i, 1));
  EXPECT_EQ((std::vector<std::string>{
                "Save Image in " + dir.path() + " as bitmap_000.xbm",  // the image's folder
                "Open XBM Image in " + dir.path(),  // a memory of its own, not the export's
                "error: \nImage size mismatch (4x2 pixels).\nRequired size: 8x2 pixels.",
                "Open XBM Image in " + dir.path(),
                "Open PNG Image in " + dir.path(),
            }),
            script.log);

  // The modules take the new pictures when the tab is left.
  EXPECT_FALSE(poolIsModified(shellGetCurrentPool()));
  gtk_notebook_set_current_page(GTK_NOTEBOOK(shellGetNotebook()), 0);
  uint32_t size = 0;
  MallocPtr<uint8_t> body(moduleGetBody(poolGet(shellGetCurrentPool(), 1), &size));
  ASSERT_GE(size, 38u);
  EXPECT_EQ(Bytes({0x00, 0xFF}), Bytes(body.get() + 36, body.get() + 38));
}

// Ctrl+plus, Ctrl+minus and Ctrl+0 zoom by whole multiples, 1x to 16x.
TEST_F(ImagesTab, ZoomByKeysFromOneTimesToSixteen) {
  ASSERT_TRUE(writeFile(good, ModuleBuilder().name("rombitmaps").body(imagesBody(IMAGE_KIND_BITMAPS, {
      {IMAGE_BITMAP, 40, 30, Bytes(40 / 8 * 30, 0x0F)}})).build()));  // four pixels of eight set
  open(good);
  b = viewGetRecord<ImageView>(guiEditorView(1));
  select(b, 0);
  auto width = [this] { return gdk_pixbuf_get_width(gtk_image_get_pixbuf(GTK_IMAGE(picture(b)))); };
  gtk_widget_grab_focus(b->listView);
  guiType(GDK_plus, GDK_CONTROL_MASK | GDK_SHIFT_MASK);
  guiType(GDK_equal, GDK_CONTROL_MASK);
  EXPECT_EQ(120, width());
  EXPECT_EQ(0, pixels(b)[3 * 11]);  // pixel 3 of the top row, three times over
  EXPECT_EQ(255, pixels(b)[3 * 12]);
  for (int k = 0; k < 20; k++) guiType(GDK_equal, GDK_CONTROL_MASK);
  EXPECT_EQ(40 * 16, width());
  std::vector<int> widths;
  for (guint key : {GDK_minus, GDK_0, GDK_minus}) guiType(key, GDK_CONTROL_MASK), widths.push_back(width());
  EXPECT_EQ((std::vector<int>{40 * 15, 40, 40}), widths);
}

}  // namespace
