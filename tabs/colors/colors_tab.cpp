// SPDX-License-Identifier: MIT
// The Colors tab: one view per colour table, with the Items tree on the left
// and the Palette on the right: an 8 x 8 grid of swatches, a preview of the
// selected entry, R/G/B sliders and the Restore buttons.
#include "tabs/colors/colors_tab.h"

#include <gdk/gdkkeysyms.h>

#include <algorithm>

#include "pool/be.h"
#include "resources/icons.h"
#include "shell/editor_page.h"
#include "shell/shell.h"
#include "tabs/colors/color_view.h"
#include "tabs/colors/palette_file.h"

namespace {

void previewShow(ColorView* view, int32_t e) {
  GdkPixbuf* scaled = gdk_pixbuf_scale_simple(view->swatchPixbufs[e], 72, 72, GDK_INTERP_NEAREST);
  gtk_image_set_from_pixbuf(GTK_IMAGE(view->previewImage), scaled);
  g_object_unref(scaled);
}

void swatchFill(ColorView* view, int32_t e) {
  ColorTable* t = &view->table;
  uint32_t r, g, b;
  t->colorGet(t, e, &r, &g, &b);
  t->colorToRgb8(t, &r, &g, &b);
  gdk_pixbuf_fill(view->swatchPixbufs[e], r << 24 | g << 16 | b << 8 | 0xFF);
}

void slidersSet(ColorView* view, int32_t e) {
  uint32_t channels[3];
  view->table.colorGet(&view->table, e, &channels[0], &channels[1], &channels[2]);
  view->settingSliders = true;
  for (int c = 0; c < 3; c++) gtk_range_set_value(GTK_RANGE(view->sliders[c]), channels[c]);
  view->settingSliders = false;
  colorViewShowHex(view);
}

// A typing error shows in red until the text is typed again or replaced.
void hexMark(ColorView* view, bool wrong) {
  static const GdkColor RED = {0, 0xFFFF, 0x6666, 0x6666}, WHITE = {0, 0xFFFF, 0xFFFF, 0xFFFF};
  gtk_widget_modify_base(view->hexEntry, GTK_STATE_NORMAL, wrong ? &RED : nullptr);
  gtk_widget_modify_text(view->hexEntry, GTK_STATE_NORMAL, wrong ? &WHITE : nullptr);
}

void hexChanged(GtkEditable*, ColorView* view) {
  if (!view->settingHex) hexMark(view, false);
}

// Return takes the typed colour as the sliders would take its channels: the
// nearest 5-bit values, one undo step. A colour the entry shows already
// keeps its word.
void hexActivated(GtkEntry* entry, ColorView* view) {
  ColorTable* t = &view->table;
  const int32_t e = view->selected;
  uint32_t typed[3], shown[3];
  if (e == -1 || t->colorIsTransparent(t, e)) return;
  if (!colorHexParse(gtk_entry_get_text(entry), typed)) return hexMark(view, true);
  t->colorGet(t, e, &shown[0], &shown[1], &shown[2]);
  t->colorToRgb8(t, &shown[0], &shown[1], &shown[2]);
  if (!std::equal(typed, typed + 3, shown)) {
    view->history->begin();
    view->history->note(COLOR_UNDO_ENTRY, uint32_t(e));
    t->colorSet(t, e, colorNearestChannel(typed[0]), colorNearestChannel(typed[1]), colorNearestChannel(typed[2]));
    view->history->end();
  }
  colorViewRefreshEntry(view, e);
  slidersSet(view, e);
}

// Leaving the entry drops a colour typed and not taken.
gboolean hexFocusOut(GtkWidget*, GdkEventFocus*, ColorView* view) {
  colorViewShowHex(view);
  return FALSE;
}

GtkWidget* hexRowNew(ColorView* view) {
  GtkWidget* row = gtk_hbox_new(FALSE, 4);
  GtkWidget* label = gtk_label_new_with_mnemonic("_Hex:");
  view->hexEntry = gtk_entry_new();
  gtk_entry_set_width_chars(GTK_ENTRY(view->hexEntry), 8);
  gtk_label_set_mnemonic_widget(GTK_LABEL(label), view->hexEntry);
  g_signal_connect(view->hexEntry, "activate", G_CALLBACK(hexActivated), view);
  g_signal_connect(view->hexEntry, "changed", G_CALLBACK(hexChanged), view);
  g_signal_connect(view->hexEntry, "focus-out-event", G_CALLBACK(hexFocusOut), view);
  gtk_box_pack_start(GTK_BOX(row), label, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), view->hexEntry, FALSE, FALSE, 0);
  return row;
}

