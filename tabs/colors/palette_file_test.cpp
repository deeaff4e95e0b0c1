// SPDX-License-Identifier: MIT
// Palettes and items out to and back from GIMP, JASC-PAL and TSV files.
#include "tabs/colors/palette_file.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "pool/be.h"
#include "tests/support/body_builders.h"
#include "tests/support/cli_capture.h"

namespace {

std::string textOf(const std::string& path) {
  Bytes b = readFile(path);
  return std::string(b.begin(), b.end());
}

// The colours a table's body gives, "R G B" by entry, as the unit shows them.
std::vector<std::string> shownColours(const Bytes& body) {
  std::vector<std::string> colours;
  for (uint32_t k = 0; k < 60; k++) {
    const uint32_t w = beGet16(body.data() + 2 + 2 * k);
    colours.push_back(std::to_string(colorChannelToRgb8(w >> 10 & 31)) + " " +
                      std::to_string(colorChannelToRgb8(w >> 5 & 31)) + " " + std::to_string(colorChannelToRgb8(w & 31)));
  }
  return colours;
}

// A palette as GIMP or Paint Shop Pro reads one: after its header lines, three numbers (and a
// name) per colour line. "R G B" by colour; none for a line of another kind.
std::vector<std::string> paletteColours(const std::string& text, int headerLines) {
  std::istringstream lines(text);
  std::string line;
  std::vector<std::string> colours;
  for (int n = 0, r, g, b; std::getline(lines, line); n++) {
    if (n >= headerLines && !(std::istringstream(line) >> r >> g >> b)) return {};
    if (n >= headerLines) colours.push_back(std::to_string(r) + " " + std::to_string(g) + " " + std::to_string(b));
  }
  return colours;
}

// The demo image's two tables: bit 15 clear in every odd colour word, a
// transparent entry (11) in the night table.
class PaletteFile : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(writeFile(in, image = imageWith(day, night))); }
  static Bytes imageWith(const Bytes& dayBody, const Bytes& nightBody) {
    return imageOf({ModuleBuilder().name("rom_col_day").body(dayBody).build(),
                    ModuleBuilder().name("rom_col_night").body(nightBody).build()});
  }
  CliResult import(const std::string& file) { return cliCapture({"colors-import", in, table, file, out}); }

  TempDir dir;
  std::string in = dir.file("in.img"), out = dir.file("out.img");
  std::string table = "rom_col_day";
  Bytes day = colorBody(0x0033, 0, 8), night = colorBody(0x0035, 12, 4), image;
};

TEST_F(PaletteFile, ExportsReadBackAndImportToTheSameBytes) {
  for (const std::string name : {"rom_col_day", "rom_col_night"}) {
    SCOPED_TRACE(name);
    table = name;
    const std::string gpl = dir.file(name + ".gpl"), pal = dir.file(name + ".pal"), tsv = dir.file(name + ".tsv");
    for (const std::string& file : {gpl, pal, tsv})
      ASSERT_EQ(CliResult(0, "", ""), cliCapture({"colors-export", in, name, file}));
    EXPECT_EQ(0u, textOf(gpl).find("GIMP Palette\nName: " + name + "\nColumns: 8\n#\n"));
    EXPECT_EQ(0u, textOf(pal).find("JASC-PAL\r\n0100\r\n60\r\n"));
    EXPECT_EQ(shownColours(name == "rom_col_day" ? day : night), paletteColours(textOf(gpl), 4));
    EXPECT_EQ(shownColours(name == "rom_col_day" ? day : night), paletteColours(textOf(pal), 3));
    for (const std::string& file : {gpl, pal, tsv}) {
      std::remove(out.c_str());
      EXPECT_EQ(CliResult(0, "", ""), import(file)) << file;
      EXPECT_EQ(image, readFile(out)) << file;
    }
  }
  const std::string gpl = textOf(dir.file("rom_col_day.gpl"));
  EXPECT_NE(std::string::npos, gpl.find("#\n  0  58 255\tentry 0\n"));  // channels 0, 7 and 31
  EXPECT_EQ(0u, std::get<1>(cliCapture({"colors-export", in, "0", "-", "--format", "tsv"}))
                    .find("index\tname\tentry\tred\tgreen\tblue\n0\tgeneral navi colours\theading\t\t\t\n"
                          "1\tbackgr. guiding screen\t7\t25\t164\t197\n"));
}

