// SPDX-License-Identifier: MIT
// GlyphEdit: the dot-matrix painting widget of the Fonts tab, a GtkWidget
// subclass with a window of its own, drawn with two class-wide GCs.
#include "tabs/fonts/glyph_edit.h"

#include <gdk/gdkkeysyms.h>

#include <cstdint>
#include <cstring>

#include "tabs/fonts/glyph_geometry.h"

G_DEFINE_TYPE(GlyphEdit, glyphEdit, GTK_TYPE_WIDGET)

namespace {

enum { PROP_0, PROP_PIXELDATA, PROP_DOTSIZE, PROP_VISIBLEWIDTH };

guint modifiedSignal;

// The class struct of GlyphEdit itself: a subclass's struct holds a copy of
// the resource pointers, so every use goes through this one.
GlyphEditClass* baseClass;

// The class-wide cursor and GCs are reference-counted by the realized
// widgets: realize takes one, unrealize gives it back, and the last one frees
// them. Freeing them on every destroy (as one might) would leave the other
// live widgets drawing with freed or null GCs.
guint classUsers;

// "." black, "," white, blank transparent; the hot spot is at (7, 7).
const char* cursorXpm[] = {
    "13 13 3 1",
    "  c None",
    ". c #000000",
    ", c #FFFFFF",
    "     ,,,     ",
    "     ,.,     ",
    "     ,.,     ",
    "     ,.,     ",
    "     ,.,     ",
    ",,,,,   ,,,,,",
    ",....   ....,",
    ",,,,,   ,,,,,",
    "     ,.,     ",
    "     ,.,     ",
    "     ,.,     ",
    "     ,.,     ",
    "     ,,,     ",
};

GlyphGrid glyphEditGrid(const GlyphEdit* ge) {
  return glyphGridPlace(ge->cols, ge->rows, ge->dotSize, ge->widget.allocation.width, ge->widget.allocation.height);
}

int glyphEditHitTest(const GlyphEdit* ge, double px, double py, gint32* x, gint32* y) {
  return glyphGridHit(glyphEditGrid(ge), ge->cols, ge->rows, px, py, x, y);
}

void glyphEditDrawDot(GlyphEdit* ge, gint32 x, gint32 y) {
  GtkWidget* widget = GTK_WIDGET(ge);
  if (!gtk_widget_get_realized(widget) || !ge->pixels) return;
  GlyphGrid g = glyphEditGrid(ge);
  gint dx = gint(g.left + x * g.step + 1), dy = gint(g.top + y * g.step + 1);
  gint side = ge->dotSize + 3;
  GdkWindow* window = gtk_widget_get_window(widget);
  if (ge->pixels[size_t(y) * ge->cols + size_t(x)]) {
    guint16 level = guint32(x) < ge->visibleWidth ? 0 : 0xE000;
    GdkColor colour = {0, level, level, level};
    gdk_gc_set_rgb_fg_color(baseClass->dotGc, &colour);
    gdk_draw_rectangle(window, baseClass->dotGc, TRUE, dx, dy, side, side);
  } else {
    gdk_window_clear_area(window, dx, dy, side, side);
  }
}

enum PaintMode { PAINT_SET, PAINT_INVERT, PAINT_CLEAR };

void glyphEditPaint(GlyphEdit* ge, gint32 x, gint32 y, PaintMode mode) {
  if (!ge->pixels) return;
  guint8* cell = &ge->pixels[size_t(y) * ge->cols + size_t(x)];
  guint8 old = *cell;
  *cell = mode == PAINT_SET ? 0xFF : mode == PAINT_CLEAR ? 0 : guint8(~old);
  if (mode == PAINT_SET && old) return;
  if (mode == PAINT_CLEAR && !old) return;
  glyphEditDrawDot(ge, x, y);
  int unused = 0;
  g_signal_emit(ge, modifiedSignal, 0, &unused);
}

// The focus rectangle when the widget has the focus; otherwise the same
// outline in the background colour, which wipes a rectangle drawn before.
void glyphEditDrawFocus(GtkWidget* widget, const GdkRectangle* area) {
  if (!gtk_widget_is_drawable(widget)) return;
  GtkStyle* style = gtk_widget_get_style(widget);
  GtkStateType state = gtk_widget_get_state(widget);
  GdkWindow* window = gtk_widget_get_window(widget);
  GtkAllocation a;
  gtk_widget_get_allocation(widget, &a);
  GdkRectangle whole = {0, 0, a.width, a.height};
  if (!area) area = &whole;
  gint lineWidth = 0, padding = 0;
  gtk_widget_style_get(widget, "focus-line-width", &lineWidth, "focus-padding", &padding, nullptr);
  gint dx = style->xthickness + lineWidth + padding - 1;
  gint dy = style->ythickness + lineWidth + padding - 1;
  if (gtk_widget_has_focus(widget)) {
    gtk_paint_focus(style, window, state, area, widget, nullptr, dx, dy,
                    a.width - 2 * dx, a.height - 2 * dy);
  } else {
    GdkGC* gc = style->bg_gc[state];
    gdk_gc_set_clip_rectangle(gc, area);
    gdk_draw_rectangle(window, gc, FALSE, dx, dy, a.width - 2 * dx - 1, a.height - 2 * dy - 1);
    gdk_gc_set_clip_rectangle(gc, nullptr);
  }
}

void glyphEditAcquireResources(GtkWidget* widget) {
  if (classUsers++) return;
  GtkStyle* style = gtk_widget_get_style(widget);
  GtkStateType state = gtk_widget_get_state(widget);
  GdkWindow* window = gtk_widget_get_window(widget);
  GdkPixbuf* image = gdk_pixbuf_new_from_xpm_data(cursorXpm);
  baseClass->cursor = gdk_cursor_new_from_pixbuf(gtk_widget_get_display(widget), image, 7, 7);
  g_object_unref(image);

  GdkGCValues values = {};
  values.foreground = style->bg[state];
  values.background = style->bg[state];
  values.function = GDK_COPY;
  values.line_width = 1;
  values.line_style = GDK_LINE_SOLID;
  baseClass->gridGc = gdk_gc_new_with_values(
      window, &values,
      GdkGCValuesMask(GDK_GC_FOREGROUND | GDK_GC_BACKGROUND | GDK_GC_FUNCTION |
                      GDK_GC_LINE_WIDTH | GDK_GC_LINE_STYLE));
  values.foreground = style->fg[state];
  baseClass->dotGc = gdk_gc_new_with_values(
      window, &values, GdkGCValuesMask(GDK_GC_FOREGROUND | GDK_GC_BACKGROUND | GDK_GC_FUNCTION));
}

void glyphEditReleaseResources() {
  if (--classUsers) return;
  gdk_cursor_unref(baseClass->cursor);  // windows that show it hold their own reference
  g_object_unref(baseClass->gridGc);
  g_object_unref(baseClass->dotGc);
  baseClass->cursor = nullptr;
  baseClass->gridGc = nullptr;
  baseClass->dotGc = nullptr;
}

void glyphEditRealize(GtkWidget* widget) {
  // The GCs take the theme's colours: a widget realized again after all
  // others went away must not hand on the white field it set last time.
  if (!classUsers) gtk_widget_modify_bg(widget, GTK_STATE_NORMAL, nullptr);
  gtk_widget_set_realized(widget, TRUE);
  GtkAllocation a;
  gtk_widget_get_allocation(widget, &a);
  GdkWindowAttr attr = {};
  attr.window_type = GDK_WINDOW_CHILD;
  attr.x = a.x;
  attr.y = a.y;
  attr.width = a.width;
  attr.height = a.height;
  attr.wclass = GDK_INPUT_OUTPUT;
  attr.visual = gtk_widget_get_visual(widget);
  attr.colormap = gtk_widget_get_colormap(widget);
  attr.event_mask = gtk_widget_get_events(widget) | GDK_EXPOSURE_MASK | GDK_POINTER_MOTION_MASK |
                    GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_KEY_PRESS_MASK |
                    GDK_KEY_RELEASE_MASK | GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK |
                    GDK_FOCUS_CHANGE_MASK | GDK_PROPERTY_CHANGE_MASK;
  GdkWindow* window = gdk_window_new(gtk_widget_get_parent_window(widget), &attr,
                                     GDK_WA_X | GDK_WA_Y | GDK_WA_VISUAL | GDK_WA_COLORMAP);
  gtk_widget_set_window(widget, window);
  gdk_window_set_user_data(window, widget);
  widget->style = gtk_style_attach(widget->style, window);
  gtk_style_set_background(widget->style, window, GTK_STATE_NORMAL);

  glyphEditAcquireResources(widget);
  // The grid keeps the theme's background colour; the field becomes white.
  GdkColor white = {0, 0xFFFF, 0xFFFF, 0xFFFF};
  gtk_widget_modify_bg(widget, GTK_STATE_NORMAL, &white);
  gdk_window_set_cursor(window, baseClass->cursor);
}

void glyphEditUnrealize(GtkWidget* widget) {
  glyphEditReleaseResources();
  GTK_WIDGET_CLASS(glyphEdit_parent_class)->unrealize(widget);
}

void glyphEditSizeRequest(GtkWidget* widget, GtkRequisition* requisition) {
  GlyphEdit* ge = GLYPH_EDIT(widget);
  // Tall glyphs get smaller dots, so that the grid fits in half the screen.
  if (!ge->zoomed)
    ge->dotSize = guint16(glyphDotSizeFit(ge->rows, ge->dotSize, ge->borderY,
                                          gdk_screen_get_height(gdk_screen_get_default())));
  requisition->width = gint(int64_t(ge->cols) * (ge->dotSize + 4) + 2 * ge->borderX);
  requisition->height = gint(glyphGridRequestHeight(ge->rows, ge->dotSize, ge->borderY));
}

void glyphEditSizeAllocate(GtkWidget* widget, GtkAllocation* allocation) {
  gtk_widget_set_allocation(widget, allocation);
  if (gtk_widget_get_realized(widget))
    gdk_window_move_resize(gtk_widget_get_window(widget), allocation->x, allocation->y,
                           allocation->width, allocation->height);
}

gboolean glyphEditButtonPress(GtkWidget* widget, GdkEventButton* event) {
  // GTK follows the second and third press of a double or triple click with
  // an extra event; the press itself has painted already.
  if (event->type != GDK_BUTTON_PRESS) return TRUE;
  GlyphEdit* ge = GLYPH_EDIT(widget);
  gint32 x, y;
  if (!glyphEditHitTest(ge, event->x, event->y, &x, &y)) return TRUE;
  if (event->button == 1) glyphEditPaint(ge, x, y, PAINT_SET);
  else if (event->button == 2) glyphEditPaint(ge, x, y, PAINT_INVERT);
  else if (event->button == 3) glyphEditPaint(ge, x, y, PAINT_CLEAR);
  ge->lastX = ge->cursorX = x;
  ge->lastY = ge->cursorY = y;
  gtk_widget_queue_draw(widget);
  if (!gtk_widget_has_focus(widget)) gtk_widget_grab_focus(widget);
  return TRUE;
}

gboolean glyphEditMotionNotify(GtkWidget* widget, GdkEventMotion* event) {
  GlyphEdit* ge = GLYPH_EDIT(widget);
  gint32 x, y;
  if (!glyphEditHitTest(ge, event->x, event->y, &x, &y)) return FALSE;
  // Paint a cell only when the pointer enters it.
  if (x == ge->lastX && y == ge->lastY) return FALSE;
  ge->lastX = x;
  ge->lastY = y;
  if (!gtk_widget_has_focus(widget)) return FALSE;
  if (event->state & GDK_BUTTON1_MASK) glyphEditPaint(ge, x, y, PAINT_SET);
  else if (event->state & GDK_BUTTON2_MASK) glyphEditPaint(ge, x, y, PAINT_INVERT);
  else if (event->state & GDK_BUTTON3_MASK) glyphEditPaint(ge, x, y, PAINT_CLEAR);
  else return FALSE;
  return TRUE;
}

gboolean glyphEditExpose(GtkWidget* widget, GdkEventExpose* event) {
  GlyphEdit* ge = GLYPH_EDIT(widget);
  GdkWindow* window = gtk_widget_get_window(widget);
  GtkAllocation a;
  gtk_widget_get_allocation(widget, &a);
  if (gtk_widget_is_drawable(widget))
    gtk_paint_shadow(gtk_widget_get_style(widget), window, gtk_widget_get_state(widget),
                     GTK_SHADOW_IN, &event->area, widget, nullptr, 0, 0, a.width, a.height);

  GlyphGrid g = glyphEditGrid(ge);
  GdkGC* gc = baseClass->gridGc;
  gint left = gint(g.left), top = gint(g.top), right = gint(g.left + g.width),
       bottom = gint(g.top + g.height);
  gdk_gc_set_clip_region(gc, event->region);
  gdk_draw_rectangle(window, gc, FALSE, left, top, gint(g.width), gint(g.height));
  for (int64_t x = g.left + g.step; x < right; x += g.step)
    gdk_draw_line(window, gc, gint(x), top, gint(x), bottom);
  for (int64_t y = g.top + g.step; y < bottom; y += g.step)
    gdk_draw_line(window, gc, left, gint(y), right, gint(y));
  gdk_gc_set_clip_rectangle(gc, nullptr);  // the GC is shared

  for (guint32 y = 0; y < ge->rows; y++)
    for (guint32 x = 0; x < ge->cols; x++) glyphEditDrawDot(ge, gint32(x), gint32(y));
  if (gtk_widget_has_focus(widget) && ge->cols && ge->rows)
    gtk_paint_focus(gtk_widget_get_style(widget), window, gtk_widget_get_state(widget), &event->area,
                    widget, nullptr, gint(g.left + ge->cursorX * g.step), gint(g.top + ge->cursorY * g.step),
                    gint(g.step + 1), gint(g.step + 1));
  glyphEditDrawFocus(widget, &event->area);
  return FALSE;
}

// Brings the cursor's cell into view when the widget sits in a viewport
// (zoomed, it may be larger than its room).
void glyphEditShowCursor(GlyphEdit* ge) {
  GtkWidget* viewport = gtk_widget_get_ancestor(GTK_WIDGET(ge), GTK_TYPE_VIEWPORT);
  if (!viewport) return;
  GlyphGrid g = glyphEditGrid(ge);
  gint x = 0, y = 0;
  GtkWidget* child = gtk_bin_get_child(GTK_BIN(viewport));
  if (!gtk_widget_translate_coordinates(GTK_WIDGET(ge), child, gint(g.left + ge->cursorX * g.step),
                                        gint(g.top + ge->cursorY * g.step), &x, &y))
    return;
  gtk_adjustment_clamp_page(gtk_viewport_get_hadjustment(GTK_VIEWPORT(viewport)), x, x + g.step + 1);
  gtk_adjustment_clamp_page(gtk_viewport_get_vadjustment(GTK_VIEWPORT(viewport)), y, y + g.step + 1);
}

// The cursor moves without wrapping; with Shift, an arrow key sets the cell
// it enters. Other keys go on to the parents.
gboolean glyphEditKeyPress(GtkWidget* widget, GdkEventKey* event) {
  GlyphEdit* ge = GLYPH_EDIT(widget);
  if (!ge->cols || !ge->rows || (event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)))
    return GTK_WIDGET_CLASS(glyphEdit_parent_class)->key_press_event(widget, event);
  gint32 x = ge->cursorX, y = ge->cursorY;
  const gint32 lastX = gint32(ge->cols) - 1, lastY = gint32(ge->rows) - 1;
  bool arrow = true;
  switch (event->keyval) {
    case GDK_Left: case GDK_KP_Left: x = MAX(x - 1, 0); break;
    case GDK_Right: case GDK_KP_Right: x = MIN(x + 1, lastX); break;
    case GDK_Up: case GDK_KP_Up: y = MAX(y - 1, 0); break;
    case GDK_Down: case GDK_KP_Down: y = MIN(y + 1, lastY); break;
    default: arrow = false;
  }
  switch (event->keyval) {
    case GDK_Home: case GDK_KP_Home: x = 0; break;
    case GDK_End: case GDK_KP_End: x = lastX; break;
    case GDK_Page_Up: case GDK_KP_Page_Up: y = 0; break;
    case GDK_Page_Down: case GDK_KP_Page_Down: y = lastY; break;
    case GDK_space: case GDK_KP_Space: glyphEditPaint(ge, x, y, PAINT_INVERT); return TRUE;
    default:
      if (!arrow) return GTK_WIDGET_CLASS(glyphEdit_parent_class)->key_press_event(widget, event);
  }
  const bool moved = x != ge->cursorX || y != ge->cursorY;
  ge->cursorX = x;
  ge->cursorY = y;
  if (moved && arrow && (event->state & GDK_SHIFT_MASK)) glyphEditPaint(ge, x, y, PAINT_SET);
  gtk_widget_queue_draw(widget);
  glyphEditShowCursor(ge);
  return TRUE;
}

