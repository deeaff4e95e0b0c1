// SPDX-License-Identifier: MIT
// The Fonts tab: one view per font. The glyph list on the left; on the right
// the current glyph in a GlyphEdit with its controls (width, shifts, copy,
// clear, restore), and a preview of any text drawn with the font (the
// preview and the list's popup menu have files of their own); every glyph
// edit can be undone.
#include "tabs/fonts/fonts_tab.h"

#include <gdk/gdkkeysyms.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "shell/editor_page.h"
#include "shell/shell.h"
#include "shell/tree_lists.h"
#include "shell/tree_titles.h"
#include "tabs/fonts/font_codec.h"
#include "tabs/fonts/font_view.h"
#include "tabs/fonts/glyph_edit.h"

namespace {

enum { COL_CODE, COL_PICTURE, COL_COUNT };

GlyphEdit* editorOf(FontView* view) { return GLYPH_EDIT(view->glyphEdit); }

// Black where set, white where clear; the whole cell.
GdkPixbuf* glyphPicture(FontView* view, const FontGlyph* g) {
  const uint32_t W = view->metrics.width, H = view->metrics.height;
  GdkPixbuf* picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, int(W), int(H));
  guchar* pixels = gdk_pixbuf_get_pixels(picture);
  const int stride = gdk_pixbuf_get_rowstride(picture);
  for (uint32_t y = 0; y < H; y++)
    for (uint32_t x = 0; x < W; x++) std::memset(pixels + y * stride + x * 3, g->pixels[y * W + x] ? 0 : 255, 3);
  return picture;
}

void rowPictureSet(FontView* view, uint32_t code) {
  GtkTreeIter iter;
  if (!gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(view->listStore), &iter, nullptr, int(code - 1))) return;
  GdkPixbuf* picture = glyphPicture(view, fontViewGlyph(view, code));
  gtk_list_store_set(view->listStore, &iter, COL_PICTURE, picture, -1);
  g_object_unref(picture);
}

// The width spin shows a value the view sets itself without it counting as
// the user's.
void widthSpinSet(FontView* view, uint32_t width) {
  view->settingWidth = true;
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(view->widthSpin), width);
  view->settingWidth = false;
}

// Loads a glyph into the editor and the controls.
void glyphShow(FontView* view, uint32_t code) {
  view->history->end();  // a stroke ends when its glyph leaves the editor
  FontGlyph* g = fontViewGlyph(view, code);
  view->current = code;
  glyphEditSetPixels(editorOf(view), g->pixels);
  glyphEditSetVisibleWidth(editorOf(view), g->width);
  char text[16];
  g_snprintf(text, sizeof text, "%u", code);
  gtk_label_set_text(GTK_LABEL(view->currentLabel), text);
  widthSpinSet(view, g->width);
  gtk_widget_set_sensitive(view->restoreButton, g->changed);
}

// The current glyph's width, editor and marks after any change.
void fontViewSync(FontView* view) {
  FontGlyph* g = fontViewGlyph(view, view->current);
  const uint32_t cell = view->metrics.width * view->metrics.height;
  std::memcpy(g->pixels, glyphEditGetPixels(editorOf(view)), cell);
  g->changed = fontGlyphEdited(&view->metrics, g);
  gtk_widget_set_sensitive(view->restoreButton, g->changed);
  rowPictureSet(view, view->current);
  fontViewRenderPreview(view);
  fontMissingShow(view);
}

void glyphWidthSet(FontView* view, uint32_t width) {
  fontViewGlyph(view, view->current)->width = width;
  glyphEditSetVisibleWidth(editorOf(view), width);
  widthSpinSet(view, width);
}

// The dots of one press .. release are one step: the glyph is still in its
// state before the stroke when the first dot's "modified" arrives.
void glyphModified(GlyphEdit*, gpointer, FontView* view) {
  view->history->note(FONT_UNDO_GLYPH, view->current);
  fontViewSync(view);
}

gboolean strokeEdge(GtkWidget*, GdkEventButton*, FontView* view) {
  view->history->end();
  return FALSE;
}