// The entry of a swatch or the preview.
int32_t sourceEntry(ColorView* view, GtkWidget* widget) {
  if (widget == view->preview) return view->selected;
  return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "entry"));
}

// A single press selects the cell's entry; a double press gives it to the
// item selected in the tree. Space and Enter do the same from the keyboard.
gboolean swatchPress(GtkWidget* widget, GdkEventButton* event, ColorView* view) {
  if (view->selected == -1 || event->button != 1) return FALSE;
  if (event->type == GDK_BUTTON_PRESS && widget != view->preview)
    colorViewSelect(view, sourceEntry(view, widget));
  else if (event->type == GDK_2BUTTON_PRESS)
    colorItemsAssignSelected(view, sourceEntry(view, widget));
  return FALSE;
}

// Enter is a double click: the press before it selected the entry, so
// frame, preview, sliders and the item agree afterwards.
gboolean swatchKey(GtkWidget* widget, GdkEventKey* event, ColorView* view) {
  if (view->selected == -1) return FALSE;
  switch (event->keyval) {
    case GDK_space:
      colorViewSelect(view, sourceEntry(view, widget));
      return TRUE;
    case GDK_Return:
    case GDK_KP_Enter:
    case GDK_ISO_Enter:
      colorViewSelect(view, sourceEntry(view, widget));
      colorItemsAssignSelected(view, sourceEntry(view, widget));
      return TRUE;
  }
  return FALSE;
}

// The marks of an unused or edited entry, and the focus, are drawn in the
// swatch's own drawing over its colour, never into the picture the tree and
// the preview share. The focus is a white line under the theme's focus
// line, so that it shows on any colour.
gboolean swatchExpose(GtkWidget* widget, GdkEventExpose* event, ColorView* view) {
  swatchMarksDraw(view, widget, sourceEntry(view, widget), &event->area);
  if (!gtk_widget_has_focus(widget)) return FALSE;
  GtkAllocation a;
  gtk_widget_get_allocation(widget, &a);
  GtkStyle* style = gtk_widget_get_style(widget);
  GdkWindow* window = gtk_widget_get_window(widget);
  gdk_gc_set_clip_rectangle(style->white_gc, &event->area);
  gdk_draw_rectangle(window, style->white_gc, FALSE, 1, 1, a.width - 3, a.height - 3);
  gdk_gc_set_clip_rectangle(style->white_gc, nullptr);
  gtk_paint_focus(style, window, gtk_widget_get_state(widget), &event->area, widget, nullptr, 1, 1,
                  a.width - 2, a.height - 2);
  return FALSE;
}

// Tab into the palette lands on the selected swatch, and Tab in it goes on
// to the sliders; the arrow keys move between swatches as GTK does.
gboolean gridFocus(GtkWidget* grid, GtkDirectionType direction, ColorView* view) {
  if (direction != GTK_DIR_TAB_FORWARD && direction != GTK_DIR_TAB_BACKWARD) return FALSE;
  if (gtk_container_get_focus_child(GTK_CONTAINER(grid))) {
    g_signal_stop_emission_by_name(grid, "focus");
    return FALSE;  // out of the grid
  }
  if (view->selected == -1) return FALSE;
  gtk_widget_grab_focus(view->swatches[view->selected]);
  return TRUE;
}

// Every drag carries the selected entry, whichever swatch it starts on.
void swatchDragBegin(GtkWidget*, GdkDragContext* context, ColorView* view) {
  if (view->selected != -1)
    gtk_drag_set_icon_pixbuf(context, view->swatchPixbufs[view->selected], -5, -5);
}

void swatchDragDataGet(GtkWidget*, GdkDragContext*, GtkSelectionData* data, guint, guint,
                       ColorView* view) {
  int32_t entry = view->selected;
  gtk_selection_data_set(data, data->target, 32, reinterpret_cast<const guchar*>(&entry),
                         sizeof entry);
}

void dragSourceSet(GtkWidget* widget, ColorView* view) {
  gtk_drag_source_set(widget, GdkModifierType(GDK_BUTTON1_MASK | GDK_BUTTON3_MASK), &COLOR_TARGET,
                      1, GDK_ACTION_COPY);
  g_signal_connect(widget, "drag_begin", G_CALLBACK(swatchDragBegin), view);
  g_signal_connect(widget, "drag_data_get", G_CALLBACK(swatchDragDataGet), view);
  g_signal_connect(widget, "button_press_event", G_CALLBACK(swatchPress), view);
}

gchar* sliderFormat(GtkScale* scale, gdouble value) {
  int color = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(scale), "color"));
  return g_strdup_printf("%c: %g", color == 0 ? 'R' : color == 1 ? 'G' : 'B', value);
}