gboolean glyphEditFocusIn(GtkWidget* widget, GdkEventFocus*) {
  GTK_WIDGET_SET_FLAGS(widget, GTK_HAS_FOCUS);
  glyphEditDrawFocus(widget, nullptr);
  gtk_widget_queue_draw(widget);  // the cursor cell shows with the focus
  return FALSE;
}

gboolean glyphEditFocusOut(GtkWidget* widget, GdkEventFocus*) {
  GTK_WIDGET_UNSET_FLAGS(widget, GTK_HAS_FOCUS);
  glyphEditDrawFocus(widget, nullptr);
  gtk_widget_queue_draw(widget);
  return FALSE;
}

void glyphEditDestroy(GtkObject* object) {
  GlyphEdit* ge = GLYPH_EDIT(object);
  // Destroy may run more than once.
  g_free(ge->pixels);
  ge->pixels = nullptr;
  GTK_OBJECT_CLASS(glyphEdit_parent_class)->destroy(object);
}

void glyphEditSetProperty(GObject* object, guint id, const GValue* value, GParamSpec* param) {
  GlyphEdit* ge = GLYPH_EDIT(object);
  switch (id) {
    case PROP_PIXELDATA:
      glyphEditSetPixels(ge, static_cast<const guint8*>(g_value_get_pointer(value)));
      break;
    case PROP_DOTSIZE:
      glyphEditSetDotSize(ge, g_value_get_uint(value));
      break;
    case PROP_VISIBLEWIDTH:
      glyphEditSetVisibleWidth(ge, g_value_get_uint(value));
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, param);
  }
}