void widthChanged(GtkSpinButton* spin, FontView* view) {
  if (view->settingWidth) return;
  uint32_t width = uint32_t(gtk_spin_button_get_value_as_int(spin));
  glyphEditSetVisibleWidth(editorOf(view), width);
  if (view->current && fontViewGlyph(view, view->current)->width != width) {
    fontUndoBegin(view);
    fontViewGlyph(view, view->current)->width = width;
    fontViewSync(view);
    view->history->end();
  }
}

// Shifts the whole cell by one pixel, wrapping around.
void shift(FontView* view, int dx, int dy) {
  const int W = int(view->metrics.width), H = int(view->metrics.height);
  const uint8_t* from = glyphEditGetPixels(editorOf(view));
  std::vector<uint8_t> to(size_t(W) * H);
  for (int y = 0; y < H; y++)
    for (int x = 0; x < W; x++) to[((y + dy + H) % H) * W + (x + dx + W) % W] = from[y * W + x];
  fontUndoBegin(view);
  glyphEditSetPixels(editorOf(view), to.data());
  fontViewSync(view);
  view->history->end();
}

void upClicked(GtkButton*, FontView* view) { shift(view, 0, -1); }
void downClicked(GtkButton*, FontView* view) { shift(view, 0, 1); }
void leftClicked(GtkButton*, FontView* view) { shift(view, -1, 0); }
void rightClicked(GtkButton*, FontView* view) { shift(view, 1, 0); }

void clearClicked(GtkButton*, FontView* view) {
  std::vector<uint8_t> blank(view->metrics.width * view->metrics.height, 0);
  fontUndoBegin(view);
  glyphEditSetPixels(editorOf(view), blank.data());
  fontViewSync(view);
  view->history->end();
}

void restoreGlyph(FontView* view) {
  FontGlyph* g = fontViewGlyph(view, view->current);
  fontUndoBegin(view);
  glyphEditSetPixels(editorOf(view), g->savedPixels);
  glyphWidthSet(view, g->savedWidth);
  fontViewSync(view);
  view->history->end();
}

void restoreClicked(GtkButton*, FontView* view) { restoreGlyph(view); }

// The glyph code at the start of text: digits after optional blanks and a
// sign; 0 when there is none or it lies outside 1 .. 255 (no wrap-around).
uint32_t codeParse(const char* text) {
  while (*text == ' ' || *text == '\t') text++;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') text++;
  if (*text < '0' || *text > '9') return 0;
  uint32_t value = 0;
  for (; *text >= '0' && *text <= '9'; text++) {
    value = value * 10 + uint32_t(*text - '0');
    if (value > FONT_GLYPH_COUNT) return 0;
  }
  return negative ? 0 : value;
}

void copyActivated(GtkEntry* entry, FontView* view) {
  uint32_t code = codeParse(gtk_entry_get_text(entry));
  gtk_entry_set_text(entry, "");
  if (!code) return;
  FontGlyph* source = fontViewGlyph(view, code);
  fontUndoBegin(view);
  glyphEditSetPixels(editorOf(view), source->pixels);
  glyphWidthSet(view, source->width);
  fontViewSync(view);
  view->history->end();
}

void previewActivated(GtkEntry*, FontView* view) { fontViewRenderPreview(view); }

gboolean selectGlyph(GtkTreeSelection*, GtkTreeModel* model, GtkTreePath* path, gboolean selected,
                     gpointer data) {
  auto* view = static_cast<FontView*>(data);
  GtkTreeIter iter;
  guint code = 0;
  if (!selected && gtk_tree_model_get_iter(model, &iter, path)) {
    gtk_tree_model_get(model, &iter, COL_CODE, &code, -1);
    if (code != view->current) glyphShow(view, code);
  }
  return TRUE;
}

bool glyphChanged(gpointer data, GtkTreeModel* model, GtkTreeIter* iter) {
  guint code = 0;
  gtk_tree_model_get(model, iter, COL_CODE, &code, -1);
  return fontViewGlyph(static_cast<FontView*>(data), code)->changed;
}

