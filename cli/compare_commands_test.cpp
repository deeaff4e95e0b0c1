// SPDX-License-Identifier: MIT
// diff and carry: images compared by what they mean, a mod carried to a new
// firmware unit by unit.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "cli/cli.h"
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
                module("font_a", fontEdited([](auto glyph) {
                         glyph(1)->width = 2, glyph(65)->pixels[6 * 2 + 1] ^= 0xFF;
                       })),
                module("Lng_German", german("Nee\t\"no\"")), module("diag", Bytes(4, 9), 0x55)});
  const auto [code, printed, said] = cliCapture({"diff", a, b});
  EXPECT_EQ(1, code) << said;
  const std::string text = printed;
  auto has = [&](const std::string& line) { return text.find(line + "\n") != std::string::npos; };
  EXPECT_TRUE(has("  text 0/1: \"Nein\" -> \"Nee\\t\"no\"\"")) << text;
  EXPECT_TRUE(has("  glyph 1: width 3 -> 2")) << text;
  EXPECT_TRUE(has("  glyph 65: rows 2")) << text;
  EXPECT_TRUE(has("  entry 5: #000000 -> #ff0000")) << text;
  EXPECT_TRUE(has("  item 1 \"backgr. guiding screen\": entry 2 -> entry 7")) << text;
  EXPECT_TRUE(has("  picture 0: 8x1 bitmap -> 8x1 bitmap, pixels changed")) << text;
  EXPECT_NE(std::string::npos, text.find("\n-\ttmc\t104\t")) << text;
  EXPECT_EQ(std::string::npos, text.find("kernel"));  // equal, moved: not listed
  EXPECT_EQ(0u, text.find("~\tLng_German\t"));
  EXPECT_NE(std::string::npos, text.find("\n+\tdiag\t104\t"));
  const std::string brief = std::get<1>(cliCapture({"diff", a, b, "--brief"}));
  EXPECT_EQ(std::string::npos, brief.find("  "));
  EXPECT_NE(std::string::npos,
            std::get<1>(cliCapture({"diff", a, b, "--all"})).find("=\tkernel\t"));

  // Trouble, as diff(1) has it: an input unreadable, or the output.
  EXPECT_EQ(2, std::get<0>(cliCapture({"diff", a, dir.file("none.img")})));
  std::string args[] = {"korvane-cli", "diff", a, b};
  char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data()};
  FILE* full = std::fopen("/dev/full", "w");
  testing::internal::CaptureStderr();
  EXPECT_EQ(2, cliRun(4, argv, full, stderr));
  testing::internal::GetCapturedStderr();
  std::fclose(full);
}