void glyphEditGetProperty(GObject* object, guint id, GValue* value, GParamSpec* param) {
  GlyphEdit* ge = GLYPH_EDIT(object);
  switch (id) {
    case PROP_PIXELDATA:
      g_value_set_pointer(value, ge->pixels);
      break;
    case PROP_DOTSIZE:
      g_value_set_uint(value, ge->dotSize);
      break;
    case PROP_VISIBLEWIDTH:
      g_value_set_uint(value, ge->visibleWidth);
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, param);
  }
}

void glyphEditFinalize(GObject* object) {
  G_OBJECT_CLASS(glyphEdit_parent_class)->finalize(object);
}

}  // namespace

static void glyphEdit_class_init(GlyphEditClass* klass) {
  baseClass = klass;
  GObjectClass* objectClass = G_OBJECT_CLASS(klass);
  GtkObjectClass* gtkObjectClass = GTK_OBJECT_CLASS(klass);
  GtkWidgetClass* widgetClass = GTK_WIDGET_CLASS(klass);

  objectClass->set_property = glyphEditSetProperty;
  objectClass->get_property = glyphEditGetProperty;
  objectClass->finalize = glyphEditFinalize;
  gtkObjectClass->destroy = glyphEditDestroy;
  widgetClass->realize = glyphEditRealize;
  widgetClass->unrealize = glyphEditUnrealize;
  widgetClass->size_request = glyphEditSizeRequest;
  widgetClass->size_allocate = glyphEditSizeAllocate;
  widgetClass->button_press_event = glyphEditButtonPress;
  widgetClass->key_press_event = glyphEditKeyPress;
  widgetClass->motion_notify_event = glyphEditMotionNotify;
  widgetClass->expose_event = glyphEditExpose;
  widgetClass->focus_in_event = glyphEditFocusIn;
  widgetClass->focus_out_event = glyphEditFocusOut;

  GParamFlags rw = GParamFlags(G_PARAM_READWRITE);
  g_object_class_install_property(
      objectClass, PROP_PIXELDATA,
      g_param_spec_pointer("pixeldata", "Glyph Pixeldata", "Glyph pixeldata.", rw));
  g_object_class_install_property(
      objectClass, PROP_DOTSIZE,
      g_param_spec_uint("dotsize", "Dot Size", "Dot Size", 1, 32, 10, rw));
  g_object_class_install_property(
      objectClass, PROP_VISIBLEWIDTH,
      g_param_spec_uint("visiblewidth", "Visible Width", "Visible Width", 1, 999, 10, rw));

  modifiedSignal = g_signal_new("modified", G_TYPE_FROM_CLASS(klass), G_SIGNAL_RUN_FIRST,
                                G_STRUCT_OFFSET(GlyphEditClass, modified), nullptr, nullptr,
                                g_cclosure_marshal_VOID__POINTER, G_TYPE_NONE, 1, G_TYPE_POINTER);
}