// Moves on one slider, by keys, the wheel or a drag, are one undo step
// until anything else happens; a press on a slider starts a new one.
void sliderChanged(GtkRange* range, ColorView* view) {
  if (view->settingSliders || view->selected == -1) return;
  const int channel = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(range), "color"));
  view->history->begin(COLOR_UNDO_SLIDER_RUN + uint32_t(channel));
  view->history->note(COLOR_UNDO_ENTRY, uint32_t(view->selected));
  uint32_t channels[3];
  view->table.colorGet(&view->table, view->selected, &channels[0], &channels[1], &channels[2]);
  channels[GPOINTER_TO_INT(g_object_get_data(G_OBJECT(range), "color"))] =
      uint32_t(gtk_range_get_value(range));
  view->table.colorSet(&view->table, view->selected, channels[0], channels[1], channels[2]);
  colorViewRefreshEntry(view, view->selected);
}

gboolean sliderPress(GtkWidget*, GdkEventButton*, ColorView* view) {
  view->history->end();
  return FALSE;
}


void restoreSelected(ColorView* view) {
  view->table.colorRestore(&view->table, view->selected);
  colorViewRefreshEntry(view, view->selected);
  gtk_widget_grab_focus(view->swatches[view->selected]);
  slidersSet(view, view->selected);
}

void restoreClicked(GtkButton*, ColorView* view) {
  if (view->selected == -1) return;
  view->history->begin();
  view->history->note(COLOR_UNDO_ENTRY, uint32_t(view->selected));
  restoreSelected(view);
  view->history->end();
}

// Palette colours only; the items' entries are restored in the tree.
void restoreAllClicked(GtkButton*, ColorView* view) {
  if (view->selected == -1) return;
  view->history->begin();
  for (uint32_t e = 0; e < view->table.paletteCount; e++) {
    view->history->note(COLOR_UNDO_ENTRY, e);
    view->table.colorRestore(&view->table, e);
    colorViewRefreshEntry(view, int32_t(e));
  }
  restoreSelected(view);
  view->history->end();
}

GtkWidget* cellNew(ColorView* view, int32_t e) {
  GtkWidget* outer = gtk_event_box_new();
  GtkWidget* frame = gtk_frame_new(nullptr);
  gtk_widget_set_size_request(frame, 24, 24);
  gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_IN);
  gtk_container_set_border_width(GTK_CONTAINER(frame), 3);
  GtkWidget* inner = gtk_event_box_new();
  gtk_container_add(GTK_CONTAINER(inner), gtk_image_new_from_pixbuf(view->swatchPixbufs[e]));
  gtk_container_add(GTK_CONTAINER(frame), inner);
  gtk_container_add(GTK_CONTAINER(outer), frame);
  gtk_widget_set_can_focus(inner, TRUE);
  dragSourceSet(inner, view);
  g_signal_connect(inner, "key_press_event", G_CALLBACK(swatchKey), view);
  g_signal_connect_after(inner, "expose-event", G_CALLBACK(swatchExpose), view);
  gtk_widget_set_has_tooltip(inner, TRUE);
  g_signal_connect(inner, "query-tooltip", G_CALLBACK(swatchQueryTooltip), view);
  g_object_set_data(G_OBJECT(inner), "selrect", outer);
  g_object_set_data(G_OBJECT(inner), "entry", GINT_TO_POINTER(e));
  view->swatches[e] = inner;
  return outer;
}

