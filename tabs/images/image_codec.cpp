// SPDX-License-Identifier: MIT
#include "tabs/images/image_codec.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "pool/be.h"
#include "pool/file_save.h"
#include "pool/memory.h"

namespace {

const uint32_t BITMAP_RECORD = 12, ICON_RECORD = 36, ICONS_HEADER = 12;
const uint32_t BITMAP_OFFSET_MAX = (1u << 29) - 1;

ImageEntry* entryAt(List* entries, uint32_t i) { return static_cast<ImageEntry*>(listGet(entries, i)); }

// The data of a record at offset with size bytes: whatever of it lies inside
// the body, summed in 64 bits so that no offset wraps around.
void entryDataSet(ImageEntry* e, const uint8_t* body, uint32_t length, uint32_t offset, uint32_t size) {
  if (offset >= length) size = 0;
  else if (uint64_t(offset) + size > length) size = length - offset;
  e->data = size ? body + offset : nullptr;
  e->size = size;
  e->loadedData = e->data;
  e->loadedSize = size;
}

bool entryDataEqual(const ImageEntry* e, const uint8_t* data, uint32_t size) {
  return e->size == size && (!size || std::memcmp(e->data, data, size) == 0);
}

// What a store keeps of a picture: everything the body holds of it.
bool entriesSame(const ImageEntry* a, const ImageEntry* b) {
  return a->type == b->type && a->width == b->width && a->height == b->height && a->id == b->id &&
         std::strcmp(a->name, b->name) == 0 && entryDataEqual(a, b->data, b->size);
}

// A data area as decoded: records with the same one share it.
struct AreaKey {
  const uint8_t* data;
  uint32_t size;
  bool operator==(const AreaKey&) const = default;
};
struct AreaKeyHash {
  size_t operator()(const AreaKey& k) const { return std::hash<const void*>()(k.data) ^ k.size; }
};

ImageEntry* entryNew() { return static_cast<ImageEntry*>(std::calloc(1, sizeof(ImageEntry))); }

void bitmapsDecode(ImageModule* m) {
  const uint8_t* b = m->body;
  uint32_t smallest = 0xFFFFFFFF;
  for (uint32_t p = 0; p < smallest && m->bodySize - p >= BITMAP_RECORD; p += BITMAP_RECORD) {
    ImageEntry* e = entryNew();
    uint32_t word = beGet32(b + p);
    e->type = int(word >> 29);
    e->width = beGet16(b + p + 4);
    e->height = beGet16(b + p + 6);
    uint32_t offset = word & BITMAP_OFFSET_MAX;
    entryDataSet(e, b, m->bodySize, offset, beGet32(b + p + 8));
    listPush(m->entries, e);
    smallest = std::min(smallest, offset);
  }
}

void iconsDecode(ImageModule* m) {
  const uint8_t* b = m->body;
  m->version = beGet32(b);
  uint32_t count = beGet32(b + 8);
  for (uint64_t i = 0; i < count; i++) {
    uint64_t p = ICONS_HEADER + i * ICON_RECORD;
    if (p + ICON_RECORD > m->bodySize) break;  // a record partly past the body is not read
    const uint8_t* r = b + p;
    ImageEntry* e = entryNew();
    e->id = uint16_t(beGet16(r + 8));
    e->width = beGet16(r + 10);
    e->height = beGet16(r + 12);
    e->type = r[14];
    size_t n = strnlen(reinterpret_cast<const char*>(r + 15), IMAGE_ICON_NAME_FIELD);
    std::memcpy(e->name, r + 15, n);
    e->nameFull = n == IMAGE_ICON_NAME_FIELD;
    entryDataSet(e, b, m->bodySize, beGet32(r), beGet32(r + 4));
    listPush(m->entries, e);
  }
}

uint16_t pixelWord(const ImageEntry* e, uint64_t i) {
  return 2 * i + 2 <= e->size ? uint16_t(beGet16(e->data + 2 * i)) : 0;
}

bool pixelBit(const ImageEntry* e, uint64_t i) {
  return i / 8 < e->size && (e->data[i / 8] & (0x80 >> (i % 8)));
}

// Short data reads as black, but a picture far larger than its data could
// fill is not drawn: up to a megapixel always, beyond only when the data
// covers it, and never more than 64 MiB of RGB. So a few bytes claiming
// 65535 x 65535 pixels never allocate gigabytes.
bool pictureDrawable(const ImageEntry* e) {
  uint64_t pixels = uint64_t(e->width) * e->height;
  uint64_t covered = e->type == IMAGE_BITMAP ? uint64_t(e->size) * 8 : e->size / 2;
  return pixels && pixels * 3 <= (64u << 20) && (pixels <= (1u << 20) || pixels <= covered);
}

std::string xbmText(const ImageEntry* e) {
  std::string out;
  char line[80];
  std::snprintf(line, sizeof line, "#define x_width %u\n#define x_height %u\nstatic char x_bits[] = {\n",
                e->width, e->height);
  out += line;
  const uint32_t rowBytes = (e->width + 7) / 8;
  for (uint32_t y = 0; y < e->height; y++) {
    for (uint32_t i = 0; i < rowBytes; i++) {
      // XBM: a black pixel is a 1, the leftmost pixel the least significant
      // bit. The pixels come from the continuous stream, so a row of a width
      // that is not a multiple of 8 pads its last byte with white.
      uint8_t byte = 0;
      for (uint32_t k = 0; k < 8; k++) {
        uint32_t x = i * 8 + k;
        bool white = x >= e->width || pixelBit(e, uint64_t(y) * e->width + x);
        if (!white) byte |= uint8_t(1 << k);
      }
      std::snprintf(line, sizeof line, "0x%02x, ", byte);
      out += line;
    }
    out += "\n";
  }
  out += "};\n";
  return out;
}

// Characters per pixel: (n + 25) / 26 as long as that stays readable (up to
// 806 colours); beyond, the fewest letters whose codes cover n colours, so
// that every export imports back.
uint32_t xpmWidth(uint32_t n) {
  uint32_t written = (n + 25) / 26;
  if (written <= 31) return std::max(written, 1u);
  uint32_t width = 1;
  for (uint64_t cover = 26; cover < n; cover *= 26) width++;
  return width;
}

std::string xpmText(const ImageEntry* e) {
  const uint64_t count = uint64_t(e->width) * e->height;
  std::unordered_map<uint16_t, uint32_t> index;
  std::vector<uint16_t> colours;
  std::vector<uint32_t> pixels(count);
  for (uint64_t i = 0; i < count; i++) {
    uint16_t word = pixelWord(e, i) & 0x7FFF;
    auto [it, added] = index.try_emplace(word, uint32_t(colours.size()));
    if (added) colours.push_back(word);
    pixels[i] = it->second;
  }
  const uint32_t n = uint32_t(colours.size()), width = xpmWidth(n);
  std::vector<std::string> codes(n);
  char code[40];
  for (uint32_t i = 0; i < n; i++) {
    xpmCode(i, width, code);
    codes[i] = code;
  }
  std::string out = "/* XPM */\nstatic char *image[] = {\n/* width height num_colors chars_per_pixel */\n";
  char line[96];
  std::snprintf(line, sizeof line, "\"%u %u %u %u\",\n/* colors */\n", e->width, e->height, n, width);
  out += line;
  for (uint32_t i = 0; i < n; i++) {
    uint32_t w = colours[i];
    std::snprintf(line, sizeof line, "\"%s c #%02x%02x%02x\",\n", codes[i].c_str(), (w >> 10 & 31) << 3 | 7,
                  (w >> 5 & 31) << 3 | 7, (w & 31) << 3 | 7);
    out += line;
  }
  out += "/* pixels */\n";
  out.reserve(out.size() + count * width + e->height * 4 + 8);
  for (uint32_t y = 0; y < e->height; y++) {
    out += '"';
    for (uint32_t x = 0; x < e->width; x++) out += codes[pixels[uint64_t(y) * e->width + x]];
    out += y + 1 < e->height ? "\",\n" : "\"\n";
  }
  out += "};\n";
  return out;
}

}  // namespace

