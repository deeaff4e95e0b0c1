// SPDX-License-Identifier: MIT
// What a palette swatch tells beyond its colour: marks for an entry no item
// uses and an entry edited since loading, and a tooltip with its numbers.
#include <algorithm>
#include <cstdio>

#include "tabs/colors/color_view.h"
#include "tabs/colors/palette_file.h"

namespace {

// A swatch shows about 14 x 14 pixels; the marks keep clear of the focus
// line drawn 1 pixel in.
const int MARK_INSET = 2;
const int MARK_SIZE = 5;

// Black or white, whichever stands out from the picture's pixel at (x, y).
GdkGC* contrastGc(GtkStyle* style, GdkPixbuf* picture, int x, int y) {
  x = CLAMP(x, 0, gdk_pixbuf_get_width(picture) - 1);
  y = CLAMP(y, 0, gdk_pixbuf_get_height(picture) - 1);
  const guchar* p = gdk_pixbuf_get_pixels(picture) + y * gdk_pixbuf_get_rowstride(picture) +
                    x * gdk_pixbuf_get_n_channels(picture);
  const uint32_t luma = 299u * p[0] + 587u * p[1] + 114u * p[2];
  return luma > 128000 ? style->black_gc : style->white_gc;
}

}  // namespace

const uint32_t* colorViewUses(ColorView* view) {
  if (!view->usesKnown) colorEntryUses(&view->table, view->uses);
  view->usesKnown = true;
  return view->uses;
}

void colorViewItemsChanged(ColorView* view) {
  view->usesKnown = false;
  gtk_widget_queue_draw(view->grid);
}

// An edited entry gets a triangle in its top right corner, as a spreadsheet
// marks a changed cell; an unused one a dot in its bottom left corner.
void swatchMarksDraw(ColorView* view, GtkWidget* swatch, int32_t e, const GdkRectangle* area) {
  ColorTable* t = &view->table;
  const bool unused = colorViewUses(view)[e] == 0, edited = t->colorIsChanged(t, uint32_t(e));
  if (!unused && !edited) return;
  GtkAllocation a;
  gtk_widget_get_allocation(swatch, &a);
  GdkWindow* window = gtk_widget_get_window(swatch);
  GtkStyle* style = gtk_widget_get_style(swatch);
  GdkPixbuf* picture = view->swatchPixbufs[e];
  const int right = a.width - MARK_INSET, bottom = a.height - MARK_INSET;
  if (edited) {
    GdkGC* gc = contrastGc(style, picture, right - 2, MARK_INSET + 2);
    GdkPoint corner[3] = {{right - MARK_SIZE, MARK_INSET}, {right, MARK_INSET}, {right, MARK_INSET + MARK_SIZE}};
    gdk_gc_set_clip_rectangle(gc, area);
    gdk_draw_polygon(window, gc, TRUE, corner, 3);
    gdk_gc_set_clip_rectangle(gc, nullptr);
  }
  if (unused) {
    const int size = MARK_SIZE - 1;
    GdkGC* gc = contrastGc(style, picture, MARK_INSET + size / 2, bottom - size / 2);
    gdk_gc_set_clip_rectangle(gc, area);
    gdk_draw_arc(window, gc, TRUE, MARK_INSET, bottom - size, size, size, 0, 360 * 64);
    gdk_gc_set_clip_rectangle(gc, nullptr);
  }
}

gboolean swatchQueryTooltip(GtkWidget* swatch, gint, gint, gboolean, GtkTooltip* tooltip, ColorView* view) {
  ColorTable* t = &view->table;
  const auto e = uint32_t(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(swatch), "entry")));
  uint32_t channels[3], shown[3];
  t->colorGet(t, e, &channels[0], &channels[1], &channels[2]);
  std::copy(channels, channels + 3, shown);
  t->colorToRgb8(t, &shown[0], &shown[1], &shown[2]);
  char hex[8], uses[64], text[256];
  colorHexText(shown[0], shown[1], shown[2], hex);
  const uint32_t n = colorViewUses(view)[e];
  if (n)
    std::snprintf(uses, sizeof uses, "used by %u %s", n, n == 1 ? "item" : "items");
  else
    std::snprintf(uses, sizeof uses, "not used");
  std::snprintf(text, sizeof text, "Entry %u: %s\nR: %u, G: %u, B: %u\n%s%s%s", e, hex, channels[0], channels[1],
                channels[2], uses, t->colorIsTransparent(t, e) ? "\ntransparent" : "",
                t->colorIsChanged(t, e) ? "\nedited since loading" : "");
  gtk_tooltip_set_text(tooltip, text);
  return TRUE;
}
