// SPDX-License-Identifier: MIT
#include "tabs/fonts/font_bdf.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "pool/memory.h"
#include "pool/text_lines.h"

namespace {

using CodePageTable = std::array<uint32_t, 256>;

CodePageTable codePageTableMake(const char* codePage) {
  CodePageTable table{};
  for (uint32_t code = 1; code < 256; code++) {
    const char byte = char(code);
    gchar* utf8 = g_convert(&byte, 1, "UTF-8", codePage, nullptr, nullptr, nullptr);
    if (utf8) table[code] = g_utf8_get_char(utf8);
    g_free(utf8);
  }
  return table;
}

void numberAppend(std::string& out, uint32_t value) {
  char digits[12];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// XLFD fields are separated by '-' and must not hold wildcards or quotes.
std::string xlfdFamily(const char* name) {
  std::string family;
  for (const char* p = name; *p; p++) family += g_ascii_isalnum(*p) || *p == '_' ? *p : '_';
  return family.empty() ? "font" : family;
}

// ---- Reading ----

// The lines of a text, numbered from 1; CR before LF is dropped.
class LineReader {
 public:
  LineReader(const char* text, size_t length) : p_(text), end_(text + length) {}
  bool next() {
    if (p_ >= end_) return false;
    const char* stop = static_cast<const char*>(std::memchr(p_, '\n', size_t(end_ - p_)));
    if (!stop) stop = end_;
    line_ = std::string_view(p_, size_t(stop - p_));
    if (!line_.empty() && line_.back() == '\r') line_.remove_suffix(1);
    p_ = stop + (stop < end_);
    number_++;
    return true;
  }
  std::string_view line() const { return line_; }
  uint32_t number() const { return number_; }

 private:
  const char* p_;
  const char* end_;
  std::string_view line_;
  uint32_t number_ = 0;
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The first word of a line.
std::string_view keywordOf(std::string_view line) {
  size_t start = 0;
  while (start < line.size() && isBlank(line[start])) start++;
  size_t stop = start;
  while (stop < line.size() && !isBlank(line[stop])) stop++;
  return line.substr(start, stop - start);
}

std::string_view restOf(std::string_view line) {
  std::string_view keyword = keywordOf(line);
  size_t start = size_t(keyword.data() - line.data()) + keyword.size();
  while (start < line.size() && isBlank(line[start])) start++;
  return line.substr(start);
}

// Reads `count` integers after the keyword; further words are ignored.
bool numbersOf(std::string_view line, int32_t* values, int count) {
  std::string_view rest = restOf(line);
  for (int i = 0; i < count; i++) {
    size_t p = 0;
    bool negative = p < rest.size() && rest[p] == '-';
    if (p < rest.size() && (rest[p] == '-' || rest[p] == '+')) p++;
    if (p >= rest.size() || !g_ascii_isdigit(rest[p])) return false;
    int64_t value = 0;
    for (; p < rest.size() && g_ascii_isdigit(rest[p]); p++) {
      value = value * 10 + (rest[p] - '0');
      if (value > INT32_MAX) return false;
    }
    if (p < rest.size() && !isBlank(rest[p])) return false;
    values[i] = int32_t(negative ? -value : value);
    while (p < rest.size() && isBlank(rest[p])) p++;
    rest = rest.substr(p);
  }
  return true;
}

// A glyph name fit for a message: at most 40 characters, control bytes as '?'.
std::string nameShown(std::string_view name) {
  std::string shown(name.substr(0, 40));
  for (char& c : shown)
    if (uint8_t(c) < 0x20 || c == 0x7F) c = '?';
  return shown;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

const char* fontCodePageName(const char* text) {
  if (g_ascii_strcasecmp(text, "CP1251") == 0) return "CP1251";
  if (g_ascii_strcasecmp(text, "CP1252") == 0) return "CP1252";
  return nullptr;
}

uint32_t fontCodePageChar(const char* codePage, uint32_t code) {
  static const CodePageTable cp1251 = codePageTableMake("CP1251");
  static const CodePageTable cp1252 = codePageTableMake("CP1252");
  const char* known = fontCodePageName(codePage);
  if (!known || code > 255) return 0;
  return (std::strcmp(known, "CP1251") == 0 ? cp1251 : cp1252)[code];
}

char* fontBdfWrite(const FontMetrics* metrics, List* glyphs, const char* name, const char* codePage,
                   size_t* length) {
  const uint32_t W = metrics->width, H = metrics->height;
  const uint32_t rowBytes = (W + 7) / 8;
  uint32_t widthSum = 0;
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++)
    widthSum += std::min(fontGlyphAt(glyphs, c)->width, W);
  const std::string family = xlfdFamily(name);
  std::string lower(codePage);
  for (char& ch : lower) ch = g_ascii_tolower(ch);

  std::string out;
  out.reserve(size_t(FONT_GLYPH_COUNT) * (90 + H * (2 * rowBytes + 1)));
  textAppendf(out, "STARTFONT 2.1\n");
  textAppendf(out, "COMMENT Font %s: %u x %u cell, codes 1 to 255, exported by Korvane.\n",
         family.c_str(), W, H);
  textAppendf(out, "COMMENT The cell's bottom row lies on the baseline: FONT_ASCENT is the cell's\n");
  textAppendf(out, "COMMENT height and FONT_DESCENT 0. Each BBX is the whole cell; the columns\n");
  textAppendf(out, "COMMENT past a glyph's DWIDTH are clear.\n");
  // Point size = pixel size at 72 dpi, so SWIDTH is DWIDTH * 1000 / H.
  textAppendf(out, "FONT -Korvane-%s-Medium-R-Normal--%u-%u-72-72-P-%u-microsoft-%s\n", family.c_str(),
         H, H * 10, (widthSum * 10 + FONT_GLYPH_COUNT / 2) / FONT_GLYPH_COUNT, lower.c_str());
  textAppendf(out, "SIZE %u 72 72\n", H);
  textAppendf(out, "FONTBOUNDINGBOX %u %u 0 0\n", W, H);
  textAppendf(out, "STARTPROPERTIES 4\nFONT_ASCENT %u\nFONT_DESCENT 0\n", H);
  textAppendf(out, "CHARSET_REGISTRY \"microsoft\"\nCHARSET_ENCODING \"%s\"\nENDPROPERTIES\n", codePage);
  textAppendf(out, "CHARS %u\n", FONT_GLYPH_COUNT);
  static const char HEX[] = "0123456789ABCDEF";
  std::vector<uint8_t> row(rowBytes);
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++) {
    const FontGlyph* g = fontGlyphAt(glyphs, c);
    const uint32_t width = std::min(g->width, W);
    if (uint32_t ch = fontCodePageChar(codePage, c))
      textAppendf(out, "STARTCHAR uni%04X\n", ch);
    else
      textAppendf(out, "STARTCHAR c%03u\n", c);
    // Once per glyph, so built without a format string.
    out += "ENCODING ";
    numberAppend(out, c);
    out += "\nSWIDTH ";
    numberAppend(out, (width * 1000 + H / 2) / H);
    out += " 0\nDWIDTH ";
    numberAppend(out, width);
    out += " 0\nBBX ";
    numberAppend(out, W);
    out += ' ';
    numberAppend(out, H);
    out += " 0 0\nBITMAP\n";
    for (uint32_t y = 0; y < H; y++) {
      std::fill(row.begin(), row.end(), 0);
      for (uint32_t x = 0; x < width; x++)
        if (g->pixels[y * W + x]) row[x / 8] |= uint8_t(0x80 >> (x % 8));
      for (uint8_t byte : row) {
        out += HEX[byte >> 4];
        out += HEX[byte & 15];
      }
      out += '\n';
    }
    out += "ENDCHAR\n";
  }
  out += "ENDFONT\n";
  *length = out.size();
  return reinterpret_cast<char*>(mallocCopy(out.data(), out.size()));
}

namespace {

struct StagedGlyph {
  bool present = false;
  uint32_t width = 0;
  std::vector<uint8_t> pixels;
};

int refuse(char* err, size_t errSize, uint32_t line, const std::string& text) {
  return errorSet(err, errSize, "line %u: %s", line, text.c_str());
}

// What an import gathers: the font's properties that place its glyphs, and
// each glyph of a code 1 .. 255, staged until the whole file was read.
struct BdfImport {
  int32_t W = 0, H = 0;
  bool haveAscent = false, haveBox = false, haveFontWidth = false;
  int32_t ascent = 0, box[4] = {}, fontWidth = 0;
  std::vector<StagedGlyph> staged = std::vector<StagedGlyph>(FONT_GLYPH_COUNT + 1);
  std::string dropped;  // a line per glyph that lost pixels
};

// A glyph's keywords from STARTCHAR up to BITMAP.
struct GlyphHead {
  std::string name, glyph;  // as shown, and "glyph 'NAME'"
  int32_t encoding = -1, width = 0, bbx[4] = {};
};

// Reads up to BITMAP; other keywords (SWIDTH, VVECTOR ...) are ignored.
int glyphHeadRead(LineReader& reader, const BdfImport& font, GlyphHead* head, char* err, size_t errSize) {
  const std::string& glyph = head->glyph;
  bool haveEncoding = false, haveWidth = font.haveFontWidth, haveBbx = false;
  head->width = font.fontWidth;
  while (true) {
    if (!reader.next()) return refuse(err, errSize, reader.number(), "the file ends inside " + glyph);
    std::string_view key = keywordOf(reader.line());
    const uint32_t keyAt = reader.number();
    if (key == "BITMAP") break;
    if (key == "ENDCHAR" || key == "STARTCHAR" || key == "ENDFONT")
      return refuse(err, errSize, keyAt, glyph + " has no BITMAP");
    if (key == "ENCODING") {
      if (!numbersOf(reader.line(), &head->encoding, 1))
        return refuse(err, errSize, keyAt, "ENCODING needs a number");
      haveEncoding = true;
    } else if (key == "DWIDTH") {
      if (!numbersOf(reader.line(), &head->width, 1) || head->width < 0)
        return refuse(err, errSize, keyAt, "DWIDTH needs a width of 0 or more");
      haveWidth = true;
    } else if (key == "BBX") {
      if (!numbersOf(reader.line(), head->bbx, 4) || head->bbx[0] < 0 || head->bbx[1] < 0)
        return refuse(err, errSize, keyAt, "BBX needs a width and height of 0 or more and two offsets");
      haveBbx = true;
    }
  }
  const uint32_t bitmapAt = reader.number();
  if (!haveEncoding) return refuse(err, errSize, bitmapAt, glyph + " has no ENCODING");
  if (!haveWidth) return refuse(err, errSize, bitmapAt, glyph + " has no DWIDTH");
  if (!haveBbx) return refuse(err, errSize, bitmapAt, glyph + " has no BBX");
  if (!font.haveAscent && !font.haveBox)
    return refuse(err, errSize, bitmapAt, "no FONT_ASCENT or FONTBOUNDINGBOX before the first glyph");
  return 1;
}

// A glyph's BITMAP rows and its ENDCHAR, after glyphHeadRead. Pixels land
// in the cell through the BBX and the font's ascent (FONT_ASCENT, else the
// bounding box's top), the cell's top row at the ascent; those outside it
// are counted as lost. A glyph of a code 1 .. 255 is staged.
int glyphBitmapRead(LineReader& reader, const GlyphHead& head, BdfImport& font, char* err, size_t errSize) {
  const int32_t W = font.W, H = font.H;
  const std::string& glyph = head.glyph;
  const int32_t* bbx = head.bbx;
  const int64_t top = font.haveAscent ? font.ascent : int64_t(font.box[1]) + font.box[3];
  StagedGlyph next;
  next.pixels.assign(size_t(W) * H, 0);
  const size_t digits = 2 * ((size_t(bbx[0]) + 7) / 8);
  uint32_t lost = 0;
  for (int32_t i = 0; i < bbx[1]; i++) {
    if (!reader.next()) return refuse(err, errSize, reader.number(), "the file ends inside " + glyph);
    std::string_view row = reader.line();
    while (!row.empty() && isBlank(row.back())) row.remove_suffix(1);
    if (keywordOf(row) == "ENDCHAR")
      return refuse(err, errSize, reader.number(),
                    glyph + ": ENDCHAR after " + std::to_string(i) + " bitmap rows, its BBX says " +
                        std::to_string(bbx[1]));
    // Rows may carry padding digits beyond what the BBX width needs.
    if (row.size() < digits || row.size() % 2)
      return refuse(err, errSize, reader.number(),
                    glyph + ": a bitmap row does not fit its BBX width of " + std::to_string(bbx[0]));
    for (char c : row)
      if (hexValue(c) < 0) return refuse(err, errSize, reader.number(), glyph + ": a bitmap row is not hexadecimal");
    const int64_t y = top - (int64_t(bbx[3]) + bbx[1]) + i;
    for (int32_t j = 0; j < bbx[0]; j++) {
      if (!(hexValue(row[size_t(j) / 4]) & (8 >> (j % 4)))) continue;
      const int64_t x = int64_t(bbx[2]) + j;
      if (x < 0 || x >= W || y < 0 || y >= H)
        lost++;
      else
        next.pixels[size_t(y) * W + size_t(x)] = 0xFF;
    }
  }
  if (!reader.next()) return refuse(err, errSize, reader.number(), "the file ends inside " + glyph);
  if (keywordOf(reader.line()) != "ENDCHAR")
    return refuse(err, errSize, reader.number(),
                  glyph + ": more bitmap rows than the " + std::to_string(bbx[1]) + " its BBX says");
  if (head.encoding < 1 || head.encoding > int32_t(FONT_GLYPH_COUNT)) return 1;
  next.present = true;
  next.width = uint32_t(std::min(head.width, W));
  font.staged[size_t(head.encoding)] = std::move(next);
  if (lost)
    textAppendf(font.dropped, "glyph '%s' (code %d): %u %s outside the %d x %d cell dropped\n", head.name.c_str(),
           head.encoding, lost, lost == 1 ? "pixel" : "pixels", W, H);
  return 1;
}

// The font's lines after STARTFONT up to ENDFONT: its properties, bounding
// box, font-wide DWIDTH and glyphs.
int fontLinesRead(LineReader& reader, BdfImport& font, char* err, size_t errSize) {
  bool inProperties = false;
  while (true) {
    if (!reader.next()) return refuse(err, errSize, reader.number(), "the file ends before ENDFONT");
    std::string_view line = reader.line();
    std::string_view keyword = keywordOf(line);
    const uint32_t at = reader.number();
    if (inProperties) {
      if (keyword == "ENDPROPERTIES") {
        inProperties = false;
      } else if (keyword == "FONT_ASCENT") {
        if (!numbersOf(line, &font.ascent, 1)) return refuse(err, errSize, at, "FONT_ASCENT needs a number");
        font.haveAscent = true;
      }
      continue;
    }
    if (keyword == "ENDFONT") return 1;
    if (keyword == "STARTPROPERTIES") {
      inProperties = true;
    } else if (keyword == "FONTBOUNDINGBOX") {
      if (!numbersOf(line, font.box, 4)) return refuse(err, errSize, at, "FONTBOUNDINGBOX needs four numbers");
      font.haveBox = true;
    } else if (keyword == "DWIDTH") {
      if (!numbersOf(line, &font.fontWidth, 1) || font.fontWidth < 0)
        return refuse(err, errSize, at, "DWIDTH needs a width of 0 or more");
      font.haveFontWidth = true;
    } else if (keyword == "STARTCHAR") {
      GlyphHead head;
      head.name = nameShown(restOf(line));
      head.glyph = "glyph '" + head.name + "'";
      if (!glyphHeadRead(reader, font, &head, err, errSize) || !glyphBitmapRead(reader, head, font, err, errSize))
        return 0;
    }
  }
}

}  // namespace

int fontBdfRead(const char* text, size_t length, const FontMetrics* metrics, List* glyphs,
                char** warnings, char* err, size_t errSize) {
  *warnings = nullptr;
  LineReader reader(text, length);
  // A byte-order mark before STARTFONT is tolerated.
  if (length >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0)
    reader = LineReader(text + 3, length - 3);
  if (!reader.next() || keywordOf(reader.line()) != "STARTFONT")
    return refuse(err, errSize, 1, "not a BDF file: it does not begin with STARTFONT");
  BdfImport font;
  font.W = int32_t(metrics->width), font.H = int32_t(metrics->height);
  if (!fontLinesRead(reader, font, err, errSize)) return 0;
  for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++) {
    const StagedGlyph& staged = font.staged[c];
    if (!staged.present) continue;
    FontGlyph* g = fontGlyphAt(glyphs, c);
    g->width = staged.width;
    std::memcpy(g->pixels, staged.pixels.data(), staged.pixels.size());
  }
  if (!font.dropped.empty()) {
    font.dropped.back() = '\0';  // no final newline
    *warnings = reinterpret_cast<char*>(mallocCopy(font.dropped.data(), font.dropped.size()));
  }
  return 1;
}
