// SPDX-License-Identifier: MIT
// What no save may do: change a module nobody edited, write an image the loader refuses, drop
// a refused store without a word, touch anything but a regular file, or let a sum wrap around.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "pool/be.h"
#include "pool/file_read.h"
#include "pool/memory.h"
#include "tabs/images/image_codec.h"
#include "tabs/strings/translation_file.h"
#include "tests/support/body_builders.h"
#include "tests/support/cli_capture.h"

namespace {

Bytes module(const char* name, const Bytes& body, uint32_t gapName = 0, uint32_t gapBody = 0) {
  return ModuleBuilder().name(name).body(body).gaps(gapName, gapBody).build();
}

class SaveSafety : public testing::Test {
 protected:
  void writeFontAndTexts() {
    ASSERT_TRUE(writeFile(in, imageOf({module("font_a", fontBody(1)),
                                       module("Lng_German", languageBody(LANGUAGE_LAYOUT_32,
                                                                         {{"Ja"}}, "CP1252"))})));
  }
  TempDir dir;
  std::string in = dir.file("in.img"), out = dir.file("out.img");
};

// Every editor kind laid out as no encoder writes it: gaps, shared pictures, texts sharing
// tails, a font whose records overlap (which the encoder cannot hold, and says so).
TEST_F(SaveSafety, UneditedCommitKeepsEveryByte) {
  Bytes image = imageOf(
      {module("romicons", iconsBodyShared(), 8, 4), module("rom_col", colorBody(0x0035), 4, 0),
       module("font_a", fontBody(1), 0, 8), module("font_overlap", fontBodyOverlapping()),
       module("Lng_Tails", languageBodyTails(300), 12, 4)});
  ASSERT_TRUE(writeFile(in, image));
  EXPECT_EQ(CliResult(0, "", "font_overlap: its glyphs would need offsets beyond 65535 bytes\n"),
            cliCapture({"resave", in, out, "--commit"}));
  EXPECT_EQ(image, readFile(out));
}

// Pictures that shared an area before a store share it after; the one replaced gets its own.
TEST_F(SaveSafety, SharedPicturesStayShared) {
  Bytes bytes = module("romicons", iconsBodyShared());
  Module* m = moduleCreate(bytes.data(), bytes.size(), ARCH_4DAD, nullptr);
  char err[ERROR_SIZE] = "";
  ImageModule* images = imageModuleDecode(m, err, sizeof err);
  ASSERT_TRUE(images) << err;
  imageEntrySetData(static_cast<ImageEntry*>(listGet(images->entries, 1)),
                    static_cast<uint8_t*>(std::calloc(8, 1)), 8);
  ModuleKeep keep;
  ASSERT_TRUE(imageModuleStore(images, m, &keep, err, sizeof err)) << err;
  uint32_t size = 0;
  MallocPtr<uint8_t> body(moduleGetBody(m, &size));
  auto offset = [&](uint32_t i) { return beGet32(body.get() + 12 + 36 * i); };
  EXPECT_EQ(12u + 4 * 36 + 3 * 8, size);  // the shared area, record 2's, the new one
  EXPECT_EQ(offset(0), offset(3));
  EXPECT_NE(offset(0), offset(1));
  EXPECT_EQ(offset(1) + 8, offset(2));
  imageModuleFree(images);
  moduleFree(m);
}

// A store the module cannot hold keeps the module, names it and writes nothing;
// a save the loader would refuse is refused before any file is made.
TEST_F(SaveSafety, RefusedStoresAndImagesAreNamed) {
  ASSERT_TRUE(writeFile(
      in,
      imageOf({module("font_overlap", fontBodyOverlapping()),
               module("Lng_Short", languageBody(LANGUAGE_LAYOUT_16, {{"a", "b"}}, "CP1252"))})));
  const std::string bdf = dir.file("dot.bdf"), tsv = dir.file("long.tsv");
  ASSERT_TRUE(
      writeFile(bdf, bytesOf("STARTFONT 2.1\nFONTBOUNDINGBOX 8 255 0 0\nSTARTCHAR a\nENCODING 65\n"
                             "DWIDTH 1 0\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\nENDFONT\n")));
  ASSERT_TRUE(
      writeFile(tsv, bytesOf("key\treference\ttext\n0/0\t\t" + std::string(70000, 'x') + "\n")));
  EXPECT_EQ(CliResult(1, "",
                      "korvane-cli: font_overlap: the font is too large to be stored: its glyphs "
                      "would need offsets beyond 65535 bytes\n"),
            cliCapture({"font-import", in, "0", bdf, out}));
  EXPECT_EQ(
      CliResult(1, "",
                "korvane-cli: Lng_Short: The texts no longer fit this language module: a string "
                "offset would pass 65535. The module keeps its previous contents.\n"),
      cliCapture({"strings-import", in, "1", tsv, out}));
  EXPECT_FALSE(std::filesystem::exists(out));

  // A module past 4 GiB is refused before the body is looked at.
  Bytes small = module("m", {1, 2, 3, 4});
  Module* m = moduleCreate(small.data(), small.size(), ARCH_4DAD, nullptr);
  char err[256] = "";
  EXPECT_EQ(0, moduleStoreBody(m, small.data(), 0xFFFFFFF0u, err, sizeof err));
  EXPECT_STREQ("the module would be 4294967376 bytes, more than the 4294967292 a module can be",
               err);
  moduleFree(m);

  // Two modules of 3 GiB each, as far as a save can tell.
  static ModuleOps hugeOps = {};
  hugeOps.destroy = [](Module*) {};
  hugeOps.getSize = [](const Module*) { return uint32_t(3) << 30; };
  ModulePool* pool = poolParse(small.data(), small.size(), err, sizeof err);
  ASSERT_TRUE(pool) << err;
  for (int i = 0; i < 2; i++) {
    auto* huge = static_cast<Module*>(std::calloc(1, sizeof(Module)));
    huge->arch = ARCH_4DAD, huge->ops = &hugeOps;
    poolAdd(pool, huge);
  }
  EXPECT_EQ(0, poolSave(pool, out.c_str(), 1, err, sizeof err));
  EXPECT_EQ("Error saving file\n" + out + ": the image would be " +
                std::to_string(6442450944 + small.size()) +
                " bytes; at most 4294967295 can be loaded",
            std::string(err));
  // Nothing made, not even a temporary: in.img, dot.bdf and long.tsv alone.
  EXPECT_EQ(3, std::distance(std::filesystem::directory_iterator(dir.path()), {}));
  poolFree(pool);
}

// Text exports follow links and keep modes as image saves do; - is
// standard output.
TEST_F(SaveSafety, ExportsFollowLinksAndKeepModes) {
  writeFontAndTexts();
  const std::string po = dir.file("de.po"), link = dir.file("link.po");
  ASSERT_TRUE(writeFile(po, bytesOf("old")));
  std::filesystem::create_symlink(po, link);
  ::chmod(po.c_str(), 0600);
  ASSERT_EQ(CliResult(0, "", ""), cliCapture({"strings-export", in, "1", link}));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(bytesOf(std::get<1>(cliCapture({"strings-export", in, "1", "-"}))), readFile(po));
  EXPECT_EQ(std::filesystem::perms(0600), std::filesystem::status(po).permissions());
  EXPECT_EQ(CliResult(0, "key\treference\ttext\n0/0\tJa\tJa\n", ""),
            cliCapture({"strings-export", in, "1", "-", "--format", "tsv"}));
}

// FIFOs and devices are refused at once, in and out; oversized texts from
// their size, before a byte is read.
TEST_F(SaveSafety, OnlyRegularFilesAreReadOrWritten) {
  writeFontAndTexts();
  const std::string fifo = dir.file("fifo"), big = dir.file("big.po");
  ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
  EXPECT_EQ(CliResult(1, "",
                      "Error loading file " + fifo + ": Failed to open '" + fifo +
                          "': not a regular file\n"),
            cliCapture({"list", fifo}));
  EXPECT_EQ(CliResult(1, "", "korvane-cli: Unable to read '/dev/zero': not a regular file\n"),
            cliCapture({"font-import", in, "0", "/dev/zero", out}));
  EXPECT_EQ(CliResult(1, "", "Unable to open output file\n/dev/null: not a regular file\n"),
            cliCapture({"resave", in, "/dev/null"}));
  ASSERT_TRUE(writeFile(big, {}));
  ASSERT_EQ(0, ::truncate(big.c_str(), off_t(FILE_TEXT_LIMIT) + 1));
  EXPECT_EQ(CliResult(1, "",
                      "korvane-cli: Unable to read '" + big +
                          "': it is 268435457 bytes, more than the "
                          "268435456 a file may be here\n"),
            cliCapture({"strings-import", in, "1", big, out}));
  EXPECT_FALSE(std::filesystem::exists(out));
}

// A width past 2^32 pixels does not wrap around.
TEST(TextWidth, SumsInSixtyFourBits) {
  FontWidths widths = {};
  for (uint32_t c = 1; c < 256; c++) widths.width[c] = 255;
  const size_t n = (uint64_t(1) << 32) / 255 + 1;
  std::string text(n, 'x');
  EXPECT_EQ(uint64_t(255) * n,
            fontTextWidth(&widths, reinterpret_cast<const uint8_t*>(text.data()), n));
}

}  // namespace
