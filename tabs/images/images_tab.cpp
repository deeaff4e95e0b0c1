// SPDX-License-Identifier: MIT
// The Images tab: one view per image module, with the list of its images
// above a preview of the selected one. A right-click on an image saves it to
// a file or replaces it by one; replaced images reach the module when the tab
// is committed.
#include "tabs/images/images_tab.h"

#include <cstdlib>
#include <cstring>

#include "pool/memory.h"
#include "shell/editor_page.h"
#include "pool/glib_memory.h"
#include "shell/shell.h"
#include "shell/tree_lists.h"
#include "shell/tree_titles.h"
#include "tabs/images/image_import.h"
#include "tabs/images/image_view.h"

namespace {

enum Field { FIELD_INDEX, FIELD_ID, FIELD_WIDTH, FIELD_HEIGHT, FIELD_SIZE, FIELD_TYPE, FIELD_NAME };

// The folders of the last accepted Save Image and Open Image dialogs.
char exportFolderMemory[SHELL_TEXT_SIZE];
char importFolderMemory[SHELL_TEXT_SIZE];

ImageEntry* entryOf(ImageView* view, uint32_t index) {
  return static_cast<ImageEntry*>(listGet(view->images->entries, index));
}

bool pathSelectable(ImageView* view, GtkTreePath* path) {
  GtkTreeIter iter;
  return gtk_tree_model_get_iter(GTK_TREE_MODEL(view->listStore), &iter, path) &&
         imageTypeIsShown(entryOf(view, treeListIndex(GTK_TREE_MODEL(view->listStore), &iter))->type);
}

GtkWidget* previewLabel(const char* text) {
  GtkWidget* label = gtk_label_new(text);
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  return label;
}

GtkWidget* rgbPicture(const ImageEntry* e) {
  uint8_t* rgb = imageToRgb(e);
  if (!rgb) {
    char text[SHELL_TEXT_SIZE];
    shellFormatMessage(text, "This image cannot be drawn (%ux%u pixels over %u bytes).", e->width,
                       e->height, e->size);
    return previewLabel(text);
  }
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_data(
      rgb, GDK_COLORSPACE_RGB, FALSE, 8, int(e->width), int(e->height), int(e->width * 3),
      [](guchar* pixels, gpointer) { std::free(pixels); }, nullptr);
  GtkWidget* image = gtk_image_new_from_pixbuf(pixbuf);
  g_object_unref(pixbuf);
  return image;
}

void areaPrepared(GdkPixbufLoader*, gpointer prepared) { *static_cast<bool*>(prepared) = true; }

// A loader that fails a write has closed itself; every other path closes it.
GtkWidget* loadedPicture(const ImageEntry* e) {
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  bool prepared = false;
  g_signal_connect(loader, "area-prepared", G_CALLBACK(areaPrepared), &prepared);
  GError* error = nullptr;
  GtkWidget* widget = nullptr;
  bool written = gdk_pixbuf_loader_write(loader, e->data, e->size, &error);
  // Some loaders prepare the picture only once they see more bytes than a
  // small image has.
  static const guchar PADDING[1024] = {};
  if (written && !prepared) written = gdk_pixbuf_loader_write(loader, PADDING, sizeof PADDING, &error);
  if (!written) {
    widget = previewLabel(error ? error->message : "Error loading image.");
  } else {
    // gdk-pixbuf holds back the first 4 KiB to guess the format, so a small
    // picture is decoded only when the loader is closed.
    GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
    if (pixbuf) g_object_ref(pixbuf);
    bool closed = gdk_pixbuf_loader_close(loader, &error);
    if (closed && !pixbuf && (pixbuf = gdk_pixbuf_loader_get_pixbuf(loader))) g_object_ref(pixbuf);
    if (!closed)
      widget = previewLabel(error ? error->message : "Error loading image.");
    else if (!pixbuf)
      widget = previewLabel("Error getting pixbuf from loader.");
    else if (!(widget = gtk_image_new_from_pixbuf(pixbuf)))
      widget = previewLabel("Unable to create GtkImage");
    if (pixbuf) g_object_unref(pixbuf);
  }
  if (error) g_error_free(error);
  g_object_unref(loader);
  return widget;
}

GtkWidget* pictureNew(const ImageEntry* e) {
  if (e->type == IMAGE_BITMAP || e->type == IMAGE_PIXMAP15) return rgbPicture(e);
  if (!e->size || !e->width || !e->height) return previewLabel("This image has no data.");
  return loadedPicture(e);
}

// Rows of pixmap 8 and unknown types are never selected, so they are never
// shown, saved or replaced.
gboolean selectImage(GtkTreeSelection*, GtkTreeModel* model, GtkTreePath* path, gboolean selected,
                     gpointer data) {
  if (selected) return TRUE;
  auto* view = static_cast<ImageView*>(data);
  GtkTreeIter iter;
  if (!gtk_tree_model_get_iter(model, &iter, path)) return FALSE;
  guint index = treeListIndex(model, &iter);
  if (!imageTypeIsShown(entryOf(view, index)->type)) return FALSE;
  if (int32_t(index) != view->shown) imagePreview(view, index);
  return TRUE;
}

void cellText(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter,
              gpointer data) {
  auto* view = static_cast<ImageView*>(data);
  guint index = treeListIndex(model, iter);
  const ImageEntry* e = entryOf(view, index);
  char text[32];
  switch (GPOINTER_TO_INT(g_object_get_data(G_OBJECT(cell), "field"))) {
    case FIELD_INDEX: g_snprintf(text, sizeof text, "%u", index); break;
    case FIELD_ID: g_snprintf(text, sizeof text, "%u", e->id); break;
    case FIELD_WIDTH: g_snprintf(text, sizeof text, "%u", e->width); break;
    case FIELD_HEIGHT: g_snprintf(text, sizeof text, "%u", e->height); break;
    case FIELD_SIZE: g_snprintf(text, sizeof text, "%u", e->size); break;
    case FIELD_TYPE: g_snprintf(text, sizeof text, "%s", imageTypeText(e->type)); break;
    case FIELD_NAME: {
      GCharPtr name(shellDisplayText(e->name));  // icon names are 8-bit text
      g_object_set(cell, "text", name.get(), nullptr);
      return;
    }
  }
  g_object_set(cell, "text", text, nullptr);
}

void columnAdd(ImageView* view, const char* title, Field field, int width, float xalign) {
  GtkCellRenderer* cell = gtk_cell_renderer_text_new();
  g_object_set(cell, "xalign", xalign, nullptr);
  g_object_set_data(G_OBJECT(cell), "field", GINT_TO_POINTER(field));
  GtkTreeViewColumn* column = gtk_tree_view_column_new_with_attributes(title, cell, nullptr);
  gtk_tree_view_column_set_cell_data_func(column, cell, cellText, view, nullptr);
  gtk_tree_view_column_set_alignment(column, 0.5);
  if (width) {
    gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_FIXED);
    gtk_tree_view_column_set_fixed_width(column, width);
  } else {
    gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_AUTOSIZE);
  }
  gtk_tree_view_append_column(GTK_TREE_VIEW(view->listView), column);
}

