// SPDX-License-Identifier: MIT
// Writes the seed corpora of pool_parse_fuzzer, font_decode_fuzzer, image_decode_fuzzer,
// language_decode_fuzzer, crc_fuzzer, bdf_read_fuzzer and translation_read_fuzzer from the
// test builders. From the project root, with a build in build-test:
//   g++ -std=c++20 -I. fuzz/make_corpus.cpp build-test/libkorvane_test_support.a
//       build-test/libkorvane_core.a $(pkg-config --cflags --libs glib-2.0) -o /tmp/make_corpus &&
//   /tmp/make_corpus fuzz/corpus/pool_parse fuzz/corpus/font_decode fuzz/corpus/image_decode
//       fuzz/corpus/language_decode fuzz/corpus/crc fuzz/corpus/bdf_read
//       fuzz/corpus/translation_read
// (with a sanitized build, add -fsanitize=address,undefined).
#include <algorithm>
#include <cstdlib>
#include <string>

#include "pool/be.h"
#include "pool/module_format.h"
#include "pool/memory.h"
#include "tabs/fonts/font_bdf.h"
#include "tabs/images/image_codec.h"
#include "tabs/strings/language_codec.h"
#include "tabs/strings/translation_file.h"
#include "tests/support/body_builders.h"
#include "tests/support/module_builder.h"

