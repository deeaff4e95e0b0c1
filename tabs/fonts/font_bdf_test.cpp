// SPDX-License-Identifier: MIT
#include "tabs/fonts/font_bdf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "pool/memory.h"
#include "tabs/strings/language_codec.h"
#include "tests/support/body_builders.h"
#include "tests/support/cli_capture.h"

namespace {

// A W x H font whose glyph c has width c % (W + 1) and a pattern of its own within it.
Bytes patternFont(uint32_t W, uint32_t H) {
  FontMetrics m = {W, H, (W + 7) / 8};
  List* glyphs = listNew();
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++) {
    auto* g = static_cast<FontGlyph*>(std::calloc(1, sizeof(FontGlyph)));
    *g = {c, c % (W + 1), 0, static_cast<uint8_t*>(std::calloc(W * H, 1)), nullptr, 0};
    for (uint32_t i = 0; i < W * H; i++)
      if (i % W < g->width && (c * 7 + i % W * 3 + i / W * 5) % 4 == 0) g->pixels[i] = 0xFF;
    listPush(glyphs, g);
  }
  uint32_t size = 0;
  MallocPtr<uint8_t> body(fontEncode(&m, glyphs, &size));
  fontGlyphsFree(glyphs);
  return Bytes(body.get(), body.get() + size);
}

struct Decoded {
  explicit Decoded(const Bytes& body) : glyphs(fontDecode(body.data(), uint32_t(body.size()), &m)) {}
  ~Decoded() { fontGlyphsFree(glyphs); }
  // The glyph's width, then its rows: '#' for a set pixel, rows apart by '|'.
  std::string shown(uint32_t code) {
    std::string s = std::to_string(fontGlyphAt(glyphs, code)->width);
    for (uint32_t i = 0; i < m.width * m.height; i++)
      s += std::string(i % m.width ? "" : "|") + (fontGlyphAt(glyphs, code)->pixels[i] ? '#' : '.');
    return s;
  }
  // Reads text into the font; the result, with the error in err.
  int read(const std::string& text) {
    char* warnings = nullptr;
    int ok = fontBdfRead(text.data(), text.size(), &m, glyphs, &warnings, err, sizeof err);
    std::free(warnings);
    return ok;
  }
  FontMetrics m{};
  List* glyphs;
  char err[ERROR_SIZE] = "";
};

// bdftopcf takes the export without a word, and its import gives the image back byte for byte.
TEST(FontBdf, ExportPassesBdftopcfAndImportsBackUnchanged) {
  ASSERT_EQ(0, std::system("command -v bdftopcf >/dev/null")) << "bdftopcf missing: tools/deps.sh installs it";
  TempDir dir;
  const std::string image = dir.file("image.img"), bdf = dir.file("font.bdf"), out = dir.file("out.img");
  for (auto [W, H] : {std::pair{6u, 8u}, {9u, 1u}, {17u, 20u}, {32u, 32u}}) {
    SCOPED_TRACE(std::to_string(W) + " x " + std::to_string(H));
    const Bytes original = imageOf({ModuleBuilder().name("kernel").type(12).build(),
                                    ModuleBuilder().name("font_x").body(patternFont(W, H)).build()});
    ASSERT_TRUE(writeFile(image, original));
    EXPECT_EQ(CliResult(0, "", ""), cliCapture({"font-export", image, "font_x", bdf, "--codepage", "cp1251"}));
    const std::string command = "bdftopcf -o " + dir.file("font.pcf") + " " + bdf + " 2>" + dir.file("pcf.log");
    EXPECT_EQ(0, std::system(command.c_str()));
    EXPECT_EQ(Bytes(), readFile(dir.file("pcf.log")));
    EXPECT_EQ(CliResult(0, "", ""), cliCapture({"font-import", image, "1", bdf, out}));
    EXPECT_EQ(original, readFile(out));
  }
  auto text = [&] { const Bytes file = readFile(bdf); return std::string(file.begin(), file.end()); };
  EXPECT_NE(std::string::npos, text().find("\nCHARSET_ENCODING \"CP1251\"\n"));
  EXPECT_NE(std::string::npos, text().find("\nSTARTCHAR uni0401\nENCODING 168\n"));  // Ё
  EXPECT_NE(std::string::npos, text().find("\nSTARTCHAR c152\nENCODING 152\n"));     // none in CP1251
  // Without --codepage the letters are CP1252's.
  ASSERT_EQ(CliResult(0, "", ""), cliCapture({"font-export", image, "font_x", bdf}));
  EXPECT_NE(std::string::npos, text().find("\nCHARSET_ENCODING \"CP1252\"\n"));
}

