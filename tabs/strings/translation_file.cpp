// SPDX-License-Identifier: MIT
#include "tabs/strings/translation_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "pool/file_save.h"
#include "pool/glib_memory.h"
#include "pool/memory.h"
#include "pool/text_lines.h"
#include "tabs/fonts/font_codec.h"

namespace {

StringEntry* entryAt(List* entries, uint32_t i) {
  return static_cast<StringEntry*>(listGet(entries, i));
}

const char TSV_HEADER[] = "key\treference\ttext";

// Finds an entry by group and index without a search: the entries of a
// group are consecutive and numbered from 0 within it.
class EntryIndex {
 public:
  explicit EntryIndex(const LanguageModule* lm) : lm_(lm) {
    if (!lm) return;
    const uint32_t count = listGetCount(lm->entries);
    for (uint32_t i = 0; i < count; i++) {
      const StringEntry* e = entryAt(lm->entries, i);
      if (e->group >= first_.size()) {
        first_.resize(e->group + 1, UINT32_MAX);
        size_.resize(e->group + 1, 0);
      }
      if (first_[e->group] == UINT32_MAX) first_[e->group] = i;
      size_[e->group]++;
    }
  }
  StringEntry* find(uint32_t group, uint32_t index) const {
    if (group >= first_.size() || index >= size_[group]) return nullptr;
    return entryAt(lm_->entries, first_[group] + index);
  }

 private:
  const LanguageModule* lm_;
  std::vector<uint32_t> first_, size_;
};

void keyAppend(std::string& out, const StringEntry* e) {
  char key[32];
  std::snprintf(key, sizeof key, "%u/%u", e->group, e->index);
  out += key;
}

// A PO string on one line: quote, backslash and control characters escaped.
void poQuote(std::string& out, const char* text) {
  out += '"';
  for (const char* p = text; *p; p++) {
    unsigned char c = static_cast<unsigned char>(*p);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char octal[8];
          std::snprintf(octal, sizeof octal, "\\%03o", c);
          out += octal;
        } else {
          out += char(c);
        }
    }
  }
  out += '"';
}

// msgfmt takes a translation only when it begins and ends with a newline
// exactly where its msgid does.
bool newlinesDiffer(const char* id, const char* str) {
  size_t a = std::strlen(id), b = std::strlen(str);
  if (!b) return false;
  bool idFirst = a && id[0] == '\n', idLast = a && id[a - 1] == '\n';
  return idFirst != (str[0] == '\n') || idLast != (str[b - 1] == '\n');
}

// The module's name as UTF-8 on one header line: 8-bit names read as
// ISO-8859-1, control characters as "?".
std::string headerName(const char* name) {
  const bool utf8 = g_utf8_validate(name, -1, nullptr);
  GCharPtr text(utf8 ? g_strdup(name) : g_convert(name, -1, "UTF-8", "ISO-8859-1", nullptr, nullptr, nullptr));
  std::string out = text ? text.get() : "";
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  return out;
}

// ----- reading -----

struct Update {
  StringEntry* entry;
  std::string text;
};

// What a file asks for, checked and collected before anything is applied.
class ImportCheck {
 public:
  explicit ImportCheck(LanguageModule* lm)
      : lm_(lm), index_(lm), toCodePage_(lm->codePage, "UTF-8") {}

  void refuse(const std::string& where, const std::string& reason) {
    refusals += where + ": " + reason + "\n";
    refused++;
  }
  void refuseLine(uint32_t line, const std::string& reason) {
    refuse("line " + std::to_string(line), reason);
  }
  // A line the reader cannot understand: the file is refused whole.
  void refuseSyntax(uint32_t line, const std::string& reason) {
    refuseLine(line, reason);
    malformed++;
  }