// The code of a glyph the chosen language needs and the font draws blank
// stands out in white on red.
void codeData(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer data) {
  guint code = 0;
  gtk_tree_model_get(model, iter, COL_CODE, &code, -1);
  gboolean missing = fontGlyphMissing(static_cast<FontView*>(data), code);
  g_object_set(cell, "cell-background", "#d02020", "cell-background-set", missing, "foreground", "white",
               "foreground-set", missing, "weight", missing ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL, nullptr);
}

// A row's Changed box: that glyph becomes current and is restored.
void changedToggled(gpointer data, const gchar* pathText) {
  auto* view = static_cast<FontView*>(data);
  GtkTreePath* path = gtk_tree_path_new_from_string(pathText);
  gtk_tree_view_set_cursor(GTK_TREE_VIEW(view->listView), path, nullptr, FALSE);
  gtk_tree_path_free(path);
  restoreGlyph(view);
}

// Entering the page, or this font's page, reads the language again.
void listMapped(GtkWidget*, FontView* view) { fontMissingRefresh(view); }

GtkWidget* listBuild(FontView* view) {
  view->listStore = gtk_list_store_new(COL_COUNT, G_TYPE_UINT, GDK_TYPE_PIXBUF);
  for (uint32_t code = 1; code <= FONT_GLYPH_COUNT; code++) {
    GtkTreeIter iter;
    gtk_list_store_append(view->listStore, &iter);
    GdkPixbuf* picture = glyphPicture(view, fontViewGlyph(view, code));
    gtk_list_store_set(view->listStore, &iter, COL_CODE, code, COL_PICTURE, picture, -1);
    g_object_unref(picture);
  }
  view->listView = gtk_tree_view_new_with_model(GTK_TREE_MODEL(view->listStore));
  g_object_unref(view->listStore);
  GtkTreeView* list = GTK_TREE_VIEW(view->listView);
  gtk_widget_set_size_request(view->listView, 200, 200);

  GtkCellRenderer* cell = gtk_cell_renderer_text_new();
  g_object_set(cell, "xalign", 0.5, nullptr);
  GtkTreeViewColumn* column = gtk_tree_view_column_new_with_attributes("#", cell, "text", COL_CODE, nullptr);
  gtk_tree_view_column_set_cell_data_func(column, cell, codeData, view, nullptr);
  gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_FIXED);
  gtk_tree_view_column_set_fixed_width(column, 50);
  gtk_tree_view_column_set_alignment(column, 0.5);
  gtk_tree_view_append_column(list, column);

  cell = gtk_cell_renderer_pixbuf_new();
  g_object_set(cell, "xalign", 0.5, nullptr);
  column = gtk_tree_view_column_new_with_attributes("Symbol", cell, "pixbuf", COL_PICTURE, nullptr);
  gtk_tree_view_column_set_expand(column, TRUE);
  gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_AUTOSIZE);
  gtk_tree_view_column_set_alignment(column, 0.5);
  gtk_tree_view_append_column(list, column);

  treeListChangedColumnAdd(list, 50, glyphChanged, changedToggled, view);

  treeViewTitlesFit(view->listView);
  gtk_tree_view_set_search_column(list, COL_CODE);  // type-ahead by the code shown
  gtk_tree_selection_set_select_function(gtk_tree_view_get_selection(list), selectGlyph, view, nullptr);
  g_signal_connect(view->listView, "map", G_CALLBACK(listMapped), view);
  view->menu = fontMenuBuild(view);
  treeListPopupConnect(view->listView, fontMenuFor, nullptr, view);

  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_NONE);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
  gtk_container_add(GTK_CONTAINER(scrolled), view->listView);
  return scrolled;
}

GtkWidget* labelNew(const char* text, float xalign) {
  GtkWidget* label = gtk_label_new_with_mnemonic(text);
  gtk_misc_set_alignment(GTK_MISC(label), xalign, 0.5);
  return label;
}

