// SPDX-License-Identifier: MIT
// Palettes and items out to and back from GIMP, JASC-PAL and TSV files.
#include "tabs/colors/palette_file.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/body_builders.h"
#include "tests/support/cli_capture.h"

namespace {

std::string textOf(const std::string& path) {
  Bytes b = readFile(path);
  return std::string(b.begin(), b.end());
}

// The demo image's two tables: bit 15 clear in every odd colour word, a
// transparent entry (11) in the night table.
class PaletteFile : public testing::Test {
 protected:
  void SetUp() override {
    image = imageOf({ModuleBuilder().name("rom_col_day").body(colorBody(0x0033, 0, 8)).build(),
                     ModuleBuilder().name("rom_col_night").body(colorBody(0x0035, 12, 4)).build()});
    ASSERT_TRUE(writeFile(in, image));
  }
  CliResult import(const std::string& file) {
    return cliCapture({"colors-import", in, table, file, out});
  }
  // The colours of the `colors` dump's entry lines: "R G B" by entry.
  std::vector<std::string> dumped(const std::string& path) {
    std::istringstream lines(std::get<1>(cliCapture({"colors", path})));
    std::vector<std::string> colours;
    std::string line, tag, entry, word, r, g, b;
    bool inTable = false;
    while (std::getline(lines, line)) {
      std::istringstream fields(line);
      fields >> tag;
      if (tag == "table") inTable = line.find("\t" + table + "\t") != std::string::npos;
      if (tag == "entry" && inTable && (fields >> entry >> word >> r >> g >> b))
        colours.push_back(r + " " + g + " " + b);
    }
    return colours;
  }

  TempDir dir;
  std::string in = dir.file("in.img"), out = dir.file("out.img");
  std::string table = "rom_col_day";
  Bytes image;
};

// A GIMP palette as GIMP reads one: the header, then Name and Columns lines
// and comments that may come anywhere, colour lines of three numbers and a
// name. Returns "R G B" per colour.
std::vector<std::string> gimpColours(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  std::vector<std::string> colours;
  if (!std::getline(lines, line) || line != "GIMP Palette") return {};
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#' || line.rfind("Name:", 0) == 0 ||
        line.rfind("Columns:", 0) == 0)
      continue;
    std::istringstream fields(line);
    int r, g, b;
    if (!(fields >> r >> g >> b)) return {};
    colours.push_back(std::to_string(r) + " " + std::to_string(g) + " " + std::to_string(b));
  }
  return colours;
}

TEST_F(PaletteFile, ExportsReadBackAndImportToTheSameBytes) {
  for (const std::string name : {"rom_col_day", "rom_col_night"}) {
    table = name;
    SCOPED_TRACE(name);
    const std::string gpl = dir.file(name + ".gpl"), pal = dir.file(name + ".pal"),
                      tsv = dir.file(name + ".tsv");
    for (const std::string& file : {gpl, pal, tsv})
      ASSERT_EQ(CliResult(0, "", ""), cliCapture({"colors-export", in, name, file}));
    EXPECT_EQ(0u, textOf(gpl).find("GIMP Palette\nName: " + name + "\nColumns: 8\n#\n"));
    EXPECT_EQ(dumped(in), gimpColours(textOf(gpl)));
    EXPECT_EQ(0u, textOf(pal).find("JASC-PAL\r\n0100\r\n60\r\n"));
    for (const std::string& file : {gpl, pal, tsv}) {
      std::remove(out.c_str());
      EXPECT_EQ(CliResult(0, "", ""), import(file)) << file;
      EXPECT_EQ(image, readFile(out)) << file;
    }
  }
  table = "rom_col_day";
  const std::string gpl = textOf(dir.file("rom_col_day.gpl"));
  EXPECT_NE(std::string::npos, gpl.find("#\n  0  58 255\tentry 0\n"));  // channels 0, 7 and 31
  EXPECT_EQ(gpl, std::get<1>(cliCapture({"colors-export", in, "0", "-"})));
  const std::string items =
      std::get<1>(cliCapture({"colors-export", in, "0", "-", "--format", "tsv"}));
  EXPECT_EQ(0u, items.find(
                    "index\tname\tentry\tred\tgreen\tblue\n0\tgeneral navi colours\theading\t\t\t\n"
                    "1\tbackgr. guiding screen\t7\t"));
}

// The display values of 0 and 31, each value read back as itself, and ties
// between two steps going to the lower channel.
TEST(PaletteFileChannels, NearestFiveBitValue) {
  for (uint32_t v = 0; v < 32; v++) EXPECT_EQ(v, colorNearestChannel(colorChannelToRgb8(v))) << v;
  EXPECT_EQ(0u, colorNearestChannel(4));  // 0 and 8 as near
  EXPECT_EQ(1u, colorNearestChannel(5));
  EXPECT_EQ(1u, colorNearestChannel(12));  // 8 and 16
  EXPECT_EQ(2u, colorNearestChannel(13));
  EXPECT_EQ(20u, colorNearestChannel(168));  // 164 and 173
  EXPECT_EQ(21u, colorNearestChannel(169));
  EXPECT_EQ(30u, colorNearestChannel(251));  // 247 and 255
  EXPECT_EQ(31u, colorNearestChannel(252));
}

