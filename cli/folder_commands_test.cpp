// SPDX-License-Identifier: MIT
// A mod as a folder: unpack and pack back, files edited with other tools,
// and every way pack refuses a folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "pool/memory.h"
#include "pool/module_format.h"
#include "tabs/images/image_codec.h"
#include "tabs/images/image_import.h"
#include "tabs/strings/language_codec.h"
#include "tests/support/body_builders.h"
#include "tests/support/cli_capture.h"
#include "tools/demo_image.h"

namespace {

namespace fs = std::filesystem;

std::string textOf(const std::string& path) {
  Bytes b = readFile(path);
  return std::string(b.begin(), b.end());
}

void textReplace(const std::string& path, const std::string& from, const std::string& to) {
  std::string text = textOf(path);
  size_t at = text.find(from);
  ASSERT_NE(std::string::npos, at) << path << ": " << from;
  ASSERT_TRUE(writeFile(path, bytesOf(text.replace(at, from.size(), to))));
}

class ModFolder : public testing::Test {
 protected:
  void unpack(const Bytes& bytes) {
    image = bytes;
    ASSERT_TRUE(writeFile(in, image));
    ASSERT_EQ(CliResult(0, "", ""), cliCapture({"unpack", in, folder}));
  }
  CliResult pack(std::vector<std::string> options = {}) {
    std::vector<std::string> args = {"pack", folder, out};
    args.insert(args.end(), options.begin(), options.end());
    return cliCapture(args);
  }
  std::string file(const std::string& path) { return folder + "/" + path; }