GtkWidget* buttonNew(const char* text, void (*clicked)(GtkButton*, FontView*), FontView* view) {
  GtkWidget* button = gtk_button_new_with_mnemonic(text);
  g_signal_connect(button, "clicked", G_CALLBACK(clicked), view);
  return button;
}

GtkWidget* controlsBuild(FontView* view) {
  GtkWidget* table = gtk_table_new(11, 2, FALSE);
  gtk_table_set_row_spacings(GTK_TABLE(table), 2);
  gtk_container_set_border_width(GTK_CONTAINER(table), 5);
  auto attach = [&](GtkWidget* w, guint left, guint right, guint row) {
    gtk_table_attach(GTK_TABLE(table), w, left, right, row, row + 1, GtkAttachOptions(GTK_EXPAND | GTK_FILL),
                     GtkAttachOptions(GTK_EXPAND | GTK_FILL), 0, 0);
  };
  view->currentLabel = labelNew("0", 0);
  attach(labelNew("Current: ", 1), 0, 1, 0);
  attach(view->currentLabel, 1, 2, 0);

  view->widthSpin = gtk_spin_button_new_with_range(1, view->metrics.width, 1);
  gtk_spin_button_set_digits(GTK_SPIN_BUTTON(view->widthSpin), 0);
  g_signal_connect(view->widthSpin, "value_changed", G_CALLBACK(widthChanged), view);
  GtkWidget* widthLabel = labelNew("_Width  ", 1);
  gtk_label_set_mnemonic_widget(GTK_LABEL(widthLabel), view->widthSpin);
  attach(widthLabel, 0, 1, 2);
  attach(view->widthSpin, 1, 2, 2);

  attach(buttonNew("_Up", upClicked, view), 0, 2, 4);
  attach(buttonNew("_Left", leftClicked, view), 0, 1, 5);
  attach(buttonNew("_Right", rightClicked, view), 1, 2, 5);
  attach(buttonNew("_Down", downClicked, view), 0, 2, 6);

  view->copyEntry = gtk_entry_new();
  gtk_entry_set_width_chars(GTK_ENTRY(view->copyEntry), 3);
  g_signal_connect(view->copyEntry, "activate", G_CALLBACK(copyActivated), view);
  GtkWidget* copyLabel = labelNew("C_opy from ", 0.5);
  gtk_label_set_mnemonic_widget(GTK_LABEL(copyLabel), view->copyEntry);
  attach(copyLabel, 0, 1, 8);
  attach(view->copyEntry, 1, 2, 8);

  view->clearButton = buttonNew("_Clear", clearClicked, view);
  attach(view->clearButton, 0, 2, 9);
  view->restoreButton = buttonNew("Res_tore", restoreClicked, view);
  gtk_widget_set_sensitive(view->restoreButton, FALSE);
  attach(view->restoreButton, 0, 2, 10);
  return table;
}