int imageMatch(ModulePool*, Module* module) {
  const char* name = moduleGetName(module);
  bool bitmaps = std::strcmp(name, "rombitmaps") == 0, icons = std::strcmp(name, "romicons") == 0;
  if (!bitmaps && !icons) return 0;
  uint32_t size = 0;
  MallocPtr<uint8_t> body(moduleGetBody(module, &size));
  if (!body) return 0;
  if (bitmaps) return 1;
  if (size < 4) return 0;
  uint32_t version = beGet32(body.get());
  return version == 1 || version == 0x302;
}

ImageModule* imageModuleDecode(Module* module, char* err, size_t errSize) {
  uint32_t size = 0;
  uint8_t* body = moduleGetBody(module, &size);
  int kind = std::strcmp(moduleGetName(module), "romicons") == 0 ? IMAGE_KIND_ICONS : IMAGE_KIND_BITMAPS;
  if (!body) {
    std::snprintf(err, errSize,
                  "This image module is too short to hold its table (0 bytes): it is not shown, "
                  "and it is saved as it was read.");
    return nullptr;
  }
  return imageModuleDecodeBody(kind, body, size, err, errSize);
}

ImageModule* imageModuleDecodeBody(int kind, uint8_t* bodyTaken, uint32_t size, char* err, size_t errSize) {
  MallocPtr<uint8_t> body(bodyTaken);
  uint32_t least = kind == IMAGE_KIND_ICONS ? ICONS_HEADER : BITMAP_RECORD;
  if (size < least) {
    std::snprintf(err, errSize,
                  "This image module is too short to hold its table (%u bytes): it is not shown, "
                  "and it is saved as it was read.",
                  size);
    return nullptr;
  }
  auto* m = static_cast<ImageModule*>(std::calloc(1, sizeof(ImageModule)));
  m->kind = kind;
  m->body = body.release();
  m->bodySize = size;
  m->entries = listNew();
  if (kind == IMAGE_KIND_ICONS)
    iconsDecode(m);
  else
    bitmapsDecode(m);
  return m;
}

