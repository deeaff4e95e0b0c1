// SPDX-License-Identifier: MIT
// A picture file taken into an image entry, as "Replace" takes it: the file
// read once, and its format and size checked on the picture decoded from
// those very bytes, so a file changed meanwhile cannot slip past the checks.
#pragma once

#include <cstdint>

#include "tabs/images/image_codec.h"

// The new data for entry e from the picture file at path (a regular file of
// at most FILE_TEXT_LIMIT bytes): for a bitmap or 15-bit pixmap the decoded
// pixels in the entry's encoding, for GIF, JPEG and PNG the file's bytes.
// The picture must have the entry's format and size. Returns the data
// (malloc'd, rounded up to 4 bytes) with its size in *size, or null with the
// reason in err (errSize bytes): "File format not recognized.",
// "\nImage format mismatch.\n...", "\nImage size mismatch ...", "\nImage
// loading error:\n..." or why the file cannot be read.
uint8_t* imageImportFile(const ImageEntry* e, const char* path, uint32_t* size, char* err,
                         size_t errSize);

// The same for a picture file's bytes already read.
uint8_t* imageImportBytes(const ImageEntry* e, const uint8_t* bytes, size_t length, uint32_t* size,
                          char* err, size_t errSize);
