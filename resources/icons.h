// GTK side of the built-in icons.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "icon_data.h"

// Returns a new RGBA pixbuf owning a copy of the icon's pixels (caller
// unrefs), or nullptr if the art does not decode.
GdkPixbuf* iconPixbufNew(const IconArt& art);
