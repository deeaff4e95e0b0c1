// SPDX-License-Identifier: MIT
#include "tabs/colors/palette_file.h"

#include <glib.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pool/memory.h"
#include "pool/text_lines.h"

namespace {

const char GPL_HEADER[] = "GIMP Palette";
const char PAL_HEADER[] = "JASC-PAL";
const char ITEMS_HEADER[] = "index\tname\tentry\tred\tgreen\tblue";

struct Rgb {
  uint32_t red, green, blue;
};

Rgb shown(ColorTable* t, uint32_t entry) {
  Rgb c;
  t->colorGet(t, entry, &c.red, &c.green, &c.blue);
  t->colorToRgb8(t, &c.red, &c.green, &c.blue);
  return c;
}

// The module's name on one line of UTF-8: its bytes as Latin-1, control
// characters as "?".
std::string nameLine(const char* name) {
  gchar* utf8 = g_convert(name, -1, "UTF-8", "ISO-8859-1", nullptr, nullptr, nullptr);
  std::string out = utf8 ? utf8 : "";
  g_free(utf8);
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return out;
}

// The entry an item shows: "heading", "beyond" (an item word past the
// palette) or its number.
std::string itemEntryText(ColorTable* t, uint32_t item) {
  if (t->itemIsHeading(t, item)) return "heading";
  uint32_t entry = t->itemGetColor(t, item);
  return entry < t->paletteCount ? std::to_string(entry) : "beyond";
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// A decimal number of up to 9 digits.
std::optional<uint32_t> numberOf(std::string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + uint32_t(c - '0');
  }
  return value;
}

// Leading whitespace-separated numbers of a line; the rest (a colour's
// name in a GIMP palette) is the caller's.
bool colourOf(std::string_view line, Rgb* c, std::string* why) {
  uint32_t values[3];
  size_t p = 0;
  for (uint32_t& v : values) {
    while (p < line.size() && isBlank(line[p])) p++;
    size_t start = p;
    while (p < line.size() && !isBlank(line[p])) p++;
    std::optional<uint32_t> n = numberOf(line.substr(start, p - start));
    if (!n) {
      *why = "not a colour: three numbers from 0 to 255";
      return false;
    }
    if (*n > 255) {
      *why = "a value outside 0-255";
      return false;
    }
    v = *n;
  }
  *c = {values[0], values[1], values[2]};
  return true;
}

int refuse(char* err, size_t errSize, size_t line, const std::string& why) {
  return errorSet(err, errSize, "line %zu: %s", line, why.c_str());
}

// The 60 colours of a GIMP or JASC palette, or 0 with the line refused.
int coloursRead(const std::vector<std::string_view>& lines, int format, std::vector<Rgb>* colours,
                char* err, size_t errSize) {
  const char* header = format == PALETTE_GPL ? GPL_HEADER : PAL_HEADER;
  if (lines.empty() || lines[0] != header)
    return refuse(err, errSize, 1,
                  std::string("not a palette: it does not begin with \"") + header + "\"");
  size_t first = 1;
  if (format == PALETTE_PAL) {
    if (lines.size() < 2 || lines[1] != "0100")
      return refuse(err, errSize, 2, "not the JASC-PAL version \"0100\"");
    if (lines.size() < 3 || numberOf(lines[2]) != COLOR_PALETTE_COUNT)
      return refuse(err, errSize, 3, "the colour count must be 60");
    first = 3;
  }
  for (size_t n = first; n < lines.size(); n++) {
    std::string_view line = lines[n];
    size_t start = 0;
    while (start < line.size() && isBlank(line[start])) start++;
    if (start == line.size() || line[start] == '#') continue;
    if (format == PALETTE_GPL && (line.substr(0, 5) == "Name:" || line.substr(0, 8) == "Columns:"))
      continue;
    if (colours->size() == COLOR_PALETTE_COUNT)
      return refuse(err, errSize, n + 1, "more than 60 colours");
    Rgb c;
    std::string why;
    if (!colourOf(line, &c, &why)) return refuse(err, errSize, n + 1, why);
    colours->push_back(c);
  }
  if (colours->size() != COLOR_PALETTE_COUNT)
    return refuse(err, errSize, lines.size(), std::to_string(colours->size()) + " colours, not 60");
  return 1;
}

// Each item's new entry (an item not listed keeps its own), or 0 with the
// line refused.
int itemsRead(ColorTable* t, const std::vector<std::string_view>& lines,
              std::vector<int64_t>* entries, char* err, size_t errSize) {
  if (lines.empty() || lines[0] != ITEMS_HEADER)
    return refuse(err, errSize, 1,
                  "not the header line \"index, name, entry, red, green, blue\" (tab-separated)");
  entries->assign(t->itemCount, -1);
  for (size_t n = 1; n < lines.size(); n++) {
    if (lines[n].empty()) continue;
    std::vector<std::string_view> fields;
    for (std::string_view rest = lines[n];;) {
      size_t tab = rest.find('\t');
      fields.push_back(rest.substr(0, tab));
      if (tab == std::string_view::npos) break;
      rest.remove_prefix(tab + 1);
    }
    if (fields.size() != 6) return refuse(err, errSize, n + 1, "not six tab-separated fields");
    std::optional<uint32_t> item = numberOf(fields[0]);
    if (!item || *item >= t->itemCount)
      return refuse(err, errSize, n + 1, "no item " + std::string(fields[0]) + " in this table");
    char name[COLOR_NAME_SIZE] = "";
    t->itemGetName(t, *item, name);
    if (fields[1] != name)
      return refuse(err, errSize, n + 1, "item " + std::to_string(*item) + " is \"" + name + "\"");
    if ((*entries)[*item] != -1)
      return refuse(err, errSize, n + 1, "item " + std::to_string(*item) + " given twice");
    const std::string now = itemEntryText(t, *item);
    if (bool(t->itemIsHeading(t, *item)) != (fields[2] == "heading"))
      return refuse(err, errSize, n + 1,
                    "item " + std::to_string(*item) +
                        (now == "heading" ? " is a heading" : " is no heading"));
    std::optional<uint32_t> entry = numberOf(fields[2]);
    if (fields[2] == "heading" || (fields[2] == "beyond" && now == "beyond")) {
      (*entries)[*item] = -2;  // stays as it is
    } else if (entry && *entry < t->paletteCount) {
      (*entries)[*item] = *entry;
    } else {
      return refuse(err, errSize, n + 1, "the entry must be a number from 0 to 59");
    }
  }
  return 1;
}

}  // namespace