  // One text for the entry keyText names, found on line.
  void take(const std::string& keyText, std::string text, uint32_t line) {
    uint32_t group = 0, index = 0;
    if (!keyParse(keyText, &group, &index)) {
      std::string shown = keyText;
      for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20) c = '?';  // one refusal, one line
      return refuseLine(line, "\"" + shown + "\" is not a key GROUP/INDEX");
    }
    const std::string key = std::to_string(group) + "/" + std::to_string(index);
    StringEntry* e = index_.find(group, index);
    if (!e) return refuse(key, "the module has no such entry");
    if (!e->text) return refuse(key, "the entry is absent");
    if (!seen_.insert(e->number).second) return refuse(key, "given more than once");
    if (!g_utf8_validate(text.data(), gssize(text.size()), nullptr) ||
        text.find('\0') != std::string::npos)
      return refuse(key, "the text is not UTF-8");
    if (e->raw) {
      MallocPtr<char> shown(languageRawShown(e));
      if (text == shown.get()) return;  // the bytes as shown: kept
    }
    if (!fits(text)) return refuse(key, misfit(text));
    updates.push_back({e, std::move(text)});
  }

  std::vector<Update> updates;
  std::string refusals;
  uint32_t refused = 0, malformed = 0;

 private:
  static bool keyParse(const std::string& text, uint32_t* group, uint32_t* index) {
    size_t slash = text.find('/');
    auto number = [](std::string_view digits, uint32_t* out) {
      if (digits.empty() || digits.size() > 9) return false;
      uint32_t value = 0;
      for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + uint32_t(c - '0');
      }
      *out = value;
      return true;
    };
    std::string_view all(text);
    return slash != std::string::npos && number(all.substr(0, slash), group) &&
           number(all.substr(slash + 1), index);
  }

  bool fits(const std::string& text) {
    size_t written = 0;
    MallocPtr<char> converted(toCodePage_.convert(text.data(), text.size(), &written));
    return converted != nullptr;
  }

  // Names the first character the code page lacks.
  std::string misfit(const std::string& text) {
    for (const char* p = text.c_str(); *p; p = g_utf8_next_char(p)) {
      std::string one(p, g_utf8_next_char(p) - p);
      if (fits(one)) continue;
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", g_utf8_get_char(p));
      return "\"" + one + "\" (" + code + ") is not in " + lm_->codePage;
    }
    return std::string("the text cannot be written in ") + lm_->codePage;
  }

  LanguageModule* lm_;
  EntryIndex index_;
  LanguageConverter toCodePage_;
  std::unordered_set<uint32_t> seen_;
};

void tsvRead(const char* data, size_t size, ImportCheck& check) {
  std::vector<std::string_view> lines = textLines(data, size);
  if (lines.empty() || lines[0] != TSV_HEADER)
    return check.refuseSyntax(1, "not the header line \"key, reference, text\" (tab-separated)");
  for (size_t n = 1; n < lines.size(); n++) {
    std::string_view line = lines[n];
    const uint32_t number = uint32_t(n + 1);
    if (line.empty()) continue;
    size_t first = line.find('\t');
    size_t second = first == std::string_view::npos ? first : line.find('\t', first + 1);
    if (second == std::string_view::npos || line.find('\t', second + 1) != std::string_view::npos) {
      check.refuseSyntax(number, "not three tab-separated fields (key, reference, text)");
      continue;
    }
    std::string text;
    bool good = true;
    for (size_t i = second + 1; i < line.size() && good; i++) {
      if (line[i] != '\\') {
        text += line[i];
        continue;
      }
      char next = i + 1 < line.size() ? line[++i] : '\0';
      switch (next) {
        case '\\': text += '\\'; break;
        case 't': text += '\t'; break;
        case 'n': text += '\n'; break;
        case 'r': text += '\r'; break;
        default:
          good = false;
          check.refuseSyntax(number, next ? std::string("unknown escape \\") + next
                                          : std::string("a backslash ends the line"));
      }
    }
    if (good) check.take(std::string(line.substr(0, first)), std::move(text), number);
  }
}

// A PO file: keywords with C-like strings, continued on following lines by
// further strings; comments; flags; obsolete entries ("#~") skipped.
class PoReader {
 public:
  explicit PoReader(ImportCheck& check) : check_(check) {}