void imageModuleFree(ImageModule* m) {
  if (!m) return;
  for (uint32_t i = 0; i < m->entries->count; i++) std::free(entryAt(m->entries, i)->owned);
  listFreeAll(m->entries);
  std::free(m->body);
  std::free(m);
}

uint8_t* imageModuleEncode(int kind, uint32_t version, List* entries, uint32_t* length, char* err, size_t errSize) {
  const uint32_t n = listGetCount(entries);
  const bool icons = kind == IMAGE_KIND_ICONS;
  const uint64_t table = icons ? ICONS_HEADER + uint64_t(ICON_RECORD) * n : uint64_t(BITMAP_RECORD) * n;
  // Each record's data offset: the areas in record order, an area that
  // records shared as decoded written once, at its first record's place.
  std::vector<uint64_t> offsets(n);
  std::unordered_map<AreaKey, uint64_t, AreaKeyHash> areas;
  uint64_t total = table;
  bool fits = true;
  for (uint32_t i = 0; i < n; i++) {
    const ImageEntry* e = entryAt(entries, i);
    offsets[i] = total;
    if (!e->owned && e->size) {
      auto [it, added] = areas.try_emplace(AreaKey{e->data, e->size}, total);
      offsets[i] = it->second;
      if (!added) continue;
    }
    fits = fits && (icons || total <= BITMAP_OFFSET_MAX);  // a bitmap offset has 29 bits
    total += icons ? e->size : (uint64_t(e->size) + 3) & ~uint64_t(3);
  }
  if (!fits || total > 0xFFFFFFF0u) {
    std::snprintf(err, errSize,
                  "The images no longer fit the module's layout (their data would pass the offsets "
                  "it can hold): the module keeps its previous contents.");
    return nullptr;
  }
  std::vector<uint8_t> out(total, 0);
  if (icons) {
    beSet32(out.data(), version);
    beSet32(out.data() + 4, uint32_t(total + 4));
    beSet32(out.data() + 8, n);
  }
  for (uint32_t i = 0; i < n; i++) {
    const ImageEntry* e = entryAt(entries, i);
    const uint64_t d = offsets[i];
    if (icons) {
      uint8_t* r = out.data() + ICONS_HEADER + uint64_t(ICON_RECORD) * i;
      beSet32(r, uint32_t(d));
      beSet32(r + 4, e->size);
      beSet16(r + 8, e->id);
      beSet16(r + 10, e->width);
      beSet16(r + 12, e->height);
      r[14] = uint8_t(e->type);
      // Names cannot be edited: one that filled its field is kept whole.
      std::memcpy(r + 15, e->name, std::min<size_t>(std::strlen(e->name), e->nameFull ? 21 : 20));
    } else {
      uint8_t* r = out.data() + uint64_t(BITMAP_RECORD) * i;
      beSet32(r, uint32_t(e->type) << 29 | uint32_t(d & BITMAP_OFFSET_MAX));
      beSet16(r + 4, e->width);
      beSet16(r + 6, e->height);
      beSet32(r + 8, e->size);
    }
    if (e->size) std::memcpy(out.data() + d, e->data, e->size);
  }
  *length = uint32_t(total);
  return mallocCopy(out.data(), out.size());
}

