// SPDX-License-Identifier: MIT
// Writes the program icon as a PNG file, so that the desktop entry's icon is
// made from the same art as the window's. Usage: korvane-icon OUT.png SIZE
#include <cstdio>
#include <cstring>

#include "resources/icons.h"
#include "pool/glib_memory.h"

int main(int argc, char** argv) {
  const IconArt* art = nullptr;
  if (argc == 3 && std::strcmp(argv[2], "24") == 0) art = &ICON_PROGRAM_SMALL;
  if (argc == 3 && std::strcmp(argv[2], "48") == 0) art = &ICON_PROGRAM;
  if (!art) {
    std::fprintf(stderr, "Usage: korvane-icon OUT.png SIZE\nSIZE is 24 or 48.\n");
    return 2;
  }
  GObjectPtr<GdkPixbuf> pixbuf(iconPixbufNew(*art));
  if (!pixbuf) {
    std::fprintf(stderr, "korvane-icon: the %s x %s icon does not decode\n", argv[2], argv[2]);
    return 1;
  }
  GError* error = nullptr;
  if (!gdk_pixbuf_save(pixbuf.get(), argv[1], "png", &error, nullptr)) {
    std::fprintf(stderr, "korvane-icon: %s: %s\n", argv[1], error->message);
    g_error_free(error);
    return 1;
  }
  return 0;
}