GtkWidget* fontViewCreate(ModulePool* pool, Module* module) {
  auto* view = new FontView{};
  view->module = module;
  view->pool = pool;
  view->body.reset(moduleGetBody(module, &view->bodySize));
  if (view->body) view->glyphs = fontDecode(view->body.get(), view->bodySize, &view->metrics);
  GtkWidget* top;
  if (!view->glyphs) {
    top = gtk_label_new("This font is malformed: it is not shown, and it is saved as it was read.");
  } else {
    fontUndoInit(view);
    top = gtk_hbox_new(FALSE, 0);
    gtk_container_set_border_width(GTK_CONTAINER(top), 5);
    gtk_box_pack_start(GTK_BOX(top), listBuild(view), FALSE, TRUE, 0);
    shellSetMainList(top, view->listView);

    GtkWidget* right = gtk_vbox_new(FALSE, 0);
    GtkWidget* editRow = gtk_hbox_new(FALSE, 0);
    view->glyphEdit = glyphEditNew(view->metrics.width, view->metrics.height, 5);
    g_signal_connect(view->glyphEdit, "modified", G_CALLBACK(glyphModified), view);
    g_signal_connect(view->glyphEdit, "button-press-event", G_CALLBACK(strokeEdge), view);
    g_signal_connect(view->glyphEdit, "button-release-event", G_CALLBACK(strokeEdge), view);
    fontKeysConnect(view);
    // Zoomed, the grid scrolls in its room: the window never grows.
    GtkWidget* editAlign = gtk_alignment_new(0.5, 0.5, 0, 0);
    gtk_container_add(GTK_CONTAINER(editAlign), view->glyphEdit);
    GtkWidget* editScroll = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(editScroll), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_add_with_viewport(GTK_SCROLLED_WINDOW(editScroll), editAlign);
    gtk_viewport_set_shadow_type(GTK_VIEWPORT(gtk_bin_get_child(GTK_BIN(editScroll))), GTK_SHADOW_NONE);
    gtk_box_pack_start(GTK_BOX(editRow), editScroll, TRUE, TRUE, 0);
    GtkWidget* controlsAlign = gtk_alignment_new(0.5, 0.5, 0, 0);
    gtk_container_add(GTK_CONTAINER(controlsAlign), controlsBuild(view));
    gtk_box_pack_start(GTK_BOX(editRow), controlsAlign, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(right), editRow, TRUE, TRUE, 0);

    view->previewImage = gtk_image_new();
    gtk_misc_set_padding(GTK_MISC(view->previewImage), 0, 0);
    fontPreviewBlank(view);
    gtk_box_pack_start(GTK_BOX(right), view->previewImage, FALSE, FALSE, 0);
    view->previewEntry = gtk_entry_new();
    g_signal_connect(view->previewEntry, "activate", G_CALLBACK(previewActivated), view);
    gtk_box_pack_start(GTK_BOX(right), view->previewEntry, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(top), right, TRUE, TRUE, 0);

    GtkTreePath* first = gtk_tree_path_new_first();
    gtk_tree_view_set_cursor(GTK_TREE_VIEW(view->listView), first, nullptr, FALSE);
    gtk_tree_path_free(first);
    fontMissingShow(view);
    g_signal_connect(top, "key-press-event", G_CALLBACK(fontViewKeyPress), view);
  }
  viewSetRecord(top, view);
  return top;
}

void fontViewStore(GtkWidget* widget) {
  FontView* view = viewGetRecord<FontView>(widget);
  if (!view->glyphs) return;
  // Text typed into the width spin counts even when the user saves without
  // leaving it.
  gtk_spin_button_update(GTK_SPIN_BUTTON(view->widthSpin));
  char err[ERROR_SIZE] = "";
  bool stored = fontStoreGlyphs(view->module, &view->keep, &view->metrics, view->glyphs, err, sizeof err);
  if (!stored) shellStoreRefused(view->module, err, !view->tooLargeTold);
  view->tooLargeTold = !stored;
}

}  // namespace

FontView::~FontView() {
  fontGlyphsFree(glyphs);
  if (menu) gtk_widget_destroy(menu);
}

void fontViewShowGlyphs(FontView* view, const std::vector<uint32_t>& codes) {
  for (uint32_t code : codes) {
    FontGlyph* g = fontViewGlyph(view, code);
    g->changed = fontGlyphEdited(&view->metrics, g);
    rowPictureSet(view, code);
  }
  glyphShow(view, view->current);
  fontViewRenderPreview(view);
  fontMissingShow(view);
}

// A view draws a picture of every glyph, W x H pixels each (a 32 x 32 font
// in 9 ms on a 2 GHz machine); a font whose rows all differ stores about
// W x H / 8 bytes a glyph. From this size on the pictures grow towards the
// largest cells, which may take over 0.2 s: the busy cursor shows early
// rather than late, and costs nothing when the build is quick.
constexpr uint32_t FONTS_BUSY_SIZE = 64 * 1024;

TabHandler* fontsTabNew(GtkWidget* container) {
  return editorTabNew(container, fontMatch, fontViewCreate, fontViewStore, FONTS_BUSY_SIZE);
}