GtkWidget* paletteBuild(ColorView* view) {
  ColorTable* t = &view->table;
  GtkWidget* frame = gtk_frame_new("Palette");
  gtk_container_set_border_width(GTK_CONTAINER(frame), 5);
  GtkWidget* box = gtk_vbox_new(FALSE, 0);
  gtk_container_add(GTK_CONTAINER(frame), box);

  GdkPixbuf* marker = iconPixbufNew(ICON_TRANSPARENT);
  for (uint32_t e = 0; e < t->paletteCount; e++) {
    if (t->colorIsTransparent(t, e)) {
      view->swatchPixbufs[e] = gdk_pixbuf_scale_simple(marker, 24, 24, GDK_INTERP_NEAREST);
    } else {
      view->swatchPixbufs[e] = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 24, 24);
      swatchFill(view, int32_t(e));
    }
  }
  g_object_unref(marker);

  uint32_t n = 0;
  while (n * n < t->paletteCount) n++;
  GtkWidget* grid = view->grid = gtk_table_new(n, n, TRUE);
  gtk_container_set_border_width(GTK_CONTAINER(grid), 5);
  g_signal_connect(grid, "focus", G_CALLBACK(gridFocus), view);
  for (uint32_t e = 0; e < t->paletteCount; e++)
    gtk_table_attach_defaults(GTK_TABLE(grid), cellNew(view, int32_t(e)), e % n, e % n + 1, e / n,
                              e / n + 1);
  gtk_box_pack_start(GTK_BOX(box), grid, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), gtk_hseparator_new(), FALSE, FALSE, 0);

  GtkWidget* row = gtk_hbox_new(FALSE, 0);
  gtk_container_set_border_width(GTK_CONTAINER(row), 5);
  GtkWidget* previewFrame = gtk_frame_new(nullptr);
  gtk_widget_set_size_request(previewFrame, 72, 72);
  gtk_frame_set_shadow_type(GTK_FRAME(previewFrame), GTK_SHADOW_IN);
  view->preview = gtk_event_box_new();
  dragSourceSet(view->preview, view);
  view->previewImage = gtk_image_new();
  previewShow(view, 0);
  gtk_container_add(GTK_CONTAINER(view->preview), view->previewImage);
  gtk_container_add(GTK_CONTAINER(previewFrame), view->preview);
  gtk_box_pack_start(GTK_BOX(row), previewFrame, FALSE, FALSE, 0);
  GtkWidget* sliderBox = gtk_vbox_new(FALSE, 0);
  for (int c = 0; c < 3; c++) {
    GtkWidget* slider = gtk_hscale_new_with_range(0, t->channelMax[c], 1);
    gtk_scale_set_digits(GTK_SCALE(slider), 0);
    gtk_scale_set_value_pos(GTK_SCALE(slider), GTK_POS_RIGHT);
    g_object_set_data(G_OBJECT(slider), "color", GINT_TO_POINTER(c));
    g_signal_connect(slider, "format_value", G_CALLBACK(sliderFormat), nullptr);
    g_signal_connect(slider, "value_changed", G_CALLBACK(sliderChanged), view);
    g_signal_connect(slider, "button-press-event", G_CALLBACK(sliderPress), view);
    gtk_box_pack_start(GTK_BOX(sliderBox), slider, TRUE, TRUE, 0);
    view->sliders[c] = slider;
  }
  gtk_box_pack_start(GTK_BOX(sliderBox), hexRowNew(view), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), sliderBox, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(box), row, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), gtk_hseparator_new(), FALSE, FALSE, 0);

  GtkWidget* buttons = gtk_hbox_new(FALSE, 0);
  gtk_container_set_border_width(GTK_CONTAINER(buttons), 5);
  view->restoreButton = gtk_button_new_with_mnemonic("_Restore");
  view->restoreAllButton = gtk_button_new_with_mnemonic("Restore _All");
  g_signal_connect(view->restoreButton, "clicked", G_CALLBACK(restoreClicked), view);
  g_signal_connect(view->restoreAllButton, "clicked", G_CALLBACK(restoreAllClicked), view);
  gtk_box_pack_start(GTK_BOX(buttons), view->restoreButton, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(buttons), view->restoreAllButton, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(box), buttons, FALSE, FALSE, 0);

  GtkWidget* palette = paletteMenuAttach(view, frame);
  view->selected = 0;  // so that selecting none below makes everything insensitive
  colorViewSelect(view, -1);
  return palette;
}

GtkWidget* colorViewCreate(ModulePool*, Module* module) {
  auto* view = new ColorView{};
  view->module = module;
  view->body.reset(moduleGetBody(module, &view->bodySize));
  const ColorLayout* layout =
      view->body && view->bodySize >= 2 ? colorLayoutFind(beGet16(view->body.get())) : nullptr;
  GtkWidget* top;
  if (!layout || !colorTableInit(view->body.get(), view->bodySize, &view->table, layout)) {
    // Not a colour table any more; store writes nothing for it.
    view->body.reset();
    top = gtk_label_new("Not a colour table");
  } else {
    colorUndoInit(view);
    top = gtk_hbox_new(FALSE, 0);
    g_signal_connect(top, "key-press-event", G_CALLBACK(colorViewKeyPress), view);
    GtkWidget* palette = paletteBuild(view);
    gtk_box_pack_start(GTK_BOX(top), colorItemsBuild(view), TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(top), palette, FALSE, FALSE, 0);
    shellSetMainList(top, view->treeView);
  }
  viewSetRecord(top, view);
  return top;
}