// Type-ahead: a number finds the row of that index, and for icons a name's
// beginning finds the icon. GTK's convention: FALSE for a match.
gboolean searchEqual(GtkTreeModel* model, gint, const gchar* key, GtkTreeIter* iter, gpointer data) {
  auto* view = static_cast<ImageView*>(data);
  guint index = treeListIndex(model, iter);
  char text[16];
  g_snprintf(text, sizeof text, "%u", index);
  if (g_str_has_prefix(text, key)) return FALSE;
  if (view->kind != IMAGE_KIND_ICONS || !*key) return TRUE;
  GCharPtr name(shellDisplayText(entryOf(view, index)->name));
  GCharPtr nameFolded(g_utf8_casefold(name.get(), -1)), keyFolded(g_utf8_casefold(key, -1));
  return !g_str_has_prefix(nameFolded.get(), keyFolded.get());
}

bool rowSelected(ImageView* view) {
  return gtk_tree_selection_get_selected(gtk_tree_view_get_selection(GTK_TREE_VIEW(view->listView)),
                                         nullptr, nullptr);
}

// Only a row that can be selected is taken for the menu: a right-click
// selects it (or leaves the selection as it was), the keyboard's menu
// wants the cursor on one.
bool menuRowTake(gpointer data, GtkTreePath* path, bool byKey) {
  auto* view = static_cast<ImageView*>(data);
  GtkTreeView* tree = GTK_TREE_VIEW(view->listView);
  if (byKey) {
    bool selectable = path && pathSelectable(view, path);
    if (selectable) gtk_tree_view_set_cursor(tree, path, nullptr, FALSE);
    return selectable;
  }
  GtkTreeSelection* selection = gtk_tree_view_get_selection(tree);
  GtkTreeModel* model;
  GtkTreeIter iter;
  GtkTreePath* before =
      gtk_tree_selection_get_selected(selection, &model, &iter) ? gtk_tree_model_get_path(model, &iter) : nullptr;
  gtk_tree_selection_unselect_all(selection);
  gtk_tree_selection_select_path(selection, path);
  bool taken = gtk_tree_selection_path_is_selected(selection, path);
  if (taken) {
    gtk_tree_view_set_cursor(tree, path, nullptr, FALSE);  // the keyboard follows the click
  } else if (before) {
    gtk_tree_selection_select_path(selection, before);
  }
  if (before) gtk_tree_path_free(before);
  return taken;
}