int imageModuleEdited(const ImageModule* m) {
  for (uint32_t i = 0; i < listGetCount(m->entries); i++) {
    const ImageEntry* e = entryAt(m->entries, i);
    if (e->owned && !entryDataEqual(e, e->loadedData, e->loadedSize)) return 1;
  }
  return 0;
}

int imageModuleStore(ImageModule* m, Module* module, ModuleKeep* keep, char* err, size_t errSize) {
  if (!imageModuleEdited(m)) {
    moduleStoreUnedited(module, keep);
    return 1;
  }
  uint32_t length = 0;
  MallocPtr<uint8_t> body(imageModuleEncode(m->kind, m->version, m->entries, &length, err, errSize));
  return body && moduleStoreEdited(module, keep, body.get(), length, err, errSize);
}

const char* imageTypeText(int type) {
  static const char* const TEXTS[] = {"bitmap", "pixmap 8", "pixmap 15", "gif", "jpeg", "png"};
  return type >= 0 && type <= IMAGE_PNG ? TEXTS[type] : "unknown";
}

const char* imageTypeExtension(int type) {
  static const char* const EXTENSIONS[] = {"xbm", "xpm", "xpm", "gif", "jpeg", "png"};
  return type >= 0 && type <= IMAGE_PNG ? EXTENSIONS[type] : "unknown";
}

const char* imageTypeFormat(int type) {
  static const char* const FORMATS[] = {"XBM", "XPM", "XPM", "GIF", "JPEG", "PNG"};
  return type >= 0 && type <= IMAGE_PNG ? FORMATS[type] : "Unknown";
}

int imageTypeIsShown(int type) { return type == IMAGE_BITMAP || (type >= IMAGE_PIXMAP15 && type <= IMAGE_PNG); }

void imageSuggestedName(int kind, uint32_t index, int type, char* out, size_t outSize) {
  std::snprintf(out, outSize, "%s%03u.%s", kind == IMAGE_KIND_ICONS ? "icon_" : "bitmap_", index,
                imageTypeExtension(type));
}

void imageFileName(uint32_t index, uint32_t largest, int type, char* out, size_t outSize) {
  int digits = 1;
  for (uint32_t rest = largest; rest >= 10; rest /= 10) digits++;
  std::snprintf(out, outSize, "%0*u.%s", std::max(3, digits), index, imageTypeExtension(type));
}

void xpmCode(uint32_t index, uint32_t width, char* out) {
  for (uint32_t k = width; k-- > 0; index /= 26) out[k] = char('A' + index % 26);
  out[width] = '\0';
}

uint8_t* imageExportBytes(const ImageEntry* e, size_t* length) {
  std::string text;
  // As for drawing: a few bytes claiming 65535 x 65535 pixels would make
  // gigabytes of text.
  if ((e->type == IMAGE_BITMAP || e->type == IMAGE_PIXMAP15) && !pictureDrawable(e)) return nullptr;
  if (e->type == IMAGE_BITMAP) {
    text = xbmText(e);
  } else if (e->type == IMAGE_PIXMAP15) {
    text = xpmText(e);
  } else if (imageTypeIsShown(e->type)) {
    *length = e->size;
    return mallocCopy(e->data, e->size);
  } else {
    return nullptr;
  }
  *length = text.size();
  return mallocCopy(text.data(), text.size());
}

