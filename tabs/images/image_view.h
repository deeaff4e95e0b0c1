// SPDX-License-Identifier: MIT
// One view of the Images tab over one image module.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <vector>

#include "tabs/images/image_codec.h"

struct ImageView {
  uint32_t version;  // romicons only
  Module* module;
  int kind;  // IMAGE_KIND_BITMAPS or IMAGE_KIND_ICONS
  GtkWidget* listView;
  GtkListStore* listStore;  // one unsigned column: the entry's index
  // By entry index, its picture widget (a reference the view holds) once
  // it was shown, or null.
  std::vector<GtkWidget*> previews;
  GtkWidget* previewFrame;
  GtkWidget* menu;
  GtkWidget* saveItem;
  GtkWidget* replaceItem;
  GtkWidget* exportAllItem;
  int32_t shown;          // the entry in the preview frame; -1 before the first selection
  ImageModule* images;    // null for a module too short to decode: nothing is stored
  ModuleKeep keep;        // the module's block as loaded, once edited
  bool refusedStoreTold;  // the user was told once that the module cannot be stored
  int zoom;                 // the preview's, 1 to 16
  GtkWidget* previewScroll;  // holds a picture in the preview frame; the view keeps a reference

  ~ImageView();
};

// Shows entry index in the preview frame, making its picture the first time.
void imagePreview(ImageView* view, uint32_t index);

// Puts an entry's preview widget into the preview frame: a picture at the
// view's zoom in a scrolled window, a message as it is.
void imagePreviewShow(ImageView* view, GtkWidget* widget);
// Ctrl+plus, Ctrl+minus and Ctrl+0 anywhere in the view zoom the preview.
gboolean imageViewKeyPress(GtkWidget* top, GdkEventKey* event, ImageView* view);

// "Save Image" and "Replace" of the entry in the preview frame.
void imageExport(ImageView* view);
void imageImport(ImageView* view);
// "Export all…": every picture the tab can save, into a folder the user
// chooses, each as "Save Image" writes it and named as unpack names it.
void imageExportAll(ImageView* view);
