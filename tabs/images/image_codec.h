// SPDX-License-Identifier: MIT
// The unit's pictures: the data modules "rombitmaps" (a table of bitmaps) and
// "romicons" (a table of named icons with ids). All numbers big-endian.
//
// rombitmaps: 12-byte records up to the first data area: word 0 = type << 29
//   | data offset, width (2), height (2), size (4). As written: data areas in
//   record order after the table, each at a multiple of 4.
// romicons: version word (1 or 0x302), unpadded length + 4, count N, then N
//   36-byte records: offset (4), size (4), id (2), width (2), height (2),
//   type (1), name (21, zero-terminated); as written: data areas back to back.
//
// Pixels: a bitmap is one bit per pixel in one continuous stream (pixel
// (x, y) is bit y * W + x, most significant bit first, set = white); a 15-bit
// pixmap one word per pixel, red in bits 14-10, green 9-5, blue 4-0, each
// 5-bit value c shown as (c << 3) | 7.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pool/error_text.h"
#include "pool/list.h"
#include "pool/module.h"
#include "pool/pool.h"

enum ImageType : int {
  IMAGE_BITMAP = 0,
  IMAGE_PIXMAP8 = 1,
  IMAGE_PIXMAP15 = 2,
  IMAGE_GIF = 3,
  IMAGE_JPEG = 4,
  IMAGE_PNG = 5,
};

enum ImageKind : int { IMAGE_KIND_BITMAPS = 0, IMAGE_KIND_ICONS = 1 };

enum : uint32_t {
  IMAGE_NAME_SIZE = 64,       // a name of up to 63 characters
  IMAGE_ICON_NAME_FIELD = 21, // the name field of an icon record
};

struct ImageEntry {
  int type;
  uint32_t width, height;
  uint32_t size;  // bytes of pixel data
  char name[IMAGE_NAME_SIZE];  // icons only
  uint16_t id;                 // icons only
  // The pixel data: the decoded body's own bytes until an import replaces
  // them with `owned`. Decoding copies nothing, so records that all point at
  // one large area cost no memory.
  const uint8_t* data;
  uint8_t* owned;
  bool nameFull;  // the name filled its field without a zero: written back as read
  // The data as decoded: what a store compares with, and, while not
  // replaced, the area records share (same offset, same size).
  const uint8_t* loadedData;
  uint32_t loadedSize;
};

// One decoded image module. Owns its body copy, the entries and their owned
// data.
struct ImageModule {
  int kind;
  uint32_t version;  // romicons only
  uint8_t* body;
  uint32_t bodySize;
  List* entries;  // ImageEntry*, in body order
};

// 1 for a module named exactly "rombitmaps" with a body, or exactly
// "romicons" with a body whose version word is 1 or 0x302.
int imageMatch(ModulePool* pool, Module* module);

// Decodes the module's body. Returns null with a message in err (of
// errSize bytes) for a module without a body or one too short for
// its header and first record: re-encoding such a body would drop its bytes.
ImageModule* imageModuleDecode(Module* module, char* err, size_t errSize);
// The same for a body of the kind, which the result takes over (malloc'd).
ImageModule* imageModuleDecodeBody(int kind, uint8_t* body, uint32_t size, char* err, size_t errSize);
void imageModuleFree(ImageModule* m);

// Encodes entries in the canonical layout of kind into a new malloc'd body.
// Records that shared one data area when decoded (the same offset and size)
// and were not replaced since share one area again; every other record gets
// its own. Returns null with a message in err when a data offset would not
// fit its field (29 bits for bitmaps, 32 for icons) or the body would pass
// 4 GiB.
uint8_t* imageModuleEncode(int kind, uint32_t version, List* entries, uint32_t* length, char* err, size_t errSize);

// 1 when an entry's data differ from the data it was decoded with.
int imageModuleEdited(const ImageModule* m);

// What the Images tab stores: while every picture holds the data it was
// decoded with, nothing (or the block kept in keep, after an earlier store),
// so an unedited module keeps its block whatever its layout; else the
// entries encoded. Returns 0, the module unchanged, with the reason in err
// (errSize bytes) when the encoder or the module refuses.
int imageModuleStore(ImageModule* m, Module* module, ModuleKeep* keep, char* err, size_t errSize);

// The list text ("bitmap", "pixmap 8", ..., "unknown"), the export file
// extension ("xbm", ...) and the format name an import must have ("XBM", ...).
const char* imageTypeText(int type);
const char* imageTypeExtension(int type);
const char* imageTypeFormat(int type);

// 1 for the types the Images tab previews, saves and replaces.
int imageTypeIsShown(int type);

// "bitmap_007.xbm", "icon_012.png": the name offered when saving entry index.
void imageSuggestedName(int kind, uint32_t index, int type, char* out, size_t outSize);

// The name entry index takes among all of its module's pictures in one
// folder (unpack, "Export all"): "NNN.EXT", NNN the index with at least
// three digits and as many as largest (the module's last index) needs, so
// the names sort as the entries do; EXT by the type ("007.xbm", "0042.png"
// beside index 1000).
void imageFileName(uint32_t index, uint32_t largest, int type, char* out, size_t outSize);

// index in base 26 with the letters A to Z (A = 0), padded with A to width.
void xpmCode(uint32_t index, uint32_t width, char* out);

// The bytes "Save Image" writes for an entry: XBM text for a bitmap, XPM
// text for a 15-bit pixmap, the data itself for GIF, JPEG and PNG. Returns a
// malloc'd buffer and its length, or null for a type that is not shown and
// for a picture imageToRgb would not draw (far larger than its data).
uint8_t* imageExportBytes(const ImageEntry* entry, size_t* length);

// Writes imageExportBytes of the entry to path as an image is saved: into a
// temporary file renamed over the target, which a failure leaves untouched.
// Returns 1, or 0 with the message ("Unable to open output file", "Error
// saving file", with the system's reason) in err (errSize bytes).
int imageExportSave(const ImageEntry* entry, const char* path, char* err, size_t errSize);

// The picture of a bitmap or 15-bit pixmap as 8-bit RGB, row-major, no
// padding (width * height * 3 bytes, malloc'd). Pixels beyond the data read
// as 0. Returns null for another type, a side of 0, or a picture whose pixel
// buffer the data could not fill (a few bytes never make gigabytes).
uint8_t* imageToRgb(const ImageEntry* entry);

// New data for a bitmap or 15-bit pixmap entry from a picture of its size
// (rows `stride` bytes apart, `channels` 3 or 4 samples per pixel, alpha
// ignored): a bitmap pixel is white when its red sample is not 0; a pixmap
// pixel keeps the top 5 bits of each sample. The buffer is rounded up to a
// multiple of 4 and its length stored in *size. Returns null for another type.
uint8_t* imageFromRgb(const ImageEntry* entry, const uint8_t* pixels, int stride, int channels,
                      uint32_t* size);

// Replaces an entry's data by a malloc'd buffer the entry takes over.
void imageEntrySetData(ImageEntry* entry, uint8_t* data, uint32_t size);

// Whether the module's pictures survive a store: encodes them as a store
// would and decodes the result again. Returns 0 for a module that is not
// an image module or cannot be decoded, 1 when the pictures come back the
// same, and -1 with the reason in err (errSize bytes) when the
// encoder refuses them or they come back otherwise. The module is not
// changed.
int imageStoreCheck(Module* module, char* err, size_t errSize);