void colorViewStore(GtkWidget* widget) {
  ColorView* view = viewGetRecord<ColorView>(widget);
  if (!view->body) return;
  char err[ERROR_SIZE] = "";
  bool stored = colorTableStore(&view->table, view->module, &view->keep, view->body.get(), view->bodySize, err, sizeof err);
  if (!stored) shellStoreRefused(view->module, err, !view->refusedStoreTold);
  view->refusedStoreTold = !stored;
}

}  // namespace

ColorView::~ColorView() {
  if (table.tableFree) table.tableFree(&table);
  for (GdkPixbuf* pixbuf : swatchPixbufs)
    if (pixbuf) g_object_unref(pixbuf);
  if (menu) gtk_widget_destroy(menu);
}

int32_t colorViewItemEntry(ColorView* view, uint32_t item) {
  ColorTable* t = &view->table;
  uint32_t e = t->itemGetColor(t, item);
  return t->itemIsHeading(t, item) || e >= t->paletteCount ? -1 : int32_t(e);
}

void colorViewSelect(ColorView* view, int32_t e) {
  ColorTable* t = &view->table;
  if (e == view->selected) return;
  if (view->history) view->history->end();  // ends a slider's run of keys
  if (view->selected != -1) {
    auto* rect = static_cast<GtkWidget*>(
        g_object_get_data(G_OBJECT(view->swatches[view->selected]), "selrect"));
    gtk_widget_modify_bg(rect, GTK_STATE_NORMAL, nullptr);
  }
  bool none = e < 0 || uint32_t(e) >= t->paletteCount;
  for (uint32_t k = 0; k < t->paletteCount; k++) gtk_widget_set_sensitive(view->swatches[k], !none);
  gtk_widget_set_sensitive(view->preview, !none);
  gtk_widget_set_sensitive(view->restoreAllButton, !none);
  gtk_widget_set_can_focus(view->palette, none);
  if (none) {
    for (GtkWidget* slider : view->sliders) gtk_widget_set_sensitive(slider, FALSE);
    gtk_widget_set_sensitive(view->hexEntry, FALSE);
    gtk_widget_set_sensitive(view->restoreButton, FALSE);
    view->selected = -1;
    colorViewShowHex(view);
    return;
  }
  for (GtkWidget* slider : view->sliders) gtk_widget_set_sensitive(slider, !t->colorIsTransparent(t, e));
  gtk_widget_set_sensitive(view->hexEntry, !t->colorIsTransparent(t, e));
  previewShow(view, e);
  // From the tree the focus stays there: moving it would end the tree's
  // type-ahead after each letter.
  if (!gtk_widget_is_focus(view->treeView)) gtk_widget_grab_focus(view->swatches[e]);
  slidersSet(view, e);
  gtk_widget_set_sensitive(view->restoreButton, t->colorIsChanged(t, e));
  GdkColor black = {0, 0, 0, 0};
  gtk_widget_modify_bg(static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(view->swatches[e]), "selrect")),
                       GTK_STATE_NORMAL, &black);
  view->selected = e;
  colorViewShowHex(view);
}

void colorViewRefreshEntry(ColorView* view, int32_t e) {
  ColorTable* t = &view->table;
  if (!t->colorIsTransparent(t, e)) swatchFill(view, e);
  gtk_widget_queue_draw(view->swatches[e]);
  previewShow(view, e);
  gtk_widget_set_sensitive(view->restoreButton, t->colorIsChanged(t, e));
  if (e == view->selected) colorViewShowHex(view);
  colorItemsRefreshEntry(view, e);
}

void colorViewShowHex(ColorView* view) {
  ColorTable* t = &view->table;
  char text[8] = "";
  uint32_t r, g, b;
  if (view->selected != -1) {
    t->colorGet(t, uint32_t(view->selected), &r, &g, &b);
    t->colorToRgb8(t, &r, &g, &b);
    colorHexText(r, g, b, text);
  }
  view->settingHex = true;
  gtk_entry_set_text(GTK_ENTRY(view->hexEntry), text);
  view->settingHex = false;
  hexMark(view, false);
}

void colorViewShowSelected(ColorView* view) {
  if (view->selected == -1) return;
  previewShow(view, view->selected);
  slidersSet(view, view->selected);
  gtk_widget_set_sensitive(view->restoreButton,
                           view->table.colorIsChanged(&view->table, uint32_t(view->selected)));
}

// A colour table holds at most 256 colours and the items of its layout: its
// view is quick to build whatever the module's size, short of this.
constexpr uint32_t COLORS_BUSY_SIZE = 1024 * 1024;

TabHandler* colorsTabNew(GtkWidget* container) {
  return editorTabNew(container, colorMatch, colorViewCreate, colorViewStore, COLORS_BUSY_SIZE);
}