// Columns past a glyph's width are written clear, as the editor shows them.
TEST(FontBdf, ExportClearsColumnsPastTheWidth) {
  Decoded f(fontBody(1));
  fontGlyphAt(f.glyphs, 65)->width = 2;
  size_t length = 0;
  MallocPtr<char> text(fontBdfWrite(&f.m, f.glyphs, "font_a", "CP1252", &length));
  // 'A' is .###. over #...#: the second row keeps its first pixel only.
  EXPECT_NE(std::string::npos, std::string(text.get(), length).find("STARTCHAR uni0041\nENCODING 65\nSWIDTH 250 0\n"
                                                                    "DWIDTH 2 0\nBBX 6 8 0 0\nBITMAP\n40\n80\n"));
}

// For the 6 x 8 font, baseline 2 rows up: 'A' below the baseline, a too wide glyph 66 losing a
// pixel past the cell (its second row padded), and glyphs the font has no code for.
const char EDITED[] =
    "STARTFONT 2.1\nFONTBOUNDINGBOX 6 8 0 -2\n"
    "STARTPROPERTIES 2\nFONT_ASCENT 6\nFONT_DESCENT 2\nENDPROPERTIES\nCHARS 4\n"
    "STARTCHAR A\nENCODING 65\nSWIDTH 500 0\nDWIDTH 4 0\nBBX 3 2 1 -2\nBITMAP\n"  // lines 8-13
    "E0\nA0\nENDCHAR\n"
    "STARTCHAR wide\nENCODING 66\nDWIDTH 9 0\nBBX 3 2 4 4\nBITMAP\nE0\n4000\nENDCHAR\n"
    "STARTCHAR unencoded\nENCODING -1\nDWIDTH 2 0\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\n"
    "STARTCHAR beyond\nENCODING 300\nDWIDTH 2 0\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\n"
    "ENDFONT\n";  // line 39

TEST(FontBdf, ImportSetsExactlyTheGlyphsOfTheFile) {
  TempDir dir;
  const std::string image = dir.file("image.img"), bdf = dir.file("edit.bdf"), out = dir.file("out.img");
  ASSERT_TRUE(writeFile(image, imageOf({ModuleBuilder().name("font_a").body(fontBody(1)).build()})));
  ASSERT_TRUE(writeFile(bdf, bytesOf(EDITED)));
  EXPECT_EQ(CliResult(0, "", "korvane-cli: " + bdf + ": glyph 'wide' (code 66): 1 pixel outside the 6 x 8 cell "
                             "dropped\n"),
            cliCapture({"font-import", image, "font_a", bdf, out}));
  char err[ERROR_SIZE];
  PoolPtr pool(poolLoad(out.c_str(), err, sizeof err));
  ASSERT_TRUE(pool) << err;
  uint32_t size = 0;
  MallocPtr<uint8_t> body(moduleGetBody(poolGet(pool.get(), 0), &size));
  Decoded before(fontBody(1)), after(Bytes(body.get(), body.get() + size));
  ASSERT_TRUE(after.glyphs);
  EXPECT_EQ("4|......|......|......|......|......|......|.###..|.#.#..", after.shown(65));
  EXPECT_EQ("6|....##|.....#|......|......|......|......|......|......", after.shown(66));
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++)  // every other glyph as it was
    EXPECT_EQ(c == 65 || c == 66 ? after.shown(c) : before.shown(c), after.shown(c)) << c;

  // A refused file: its line on standard error, and no image written.
  ASSERT_TRUE(writeFile(bdf, bytesOf("STARTFONT 2.1\n")));
  EXPECT_EQ(CliResult(1, "", "korvane-cli: " + bdf + ": line 1: the file ends before ENDFONT\n"),
            cliCapture({"font-import", image, "0", bdf, dir.file("none.img")}));
  EXPECT_EQ(Bytes(), readFile(dir.file("none.img")));
}