int paletteFormatOf(const char* path) {
  const char* dot = std::strrchr(path, '.');
  const char* slash = std::strrchr(path, '/');
  if (!dot || (slash && slash > dot)) return PALETTE_UNKNOWN;
  return paletteFormatNamed(dot + 1);
}

int paletteFormatNamed(const char* name) {
  if (g_ascii_strcasecmp(name, "gpl") == 0) return PALETTE_GPL;
  if (g_ascii_strcasecmp(name, "pal") == 0) return PALETTE_PAL;
  if (g_ascii_strcasecmp(name, "tsv") == 0) return PALETTE_ITEMS;
  return PALETTE_UNKNOWN;
}

uint32_t colorNearestChannel(uint32_t value) {
  uint32_t best = 0;
  for (uint32_t v = 1; v < 32; v++) {
    int64_t distance = int64_t(colorChannelToRgb8(v)) - int64_t(value);
    int64_t bestDistance = int64_t(colorChannelToRgb8(best)) - int64_t(value);
    if (std::llabs(distance) < std::llabs(bestDistance)) best = v;  // a tie keeps the lower
  }
  return best;
}

void colorHexText(uint32_t red, uint32_t green, uint32_t blue, char out[8]) {
  std::snprintf(out, 8, "#%02x%02x%02x", red & 0xFF, green & 0xFF, blue & 0xFF);
}