// The menu is about the selected image.
GtkWidget* menuFor(gpointer data) {
  auto* view = static_cast<ImageView*>(data);
  return rowSelected(view) ? view->menu : nullptr;
}

void exportActivated(GtkMenuItem*, ImageView* view) { imageExport(view); }
void importActivated(GtkMenuItem*, ImageView* view) { imageImport(view); }
void exportAllActivated(GtkMenuItem*, ImageView* view) { imageExportAll(view); }

GtkWidget* menuBuild(ImageView* view) {
  GtkWidget* menu = gtk_menu_new();
  view->saveItem = gtk_image_menu_item_new_from_stock(GTK_STOCK_SAVE, nullptr);
  g_signal_connect(view->saveItem, "activate", G_CALLBACK(exportActivated), view);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), view->saveItem);
  view->replaceItem = gtk_image_menu_item_new_with_label("Replace");
  gtk_image_menu_item_set_image(GTK_IMAGE_MENU_ITEM(view->replaceItem), newReplaceIcon());
  g_signal_connect(view->replaceItem, "activate", G_CALLBACK(importActivated), view);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), view->replaceItem);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
  view->exportAllItem = gtk_menu_item_new_with_mnemonic("Export _all…");
  g_signal_connect(view->exportAllItem, "activate", G_CALLBACK(exportAllActivated), view);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), view->exportAllItem);
  gtk_widget_show_all(menu);
  return menu;
}

GtkWidget* imageViewCreate(ModulePool*, Module* module) {
  auto* view = new ImageView{};
  view->module = module;
  view->shown = -1;
  view->zoom = 1;
  char err[ERROR_SIZE] = "";
  view->images = imageModuleDecode(module, err, sizeof err);
  if (!view->images) {
    GtkWidget* label = previewLabel(err);
    viewSetRecord(label, view);
    return label;
  }
  view->kind = view->images->kind;
  view->version = view->images->version;

  GtkWidget* top = gtk_vbox_new(FALSE, 0);
  g_signal_connect(top, "key-press-event", G_CALLBACK(imageViewKeyPress), view);
  gtk_box_pack_start(GTK_BOX(top), treeListNew(&view->listView, &view->listStore), TRUE, TRUE, 0);
  shellSetMainList(top, view->listView);
  treeListPopupConnect(view->listView, menuFor, menuRowTake, view);

  view->previewFrame = gtk_frame_new(nullptr);
  gtk_widget_set_size_request(view->previewFrame, 520, 260);
  gtk_box_pack_start(GTK_BOX(top), view->previewFrame, FALSE, FALSE, 0);
  view->menu = menuBuild(view);

  const bool icons = view->kind == IMAGE_KIND_ICONS;
  columnAdd(view, "#", FIELD_INDEX, 50, 1.0f);
  if (icons) columnAdd(view, "ID #", FIELD_ID, 50, 1.0f);
  columnAdd(view, "Width", FIELD_WIDTH, 80, 0.5f);
  columnAdd(view, "Height", FIELD_HEIGHT, 80, 0.5f);
  columnAdd(view, "Size", FIELD_SIZE, 100, 1.0f);
  columnAdd(view, "Type", FIELD_TYPE, 100, 0.5f);
  if (icons) columnAdd(view, "Name", FIELD_NAME, 0, 0.0f);
  const uint32_t count = listGetCount(view->images->entries);
  for (uint32_t i = 0; i < count; i++) treeListAppend(view->listStore, i);
  view->previews.assign(count, nullptr);
  GtkTreeView* list = GTK_TREE_VIEW(view->listView);
  gtk_tree_view_set_model(list, GTK_TREE_MODEL(view->listStore));
  g_object_unref(view->listStore);  // the list view keeps it
  treeViewTitlesFit(view->listView);
  gtk_tree_view_set_search_column(list, 0);
  gtk_tree_view_set_search_equal_func(list, searchEqual, view, nullptr);
  gtk_tree_selection_set_select_function(gtk_tree_view_get_selection(list), selectImage, view, nullptr);
  viewSetRecord(top, view);
  return top;
}

