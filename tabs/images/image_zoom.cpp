// SPDX-License-Identifier: MIT
// The Images preview's zoom, 1x to 16x with square pixels, in a scrolled
// window, so that a picture larger than the frame keeps the window's size.
#include <gdk/gdkkeysyms.h>

#include "tabs/images/image_view.h"

namespace {

const int ZOOM_MAX = 16;
// A zoom that would make a picture wider or higher than this stops short:
// the picture is made in memory whole.
const int ZOOMED_SIDE_MAX = 8192;

const char PICTURE_KEY[] = "picture";  // a picture widget's unzoomed pixbuf

void pictureZoom(GtkImage* image, int zoom) {
  auto* picture = static_cast<GdkPixbuf*>(g_object_get_data(G_OBJECT(image), PICTURE_KEY));
  if (!picture) {
    picture = GDK_PIXBUF(g_object_ref(gtk_image_get_pixbuf(image)));
    g_object_set_data_full(G_OBJECT(image), PICTURE_KEY, picture, g_object_unref);
  }
  const int width = gdk_pixbuf_get_width(picture), height = gdk_pixbuf_get_height(picture);
  zoom = CLAMP(ZOOMED_SIDE_MAX / MAX(MAX(width, height), 1), 1, zoom);
  if (zoom == 1) return gtk_image_set_from_pixbuf(image, picture);
  GdkPixbuf* zoomed = gdk_pixbuf_scale_simple(picture, width * zoom, height * zoom, GDK_INTERP_NEAREST);
  if (!zoomed) return gtk_image_set_from_pixbuf(image, picture);
  gtk_image_set_from_pixbuf(image, zoomed);
  g_object_unref(zoomed);
}

bool isPicture(GtkWidget* widget) {
  return GTK_IS_IMAGE(widget) && gtk_image_get_storage_type(GTK_IMAGE(widget)) == GTK_IMAGE_PIXBUF;
}

GtkWidget* scrollViewport(ImageView* view) {
  if (!view->previewScroll) {
    view->previewScroll = g_object_ref_sink(gtk_scrolled_window_new(nullptr, nullptr));
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(view->previewScroll), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_AUTOMATIC);
    GtkWidget* viewport = gtk_viewport_new(nullptr, nullptr);
    gtk_viewport_set_shadow_type(GTK_VIEWPORT(viewport), GTK_SHADOW_NONE);
    gtk_container_add(GTK_CONTAINER(view->previewScroll), viewport);
    gtk_widget_show_all(view->previewScroll);
  }
  return gtk_bin_get_child(GTK_BIN(view->previewScroll));
}

void zoomSet(ImageView* view, int zoom) {
  view->zoom = CLAMP(zoom, 1, ZOOM_MAX);
  GtkWidget* shown = view->previewScroll ? gtk_bin_get_child(GTK_BIN(scrollViewport(view))) : nullptr;
  if (shown && isPicture(shown)) pictureZoom(GTK_IMAGE(shown), view->zoom);
}

}  // namespace

void imagePreviewShow(ImageView* view, GtkWidget* widget) {
  // The old picture stays alive: its entry holds a reference.
  GtkWidget* frame = view->previewFrame;
  if (GtkWidget* old = gtk_bin_get_child(GTK_BIN(frame))) gtk_container_remove(GTK_CONTAINER(frame), old);
  GtkWidget* viewport = scrollViewport(view);
  if (GtkWidget* old = gtk_bin_get_child(GTK_BIN(viewport))) gtk_container_remove(GTK_CONTAINER(viewport), old);
  // A message wraps in the frame's width; a picture scrolls.
  if (!isPicture(widget)) return gtk_container_add(GTK_CONTAINER(frame), widget);
  pictureZoom(GTK_IMAGE(widget), view->zoom);
  gtk_container_add(GTK_CONTAINER(viewport), widget);
  gtk_container_add(GTK_CONTAINER(frame), view->previewScroll);
}

gboolean imageViewKeyPress(GtkWidget*, GdkEventKey* event, ImageView* view) {
  const guint mods = event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK);
  if (mods != GDK_CONTROL_MASK) return FALSE;
  switch (event->keyval) {
    // Ctrl+plus is Ctrl+Shift+= on most keyboards.
    case GDK_plus: case GDK_equal: case GDK_KP_Add: zoomSet(view, view->zoom + 1); break;
    case GDK_minus: case GDK_KP_Subtract: zoomSet(view, view->zoom - 1); break;
    case GDK_0: case GDK_KP_0: zoomSet(view, 1); break;
    default: return FALSE;
  }
  return TRUE;
}