int colorHexParse(const char* text, uint32_t rgb[3]) {
  std::string_view t(text);
  while (!t.empty() && g_ascii_isspace(t.front())) t.remove_prefix(1);
  while (!t.empty() && g_ascii_isspace(t.back())) t.remove_suffix(1);
  if (!t.empty() && t.front() == '#') t.remove_prefix(1);
  if (t.size() != 6) return 0;
  uint32_t values[3] = {};
  for (size_t i = 0; i < 6; i++) {
    const int digit = g_ascii_xdigit_value(t[i]);
    if (digit < 0) return 0;
    values[i / 2] = values[i / 2] << 4 | uint32_t(digit);
  }
  std::copy(values, values + 3, rgb);
  return 1;
}

char* paletteWrite(ColorTable* t, const char* name, int format, size_t* size) {
  std::string out;
  if (format == PALETTE_GPL) {
    out = std::string(GPL_HEADER) + "\nName: " + nameLine(name) + "\nColumns: 8\n#\n";
    for (uint32_t k = 0; k < t->paletteCount; k++) {
      Rgb c = shown(t, k);
      textAppendf(out, "%3u %3u %3u\tentry %u\n", c.red, c.green, c.blue, k);
    }
  } else if (format == PALETTE_PAL) {
    textAppendf(out, "%s\r\n0100\r\n%u\r\n", PAL_HEADER, t->paletteCount);
    for (uint32_t k = 0; k < t->paletteCount; k++) {
      Rgb c = shown(t, k);
      textAppendf(out, "%u %u %u\r\n", c.red, c.green, c.blue);
    }
  } else {
    out = std::string(ITEMS_HEADER) + "\n";
    char itemName[COLOR_NAME_SIZE];
    for (uint32_t i = 0; i < t->itemCount; i++) {
      t->itemGetName(t, i, itemName);
      const std::string entry = itemEntryText(t, i);
      textAppendf(out, "%u\t%s\t%s\t", i, itemName, entry.c_str());
      if (entry == "heading" || entry == "beyond") {
        out += "\t\t\n";
      } else {
        Rgb c = shown(t, t->itemGetColor(t, i));
        textAppendf(out, "%u\t%u\t%u\n", c.red, c.green, c.blue);
      }
    }
  }
  *size = out.size();
  return reinterpret_cast<char*>(mallocCopy(out.data(), out.size()));
}

int paletteRead(ColorTable* t, const char* data, size_t size, int format, char** notes, char* err,
                size_t errSize) {
  *notes = nullptr;
  const std::vector<std::string_view> lines = textLines(data, size);
  if (format == PALETTE_ITEMS) {
    std::vector<int64_t> entries;
    if (!itemsRead(t, lines, &entries, err, errSize)) return 0;
    for (uint32_t i = 0; i < t->itemCount; i++)
      if (entries[i] >= 0) t->itemSetColor(t, i, uint32_t(entries[i]));
    return 1;
  }
  std::vector<Rgb> colours;
  if (!coloursRead(lines, format, &colours, err, errSize)) return 0;
  std::string said;
  for (uint32_t k = 0; k < t->paletteCount; k++) {
    const Rgb now = shown(t, k), wanted = colours[k];
    if (now.red == wanted.red && now.green == wanted.green && now.blue == wanted.blue) continue;
    if (t->colorIsTransparent(t, k)) {
      said += "entry " + std::to_string(k) + " is the transparent entry: its colour is kept\n";
      continue;
    }
    t->colorSet(t, k, colorNearestChannel(wanted.red), colorNearestChannel(wanted.green),
                colorNearestChannel(wanted.blue));
  }
  if (!said.empty()) *notes = reinterpret_cast<char*>(mallocCopy(said.c_str(), said.size() + 1));
  return 1;
}

void colorEntryUses(ColorTable* t, uint32_t uses[COLOR_PALETTE_COUNT]) {
  std::fill(uses, uses + COLOR_PALETTE_COUNT, 0u);
  for (uint32_t i = 0; i < t->itemCount; i++) {
    if (t->itemIsHeading(t, i)) continue;
    uint32_t entry = t->itemGetColor(t, i);
    if (entry < COLOR_PALETTE_COUNT) uses[entry]++;
  }
}
