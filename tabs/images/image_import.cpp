// SPDX-License-Identifier: MIT
#include "tabs/images/image_import.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "pool/file_read.h"
#include "pool/memory.h"

namespace {

// A picture decoded from bytes, by the loader the bytes' signature picks or
// by the loader of the format named.
class Decoded {
 public:
  Decoded(const uint8_t* bytes, size_t length, const char* type) {
    GdkPixbufLoader* loader =
        type ? gdk_pixbuf_loader_new_with_type(type, nullptr) : gdk_pixbuf_loader_new();
    if (!loader) return;
    // Small pictures are decoded only when the loader is closed, so the
    // whole file goes in before anything is asked of it.
    bool written = gdk_pixbuf_loader_write(loader, bytes, length, &error);
    bool closed = gdk_pixbuf_loader_close(loader, written ? &error : nullptr);
    format = gdk_pixbuf_loader_get_format(loader);
    if (written && closed && gdk_pixbuf_loader_get_pixbuf(loader))
      picture = GDK_PIXBUF(g_object_ref(gdk_pixbuf_loader_get_pixbuf(loader)));
    g_object_unref(loader);
  }
  ~Decoded() {
    if (picture) g_object_unref(picture);
    if (error) g_error_free(error);
  }
  GdkPixbufFormat* format = nullptr;  // null when no loader took the bytes
  GdkPixbuf* picture = nullptr;
  GError* error = nullptr;
};

}  // namespace

uint8_t* imageImportFile(const ImageEntry* e, const char* path, uint32_t* size, char* err,
                         size_t errSize) {
  size_t length = 0;
  MallocPtr<uint8_t> bytes(fileReadAll(path, FILE_TEXT_LIMIT, &length, err, errSize));
  return bytes ? imageImportBytes(e, bytes.get(), length, size, err, errSize) : nullptr;
}

uint8_t* imageImportBytes(const ImageEntry* e, const uint8_t* bytes, size_t length, uint32_t* size,
                          char* err, size_t errSize) {
  const char* required = imageTypeFormat(e->type);
  // XBM has no signature a loader recognizes from the bytes alone: what no
  // loader claims is tried with the required format's own.
  auto decoded = std::make_unique<Decoded>(bytes, length, nullptr);
  if (!decoded->format) {
    gchar* type = g_ascii_strdown(required, -1);
    decoded = std::make_unique<Decoded>(bytes, length, type);
    g_free(type);
    if (!decoded->picture) decoded->format = nullptr;
  }
  GdkPixbufFormat* format = decoded->format;
  GError* error = decoded->error;
  if (!format) {
    std::snprintf(err, errSize, "File format not recognized.");
    return nullptr;
  }
  gchar* formatName = gdk_pixbuf_format_get_name(format);
  bool formatRight = g_ascii_strcasecmp(formatName, required) == 0;
  g_free(formatName);
  if (!formatRight) {
    std::snprintf(err, errSize, "\nImage format mismatch.\n%s format required.", required);
    return nullptr;
  }
  GdkPixbuf* picture = decoded->picture;
  if (!picture) {
    std::snprintf(err, errSize, "\nImage loading error:\n%s",
                  error ? error->message : "Error getting pixbuf from loader.");
    return nullptr;
  }
  const int width = gdk_pixbuf_get_width(picture), height = gdk_pixbuf_get_height(picture);
  if (uint32_t(width) != e->width || uint32_t(height) != e->height) {
    std::snprintf(err, errSize,
                  "\nImage size mismatch (%dx%d pixels).\nRequired size: %ux%u pixels.", width,
                  height, e->width, e->height);
    return nullptr;
  }
  uint8_t* data = nullptr;
  if (e->type == IMAGE_BITMAP || e->type == IMAGE_PIXMAP15) {
    data = imageFromRgb(e, gdk_pixbuf_get_pixels(picture), gdk_pixbuf_get_rowstride(picture),
                        gdk_pixbuf_get_n_channels(picture), size);
  } else if (length <= 0xFFFFFFF0u) {
    // Pictures in their own format are stored as the file's bytes.
    data = static_cast<uint8_t*>(std::calloc((length + 3) & ~size_t(3), 1));
    if (length) std::memcpy(data, bytes, length);
    *size = uint32_t(length);
  }
  if (!data) std::snprintf(err, errSize, "\nImage loading error:\n%s", "The picture is too large.");
  return data;
}