  TempDir dir;
  std::string in = dir.file("in.img"), out = dir.file("out.img"), folder = dir.file("mod");
  Bytes image;
  std::string err;
};

// The demo, then gaps, malformed font and language modules, an undecodable
// text and names with 8-bit bytes, dots and slashes (kept inside the folder).
TEST_F(ModFolder, UntouchedFoldersPackByteForByte) {
  unpack(demoImage(0, &err));
  ASSERT_EQ(CliResult(0, "", ""), pack());
  EXPECT_EQ(image, readFile(out));

  Bytes odd = languageBody(LANGUAGE_LAYOUT_16, {{"Caf~", "OK"}}, "CP1252");
  odd[odd.size() - 8] = 0x81;  // the tilde: no character of CP1252
  fs::remove_all(folder);
  unpack(imageOf({ModuleBuilder().name("Lng_Caf\xE9").body(odd).gaps(8, 4).build(),
                  ModuleBuilder().name("font_bad").body({6, 8, 0, 3}).build(),
                  ModuleBuilder().name("Lng_bad").body({0, 0x42, 0, 0}).build(),
                  ModuleBuilder().name("../up/..\n.").type(1).build(),
                  ModuleBuilder().name("rom_col").body(colorBody(0x0035)).gaps(4, 12).build()}));
  EXPECT_TRUE(fs::exists(file("modules/003-%2E%2E%2Fup%2F%2E%2E%0A..mod")));
  EXPECT_TRUE(fs::exists(file("strings/000-Lng_Caf%E9.po")));
  EXPECT_FALSE(fs::exists(file("fonts")));
  EXPECT_EQ(CliResult(0, "", ""), pack());
  EXPECT_EQ(image, readFile(out));
}

// Each edited file changes its module as its own import does, and nothing else.
TEST_F(ModFolder, EditedFilesTakeTheirImports) {
  unpack(demoImage(0, &err));
  const std::string po = file("strings/016-Lng_German.po"), gpl = file("colors/008-rom_col_day.gpl");
  const std::string bdf = file("fonts/010-font_small.bdf"), xpm = file("images/013-rombitmaps/002.xpm");
  textReplace(po, "msgstr \"Abbrechen\"", "msgstr \"Abbruch\"");
  textReplace(gpl, "  0  58 255\tentry 0", "255 255 255\tentry 0");
  std::string picture = textOf(xpm);
  ASSERT_TRUE(writeFile(xpm, bytesOf(picture.replace(picture.find(" c #") + 4, 6, "ff0707"))));
  textReplace(bdf, "STARTFONT 2.1\n", "STARTFONT 2.1\nCOMMENT saved again\n");  // the same glyphs
  EXPECT_EQ(CliResult(0,
                      "module 8 rom_col_day from colors/008-rom_col_day.gpl\n"
                      "module 10 font_small from fonts/010-font_small.bdf\n"
                      "module 13 rombitmaps from images/013-rombitmaps/002.xpm\n"
                      "module 16 Lng_German from strings/016-Lng_German.po\n"
                      "verified 23 modules\n",
                      ""),
            pack({"--verbose"}));
  // Every module but the pictures as the commands leave it: sizes and CRCs in the list.
  const std::string step1 = dir.file("1.img"), step2 = dir.file("2.img");
  ASSERT_EQ(0, std::get<0>(cliCapture({"strings-import", in, "Lng_German", po, step1})));
  ASSERT_EQ(0, std::get<0>(cliCapture({"colors-import", step1, "rom_col_day", gpl, step2})));
  auto listed = [](const std::string& path) {
    std::string all = std::get<1>(cliCapture({"list", path}));
    const size_t at = all.find("\n13\t") + 1;
    return all.erase(at, all.find('\n', at) + 1 - at);
  };
  EXPECT_EQ(listed(step2), listed(out));
  // The picture as Replace takes the file (not the one unpacked, which differs).
  char text[256] = "";
  PoolPtr pool(poolLoad(out.c_str(), text, sizeof text));
  ImageModule* images = imageModuleDecode(poolGet(pool.get(), 13), text, sizeof text);
  ASSERT_TRUE(images) << text;
  auto* e = static_cast<ImageEntry*>(listGet(images->entries, 2));
  uint32_t size = 0;
  MallocPtr<uint8_t> taken(imageImportFile(e, xpm.c_str(), &size, text, sizeof text));
  EXPECT_TRUE(taken && Bytes(taken.get(), taken.get() + size) == Bytes(e->data, e->data + e->size));
  imageModuleFree(images);
}

// A .mod edited by hand, both a .mod and its text changed, a module
// dropped or moved, a path out of the folder, a folder not empty.
TEST_F(ModFolder, RefusalsAndManifestEdits) {
  unpack(demoImage(0, &err));
  const std::string kernel = file("modules/000-kernel.mod");
  Bytes edited = readFile(kernel);
  edited[MH_LANGUAGE] = 7;
  ASSERT_TRUE(writeFile(kernel, edited));
  EXPECT_EQ(CliResult(1, "",
                      "korvane-cli: modules/000-kernel.mod: Module has invalid header parity "
                      "(--fix-integrity computes it again)\n"),
            pack());
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(
      CliResult(0, "",
                "korvane-cli: modules/000-kernel.mod: header parity and CRC computed again\n"),
      pack({"--fix-integrity"}));
  EXPECT_NE(
      std::string::npos,
      std::get<1>(cliCapture({"list", out})).find("\n0\tkernel\t300\tsystem\t-e-r-e-r-e-r\t07\t"));

  const std::string german = file("modules/016-Lng_German.mod");
  edited = readFile(german);
  edited[MH_REVISION] = 9;
  fixIntegrity(edited);
  ASSERT_TRUE(writeFile(german, edited));
  textReplace(file("strings/016-Lng_German.po"), "msgstr \"Abbrechen\"", "msgstr \"Abbruch\"");
  fs::remove(out);
  EXPECT_EQ(
      CliResult(
          1, "",
          "korvane-cli: modules/000-kernel.mod: header parity and CRC computed again\n"
          "korvane-cli: modules/016-Lng_German.mod and strings/016-Lng_German.po both changed: "
          "which one is meant cannot be told; take back one of them\n"),
      pack({"--fix-integrity"}));
  EXPECT_FALSE(fs::exists(out));
  fs::remove(file("strings/016-Lng_German.po"));  // deleted: the module as its .mod holds it

  std::vector<std::string> lines;  // the kernel's line dropped, init's and ioman's swapped
  std::istringstream manifest(textOf(file("korvane.manifest")));
  for (std::string line; std::getline(manifest, line);) lines.push_back(line + "\n");
  std::string changed = lines[0] + lines[3] + lines[2];
  for (size_t i = 4; i < lines.size(); i++) changed += lines[i];
  ASSERT_TRUE(writeFile(file("korvane.manifest"), bytesOf(changed)));
  EXPECT_EQ(CliResult(0, "", ""), pack());  // the kernel's line went, with its fault
  std::string listed = std::get<1>(cliCapture({"list", out}));
  EXPECT_NE(std::string::npos, listed.find("\n0\tioman\t"));
  EXPECT_NE(std::string::npos, listed.find("\n1\tinit\t"));
  EXPECT_EQ(std::string::npos, listed.find("\tkernel\t"));
  EXPECT_NE(std::string::npos, listed.find("\t02\t80\t9\t"));  // the revision the .mod was given

  ASSERT_TRUE(writeFile(file("korvane.manifest"), bytesOf("korvane-manifest 1\n0\t../in.img\t" +
                                                          std::string(64, 'a') + "\n")));
  EXPECT_EQ(CliResult(1, "",
                      "korvane-cli: " + file("korvane.manifest") +
                          ": line 2: the path \"../in.img\" leaves the folder\n"),
            pack());
  EXPECT_EQ(CliResult(1, "",
                      "korvane-cli: cannot unpack into '" + folder +
                          "': it is not empty (unpack writes a new or empty folder)\n"),
            cliCapture({"unpack", in, folder}));
}

}  // namespace