namespace {

// A 4 x 2 font written by hand, for what the encoder never writes: a width byte above W
// (read as W), an inline row followed by a pattern reference, and codes sharing a record.
// Every code but 'A' to 'C' uses the blank record at 514.
Bytes fontTiny() {
  Bytes b(528, 0);
  b[0] = 4;
  b[1] = 2;
  beSet16(&b[2], 523);  // pattern table, after the records
  for (uint32_t c = 1; c <= 255; c++) beSet16(&b[4 + 2 * (c - 1)], 514);
  beSet16(&b[4 + 2 * ('A' - 1)], 516);
  beSet16(&b[4 + 2 * ('B' - 1)], 520);
  beSet16(&b[4 + 2 * ('C' - 1)], 516);
  const uint8_t records[] = {2, 0x00,                // 514: blank
                             4, 0xFF, 0x90, 0x01,    // 516: inline row, then pattern 1
                             9, 0x01, 0x00,          // 520: width above W, pattern 1
                             1, 0x60};               // 523: BPR, pattern 1
  std::copy(records, records + sizeof records, b.begin() + 514);
  return b;
}

// Valid fonts only: the decoder's refusals are found by mutation within seconds.
bool fontSeedsWrite(const std::string& dir) {
  return writeFile(dir + "ok-scale-1", fontBody(1)) && writeFile(dir + "ok-scale-2", fontBody(2)) &&
         writeFile(dir + "ok-tiny", fontTiny());
}

// An image seed: the kind byte (even: rombitmaps, odd: romicons), then the body.
bool imageSeedWrite(const std::string& path, uint8_t kind, const Bytes& body) {
  Bytes seed{kind};
  seed.insert(seed.end(), body.begin(), body.end());
  return !body.empty() && writeFile(path, seed);
}

// Bodies as written, of every type, one with a 5-byte bitmap (padded to 8) and a 21-character
// icon name; and a bitmap table laid out by hand: two records sharing one area, the second
// of them running past the body.
bool imageSeedsWrite(const std::string& dir) {
  const Bytes gif = bytesOf("GIF89a"), png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  const Bytes words6 = {0x7F, 0xFF, 0x00, 0x00, 0x7C, 0x00, 0x03, 0xE0, 0x00, 0x1F, 0x80, 0x01};
  const Bytes words4 = {0x7C, 0x00, 0x03, 0xE0, 0x00, 0x1F, 0x7F, 0xFF};
  std::vector<ImagePicture> bitmaps = {
      {IMAGE_BITMAP, 16, 2, {0xF0, 0x0F, 0xAA, 0x55}},
      {IMAGE_BITMAP, 5, 8, {0xFF, 0x81, 0x42, 0x24, 0x18}},
      {IMAGE_PIXMAP15, 3, 2, words6},
      {IMAGE_PIXMAP8, 2, 2, {1, 2, 3, 4}},
      {IMAGE_PNG, 1, 1, png},
      {7, 1, 1, {0xEE, 0xEE}},
  };
  std::vector<ImagePicture> icons = {
      {IMAGE_BITMAP, 8, 2, {0x3C, 0xC3}, 1, "car"},
      {IMAGE_PIXMAP15, 2, 2, words4, 2, "abcdefghijklmnopqrstu"},
      {IMAGE_GIF, 1, 1, gif, 0x1234, "pin"},
      {IMAGE_JPEG, 0, 0, {}, 9, ""},
  };
  Bytes shared(48, 0);
  const uint32_t records[3][4] = {
      {36, 8, 2, 2}, {44, 16, 1, 2}, {36 | IMAGE_PIXMAP15 << 29, 2, 2, 64}};
  for (uint32_t i = 0; i < 3; i++) {
    beSet32(&shared[12 * i], records[i][0]);
    beSet16(&shared[12 * i + 4], records[i][1]);
    beSet16(&shared[12 * i + 6], records[i][2]);
    beSet32(&shared[12 * i + 8], records[i][3]);
  }
  for (uint32_t i = 36; i < 48; i++) shared[i] = uint8_t(0x11 * (i - 35));
  return imageSeedWrite(dir + "ok-bitmaps-mixed", 0, imagesBody(IMAGE_KIND_BITMAPS, bitmaps)) &&
         imageSeedWrite(dir + "ok-icons-mixed", 1, imagesBody(IMAGE_KIND_ICONS, icons)) &&
         imageSeedWrite(dir + "ok-icons-version-1", 1,
                        imagesBody(IMAGE_KIND_ICONS,
                                   {{IMAGE_BITMAP, 12, 2, {0xFF, 0xF0, 0x0F}, 7, "arrow"}}, 1)) &&
         imageSeedWrite(dir + "ok-bitmaps-shared", 0, shared);
}

// A language seed: the name byte (even: Lng_German, CP1252; odd: Lng_Russian, CP1251), then
// the body.
bool languageSeedWrite(const std::string& path, uint8_t name, const Bytes& body) {
  Bytes seed{name};
  seed.insert(seed.end(), body.begin(), body.end());
  return !body.empty() && writeFile(path, seed);
}

// Bodies as written, of both layouts, with absent entries, shared and empty texts; one whose
// empty groups share their offset with the next; and one holding the byte 0x81, which CP1252
// cannot decode.
bool languageSeedsWrite(const std::string& dir) {
  const std::nullopt_t absent = std::nullopt;
  Bytes undecodable = languageBody(LANGUAGE_LAYOUT_16, {{"Caf~", "Caf~", absent, "OK"}}, "CP1252");
  const Bytes tilde = bytesOf("f~");
  auto at = std::search(undecodable.begin(), undecodable.end(), tilde.begin(), tilde.end());
  if (at != undecodable.end()) at[1] = 0x81;
  Bytes groups32 = languageBody(
      LANGUAGE_LAYOUT_32, {{"Route", absent, "Straße", "Route"}, {"", "OK", ""}, {absent, "Menü"}},
      "CP1252");
  Bytes cyrillic16 =
      languageBody(LANGUAGE_LAYOUT_16, {{"Маршрут", absent, ""}, {"OK", "Маршрут"}}, "CP1251");
  Bytes emptyGroups =
      languageBody(LANGUAGE_LAYOUT_16, {{"A", absent}, {}, {}, {"B"}, {}}, "CP1252");
  return languageSeedWrite(dir + "ok-32-groups", 0, groups32) &&
         languageSeedWrite(dir + "ok-16-cyrillic", 1, cyrillic16) &&
         languageSeedWrite(dir + "ok-equal-group-offsets", 0, emptyGroups) &&
         languageSeedWrite(dir + "ok-undecodable", 0, undecodable);
}

// A CRC seed: register, alignment skip and split point, then the data.
bool crcSeedWrite(const std::string& path, uint32_t reg, uint8_t skip, uint8_t split,
                  const Bytes& data) {
  Bytes seed(6 + skip % 16, 0x5A);
  beSet32(&seed[0], reg);
  seed[4] = skip;
  seed[5] = split;
  seed.insert(seed.end(), data.begin(), data.end());
  return writeFile(path, seed);
}

// Just below and at the fold's 64 bytes, whole modules at odd alignments (the lengths the
// pool checks), and a register with bits above the low 24.
bool crcSeedsWrite(const std::string& dir) {
  Bytes counting(200);
  for (size_t i = 0; i < counting.size(); i++) counting[i] = uint8_t(i * 37 + 1);
  Bytes module = ModuleBuilder().name("crc").body(Bytes(700, 0xC3)).build();
  module.resize(module.size() - 3);
  Bytes first63(counting.begin(), counting.begin() + 63);
  Bytes first64(counting.begin(), counting.begin() + 64);
  return crcSeedWrite(dir + "short-63", 0xFFFFFF, 0, 128, first63) &&
         crcSeedWrite(dir + "fold-64", 0xFFFFFF, 0, 0, first64) &&
         crcSeedWrite(dir + "fold-200-skip-7", 0x123456, 7, 200, counting) &&
         crcSeedWrite(dir + "module-skip-13", 0xFFFFFF, 13, 255, module) &&
         crcSeedWrite(dir + "wide-register", 0xA5000001, 3, 64, module);
}

// A BDF seed: the cell (W - 1, H - 1), then the text: the test font exported, whole and cut
// after its first glyph.
bool bdfSeedsWrite(const std::string& dir) {
  Bytes body = fontBody(1);
  FontMetrics m;
  List* glyphs = fontDecode(body.data(), uint32_t(body.size()), &m);
  if (!glyphs) return false;
  size_t length = 0;
  MallocPtr<char> text(fontBdfWrite(&m, glyphs, "seed", "CP1252", &length));
  fontGlyphsFree(glyphs);
  Bytes whole{uint8_t(m.width - 1), uint8_t(m.height - 1)};
  whole.insert(whole.end(), text.get(), text.get() + length);
  std::string all(text.get(), length);
  size_t cut = all.find("ENDCHAR\n");
  Bytes one{uint8_t(m.width - 1), uint8_t(m.height - 1)};
  one.insert(one.end(), text.get(), text.get() + cut + 8);
  const std::string end = "ENDFONT\n";
  one.insert(one.end(), end.begin(), end.end());
  return writeFile(dir + "ok-font", whole) && writeFile(dir + "ok-one-glyph", one);
}

// A translation seed: the format byte (even: PO, odd: TSV), then the file of a language
// module's texts, with a reference language as msgid.
bool translationSeedsWrite(const std::string& dir) {
  Bytes body = languageBody(LANGUAGE_LAYOUT_32, {{"Ja", std::nullopt, "Nein", "Tab\t\"q\"", ""},
                                                  {"Line\nbreak", "Stra\u00DFe", "Neu"}},
                            "CP1252");
  Bytes built = ModuleBuilder().name("Lng_German").body(body).build();
  LanguageModule lm = {};
  lm.module = moduleCreate(built.data(), built.size(), ARCH_4DAD, nullptr);
  char err[ERROR_SIZE];
  bool ok = lm.module && readLanguageModule(&lm, err, sizeof err);
  if (ok) languageEntryTake(static_cast<StringEntry*>(listGet(lm.entries, 0)), "Jawohl");
  for (int format : {TRANSLATION_PO, TRANSLATION_TSV}) {
    size_t size = 0;
    char* file = ok ? translationWrite(&lm, nullptr, format, &size) : nullptr;
    Bytes seed{uint8_t(format)};
    if (file) seed.insert(seed.end(), file, file + size);
    std::free(file);
    ok = ok && writeFile(dir + (format == TRANSLATION_PO ? "ok-po" : "ok-tsv"), seed);
  }
  languageModuleClear(&lm);
  moduleFree(lm.module);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 8) return 2;
  std::string dir = std::string(argv[1]) + "/";
  // Bodies without a zero byte, so a mutated length shows up as a parse error, not as padding.
  Bytes first = ModuleBuilder().name("navtable").body(Bytes(40, 1)).build(),
        second = ModuleBuilder().name("boot").type(1).language(1).revision(3).edition(7)
                     .body(Bytes(64, 0x41)).build(),
        far = ModuleBuilder().name("far").body(Bytes(16, 1)).build();
  beSet32(&far[MH_DATA_OFFSET], beGet32(&far[MH_SIZE]) + 64);  // valid, but without a body
  fixIntegrity(far);
  bool ok = writeFile(dir + "ok-one-module", first) &&
            writeFile(dir + "ok-two-modules", imageOf({first, second})) &&
            writeFile(dir + "ok-padded", imageOf({first, zeros(12), second})) &&
            writeFile(dir + "ok-gaps-and-filler", ModuleBuilder().name("gaps").headerFiller(true)
                          .gaps(8, 4).body(Bytes(20, 0x80)).build()) &&
            writeFile(dir + "ok-body-before-name", ModuleBuilder().name("late")
                          .bodyBeforeName(true).body(Bytes(24, 0x10)).build()) &&
            writeFile(dir + "ok-data-past-trailer", far) &&
            writeFile(dir + "bad-trailing-zeros", imageOf({first, zeros(8)})) &&
            writeFile(dir + "bad-three-bytes", Bytes{0x4D, 0xAD, 0x00}) &&
            writeFile(dir + "bad-abcd", bytesOf("ABCD"));
  // Each breakage behind a valid module, so the error comes from mid-image.
  Bytes broken = ModuleBuilder().name("broken").body(Bytes(12, 1)).build();
  for (int how = 0; how <= int(Break::TrailerPad); how++)
    ok = ok && writeFile(dir + "bad-break-" + std::to_string(how),
                         imageOf({first, breakModule(broken, Break(how))}));
  ok = ok && fontSeedsWrite(std::string(argv[2]) + "/");
  ok = ok && imageSeedsWrite(std::string(argv[3]) + "/");
  ok = ok && languageSeedsWrite(std::string(argv[4]) + "/");
  ok = ok && bdfSeedsWrite(std::string(argv[6]) + "/");
  ok = ok && translationSeedsWrite(std::string(argv[7]) + "/");
  return ok && crcSeedsWrite(std::string(argv[5]) + "/") ? 0 : 1;
}