// Each display value reads back as its channel; between two steps the nearer, on a tie the lower.
TEST(PaletteFileChannels, NearestFiveBitValue) {
  for (uint32_t v = 0; v < 32; v++) EXPECT_EQ(v, colorNearestChannel(colorChannelToRgb8(v))) << v;
  // Either side of 0 | 8, 8 | 16, 164 | 173 and 247 | 255; 4, 12 and 251 are ties.
  for (auto [value, channel] : {std::pair{4u, 0u}, {5u, 1u}, {12u, 1u}, {13u, 2u}, {168u, 20u}, {169u, 21u},
                                {251u, 30u}, {252u, 31u}})
    EXPECT_EQ(channel, colorNearestChannel(value)) << value;
}

// Six hex digits, "#" and blanks optional, either case; anything else leaves the colour as it was.
TEST(PaletteFileChannels, HexColours) {
  uint32_t rgb[3] = {1, 2, 3};
  ASSERT_TRUE(colorHexParse(" E6099c\t", rgb));
  EXPECT_EQ(std::vector<uint32_t>({230, 9, 156}), std::vector<uint32_t>(rgb, rgb + 3));
  for (const char* bad : {"", "#e6099", "#e6099c0", "#e6 99c", "#g6099c", "##e6099c", "e6099c#"})
    EXPECT_FALSE(colorHexParse(bad, rgb)) << bad;
  EXPECT_EQ(156u, rgb[2]);
}

// Only the entries the file changes change; the transparent entry never does, and the import says so.
TEST_F(PaletteFile, EditsApplyExactlyTheirEntries) {
  table = "rom_col_night";  // entry 11 is transparent
  const std::string gpl = dir.file("edited.gpl");
  ASSERT_EQ(0, std::get<0>(cliCapture({"colors-export", in, table, gpl})));
  std::string text = textOf(gpl);
  text.replace(text.find("\tentry 5\n") - 11, 11, "255   0   0");
  text.replace(text.find("\tentry 11\n") - 11, 11, "  1   2   3");
  ASSERT_TRUE(writeFile(gpl, bytesOf(text)));
  EXPECT_EQ(CliResult(0, "", "korvane-cli: " + gpl + ": entry 11 is the transparent entry: its colour is kept\n"),
            import(gpl));
  Bytes edited = night;
  beSet16(edited.data() + 2 + 2 * 5, 0xFC00);  // every other word as it was, bit 15 clear still
  EXPECT_EQ(imageWith(day, edited), readFile(out));
}

TEST_F(PaletteFile, RefusalsNameTheirLines) {
  const std::string gpl = dir.file("bad.gpl"), pal = dir.file("bad.pal"), tsv = dir.file("bad.tsv");
  ASSERT_EQ(0, std::get<0>(cliCapture({"colors-export", in, table, gpl})));
  const std::string good = textOf(gpl), items = "index\tname\tentry\tred\tgreen\tblue\n";
  std::string wide = good;
  wide.replace(wide.find("\tentry 1\n") - 3, 3, "256");
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {gpl, good.substr(0, good.rfind("\n", good.size() - 2) + 1), "line 63: 59 colours, not 60"},
      {gpl, wide, "line 6: a value outside 0-255"},
      {gpl, good + "1 2 3\n", "line 65: more than 60 colours"},
      {gpl, "x\n", "line 1: not a palette: it does not begin with \"GIMP Palette\""},
      {pal, "JASC-PAL\r\n0100\r\n61\r\n", "line 3: the colour count must be 60"},
      {tsv, items + "1\tsky\t5\t\t\t\n", "line 2: item 1 is \"backgr. guiding screen\""},
      {tsv, items + "0\tgeneral navi colours\t5\t\t\t\n", "line 2: item 0 is a heading"},
      {tsv, items + "310\tx\t5\t\t\t\n", "line 2: no item 310 in this table"},
      {tsv, items + "1\tbackgr. guiding screen\t60\t\t\t\n", "line 2: the entry must be a number from 0 to 59"}};
  for (const auto& [file, content, why] : cases) {
    ASSERT_TRUE(writeFile(file, bytesOf(content)));
    EXPECT_EQ(CliResult(1, "", "korvane-cli: " + file + ": " + why + "\n"), import(file));
    EXPECT_TRUE(readFile(out).empty()) << why;  // nothing written
  }
  EXPECT_EQ(CliResult(1, "", "korvane-cli: '" + dir.file("x.png") + "' must end in .gpl, .pal or .tsv\n"),
            cliCapture({"colors-import", in, table, dir.file("x.png"), out}));
}

}  // namespace
