// SPDX-License-Identifier: MIT
#include "icons.h"

#include <cstring>
#include <vector>

GdkPixbuf* iconPixbufNew(const IconArt& art)
{
    std::vector<uint8_t> rgba;
    if (!iconDecode(art, rgba))
        return nullptr;

    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, art.width, art.height);
    if (!pixbuf)
        return nullptr;

    // The pixbuf may pad its rows, so copy one row at a time.
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int rowstride = gdk_pixbuf_get_rowstride(pixbuf);
    const size_t rowBytes = static_cast<size_t>(art.width) * 4;
    for (int y = 0; y < art.height; y++)
        std::memcpy(pixels + static_cast<size_t>(y) * rowstride, rgba.data() + y * rowBytes, rowBytes);
    return pixbuf;
}

GList* iconProgramList()
{
    GList* list = nullptr;
    for (const IconArt* art : {&ICON_PROGRAM_SMALL, &ICON_PROGRAM})
        if (GdkPixbuf* pixbuf = iconPixbufNew(*art))
            list = g_list_append(list, pixbuf);
    return list;
}