// Stores nothing while every picture holds what it was decoded with, so an
// unedited module keeps its block whatever its layout.
void imageViewStore(GtkWidget* widget) {
  ImageView* view = viewGetRecord<ImageView>(widget);
  if (!view->images) return;
  char err[ERROR_SIZE] = "";
  bool stored = imageModuleStore(view->images, view->module, &view->keep, err, sizeof err);
  if (!stored) shellStoreRefused(view->module, err, !view->refusedStoreTold);
  view->refusedStoreTold = !stored;
}

}  // namespace

ImageView::~ImageView() {
  for (GtkWidget* preview : previews)
    if (preview) g_object_unref(preview);
  imageModuleFree(images);
  if (menu) gtk_widget_destroy(menu);
  if (previewScroll) g_object_unref(previewScroll);
}

void imagePreview(ImageView* view, uint32_t index) {
  GtkWidget*& preview = view->previews[index];
  if (!preview) {
    preview = GTK_WIDGET(g_object_ref_sink(pictureNew(entryOf(view, index))));
    gtk_widget_show(preview);
  }
  imagePreviewShow(view, preview);
  view->shown = int32_t(index);
}

void imageExport(ImageView* view) {
  if (view->shown < 0) return;
  ImageEntry* e = entryOf(view, uint32_t(view->shown));
  char name[64], path[SHELL_TEXT_SIZE];
  imageSuggestedName(view->kind, uint32_t(view->shown), e->type, name, sizeof name);
  if (!shellChooseFile("Save Image", GTK_FILE_CHOOSER_ACTION_SAVE, exportFolderMemory, name, path))
    return;
  char err[ERROR_SIZE] = "";
  if (!imageExportSave(e, path, err, sizeof err)) showError(err);
}

void imageImport(ImageView* view) {
  if (view->shown < 0) return;
  ImageEntry* e = entryOf(view, uint32_t(view->shown));
  char title[SHELL_TEXT_SIZE], path[SHELL_TEXT_SIZE];
  shellFormatMessage(title, "Open %s Image", imageTypeFormat(e->type));
  if (!shellChooseFile(title, GTK_FILE_CHOOSER_ACTION_OPEN, importFolderMemory, nullptr, path)) return;
  uint32_t size = 0;
  char err[ERROR_SIZE] = "";
  uint8_t* data = imageImportFile(e, path, &size, err, sizeof err);
  if (!data) return showError(err);
  imageEntrySetData(e, data, size);
  // Show the new picture: the old one leaves the frame and goes.
  GtkWidget* old = view->previews[size_t(view->shown)];
  view->previews[size_t(view->shown)] = nullptr;
  imagePreview(view, uint32_t(view->shown));
  if (old) g_object_unref(old);
  GtkTreePath* row = gtk_tree_path_new_from_indices(view->shown, -1);
  GtkTreeIter iter;
  if (gtk_tree_model_get_iter(GTK_TREE_MODEL(view->listStore), &iter, row))
    gtk_tree_model_row_changed(GTK_TREE_MODEL(view->listStore), row, &iter);  // Size may change
  gtk_tree_path_free(row);
}

// A view copies every picture's data and lists each picture in a row; the
// smallest pictures take a few dozen bytes, so from this size on the list
// may hold tens of thousands of rows and take over 0.2 s to build.
constexpr uint32_t IMAGES_BUSY_SIZE = 1024 * 1024;

TabHandler* imagesTabNew(GtkWidget* container) {
  return editorTabNew(container, imageMatch, imageViewCreate, imageViewStore, IMAGES_BUSY_SIZE);
}
