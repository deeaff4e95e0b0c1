#include "tabs/fonts/font_bdf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "cli/cli.h"
#include "pool/memory.h"
#include "tabs/strings/language_codec.h"
#include "tests/support/body_builders.h"
#include "tests/support/cli_capture.h"

namespace {

using Result = CliResult;

FontGlyph* glyphAt(List* glyphs, uint32_t code) {
  return static_cast<FontGlyph*>(listGet(glyphs, code - 1));
}

// A W x H font whose glyph c has width c % (W + 1) and a pattern of its own
// within that width, so every row and every column counts.
Bytes patternFont(uint32_t W, uint32_t H) {
  FontMetrics m = {W, H, (W + 7) / 8};
  List* glyphs = listNew();
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++) {
    auto* g = static_cast<FontGlyph*>(std::calloc(1, sizeof(FontGlyph)));
    g->code = c;
    g->width = c % (W + 1);
    g->pixels = static_cast<uint8_t*>(std::calloc(W * H, 1));
    for (uint32_t y = 0; y < H; y++)
      for (uint32_t x = 0; x < g->width; x++)
        g->pixels[y * W + x] = (c * 7 + x * 3 + y * 5) % 4 == 0 ? 0xFF : 0;
    listPush(glyphs, g);
  }
  uint32_t size = 0;
  MallocPtr<uint8_t> body(fontEncode(&m, glyphs, &size));
  fontGlyphsFree(glyphs);
  return Bytes(body.get(), body.get() + size);
}

// The glyph's rows as text, '#' for a set pixel, rows apart by '|'.
std::string rowsOf(const FontMetrics& m, const FontGlyph* g) {
  std::string s;
  for (uint32_t y = 0; y < m.height; y++) {
    if (y) s += '|';
    for (uint32_t x = 0; x < m.width; x++) s += g->pixels[y * m.width + x] ? '#' : '.';
  }
  return s;
}

// The font of module `index` of an image file, decoded.
struct ImageFont {
  ImageFont(const std::string& path, uint32_t index) {
    char err[POOL_ERROR_SIZE];
    pool.reset(poolLoad(path.c_str(), err));
    if (!pool) return;
    uint32_t size = 0;
    MallocPtr<uint8_t> body(moduleGetBody(poolGet(pool.get(), index), &size));
    glyphs = fontDecode(body.get(), size, &metrics);
  }
  ~ImageFont() { fontGlyphsFree(glyphs); }
  PoolPtr pool;
  FontMetrics metrics{};
  List* glyphs = nullptr;
};

// Export, then bdftopcf takes the file without a word, then the import of
// the file gives the image back byte for byte: no pixel, width or row moved.
TEST(FontBdf, ExportPassesBdftopcfAndImportsBackUnchanged) {
  ASSERT_EQ(0, std::system("command -v bdftopcf >/dev/null"))
      << "bdftopcf missing: tools/deps.sh installs it";
  TempDir dir;
  const std::string image = dir.file("image.img"), bdf = dir.file("font.bdf"),
                    out = dir.file("out.img");
  for (auto [W, H] : {std::pair{6u, 8u}, {9u, 1u}, {17u, 20u}, {32u, 32u}}) {
    SCOPED_TRACE(std::to_string(W) + " x " + std::to_string(H));
    const Bytes original =
        imageOf({ModuleBuilder().name("kernel").type(12).build(),
                 ModuleBuilder().name("font_x").body(patternFont(W, H)).build()});
    ASSERT_TRUE(writeFile(image, original));
    EXPECT_EQ(Result(0, "", ""),
              cliCapture({"font-export", image, "font_x", bdf, "--codepage", "cp1251"}));
    const std::string command =
        "bdftopcf -o " + dir.file("font.pcf") + " " + bdf + " 2>" + dir.file("pcf.log");
    EXPECT_EQ(0, std::system(command.c_str()));
    EXPECT_EQ(Bytes(), readFile(dir.file("pcf.log")));
    EXPECT_EQ(Result(0, "", ""), cliCapture({"font-import", image, "1", bdf, out}));
    EXPECT_EQ(original, readFile(out));
  }
  const std::string text(reinterpret_cast<const char*>(readFile(bdf).data()), readFile(bdf).size());
  EXPECT_NE(std::string::npos, text.find("\nCHARSET_ENCODING \"CP1251\"\n"));
  EXPECT_NE(std::string::npos, text.find("\nSTARTCHAR uni0401\nENCODING 168\n"));  // Ё
  EXPECT_NE(std::string::npos, text.find("\nSTARTCHAR c152\nENCODING 152\n"));     // none in CP1251
}