// NEW the same as OLD: the mod comes out as it is. Added and removed
// modules go in and out, in the mod's places.
TEST_F(Compare, CarryOntoTheSameFirmwareGivesTheMod) {
  const std::string old = save("old.img", {kernel, module("Lng_German", german("Nein")), tmc});
  const std::string mod = save(
      "mod.img", {kernel, module("extra", Bytes(4, 7), 1), module("Lng_German", german("Nee"))});
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
  const Bytes oldFont = fontBody(1);
  const std::string old =
      save("old.img",
           {module("Lng_German", german("Nein")), module("font_a", oldFont),
            module("rom_col", palette(0x8000, 3)), module("rombitmaps", pictures(0xF0)), tmc});
  const std::string mod =
      save("mod.img",
           {module("Lng_German", german("Nee", "Doel")),
            module("font_a", fontEdited([](auto glyph) { glyph(65)->pixels[6 * 2 + 1] ^= 0xFF; })),
            module("rom_col", palette(0xFC00, 8)), module("rombitmaps", pictures(0x0F)),
            module("tmc", Bytes(8, 5), 1)});
  // The new firmware changed text 1/0, glyph 66, entry 5, picture 1 and tmc itself.
  const std::string now =
      save("new.img", {module("Lng_German", german("Nein", "Destination")),
                       module("font_a", fontEdited([](auto glyph) { glyph(66)->width = 2; })),
                       module("rom_col", palette(0x83E0, 3)),
                       module("rombitmaps", pictures(0xF0, 5)), module("tmc", Bytes(8, 6), 1)});
  const auto [code, printed, said] = cliCapture({"carry", old, mod, now, out});
  EXPECT_EQ(1, code) << said;
  auto has = [&](const std::string& line) {
    return printed.find(line + "\n") != std::string::npos;
  };
  EXPECT_TRUE(has("carried\tLng_German\ttext 0/1: \"Nein\" -> \"Nee\"")) << printed;
  EXPECT_TRUE(has(
      "conflict\tLng_German\ttext 1/0: the mod \"Ziel\" -> \"Doel\", the new firmware \"Ziel\" -> "
      "\"Destination\"; the new firmware's kept"))
      << printed;
  EXPECT_TRUE(has("carried\tfont_a\tglyph 65: rows 2")) << printed;
  EXPECT_TRUE(
      has("conflict\trom_col\tentry 5: the mod #000000 -> #ff0000, the new firmware #000000 -> "
          "#00ff00; "
          "the new firmware's kept"))
      << printed;
  EXPECT_TRUE(has("carried\trom_col\titem 1 \"backgr. guiding screen\": entry 2 -> entry 7"))
      << printed;
  EXPECT_TRUE(has("carried\trombitmaps\tpicture 0: 8x1 bitmap -> 8x1 bitmap, pixels changed"))
      << printed;
  EXPECT_TRUE(has("conflict\ttmc\tmodule: changed in both; the new firmware's kept")) << printed;
  EXPECT_TRUE(has("carried 1 texts, 1 glyphs, 1 colours, 1 pictures, 0 modules; 3 conflicts"))
      << printed;
  const std::string strings = std::get<1>(cliCapture({"strings", out}));
  EXPECT_NE(std::string::npos,
            strings.find("0/1\ttext\tNee\n0/2\tabsent\n1/0\ttext\tDestination\n"));

  const auto [code2, printed2, said2] =
      cliCapture({"carry", old, mod, now, out, "--prefer", "mod"});
  EXPECT_EQ(1, code2) << said2;
  EXPECT_NE(std::string::npos, printed2.find("; the mod's kept\n"));
  EXPECT_NE(std::string::npos, std::get<1>(cliCapture({"strings", out})).find("1/0\ttext\tDoel\n"));
  EXPECT_NE(std::string::npos, std::get<1>(cliCapture({"colors", out})).find("entry\t5\tFC00\t"));
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
  const auto [code, printed, said] = cliCapture({"carry", old, mod, now, out});
  EXPECT_EQ(0, code) << said;
  EXPECT_NE(std::string::npos, printed.find("carried\tLng_German\ttext 0/2: \"Nein\" -> \"Nee\"\n"))
      << printed;
  EXPECT_NE(std::string::npos,
            printed.find("carried\tLng_German\ttext 1/0: \"Route\" -> \"Weg\"\n"))
      << printed;
  EXPECT_NE(std::string::npos, printed.find("matched\tLng_German\t2 entries through their texts"))
      << printed;
  EXPECT_NE(std::string::npos, std::get<1>(cliCapture({"strings", out}))
                                   .find("0/0\ttext\tJa\n0/1\ttext\tVielleicht\n0/2\ttext\tNee\n"));
}

TEST_F(Compare, CorruptInputsAreTroubleAndWriteNothing) {
  const std::string good = save("good.img", {kernel});
  Bytes broken = imageOf({kernel});
  broken[40] ^= 1;
  ASSERT_TRUE(writeFile(dir.file("bad.img"), broken));
  for (int i = 0; i < 3; i++) {
    std::vector<std::string> args = {"carry", good, good, good, out};
    args[1 + i] = dir.file("bad.img");
    EXPECT_EQ(2, std::get<0>(cliCapture(args))) << i;
  }
  EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
