// SPDX-License-Identifier: MIT
// diff and carry: images compared by what they mean, a mod carried to a new
// firmware unit by unit.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "pool/be.h"
#include "pool/memory.h"
#include "tabs/fonts/font_codec.h"
#include "tabs/strings/language_codec.h"
#include "tests/support/body_builders.h"
#include "tests/support/cli_capture.h"

namespace {

Bytes module(const char* name, const Bytes& body, uint8_t type = 4) {
  return ModuleBuilder().name(name).type(type).body(body).build();
}

// fontBody(1), a 6 x 8 font, with glyphs changed by edit (given each by code).
Bytes fontEdited(const std::function<void(std::function<FontGlyph*(uint32_t)>)>& edit) {
  Bytes body = fontBody(1);
  FontMetrics m;
  List* glyphs = fontDecode(body.data(), uint32_t(body.size()), &m);
  edit([&](uint32_t code) { return static_cast<FontGlyph*>(listGet(glyphs, code - 1)); });
  uint32_t size = 0;
  MallocPtr<uint8_t> encoded(fontEncode(&m, glyphs, &size));
  fontGlyphsFree(glyphs);
  return Bytes(encoded.get(), encoded.get() + size);
}

Bytes german(const std::string& second, const std::string& fourth = "Ziel") {
  return languageBody(LANGUAGE_LAYOUT_32, {{"Ja", second, std::nullopt}, {fourth}}, "CP1252");
}

Bytes palette(uint16_t entry5, uint16_t item1) {
  Bytes body = colorBody(0x0035);
  beSet16(&body[2 + 2 * 5], entry5);
  colorItemWordSet(body, 1, item1);
  return body;
}

Bytes pictures(uint8_t bits, uint8_t png = 4) {
  return imagesBody(0, {{0, 8, 1, {bits}}, {5, 1, 1, {1, 2, 3, png}}});
}

class Compare : public testing::Test {
 protected:
  std::string save(const char* name, std::initializer_list<Bytes> modules) {
    const std::string path = dir.file(name);
    EXPECT_TRUE(writeFile(path, imageOf(modules)));
    return path;
  }
  TempDir dir;
  std::string out = dir.file("out.img");
  const Bytes kernel = module("kernel", Bytes(16, 1), 12), tmc = module("tmc", Bytes(8, 2), 1);
};

TEST_F(Compare, DiffShowsEveryKindOfChangeOnce) {
  const std::string a = save(
      "a.img", {kernel, module("Lng_German", german("Nein")), module("font_a", fontBody(1)),
                module("rom_col", palette(0x8000, 3)), module("rombitmaps", pictures(0xF0)), tmc});
  EXPECT_EQ(CliResult(0, "", ""), cliCapture({"diff", a, a}));
  const std::string b = save(
      "b.img", {module("rombitmaps", pictures(0x0F)), module("rom_col", palette(0xFC00, 8)), kernel,
                module("font_a", fontEdited([](auto g) { g(1)->width = 2, g(65)->pixels[13] ^= 0xFF; })),
                module("Lng_German", german("Nee\t\"no\"")), module("diag", Bytes(4, 9), 0x55)});
  EXPECT_EQ(CliResult(1,  // the kernel, equal though moved, not listed
                      "~\tLng_German\t152 -> 156\t8C6200 -> EA4FC8\n"
                      "  text 0/1: \"Nein\" -> \"Nee\\t\"no\"\"\n"
                      "~\tfont_a\t1472 -> 1472\tBAF4A9 -> F377C9\n"
                      "  glyph 1: width 3 -> 2\n  glyph 65: rows 2\n"
                      "~\trom_col\t724 -> 724\tA51395 -> 903657\n  entry 5: #000000 -> #ff0000\n"
                      "  item 1 \"backgr. guiding screen\": entry 2 -> entry 7\n"
                      "~\trombitmaps\t136 -> 136\tBB141E -> 3C140F\n"
                      "  picture 0: 8x1 bitmap -> 8x1 bitmap, pixels changed\n"
                      "-\ttmc\t104\t712FBD\n+\tdiag\t104\t42842F\n",
                      ""),
            cliCapture({"diff", a, b}));
  EXPECT_EQ(2, std::get<0>(cliCapture({"diff", a, dir.file("none.img")})));  // trouble, as in diff(1)
}

// NEW the same as OLD: the mod comes out as it is, added and removed modules
// in the mod's places. A corrupt input is trouble and writes nothing.
TEST_F(Compare, CarryOntoTheSameFirmwareGivesTheMod) {
  const std::string old = save("old.img", {kernel, module("Lng_German", german("Nein")), tmc});
  const std::string mod = save(
      "mod.img", {kernel, module("extra", Bytes(4, 7), 1), module("Lng_German", german("Nee"))});
  Bytes broken = readFile(old);
  broken[40] ^= 1;
  ASSERT_TRUE(writeFile(dir.file("bad.img"), broken));
  EXPECT_EQ(2, std::get<0>(cliCapture({"carry", old, mod, dir.file("bad.img"), out})));
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(CliResult(0,
                      "carried\tLng_German\tmodule\nremoved\ttmc\nadded\textra\n"
                      "carried 0 texts, 0 glyphs, 0 colours, 0 pictures, 3 modules; 0 conflicts\n",
                      ""),
            cliCapture({"carry", old, mod, old, out}));
  EXPECT_EQ(readFile(mod), readFile(out));
}

// The mod's units go where the new firmware kept the old ones; where it
// changed them too, a conflict, decided by --prefer.
TEST_F(Compare, CarryMergesUnitsAndListsConflicts) {
  const Bytes modFont = fontEdited([](auto g) { g(65)->pixels[13] ^= 0xFF, g(67)->width = 4; });
  const Bytes newFont = fontEdited([](auto g) { g(66)->width = g(67)->width = 2; });
  const std::string old =
      save("old.img",
           {module("Lng_German", german("Nein")), module("font_a", fontBody(1)),
            module("rom_col", palette(0x8000, 3)), module("rombitmaps", pictures(0xF0)), tmc});
  const std::string mod =
      save("mod.img", {module("Lng_German", german("Nee", "Doel")), module("font_a", modFont),
                       module("rom_col", palette(0xFC00, 8)), module("rombitmaps", pictures(0x0F, 6)),
                       module("tmc", Bytes(8, 5), 1)});
  // The new firmware changed text 1/0, glyphs 66 and 67, entry 5, picture 1 and tmc itself.
  const std::string now =
      save("new.img", {module("Lng_German", german("Nein", "Destination")), module("font_a", newFont),
                       module("rom_col", palette(0x83E0, 3)), module("rombitmaps", pictures(0xF0, 5)),
                       module("tmc", Bytes(8, 6), 1)});
  // Both runs say the same, but for which side of a conflict is kept.
  auto report = [](const std::string& kept, const std::string& n) {
    return "carried\tLng_German\ttext 0/1: \"Nein\" -> \"Nee\"\n"
           "conflict\tLng_German\ttext 1/0: the mod \"Ziel\" -> \"Doel\", the new firmware \"Ziel\" "
           "-> \"Destination\"; " + kept + "\ncarried\tfont_a\tglyph 65: rows 2\n"
           "conflict\tfont_a\tglyph 67: the mod width 6 -> 4, rows 1 5, the new firmware width 6 -> 2, "
           "rows 0 1 5 6; " + kept + "\nconflict\trom_col\tentry 5: the mod #000000 -> #ff0000, "
           "the new firmware #000000 -> #00ff00; " + kept + "\n"
           "carried\trom_col\titem 1 \"backgr. guiding screen\": entry 2 -> entry 7\n"
           "carried\trombitmaps\tpicture 0: 8x1 bitmap -> 8x1 bitmap, pixels changed\n"
           "conflict\trombitmaps\tpicture 1: the mod 1x1 png -> 1x1 png, data changed, the new "
           "firmware 1x1 png -> 1x1 png, data changed; " + kept + "\n"
           "conflict\ttmc\tmodule: changed in both; " + kept + "\ncarried " + n + " texts, " + n +
           " glyphs, " + n + " colours, " + n + " pictures, 0 modules; 5 conflicts\n";
  };
  EXPECT_EQ(CliResult(1, report("the new firmware's kept", "1"), ""),
            cliCapture({"carry", old, mod, now, out}));
  auto fontWith = [](uint32_t width67) {
    return fontEdited([&](auto g) { g(65)->pixels[13] ^= 0xFF, g(66)->width = 2, g(67)->width = width67; });
  };
  EXPECT_EQ(imageOf({module("Lng_German", german("Nee", "Destination")), module("font_a", fontWith(2)),
                     module("rom_col", palette(0x83E0, 8)), module("rombitmaps", pictures(0x0F, 5)),
                     module("tmc", Bytes(8, 6), 1)}),
            readFile(out));

  EXPECT_EQ(CliResult(1, report("the mod's kept", "2"), ""),
            cliCapture({"carry", old, mod, now, out, "--prefer", "mod"}));
  EXPECT_EQ(imageOf({module("Lng_German", german("Nee", "Doel")), module("font_a", fontWith(4)),
                     module("rom_col", palette(0xFC00, 8)), module("rombitmaps", pictures(0x0F, 6)),
                     module("tmc", Bytes(8, 5), 1)}),
            readFile(out));
}

// A new firmware with an entry added in group 0: the mod's text goes to its
// text's new place.
TEST_F(Compare, CarryFollowsTextsToTheirNewPlaces) {
  auto lang = [](std::vector<LanguageGroup> groups) {
    return module("Lng_German", languageBody(LANGUAGE_LAYOUT_16, groups, "CP1252"));
  };
  const std::string old = save("old.img", {lang({{"Ja", "Nein", "Ziel"}, {"Route"}})});
  const std::string mod = save("mod.img", {lang({{"Ja", "Nee", "Ziel"}, {"Weg"}})});
  const std::string now =
      save("new.img", {lang({{"Ja", "Vielleicht", "Nein", "Ziel"}, {"Route"}})});
  EXPECT_EQ(CliResult(0,
                      "carried\tLng_German\ttext 0/2: \"Nein\" -> \"Nee\"\n"
                      "carried\tLng_German\ttext 1/0: \"Route\" -> \"Weg\"\n"
                      "matched\tLng_German\t2 entries through their texts, the groups having moved\n"
                      "carried 2 texts, 0 glyphs, 0 colours, 0 pictures, 0 modules; 0 conflicts\n",
                      ""),
            cliCapture({"carry", old, mod, now, out}));
  EXPECT_EQ(imageOf({lang({{"Ja", "Vielleicht", "Nee", "Ziel"}, {"Weg"}})}), readFile(out));
}

}  // namespace