// Columns past a glyph's width are written clear, as the editor shows them.
TEST(FontBdf, ExportClearsColumnsPastTheWidth) {
  Bytes body = fontBody(1);
  FontMetrics m;
  List* glyphs = fontDecode(body.data(), uint32_t(body.size()), &m);
  FontGlyph* a = glyphAt(glyphs, 65);
  a->width = 2;
  size_t length = 0;
  MallocPtr<char> text(fontBdfWrite(&m, glyphs, "font_a", "CP1252", &length));
  const std::string bdf(text.get(), length);
  // 'A' is .###. over #...#: the second row keeps its first pixel only.
  EXPECT_NE(std::string::npos, bdf.find("STARTCHAR uni0041\nENCODING 65\nSWIDTH 250 0\nDWIDTH 2 0\n"
                                        "BBX 6 8 0 0\nBITMAP\n40\n80\n"));
  fontGlyphsFree(glyphs);
}

// A hand-made file for the 6 x 8 font, its baseline 2 rows above the cell's
// bottom: 'A' below the baseline, a too wide glyph 66 that loses a pixel
// past the cell, and glyphs the font has no code for.
const char EDITED[] =
    "STARTFONT 2.1\n"
    "FONTBOUNDINGBOX 6 8 0 -2\n"
    "STARTPROPERTIES 2\n"
    "FONT_ASCENT 6\n"
    "FONT_DESCENT 2\n"
    "ENDPROPERTIES\n"
    "CHARS 4\n"
    "STARTCHAR A\n"  // line 8
    "ENCODING 65\n"
    "SWIDTH 500 0\n"
    "DWIDTH 4 0\n"
    "BBX 3 2 1 -2\n"
    "BITMAP\n"
    "E0\n"  // line 14
    "A0\n"
    "ENDCHAR\n"
    "STARTCHAR wide\n"
    "ENCODING 66\n"
    "DWIDTH 9 0\n"
    "BBX 3 2 4 4\n"
    "BITMAP\n"
    "E0\n"
    "4000\n"  // padded
    "ENDCHAR\n"
    "STARTCHAR unencoded\n"
    "ENCODING -1\n"
    "DWIDTH 2 0\n"
    "BBX 1 1 0 0\n"
    "BITMAP\n"
    "80\n"
    "ENDCHAR\n"
    "STARTCHAR beyond\n"
    "ENCODING 300\n"
    "DWIDTH 2 0\n"
    "BBX 1 1 0 0\n"
    "BITMAP\n"
    "80\n"
    "ENDCHAR\n"
    "ENDFONT\n";

TEST(FontBdf, ImportSetsExactlyTheGlyphsOfTheFile) {
  TempDir dir;
  const std::string image = dir.file("image.img"), bdf = dir.file("edit.bdf"),
                    out = dir.file("out.img");
  ASSERT_TRUE(
      writeFile(image, imageOf({ModuleBuilder().name("font_a").body(fontBody(1)).build()})));
  ASSERT_TRUE(writeFile(bdf, bytesOf(EDITED)));
  EXPECT_EQ(Result(0, "",
                   "korvane-cli: " + bdf +
                       ": glyph 'wide' (code 66): 1 pixel outside the 6 x 8 cell dropped\n"),
            cliCapture({"font-import", image, "font_a", bdf, out}));
  ImageFont before(image, 0), after(out, 0);
  ASSERT_TRUE(after.glyphs);
  EXPECT_EQ(4u, glyphAt(after.glyphs, 65)->width);
  EXPECT_EQ("......|......|......|......|......|......|.###..|.#.#..",
            rowsOf(after.metrics, glyphAt(after.glyphs, 65)));
  EXPECT_EQ(6u, glyphAt(after.glyphs, 66)->width);
  EXPECT_EQ("....##|.....#|......|......|......|......|......|......",
            rowsOf(after.metrics, glyphAt(after.glyphs, 66)));
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++) {
    if (c == 65 || c == 66) continue;
    SCOPED_TRACE(c);
    EXPECT_EQ(glyphAt(before.glyphs, c)->width, glyphAt(after.glyphs, c)->width);
    EXPECT_EQ(rowsOf(before.metrics, glyphAt(before.glyphs, c)),
              rowsOf(after.metrics, glyphAt(after.glyphs, c)));
  }
}