// What the Colors tab's entry takes: six hex digits, "#" and blanks
// optional, either case; anything else leaves the colour as it was.
TEST(PaletteFileChannels, HexColours) {
  char text[8];
  colorHexText(230, 9, 156, text);
  EXPECT_STREQ("#e6099c", text);
  uint32_t rgb[3] = {1, 2, 3};
  ASSERT_TRUE(colorHexParse(" #E6099c\t", rgb));
  EXPECT_EQ(std::vector<uint32_t>({230, 9, 156}), std::vector<uint32_t>(rgb, rgb + 3));
  ASSERT_TRUE(colorHexParse("0a0b0f", rgb));
  EXPECT_EQ(std::vector<uint32_t>({10, 11, 15}), std::vector<uint32_t>(rgb, rgb + 3));
  for (const char* bad : {"", "#", "#e6099", "#e6099c0", "#e6 99c", "#g6099c", "##e6099c", "e6099c#"})
    EXPECT_FALSE(colorHexParse(bad, rgb)) << bad;
  EXPECT_EQ(15u, rgb[2]);
}

// Only the entries and items the file changes change; the transparent entry
// never does.
TEST_F(PaletteFile, EditsApplyExactlyTheirEntries) {
  const std::string gpl = dir.file("edited.gpl"), tsv = dir.file("items.tsv");
  ASSERT_EQ(0, std::get<0>(cliCapture({"colors-export", in, table, gpl})));
  std::string text = textOf(gpl);
  text.replace(text.find("\tentry 5\n") - 11, 11, "255   0   0");
  ASSERT_TRUE(writeFile(gpl, bytesOf(text)));
  ASSERT_EQ(CliResult(0, "", ""), import(gpl));
  std::vector<std::string> before = dumped(in), after = dumped(out);
  before[5] = "255 0 0";
  EXPECT_EQ(before, after);
  // Every other word as it was, bit 15 of the odd entries clear still.
  auto words = [](const std::string& path) {
    std::string all = std::get<1>(cliCapture({"colors", path}));
    size_t at = all.find("entry\t5\t");
    return all.erase(at, all.find('\n', at) - at);
  };
  EXPECT_EQ(words(in), words(out));
  EXPECT_NE(std::string::npos, std::get<1>(cliCapture({"colors", out})).find("entry\t5\tFC00\t"));

  ASSERT_TRUE(writeFile(
      tsv,
      bytesOf("index\tname\tentry\tred\tgreen\tblue\r\n1\tbackgr. guiding screen\t5\t\t\t\r\n")));
  ASSERT_EQ(CliResult(0, "", ""), import(tsv));
  EXPECT_NE(
      std::string::npos,
      std::get<1>(cliCapture({"colors", out})).find("item\t1\t5\t\"backgr. guiding screen\"\n"));

  table = "rom_col_night";  // entry 11 is transparent
  ASSERT_EQ(0, std::get<0>(cliCapture({"colors-export", in, table, gpl})));
  text = textOf(gpl);
  text.replace(text.find("\tentry 11\n") - 11, 11, "  1   2   3");
  ASSERT_TRUE(writeFile(gpl, bytesOf(text)));
  EXPECT_EQ(CliResult(0, "",
                      "korvane-cli: " + gpl +
                          ": entry 11 is the transparent entry: its colour is kept\n"),
            import(gpl));
  EXPECT_EQ(image, readFile(out));
}

TEST_F(PaletteFile, RefusalsNameTheirLines) {
  const std::string gpl = dir.file("bad.gpl"), pal = dir.file("bad.pal"), tsv = dir.file("bad.tsv");
  ASSERT_EQ(0, std::get<0>(cliCapture({"colors-export", in, table, gpl})));
  const std::string good = textOf(gpl);
  auto refused = [&](const std::string& file, const std::string& content) {
    EXPECT_TRUE(writeFile(file, bytesOf(content)));
    CliResult result = import(file);
    EXPECT_TRUE(readFile(out).empty());
    return std::get<0>(result) == 1 ? std::get<2>(result) : std::string("not refused");
  };
  const std::string at = "korvane-cli: ";
  EXPECT_EQ(at + gpl + ": line 63: 59 colours, not 60\n",
            refused(gpl, good.substr(0, good.rfind("\n", good.size() - 2) + 1)));
  std::string wide = good;
  wide.replace(wide.find("\tentry 1\n") - 3, 3, "256");
  EXPECT_EQ(at + gpl + ": line 6: a value outside 0-255\n", refused(gpl, wide));
  EXPECT_EQ(at + gpl + ": line 65: more than 60 colours\n", refused(gpl, good + "1 2 3\n"));
  EXPECT_EQ(at + gpl + ": line 1: not a palette: it does not begin with \"GIMP Palette\"\n",
            refused(gpl, "x\n"));
  EXPECT_EQ(at + pal + ": line 3: the colour count must be 60\n",
            refused(pal, "JASC-PAL\r\n0100\r\n61\r\n"));
  const std::string header = "index\tname\tentry\tred\tgreen\tblue\n";
  EXPECT_EQ(at + tsv + ": line 2: item 1 is \"backgr. guiding screen\"\n",
            refused(tsv, header + "1\tsky\t5\t\t\t\n"));
  EXPECT_EQ(at + tsv + ": line 2: item 0 is a heading\n",
            refused(tsv, header + "0\tgeneral navi colours\t5\t\t\t\n"));
  EXPECT_EQ(at + tsv + ": line 2: no item 310 in this table\n",
            refused(tsv, header + "310\tx\t5\t\t\t\n"));
  EXPECT_EQ(at + tsv + ": line 2: the entry must be a number from 0 to 59\n",
            refused(tsv, header + "1\tbackgr. guiding screen\t60\t\t\t\n"));
  EXPECT_EQ(CliResult(1, "", at + "'" + dir.file("x.png") + "' must end in .gpl, .pal or .tsv\n"),
            cliCapture({"colors-import", in, table, dir.file("x.png"), out}));
}

}  // namespace