  void read(const char* data, size_t size) {
    std::vector<std::string_view> lines = textLines(data, size);
    for (size_t n = 0; n < lines.size(); n++) {
      line_ = uint32_t(n + 1);
      std::string_view line = lines[n];
      while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
      if (line.empty()) continue;
      if (line[0] == '#') {
        if (stage_ == STR) finish();
        // Comments and flags come before the entry they belong to: one
        // between its keywords could be meant for it or for the next.
        if (stage_ != NONE)
          broken("a comment or flag line inside an entry (it belongs before msgctxt)");
        else if (line.substr(0, 2) == "#,")
          flagsRead(line.substr(2));
        continue;
      }
      if (line[0] == '"') {
        std::string text;
        if (!field_ || !stringRead(line, &text))
          broken(field_ ? "not a string" : "a string outside an entry");
        else
          *field_ += text;
        continue;
      }
      size_t space = line.find_first_of(" \t");
      std::string_view keyword = line.substr(0, space);
      std::string_view rest =
          space == std::string_view::npos ? std::string_view() : line.substr(space);
      keywordRead(keyword, rest);
    }
    line_ = uint32_t(lines.size());
    if (stage_ == STR) finish();
    else if (stage_ != NONE) broken("the file ends inside an entry");
  }

 private:
  enum Stage { NONE, CTXT, ID, PLURAL, STR };

  void keywordRead(std::string_view keyword, std::string_view rest) {
    std::string text;
    const bool plural = keyword.substr(0, 7) == "msgstr[";
    if (keyword == "msgctxt") {
      if (stage_ == STR) finish();
      if (stage_ != NONE) return broken("msgctxt inside an entry");
      start();
      stage_ = CTXT, hasContext_ = true, field_ = &context_;
    } else if (keyword == "msgid") {
      if (stage_ == STR) finish();
      if (stage_ != NONE && stage_ != CTXT) return broken("msgid inside an entry");
      if (stage_ == NONE) start();
      stage_ = ID, field_ = &id_;
    } else if (keyword == "msgid_plural") {
      if (stage_ != ID) return broken("msgid_plural without msgid");
      stage_ = PLURAL, plural_ = true, field_ = &id_;
    } else if (keyword == "msgstr" || plural) {
      if (stage_ == STR && plural && plural_) {
        field_ = &ignored_;  // a further plural form: the entry is refused anyway
      } else if (stage_ == ID || stage_ == PLURAL) {
        plural_ = plural_ || plural;
        stage_ = STR, field_ = &str_;
      } else {
        return broken("msgstr without msgid");
      }
    } else {
      return broken("not a PO keyword");
    }
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    if (!stringRead(rest, &text)) return broken("not a string");
    *field_ = text;
  }

  void flagsRead(std::string_view flags) {
    while (!flags.empty()) {
      size_t comma = flags.find(',');
      std::string_view flag = flags.substr(0, comma);
      while (!flag.empty() && flag.front() == ' ') flag.remove_prefix(1);
      while (!flag.empty() && flag.back() == ' ') flag.remove_suffix(1);
      if (flag == "fuzzy") fuzzy_ = true;
      flags.remove_prefix(comma == std::string_view::npos ? flags.size() : comma + 1);
    }
  }

  // A quoted string with nothing but blanks after it.
  static bool stringRead(std::string_view s, std::string* out) {
    if (s.empty() || s[0] != '"') return false;
    size_t i = 1;
    for (; i < s.size() && s[i] != '"'; i++) {
      if (s[i] != '\\') {
        *out += s[i];
        continue;
      }
      if (++i == s.size()) return false;
      char c = s[i];
      switch (c) {
        case 'n': *out += '\n'; break;
        case 't': *out += '\t'; break;
        case 'r': *out += '\r'; break;
        case 'a': *out += '\a'; break;
        case 'b': *out += '\b'; break;
        case 'f': *out += '\f'; break;
        case 'v': *out += '\v'; break;
        case '"': case '\\': case '\'': case '?': *out += c; break;
        case 'x': {
          unsigned value = 0, digits = 0;
          while (i + 1 < s.size() && g_ascii_isxdigit(s[i + 1]) && digits < 2)
            value = value * 16 + unsigned(g_ascii_xdigit_value(s[++i])), digits++;
          if (!digits || !value) return false;
          *out += char(value);
          break;
        }
        default: {
          if (c < '0' || c > '7') return false;
          unsigned value = unsigned(c - '0'), digits = 1;
          while (i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '7' && digits < 3)
            value = value * 8 + unsigned(s[++i] - '0'), digits++;
          if (!value || value > 0xFF) return false;
          *out += char(value);
        }
      }
    }
    if (i >= s.size()) return false;
    for (i++; i < s.size(); i++)
      if (s[i] != ' ' && s[i] != '\t') return false;
    return true;
  }