static void glyphEdit_init(GlyphEdit* ge) {
  GtkWidget* widget = GTK_WIDGET(ge);
  gtk_widget_set_can_focus(widget, TRUE);
  ge->dotSize = 10;
  ge->pixels = nullptr;
  ge->lastX = ge->lastY = 0;
  gint lineWidth = 0, padding = 0;
  gtk_widget_style_get(widget, "focus-line-width", &lineWidth, "focus-padding", &padding, nullptr);
  GtkStyle* style = gtk_widget_get_style(widget);
  ge->borderY = guint16(style->ythickness + lineWidth + padding + 4);
  ge->borderX = guint16(style->xthickness + lineWidth + padding + 4);
}

GtkWidget* glyphEditNew(guint32 cols, guint32 rows, guint16 dotSize) {
  GlyphEdit* ge = GLYPH_EDIT(g_object_new(GLYPH_EDIT_TYPE, nullptr));
  ge->cols = cols;
  ge->rows = rows;
  ge->dotSize = ge->madeDotSize = dotSize;
  ge->pixels = static_cast<guint8*>(g_malloc0(size_t(cols) * rows));
  return GTK_WIDGET(ge);
}

void glyphEditSetPixels(GlyphEdit* ge, const guint8* source) {
  if (!source || !ge->pixels) return;
  std::memcpy(ge->pixels, source, size_t(ge->cols) * ge->rows);
  ge->lastX = ge->lastY = 0;
  gtk_widget_queue_draw(GTK_WIDGET(ge));
}

guint8* glyphEditGetPixels(GlyphEdit* ge) { return ge->pixels; }

void glyphEditSetVisibleWidth(GlyphEdit* ge, guint32 n) {
  ge->visibleWidth = n;
  gtk_widget_queue_draw(GTK_WIDGET(ge));
}

guint32 glyphEditGetVisibleWidth(GlyphEdit* ge) { return ge->visibleWidth; }

void glyphEditSetDotSize(GlyphEdit* ge, guint n) {
  if (n < 2 || n > 32) return;
  ge->dotSize = guint16(n);
  ge->zoomed = FALSE;
  gtk_widget_queue_resize(GTK_WIDGET(ge));
}

void glyphEditZoom(GlyphEdit* ge, guint n) {
  if (n == 0) return glyphEditSetDotSize(ge, ge->madeDotSize);
  if (n < 2 || n > 32) return;
  ge->dotSize = guint16(n);
  ge->zoomed = TRUE;
  gtk_widget_queue_resize(GTK_WIDGET(ge));
}

guint16 glyphEditGetDotSize(GlyphEdit* ge) { return ge->dotSize; }