TEST(FontBdf, MalformedFilesAreRefusedWithTheirLine) {
  const std::string edited = EDITED;
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = edited;
    return text.replace(text.find(from), from.size(), to);
  };
  const struct {
    std::string text, err;
  } cases[] = {
      {"FONT x\n" + edited, "line 1: not a BDF file: it does not begin with STARTFONT"},
      {replaced("A0\n", ""), "line 15: glyph 'A': ENDCHAR after 1 bitmap rows, its BBX says 2"},
      {replaced("A0\n", "A0\n80\n"),
       "line 16: glyph 'A': more bitmap rows than the 2 its BBX says"},
      {replaced("BBX 3 2 1", "BBX 9 2 1"),
       "line 14: glyph 'A': a bitmap row does not fit its BBX width of 9"},
      {replaced("ENDFONT\n", ""), "line 38: the file ends before ENDFONT"},
  };
  Bytes body = fontBody(1);
  FontMetrics m;
  List* glyphs = fontDecode(body.data(), uint32_t(body.size()), &m);
  const std::string a = rowsOf(m, glyphAt(glyphs, 65));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    char err[FONT_BDF_ERROR_SIZE] = "";
    char* warnings = nullptr;
    EXPECT_EQ(0, fontBdfRead(c.text.data(), c.text.size(), &m, glyphs, &warnings, err));
    EXPECT_EQ(c.err, err);
    EXPECT_EQ(a, rowsOf(m, glyphAt(glyphs, 65)));  // nothing applied, even what came before
  }
  fontGlyphsFree(glyphs);

  TempDir dir;
  const std::string image = dir.file("image.img"), bdf = dir.file("bad.bdf"),
                    out = dir.file("out.img");
  ASSERT_TRUE(
      writeFile(image, imageOf({ModuleBuilder().name("font_a").body(fontBody(1)).build()})));
  ASSERT_TRUE(writeFile(bdf, bytesOf(cases[1].text)));
  EXPECT_EQ(Result(1, "", "korvane-cli: " + bdf + ": " + cases[1].err + "\n"),
            cliCapture({"font-import", image, "0", bdf, out}));
  EXPECT_EQ(Bytes(), readFile(out));
}

// The letters a language uses that the font draws blank: counted per entry,
// in the language's own code page, undecodable texts by their bytes; a
// blank space is drawn as intended, a space of width 0 is not.
TEST(FontCoverage, ListsTheBlankLettersALanguageUsesWithTheirEntries) {
  TempDir dir;
  const std::string image = dir.file("image.img");
  Bytes german =
      languageBody(LANGUAGE_LAYOUT_32, {{"Straße ßß", std::nullopt, "Größe", "Zq", ""}}, "CP1252");
  Bytes raw = bytesOf("Zq");
  raw.push_back(0);
  auto at = std::search(german.begin(), german.end(), raw.begin(), raw.end());
  ASSERT_NE(german.end(), at);
  at[1] = 0x81;  // no character in CP1252: the entry keeps its bytes
  Bytes russian = languageBody(LANGUAGE_LAYOUT_32, {{"Да", "Stop"}}, "CP1251");
  ASSERT_FALSE(russian.empty());
  FontMetrics m;
  Bytes body = fontBody(1);
  List* glyphs = fontDecode(body.data(), uint32_t(body.size()), &m);
  glyphAt(glyphs, 0xC4)->pixels[0] = 0xFF;  // Д is drawn
  glyphAt(glyphs, 'S')->width = 0;
  uint32_t size = 0;
  MallocPtr<uint8_t> font(fontEncode(&m, glyphs, &size));
  fontGlyphsFree(glyphs);
  ASSERT_TRUE(writeFile(
      image,
      imageOf({ModuleBuilder().name("font_a").body(Bytes(font.get(), font.get() + size)).build(),
               ModuleBuilder().name("Lng_German").body(german).build(),
               ModuleBuilder().name("Lng_Russian").body(russian).build()})));
  EXPECT_EQ(Result(0, "83\tS\t1\n129\t?\t1\n223\tß\t2\n246\tö\t1\n", ""),
            cliCapture({"font-coverage", image, "0", "1"}));
  EXPECT_EQ(Result(0, "83\tS\t1\n224\tа\t1\n", ""),
            cliCapture({"font-coverage", image, "font_a", "Lng_Russian"}));
  EXPECT_EQ(Result(1, "", "korvane-cli: module 'font_a' is not a language module\n"),
            cliCapture({"font-coverage", image, "0", "0"}));
}

}  // namespace
