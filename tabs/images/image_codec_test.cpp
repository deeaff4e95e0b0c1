#include "tabs/images/image_codec.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pool/be.h"
#include "pool/memory.h"
#include "tests/support/cli_capture.h"
#include "tests/support/module_builder.h"

namespace {

struct Decoded {
  Decoded(const std::string& name, const Bytes& body) {
    Bytes bytes = ModuleBuilder().name(name).body(body).build();
    module = moduleCreate(bytes.data(), bytes.size(), ARCH_4DAD, nullptr);
    images = imageModuleDecode(module, err);
  }
  ~Decoded() {
    imageModuleFree(images);
    moduleFree(module);
  }
  ImageEntry* operator[](uint32_t i) { return static_cast<ImageEntry*>(listGet(images->entries, i)); }
  uint32_t count() { return listGetCount(images->entries); }
  Bytes encode() {
    uint32_t length = 0;
    MallocPtr<uint8_t> body(imageModuleEncode(images->kind, images->version, images->entries, &length, err));
    return body ? Bytes(body.get(), body.get() + length) : Bytes();
  }
  Module* module;
  ImageModule* images;
  char err[IMAGE_ERROR_SIZE] = "";
};

// A bitmap record: type, data offset, width, height, size.
void record(Bytes& b, size_t at, uint32_t type, uint32_t offset, uint32_t w, uint32_t h, uint32_t size) {
  beSet32(&b[at], type << 29 | offset);
  beSet16(&b[at + 4], w);
  beSet16(&b[at + 6], h);
  beSet32(&b[at + 8], size);
}

// An icon record with its name.
void icon(Bytes& b, size_t at, uint32_t offset, uint32_t size, uint16_t id, uint32_t type, const std::string& name) {
  beSet32(&b[at], offset);
  beSet32(&b[at + 4], size);
  beSet16(&b[at + 8], id);
  beSet16(&b[at + 10], 2);
  beSet16(&b[at + 12], 1);
  b[at + 14] = uint8_t(type);
  std::copy(name.begin(), name.end(), b.begin() + long(at) + 15);
}

std::string text(const ImageEntry& e) {
  size_t length = 0;
  MallocPtr<uint8_t> bytes(imageExportBytes(&e, &length));
  return std::string(bytes.get(), bytes.get() + length);
}

TEST(ImageCodec, BitmapsTable) {
  // Three records; the first data area, at 36, ends the table.
  Bytes b(48, 0);
  record(b, 0, IMAGE_BITMAP, 36, 12, 2, 3);
  record(b, 12, IMAGE_PIXMAP15, 40, 1, 1, 5);
  record(b, 24, IMAGE_PNG, 44, 1, 1, 100);  // clamped at the body end: 4 bytes
  b[36] = 0xA5, b[37] = 0x3C, b[38] = 0x0F;
  Decoded d("rombitmaps", b);
  ASSERT_EQ(3u, d.count());
  EXPECT_EQ(4u, d[2]->size);
  EXPECT_EQ(nullptr, d[0]->owned);  // the body's own bytes
  // 12 x 2: the second row starts at bit 12, in the middle of byte 1.
  MallocPtr<uint8_t> rgb(imageToRgb(d[0]));
  auto white = [&](int x, int y) { return rgb.get()[3 * (y * 12 + x)] == 255; };
  EXPECT_TRUE(white(0, 0) && !white(1, 0) && !white(8, 0) && white(10, 0) && white(11, 0));
  EXPECT_TRUE(white(0, 1) && white(1, 1) && !white(2, 1) && white(11, 1));
  // Canonical: data areas at multiples of 4, sizes unpadded; a 5-byte image
  // takes 8 bytes.
  Bytes again = d.encode();
  EXPECT_EQ(36u + 4 + 8 + 4, again.size());
  EXPECT_EQ(5u, beGet32(&again[20]));
  EXPECT_EQ(48u, beGet32(&again[24]) & 0x1FFFFFFF);
  Decoded canonical("rombitmaps", again);
  EXPECT_EQ(again, canonical.encode());

  // A record pointing past the body reads nothing; a body too short for one
  // record is not an image table.
  Bytes past(24, 0);
  record(past, 0, IMAGE_BITMAP, 0xFFFFFFF0 & 0x1FFFFFFF, 8, 8, 0xFFFFFFFF);
  Decoded far("rombitmaps", past);
  EXPECT_EQ(0u, far[0]->size);
  EXPECT_EQ(nullptr, Decoded("rombitmaps", Bytes(8, 0)).images);
}

TEST(ImageCodec, IconsTable) {
  Bytes b(12 + 3 * 36 + 6, 0);
  beSet32(&b[0], 0x302);
  beSet32(&b[8], 4);  // one record more than the body holds
  icon(b, 12, 120, 2, 7, IMAGE_PIXMAP15, std::string(25, 'n'));  // fills the field: kept whole
  icon(b, 48, 122, 4, 8, IMAGE_GIF, "arrow");
  icon(b, 84, 126, 0, 9, IMAGE_PIXMAP8, "p8");
  beSet16(&b[120], 0x7C00);
  Decoded d("romicons", b);
  ASSERT_EQ(3u, d.count());
  EXPECT_EQ(std::string(21, 'n'), d[0]->name);
  EXPECT_EQ(8u, d[1]->id);
  Bytes again = d.encode();
  beSet32(&b[4], 12 + 3 * 36 + 6 + 4);
  beSet32(&b[8], 3);
  EXPECT_EQ(b, again);

  for (uint32_t version : {1u, 0x302u, 2u}) {
    beSet32(&b[0], version);
    Bytes m = ModuleBuilder().name("romicons").body(b).build();
    std::unique_ptr<Module, decltype(&moduleFree)> module(moduleCreate(m.data(), m.size(), ARCH_4DAD, nullptr),
                                                          moduleFree);
    EXPECT_EQ(int(version != 2), imageMatch(nullptr, module.get())) << version;
  }
}

TEST(ImageCodec, PixelsAndExportTexts) {
  uint8_t words[] = {0x7F, 0xFF, 0x00, 0x00, 0x7C, 0x00};
  ImageEntry e = {};
  e.type = IMAGE_PIXMAP15, e.width = 3, e.height = 1, e.size = 6, e.data = words;
  MallocPtr<uint8_t> rgb(imageToRgb(&e));
  EXPECT_EQ(Bytes({255, 255, 255, 7, 7, 7, 255, 7, 7}), Bytes(rgb.get(), rgb.get() + 9));
  e.width = 2, e.size = 4;
  EXPECT_EQ(
      "/* XPM */\nstatic char *image[] = {\n/* width height num_colors chars_per_pixel */\n"
      "\"2 1 2 1\",\n/* colors */\n\"A c #ffffff\",\n\"B c #070707\",\n/* pixels */\n\"AB\"\n};\n",
      text(e));

  const uint8_t orange[] = {255, 128, 0, 99, 0, 0, 1, 7, 7, 0, 0, 255};  // RGBA, then RGB rows
  uint32_t size = 0;
  e.width = 1;
  MallocPtr<uint8_t> word(imageFromRgb(&e, orange, 4, 4, &size));
  EXPECT_EQ(0x7E00u, beGet16(word.get()));
  EXPECT_EQ(4u, size);
  // Bitmaps: white where the red sample is not 0, whatever the rest.
  e.type = IMAGE_BITMAP, e.width = 2;
  MallocPtr<uint8_t> bits(imageFromRgb(&e, orange + 6, 3, 3, &size));
  EXPECT_EQ(0x80, bits.get()[0]);

  uint8_t byte = 0xF0;
  e.width = 8, e.size = 1, e.data = &byte;
  EXPECT_EQ("#define x_width 8\n#define x_height 1\nstatic char x_bits[] = {\n0xf0, \n};\n", text(e));

  // A few bytes claiming 65535 x 65535 pixels are neither drawn nor saved.
  e.width = e.height = 65535;
  size_t length = 0;
  EXPECT_EQ(nullptr, imageToRgb(&e));
  EXPECT_EQ(nullptr, imageExportBytes(&e, &length));

  char name[32];
  imageSuggestedName(IMAGE_KIND_BITMAPS, 7, IMAGE_BITMAP, name, sizeof name);
  EXPECT_STREQ("bitmap_007.xbm", name);
  imageSuggestedName(IMAGE_KIND_ICONS, 12, IMAGE_PNG, name, sizeof name);
  EXPECT_STREQ("icon_012.png", name);
}

// Characters per pixel and codes for n colours in a 1-row pixmap.
std::string xpmHeader(uint32_t n) {
  Bytes data(2 * n);
  for (uint32_t i = 0; i < n; i++) beSet16(&data[2 * i], i);
  ImageEntry e = {};
  e.type = IMAGE_PIXMAP15, e.width = n, e.height = 1, e.size = 2 * n, e.data = data.data();
  std::string t = text(e);
  size_t at = t.find("/* colors */\n");
  return t.substr(t.find('"') + 1, t.find('"', t.find('"') + 1) - t.find('"') - 1) + " " +
         t.substr(at + 14, t.find(' ', at + 14) - at - 14);
}

TEST(ImageCodec, XpmCodesAndRoundTrips) {
  EXPECT_EQ("26 1 26 1 A", xpmHeader(26));
  EXPECT_EQ("27 1 27 2 AA", xpmHeader(27));
  EXPECT_EQ("806 1 806 31 " + std::string(31, 'A'), xpmHeader(806));
  EXPECT_EQ("807 1 807 3 AAA", xpmHeader(807));  // the fewest letters that cover them
  char code[8];
  xpmCode(26, 2, code);
  EXPECT_STREQ("BA", code);

  // What is exported imports back to the same pixels, for both text formats.
  TempDir dir;
  Bytes bits = {0xA5, 0x3C, 0x0F}, words(2 * 5 * 3);
  for (size_t i = 0; i < words.size(); i += 2) beSet16(&words[i], uint32_t(i * 1000) & 0x7FFF);
  for (auto [type, width, height, data] : {std::tuple{IMAGE_BITMAP, 12u, 2u, &bits}, {IMAGE_PIXMAP15, 5u, 3u, &words}}) {
    ImageEntry e = {};
    e.type = type, e.width = width, e.height = height, e.size = uint32_t(data->size()), e.data = data->data();
    std::string path = dir.file(std::string("x.") + imageTypeExtension(type));
    char err[IMAGE_ERROR_SIZE];
    ASSERT_TRUE(imageExportSave(&e, path.c_str(), err)) << err;
    GdkPixbuf* picture = gdk_pixbuf_new_from_file(path.c_str(), nullptr);
    ASSERT_TRUE(picture) << path;
    uint32_t size = 0;
    MallocPtr<uint8_t> back(imageFromRgb(&e, gdk_pixbuf_get_pixels(picture), gdk_pixbuf_get_rowstride(picture),
                                         gdk_pixbuf_get_n_channels(picture), &size));
    g_object_unref(picture);
    EXPECT_EQ(*data, Bytes(back.get(), back.get() + data->size())) << path;
  }
}

TEST(ImageCodec, CommandLine) {
  TempDir dir;
  std::string in = dir.file("in.img"), out = dir.file("out.img");
  // An icon table laid out in another order: its areas in reverse.
  Bytes icons(12 + 2 * 36 + 8, 0);
  beSet32(&icons[0], 1);
  beSet32(&icons[8], 2);
  icon(icons, 12, 88, 4, 1, IMAGE_GIF, "a");
  icon(icons, 48, 84, 4, 2, IMAGE_PNG, "b");
  for (int i = 0; i < 8; i++) icons[84 + i] = uint8_t(i + 1);
  Bytes canonicalBitmaps(12 + 4, 0);
  record(canonicalBitmaps, 0, IMAGE_BITMAP, 12, 8, 4, 4);
  Bytes a = ModuleBuilder().name("rombitmaps").body(canonicalBitmaps).build();
  ASSERT_TRUE(writeFile(in, imageOf({a, ModuleBuilder().name("romicons").body(icons).build()})));
  CliResult listing = cliCapture({"images", in});
  ASSERT_EQ(0, std::get<0>(listing));
  EXPECT_EQ("module\trombitmaps\trombitmaps\t-\nentry\t0\t0\t8\t4\t4\tbitmap\t\n"
            "module\tromicons\tromicons\t1\nentry\t0\t1\t2\t1\t4\tgif\ta\nentry\t1\t2\t2\t1\t4\tpng\tb\n",
            std::get<1>(listing));
  EXPECT_EQ(0, std::get<0>(cliCapture({"export", in, "1", "1", dir.file("b.png")})));
  EXPECT_EQ(Bytes({1, 2, 3, 4}), readFile(dir.file("b.png")));
  EXPECT_EQ(1, std::get<0>(cliCapture({"export", in, "1", "2", dir.file("c.png")})));
  ASSERT_EQ(0, std::get<0>(cliCapture({"resave", in, out, "--commit"})));
  Bytes saved = readFile(out);
  EXPECT_EQ(a, Bytes(saved.begin(), saved.begin() + long(a.size())));
  Decoded before("romicons", icons);
  Bytes body(saved.begin() + long(a.size()) + 100, saved.end() - 4);  // header 88 + "romicons" 12
  Decoded after("romicons", body);
  ASSERT_EQ(2u, after.count());
  EXPECT_EQ(96u, beGet32(&body[4]));  // canonical: the length word
  for (uint32_t i = 0; i < 2; i++)
    EXPECT_EQ(Bytes(before[i]->data, before[i]->data + 4), Bytes(after[i]->data, after[i]->data + 4));
}

}  // namespace
