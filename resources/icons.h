// SPDX-License-Identifier: MIT
// GDK side of the built-in icons: pixbufs only, no GTK, so the build-time
// icon writer can use it too.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "icon_data.h"

// Returns a new RGBA pixbuf owning a copy of the icon's pixels (caller
// unrefs), or nullptr if the art does not decode.
GdkPixbuf* iconPixbufNew(const IconArt& art);

// Returns a new list of the program icon's pixbufs, 24 x 24 first, then
// 48 x 48, for gtk_window_set_icon_list. The caller frees it with
// g_list_free_full(list, g_object_unref). A size that fails to decode is
// left out, so the list may be shorter, or nullptr.
GList* iconProgramList();