int imageExportSave(const ImageEntry* e, const char* path, char* err, size_t errSize) {
  struct Bytes {
    MallocPtr<uint8_t> data;
    size_t length = 0;
  } bytes;
  bytes.data.reset(imageExportBytes(e, &bytes.length));
  if (!bytes.data && !imageTypeIsShown(e->type)) {
    std::snprintf(err, errSize, "Images of type %s cannot be saved.", imageTypeText(e->type));
    return 0;
  }
  if (!bytes.data) {
    std::snprintf(err, errSize, "This image cannot be saved (%ux%u pixels over %u bytes).",
                  e->width, e->height, e->size);
    return 0;
  }
  return fileSaveBytes(path, bytes.data.get(), bytes.length, err, errSize);
}

uint8_t* imageToRgb(const ImageEntry* e) {
  if ((e->type != IMAGE_BITMAP && e->type != IMAGE_PIXMAP15) || !pictureDrawable(e)) return nullptr;
  const uint64_t count = uint64_t(e->width) * e->height;
  auto* rgb = static_cast<uint8_t*>(std::malloc(count * 3));
  for (uint64_t i = 0; i < count; i++) {
    uint8_t* p = rgb + 3 * i;
    if (e->type == IMAGE_BITMAP) {
      std::memset(p, pixelBit(e, i) ? 255 : 0, 3);
    } else {
      uint32_t w = pixelWord(e, i);
      p[0] = uint8_t((w >> 10 & 31) << 3 | 7);
      p[1] = uint8_t((w >> 5 & 31) << 3 | 7);
      p[2] = uint8_t((w & 31) << 3 | 7);
    }
  }
  return rgb;
}

uint8_t* imageFromRgb(const ImageEntry* e, const uint8_t* pixels, int stride, int channels, uint32_t* size) {
  const uint64_t count = uint64_t(e->width) * e->height;
  uint64_t bytes = e->type == IMAGE_BITMAP ? (count + 7) / 8 : 2 * count;
  if ((e->type != IMAGE_BITMAP && e->type != IMAGE_PIXMAP15) || bytes > 0xFFFFFFF0u) return nullptr;
  bytes = (bytes + 3) & ~uint64_t(3);
  auto* data = static_cast<uint8_t*>(std::calloc(bytes ? bytes : 1, 1));
  for (uint32_t y = 0; y < e->height; y++) {
    const uint8_t* row = pixels + size_t(y) * size_t(stride);
    for (uint32_t x = 0; x < e->width; x++) {
      const uint8_t* p = row + size_t(x) * size_t(channels);
      uint64_t i = uint64_t(y) * e->width + x;
      if (e->type == IMAGE_BITMAP) {
        if (p[0]) data[i / 8] |= uint8_t(0x80 >> (i % 8));
      } else {
        beSet16(data + 2 * i, uint32_t(p[0] >> 3) << 10 | uint32_t(p[1] >> 3) << 5 | uint32_t(p[2] >> 3));
      }
    }
  }
  *size = uint32_t(bytes);
  return data;
}

void imageEntrySetData(ImageEntry* e, uint8_t* data, uint32_t size) {
  std::free(e->owned);
  e->owned = data;
  e->data = data;
  e->size = size;
}

int imageStoreCheck(Module* module, char* err, size_t errSize) {
  if (!imageMatch(nullptr, module)) return 0;
  ImageModule* m = imageModuleDecode(module, err, errSize);
  if (!m) return 0;
  uint32_t length = 0;
  uint8_t* body = imageModuleEncode(m->kind, m->version, m->entries, &length, err, errSize);
  ImageModule* again = body ? imageModuleDecodeBody(m->kind, body, length, err, errSize) : nullptr;
  int result = again ? 1 : -1;
  if (again && (listGetCount(again->entries) != listGetCount(m->entries) || again->version != m->version)) {
    std::snprintf(err, errSize, "its pictures would not read back: %u of them come back as %u",
                  listGetCount(m->entries), listGetCount(again->entries));
    result = -1;
  }
  for (uint32_t i = 0; result > 0 && i < listGetCount(m->entries); i++) {
    if (entriesSame(entryAt(m->entries, i), entryAt(again->entries, i))) continue;
    std::snprintf(err, errSize, "its pictures would not read back: picture %u comes back otherwise", i);
    result = -1;
  }
  if (result > 0 && moduleSizeWithBody(module, length) > MODULE_MAX_SIZE) {
    std::snprintf(err, errSize, "the module would pass the %u bytes a module can be", MODULE_MAX_SIZE);
    result = -1;
  }
  imageModuleFree(again);
  imageModuleFree(m);
  return result;
}