// Code 255 is read, a DWIDTH wider than the cell is cut to it, and without FONT_ASCENT the
// bounding box's top (its height and y offset) is the ascent.
TEST(FontBdf, ImportKeepsToTheCellAndItsCodes) {
  std::string text = EDITED;
  text.replace(text.find("ENCODING 66"), 11, "ENCODING 255");
  Decoded f(fontBody(1)), g(fontBody(1));
  ASSERT_TRUE(f.read(text)) << f.err;
  EXPECT_EQ("6|....##|.....#|......|......|......|......|......|......", f.shown(255));
  text.replace(text.find("STARTPROPERTIES 2\nFONT_ASCENT 6\n"), 32, "STARTPROPERTIES 1\n");
  ASSERT_TRUE(g.read(text)) << g.err;
  EXPECT_EQ(f.shown(65), g.shown(65));
  EXPECT_EQ(f.shown(255), g.shown(255));
}

TEST(FontBdf, MalformedFilesAreRefusedWithTheirLine) {
  const std::string edited = EDITED;
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = edited;
    return text.replace(text.find(from), from.size(), to);
  };
  const struct { std::string text, err; } cases[] = {
      {"FONT x\n" + edited, "line 1: not a BDF file: it does not begin with STARTFONT"},
      {replaced("A0\n", ""), "line 15: glyph 'A': ENDCHAR after 1 bitmap rows, its BBX says 2"},
      {replaced("BBX 3 2 1", "BBX 9 2 1"), "line 14: glyph 'A': a bitmap row does not fit its BBX width of 9"},
  };
  Decoded f(fontBody(1));
  const std::string a = f.shown(65);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    EXPECT_EQ(0, f.read(c.text));
    EXPECT_EQ(c.err, f.err);
    EXPECT_EQ(a, f.shown(65));  // nothing applied, even what came before
  }
}

// Blank letters counted per entry, in the language's code page, undecodable texts by their bytes;
// a blank space is drawn as intended, a space of width 0 is not.
TEST(FontCoverage, ListsTheBlankLettersALanguageUsesWithTheirEntries) {
  TempDir dir;
  const std::string image = dir.file("image.img");
  Bytes german = languageBody(LANGUAGE_LAYOUT_32, {{"Straße ßß", std::nullopt, "Größe", "Zq", "ÿ"}}, "CP1252");
  const Bytes zq = {'Z', 'q', 0};
  auto at = std::search(german.begin(), german.end(), zq.begin(), zq.end());
  ASSERT_NE(german.end(), at);
  at[1] = 0x81;  // no character in CP1252: the entry keeps its bytes
  const Bytes russian = languageBody(LANGUAGE_LAYOUT_32, {{"Да", "Stop"}}, "CP1251");
  ASSERT_TRUE(writeFile(image, imageOf({ModuleBuilder().name("font_a").body(fontBodyWidths(1, {{'S', 0}})).build(),
                                        ModuleBuilder().name("Lng_German").body(german).build(),
                                        ModuleBuilder().name("Lng_Russian").body(russian).build()})));
  EXPECT_EQ(CliResult(0, "83\tS\t1\n129\t?\t1\n223\tß\t2\n246\tö\t1\n255\tÿ\t1\n", ""),
            cliCapture({"font-coverage", image, "0", "1"}));
  EXPECT_EQ(CliResult(0, "83\tS\t1\n196\tД\t1\n224\tа\t1\n", ""),
            cliCapture({"font-coverage", image, "font_a", "Lng_Russian"}));
  EXPECT_EQ(CliResult(1, "", "korvane-cli: module 'font_a' is not a language module\n"),
            cliCapture({"font-coverage", image, "0", "0"}));
  EXPECT_EQ(CliResult(1, "", "korvane-cli: no module '3' in the image (give its index or its name)\n"),
            cliCapture({"font-coverage", image, "0", "3"}));
}

}  // namespace