  void start() {
    context_.clear(), id_.clear(), str_.clear();
    hasContext_ = plural_ = broken_ = false;
    startLine_ = line_;
    // Flags come before the entry they mark.
    entryFuzzy_ = fuzzy_;
    fuzzy_ = false;
  }

  // A malformed line spoils the entry it stands in, and the file.
  void broken(const char* reason) {
    check_.refuseSyntax(line_, reason);
    if (stage_ != NONE) broken_ = true;
    if (stage_ == STR || stage_ == NONE) {
      stage_ = NONE, field_ = nullptr;
      fuzzy_ = false;
    }
  }

  void finish() {
    stage_ = NONE, field_ = nullptr;
    if (broken_) return;
    if (!hasContext_) {
      if (!id_.empty()) check_.refuseLine(startLine_, "an entry without msgctxt names no text");
      return;  // else the header
    }
    if (plural_) return check_.refuse(context_, "plural forms are not used");
    if (entryFuzzy_ || str_.empty()) return;
    check_.take(context_, std::move(str_), startLine_);
  }

  ImportCheck& check_;
  Stage stage_ = NONE;
  std::string context_, id_, str_, ignored_;
  std::string* field_ = nullptr;
  bool hasContext_ = false, plural_ = false, broken_ = false, fuzzy_ = false, entryFuzzy_ = false;
  uint32_t line_ = 0, startLine_ = 0;
};

}  // namespace

void translationEscape(std::string& out, const char* text) {
  for (const char* p = text; *p; p++) {
    switch (*p) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += *p;
    }
  }
}

int translationFormatOf(const char* path) {
  const char* dot = std::strrchr(path, '.');
  const char* slash = std::strrchr(path, '/');
  if (!dot || (slash && slash > dot)) return TRANSLATION_UNKNOWN;
  if (g_ascii_strcasecmp(dot, ".po") == 0) return TRANSLATION_PO;
  if (g_ascii_strcasecmp(dot, ".tsv") == 0) return TRANSLATION_TSV;
  return TRANSLATION_UNKNOWN;
}

char* translationWrite(const LanguageModule* lm, const LanguageModule* reference, int format,
                       size_t* size) {
  const EntryIndex referenceIndex(reference);
  std::string out;
  if (format == TRANSLATION_PO) {
    out = "msgid \"\"\nmsgstr \"\"\n";
    const std::string fields[] = {"Project-Id-Version: " + headerName(moduleGetName(lm->module)),
                                  "MIME-Version: 1.0", "Content-Type: text/plain; charset=UTF-8",
                                  "Content-Transfer-Encoding: 8bit"};
    for (const std::string& field : fields) {
      poQuote(out, (field + "\n").c_str());
      out += '\n';
    }
  } else {
    out = std::string(TSV_HEADER) + "\n";
  }
  const uint32_t count = listGetCount(lm->entries);
  for (uint32_t i = 0; i < count; i++) {
    const StringEntry* e = entryAt(lm->entries, i);
    if (!e->text) continue;
    const char* id = e->originalText;
    if (reference) {
      const StringEntry* r = referenceIndex.find(e->group, e->index);
      id = r && r->text ? r->text : "";
    }
    if (format == TRANSLATION_TSV) {
      keyAppend(out, e);
      out += '\t';
      translationEscape(out, id);
      out += '\t';
      MallocPtr<char> shown(languageShowsRaw(e) ? languageRawShown(e) : nullptr);
      translationEscape(out, shown ? shown.get() : e->text);
      out += '\n';
      continue;
    }
    out += '\n';
    if (languageShowsRaw(e)) {
      out += "#. undecodable: ";
      for (uint32_t k = 0; k < e->rawLength; k++) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", e->raw[k]);
        out += hex;
      }
      out += '\n';
      continue;
    }
    if (newlinesDiffer(id, e->text)) out += "#, fuzzy\n";
    out += "msgctxt \"";
    keyAppend(out, e);
    out += "\"\nmsgid ";
    poQuote(out, id);
    out += "\nmsgstr ";
    poQuote(out, e->text);
    out += '\n';
  }
  *size = out.size();
  return reinterpret_cast<char*>(mallocCopy(out.data(), out.size()));
}

