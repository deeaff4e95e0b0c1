// SPDX-License-Identifier: MIT
#include "tabs/images/image_codec.h"
#include "tabs/images/image_import.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <string>

#include "pool/be.h"
#include "pool/memory.h"
#include "tests/support/body_builders.h"
#include "tests/support/cli_capture.h"

namespace {

struct Decoded {
  Decoded(const std::string& name, const Bytes& body) {
    Bytes bytes = ModuleBuilder().name(name).body(body).build();
    module = moduleCreate(bytes.data(), bytes.size(), ARCH_4DAD, nullptr);
    images = imageModuleDecode(module, err, sizeof err);
  }
  ~Decoded() { imageModuleFree(images), moduleFree(module); }
  ImageEntry* operator[](uint32_t i) { return static_cast<ImageEntry*>(listGet(images->entries, i)); }
  Bytes encode() {
    uint32_t length = 0;
    MallocPtr<uint8_t> body(imageModuleEncode(images->kind, images->version, images->entries, &length, err, sizeof err));
    return body ? Bytes(body.get(), body.get() + length) : Bytes();
  }
  Module* module;
  ImageModule* images;
  char err[ERROR_SIZE] = "";
};

// A bitmap record: type, data offset, width, height, size.
void record(Bytes& b, size_t at, uint32_t type, uint32_t offset, uint32_t w, uint32_t h, uint32_t size) {
  beSet32(&b[at], type << 29 | offset);
  beSet16(&b[at + 4], w);
  beSet16(&b[at + 6], h);
  beSet32(&b[at + 8], size);
}

std::string text(const ImageEntry& e) {
  size_t length = 0;
  MallocPtr<uint8_t> bytes(imageExportBytes(&e, &length));
  return std::string(bytes.get(), bytes.get() + length);
}

TEST(ImageCodec, BitmapsTable) {
  // Four records; the first data area, at 48, ends the table.
  Bytes b(60, 0);
  record(b, 0, IMAGE_BITMAP, 48, 12, 2, 3);
  record(b, 12, IMAGE_PIXMAP15, 52, 1, 1, 5);
  record(b, 24, IMAGE_PNG, 56, 1, 1, 100);               // clamped at the body end: 4 bytes
  record(b, 36, IMAGE_PNG, 0x1FFFFFF0, 1, 1, 0xFFFFFFFF);  // past the body: nothing
  Decoded d("rombitmaps", b);
  EXPECT_EQ(4u, d[2]->size);
  EXPECT_EQ(0u, d[3]->size);
  Bytes again = d.encode();  // canonical: data areas at multiples of 4, sizes unpadded
  EXPECT_EQ(48u + 4 + 8 + 4, again.size());
  EXPECT_EQ(5u, beGet32(&again[20]));
  EXPECT_EQ(60u, beGet32(&again[24]) & 0x1FFFFFFF);
  EXPECT_EQ(nullptr, Decoded("rombitmaps", Bytes(8, 0)).images);  // too short for a record
}

TEST(ImageCodec, IconsTable) {
  Bytes b = imagesBody(IMAGE_KIND_ICONS, {{IMAGE_PIXMAP15, 2, 1, {0x7C, 0}, 7, std::string(21, 'n')},
                                          {IMAGE_GIF, 2, 1, {1, 2, 3, 4}, 8, "arrow"}});
  // Version, length + 4, count; then offset, size, id, width, height, type, name.
  EXPECT_EQ(Bytes({0, 0, 3, 2, 0, 0, 0, 94, 0, 0, 0, 2}), Bytes(b.begin(), b.begin() + 12));
  EXPECT_EQ(Bytes({0, 0, 0, 86, 0, 0, 0, 4, 0, 8, 0, 2, 0, 1, IMAGE_GIF, 'a'}),
            Bytes(b.begin() + 48, b.begin() + 64));
  EXPECT_EQ('n', b[12 + 15 + 20]);  // a name that fills its field is kept whole
  beSet32(&b[8], 3);                // one record more than the body holds
  Bytes again = Decoded("romicons", b).encode();
  beSet32(&b[8], 2);
  EXPECT_EQ(b, again);

  // A record that ends exactly at the body's end is read.
  Bytes last = imagesBody(IMAGE_KIND_ICONS, {{IMAGE_GIF, 1, 1, {}, 9, "end"}});
  ASSERT_EQ(12u + 36, last.size());
  Decoded d("romicons", last);
  ASSERT_EQ(1u, d.images ? listGetCount(d.images->entries) : 0);
  EXPECT_STREQ("end", d[0]->name);

  beSet32(&b[0], 2);  // neither version 1 nor 0x302
  EXPECT_FALSE(imageMatch(nullptr, Decoded("romicons", b).module));
}

TEST(ImageCodec, PixelsAndExportTexts) {
  uint8_t words[] = {0x7F, 0xFF, 0x00, 0x00, 0x7C, 0x00};
  ImageEntry e = {};
  e.type = IMAGE_PIXMAP15, e.width = 3, e.height = 1, e.size = 6, e.data = words;
  MallocPtr<uint8_t> rgb(imageToRgb(&e));
  EXPECT_EQ(Bytes({255, 255, 255, 7, 7, 7, 255, 7, 7}), Bytes(rgb.get(), rgb.get() + 9));
  e.width = 1, e.height = 2, e.size = 4;
  EXPECT_EQ(
      "/* XPM */\nstatic char *image[] = {\n/* width height num_colors chars_per_pixel */\n"
      "\"1 2 2 1\",\n/* colors */\n\"A c #ffffff\",\n\"B c #070707\",\n/* pixels */\n\"A\",\n\"B\"\n};\n",
      text(e));

  // Bitmaps: white where the red sample is not 0; the data rounded up to 4 bytes.
  const uint8_t row[] = {1, 7, 7, 0, 0, 255};
  uint32_t size = 0;
  e.type = IMAGE_BITMAP, e.width = 2, e.height = 1;
  MallocPtr<uint8_t> bits(imageFromRgb(&e, row, 6, 3, &size));
  EXPECT_EQ(0x80, bits.get()[0]);
  EXPECT_EQ(4u, size);

  e.width = e.height = 65535;  // a few bytes claiming 65535 x 65535 pixels are not drawn
  EXPECT_EQ(nullptr, imageToRgb(&e));
  char name[32];
  imageFileName(4294967295u, 4294967295u, IMAGE_JPEG, name, sizeof name);  // as many digits as the last index
  EXPECT_STREQ("4294967295.jpeg", name);
}

// The values line of the XPM of n colours in one row: "W H N CHARS".
std::string xpmValues(uint32_t n) {
  Bytes data(2 * n);
  for (uint32_t i = 0; i < n; i++) beSet16(&data[2 * i], i);
  ImageEntry e = {};
  e.type = IMAGE_PIXMAP15, e.width = n, e.height = 1, e.size = 2 * n, e.data = data.data();
  std::string t = text(e);
  size_t at = t.find('"') + 1;
  return t.substr(at, t.find('"', at) - at);
}

TEST(ImageCodec, XpmCodesAndRoundTrips) {
  EXPECT_EQ("26 1 26 1", xpmValues(26));
  EXPECT_EQ("27 1 27 2", xpmValues(27));
  EXPECT_EQ("806 1 806 31", xpmValues(806));
  EXPECT_EQ("807 1 807 3", xpmValues(807));  // the fewest letters that cover them
  char code[8];
  xpmCode(26, 2, code);
  EXPECT_STREQ("BA", code);

  // Exports import back: a bitmap row that ends inside a byte, a pixmap of rows.
  TempDir dir;
  Bytes bits = {0xA5, 0x3C, 0x0F}, words(2 * 5 * 3);
  for (size_t i = 0; i < words.size(); i += 2) beSet16(&words[i], uint32_t(i * 1000) & 0x7FFF);
  for (auto [type, width, height, data] :
       {std::tuple{IMAGE_BITMAP, 12u, 2u, &bits}, {IMAGE_PIXMAP15, 5u, 3u, &words}}) {
    ImageEntry e = {};
    e.type = type, e.width = width, e.height = height, e.size = uint32_t(data->size()), e.data = data->data();
    std::string path = dir.file(std::string("x.") + imageTypeExtension(type));
    char err[ERROR_SIZE];
    ASSERT_TRUE(imageExportSave(&e, path.c_str(), err, sizeof err)) << err;
    uint32_t size = 0;
    MallocPtr<uint8_t> back(imageImportFile(&e, path.c_str(), &size, err, sizeof err));
    ASSERT_TRUE(back) << err;
    EXPECT_EQ(*data, Bytes(back.get(), back.get() + data->size())) << path;
  }

  // The checks are made on the picture the bytes read decode to.
  ImageEntry e = {};
  e.type = IMAGE_BITMAP, e.width = 8, e.height = 2;
  auto refusal = [&](const std::string& path) {
    char err[ERROR_SIZE];
    uint32_t size = 0;
    return MallocPtr<uint8_t>(imageImportFile(&e, path.c_str(), &size, err, sizeof err)) ? "taken" : std::string(err);
  };
  EXPECT_EQ("\nImage size mismatch (12x2 pixels).\nRequired size: 8x2 pixels.", refusal(dir.file("x.xbm")));
  EXPECT_EQ("\nImage format mismatch.\nXBM format required.", refusal(dir.file("x.xpm")));
  ASSERT_TRUE(writeFile(dir.file("junk"), bytesOf("not a picture")));
  EXPECT_EQ("File format not recognized.", refusal(dir.file("junk")));
  EXPECT_EQ("Unable to read '/dev/zero': not a regular file", refusal("/dev/zero"));
}

// export IMAGE MODULE ENTRY FILE writes the entry's bytes; an entry past the last is refused.
TEST(ImageCodec, CommandLine) {
  TempDir dir;
  const std::string in = dir.file("in.img");
  Bytes icons = imagesBody(IMAGE_KIND_ICONS, {{IMAGE_GIF, 2, 1, {5, 6, 7, 8}, 1, "a"}, {IMAGE_PNG, 2, 1, {1, 2, 3, 4}, 2, "b"}});
  ASSERT_TRUE(writeFile(in, ModuleBuilder().name("romicons").body(icons).build()));
  EXPECT_EQ(0, std::get<0>(cliCapture({"export", in, "0", "1", dir.file("b.png")})));
  EXPECT_EQ(Bytes({1, 2, 3, 4}), readFile(dir.file("b.png")));
  EXPECT_EQ(1, std::get<0>(cliCapture({"export", in, "0", "2", dir.file("c.png")})));
}

}  // namespace
