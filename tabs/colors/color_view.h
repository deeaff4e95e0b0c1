// SPDX-License-Identifier: MIT
// One view of the Colors tab: the Items tree on the left, the Palette on the
// right, both over one colour table. Shared by the palette and the tree.
#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "pool/memory.h"
#include "shell/undo_history.h"
#include "tabs/colors/color_table.h"

enum { COLOR_SLOTS = 256 };

// What a swatch's drag carries to the tree: a palette entry, as 4 bytes.
inline const GtkTargetEntry COLOR_TARGET = {const_cast<gchar*>("application/x-color"), 0, 0};

struct ColorView {
  Module* module;
  MallocPtr<uint8_t> body;  // the body as read when the view was made
  uint32_t bodySize;
  ColorTable table;
  GdkPixbuf* swatchPixbufs[COLOR_SLOTS];  // one 24 x 24 picture per palette entry
  GtkWidget* swatches[COLOR_SLOTS];       // each cell's inner event box
  GtkWidget* preview;                     // event box of the 72 x 72 preview
  GtkWidget* previewImage;
  GtkWidget* sliders[3];  // red, green, blue
  GtkWidget* restoreButton;
  GtkWidget* restoreAllButton;
  int32_t selected;  // palette entry, -1 for none
  GtkWidget* treeView;
  GtkTreeStore* treeStore;
  int32_t refreshEntry;  // the entry whose tree rows are being updated
  // Raised while the view sets the sliders itself, so that only the user's
  // moves (with or without focus, the mouse wheel too) change a colour.
  bool settingSliders;
  GtkWidget* grid;      // the swatches' table
  GtkWidget* hexEntry;  // the selected colour as #rrggbb
  bool settingHex;      // raised while the view sets the entry's text itself
  // The event box around the Palette frame: it opens the popup menu, and
  // takes the keyboard focus while no entry is selected (then nothing in
  // the frame can), so that Shift+F10 reaches the menu.
  GtkWidget* palette;
  GtkWidget* menu;
  GtkWidget* pressed;  // the swatch or preview a right button went down on, till a drag
  // How many colour items use each entry: counted in one pass over the
  // items when asked after they changed.
  uint32_t uses[COLOR_PALETTE_COUNT];
  bool usesKnown;
  ModuleKeep keep;        // the module's block as loaded, once edited
  bool refusedStoreTold;  // the last store was refused, and the user told
  // Undo and redo of palette colours and item assignments.
  std::unique_ptr<UndoHistory> history;

  ~ColorView();
};

// The palette entry an item shows, or -1 for a heading and for an item word
// naming an entry beyond the palette: such rows have no swatch.
int32_t colorViewItemEntry(ColorView* view, uint32_t item);

// Selects palette entry e (-1: none): selection rectangle, preview, sliders,
// Restore.
void colorViewSelect(ColorView* view, int32_t e);

// Redraws everything that shows entry e's colour.
void colorViewRefreshEntry(ColorView* view, int32_t e);
// Preview, sliders and Restore show the selected entry again.
void colorViewShowSelected(ColorView* view);

// The hex entry shows the selected colour again (or nothing, for none).
void colorViewShowHex(ColorView* view);

// Every row shows its item's swatch again and the palette the selected
// item's entry, after an undo or an import changed items or colours.
void colorViewFollowItems(ColorView* view);

// The number of colour items using each palette entry, headings aside.
const uint32_t* colorViewUses(ColorView* view);
// The items' entries changed: the counts are made again when next asked,
// and the swatches redrawn with their marks.
void colorViewItemsChanged(ColorView* view);
// Draws the marks of swatch e (the palette's inner event box) over its
// picture: an entry no colour item uses, an entry edited since loading.
void swatchMarksDraw(ColorView* view, GtkWidget* swatch, int32_t e, const GdkRectangle* area);
// A swatch's tooltip: its entry, colour, channels and uses.
gboolean swatchQueryTooltip(GtkWidget* swatch, gint x, gint y, gboolean byKey, GtkTooltip* tooltip,
                            ColorView* view);

// Puts the Palette frame into the event box that opens the palette's popup
// menu: a right-click outside the swatches, a right button released over a
// swatch or the preview without a drag, Shift+F10 and the Menu key. Returns
// the event box.
GtkWidget* paletteMenuAttach(ColorView* view, GtkWidget* frame);

// What the undo history names: a palette entry or an item, by its number.
enum : uint32_t { COLOR_UNDO_ENTRY = 1, COLOR_UNDO_ITEM = 2 };
// Key runs on a slider (begin's run): one per slider.
enum : uint32_t { COLOR_UNDO_SLIDER_RUN = 1 };
void colorUndoInit(ColorView* view);
// Notes the items a Changed box restores: the item, or a heading's group.
void colorUndoNoteItem(ColorView* view, uint32_t item);
// Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y anywhere in a view.
gboolean colorViewKeyPress(GtkWidget* top, GdkEventKey* event, ColorView* view);

// The Items frame; needs the swatch pictures.
GtkWidget* colorItemsBuild(ColorView* view);
void colorItemsRefreshEntry(ColorView* view, int32_t e);
// Gives entry e to the item of the selected row, as one undo step.
void colorItemsAssignSelected(ColorView* view, int32_t e);
// Every row shows its item's swatch again (after an undo).
void colorItemsRefreshAll(ColorView* view);
// The palette entry of the selected row's item, or -1.
int32_t colorItemsSelectedEntry(ColorView* view);