void translationRead(LanguageModule* lm, const char* data, size_t size, int format,
                     int skipRefused, TranslationImport* result) {
  ImportCheck check(lm);
  if (format == TRANSLATION_TSV)
    tsvRead(data, size, check);
  else
    PoReader(check).read(data, size);
  result->taken = 0;
  result->refused = check.refused;
  result->malformed = check.malformed;
  result->refusals = mallocString(check.refusals.c_str());
  if (check.malformed || (check.refused && !skipRefused)) return;
  for (Update& u : check.updates) {
    if (std::strcmp(u.entry->text, u.text.c_str()) == 0 && !languageShowsRaw(u.entry)) continue;
    languageEntryTake(u.entry, u.text.c_str());
    result->taken++;
  }
}

void translationImportClear(TranslationImport* result) {
  std::free(result->refusals);
  result->refusals = nullptr;
}

void languageEntriesMatch(const LanguageModule* lm, const LanguageModule* other,
                          const StringEntry** out) {
  const EntryIndex index(other);
  for (uint32_t i = 0; i < listGetCount(lm->entries); i++) {
    const StringEntry* e = entryAt(lm->entries, i);
    out[i] = index.find(e->group, e->index);
  }
}

int fontWidthsRead(ModulePool* pool, Module* module, FontWidths* widths, char* err, size_t errSize) {
  char name[160];
  textEscape(moduleGetName(module), name, sizeof name);
  if (!fontMatch(pool, module)) {
    std::snprintf(err, errSize, "'%s' is not a font module.", name);
    return 0;
  }
  uint32_t size = 0;
  MallocPtr<uint8_t> body(moduleGetBody(module, &size));
  FontMetrics metrics;
  List* glyphs = body ? fontDecode(body.get(), size, &metrics) : nullptr;
  if (!glyphs) {
    std::snprintf(err, errSize,
                  "The font '%s' is malformed: its glyphs cannot be read.", name);
    return 0;
  }
  widths->width[0] = 0;
  for (uint32_t i = 0; i < FONT_GLYPH_COUNT; i++) {
    auto* g = static_cast<FontGlyph*>(listGet(glyphs, i));
    widths->width[g->code] = g->width;
  }
  fontGlyphsFree(glyphs);
  return 1;
}

uint64_t fontTextWidth(const FontWidths* widths, const uint8_t* bytes, size_t n) {
  uint64_t sum = 0;
  for (size_t i = 0; i < n; i++) sum += widths->width[bytes[i]];
  return sum;
}

int textMeasureOpen(TextMeasure* measure, ModulePool* pool, Module* font, const char* codePage,
                    char* err, size_t errSize) {
  if (!fontWidthsRead(pool, font, &measure->widths, err, errSize)) return 0;
  measure->toCodePage.open(codePage, "UTF-8");
  return 1;
}

void textMeasureClose(TextMeasure* measure) {
  measure->toCodePage.close();
}

uint64_t textMeasureEntry(TextMeasure* measure, const StringEntry* e, int loaded) {
  if (!e->text) return 0;
  if (e->raw && (loaded || !e->changed))
    return fontTextWidth(&measure->widths, e->raw, e->rawLength);
  const char* text = loaded ? e->originalText : e->text;
  size_t written = 0;
  MallocPtr<char> bytes(measure->toCodePage.convert(text, std::strlen(text), &written));
  return bytes ? fontTextWidth(&measure->widths, reinterpret_cast<const uint8_t*>(bytes.get()),
                               written)
               : 0;
}
