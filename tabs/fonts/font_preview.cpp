// SPDX-License-Identifier: MIT
// The Fonts view's preview: a text typed below the editor, drawn with the
// font's glyphs as the unit lays them out.
#include <algorithm>
#include <cstring>

#include "pool/glib_memory.h"
#include "tabs/fonts/font_view.h"

namespace {

// The window is 700 pixels wide and cannot be resized: a wider preview would
// never be seen.
const uint32_t PREVIEW_MAX_WIDTH = 700;

}  // namespace

void fontPreviewBlank(FontView* view) {
  GdkPixbuf* strip = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 1, int(view->metrics.height));
  gdk_pixbuf_fill(strip, 0xFFFFFFFF);
  gtk_image_set_from_pixbuf(GTK_IMAGE(view->previewImage), strip);
  g_object_unref(strip);
}

void fontViewRenderPreview(FontView* view) {
  const uint32_t W = view->metrics.width, H = view->metrics.height;
  const char* charset = nullptr;
  if (g_get_charset(&charset) || !charset) charset = "CP1252";
  gsize length = 0;
  GCharPtr bytes(g_convert(gtk_entry_get_text(GTK_ENTRY(view->previewEntry)), -1, charset, "UTF-8",
                           nullptr, &length, nullptr));
  if (!bytes) return fontPreviewBlank(view);
  uint64_t total = 0;
  for (gsize i = 0; i < length; i++) {
    auto c = uint8_t(bytes.get()[i]);
    if (c) total += fontViewGlyph(view, c)->width;
  }
  if (total == 0 || total > PREVIEW_MAX_WIDTH) total = std::min<uint64_t>(std::max<uint64_t>(total, 1), PREVIEW_MAX_WIDTH);
  GdkPixbuf* picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, int(total), int(H));
  if (!picture) return fontPreviewBlank(view);
  gdk_pixbuf_fill(picture, 0xFFFFFFFF);
  guchar* pixels = gdk_pixbuf_get_pixels(picture);
  const int stride = gdk_pixbuf_get_rowstride(picture);
  uint32_t x0 = 0;
  for (gsize i = 0; i < length && x0 < total; i++) {
    auto c = uint8_t(bytes.get()[i]);
    if (!c) continue;
    const FontGlyph* g = fontViewGlyph(view, c);
    for (uint32_t y = 0; y < H; y++)
      for (uint32_t x = 0; x < g->width && x0 + x < total; x++)
        if (g->pixels[y * W + x]) std::memset(pixels + y * stride + (x0 + x) * 3, 0, 3);
    x0 += g->width;
  }
  gtk_image_set_from_pixbuf(GTK_IMAGE(view->previewImage), picture);
  g_object_unref(picture);
}
