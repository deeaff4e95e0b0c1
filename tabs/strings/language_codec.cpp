// SPDX-License-Identifier: MIT
#include "tabs/strings/language_codec.h"

#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pool/be.h"
#include "pool/memory.h"

namespace {

StringEntry* entryAt(List* entries, uint32_t i) { return static_cast<StringEntry*>(listGet(entries, i)); }

// The string offset table: where it starts and how wide its offsets are.
uint32_t tableStart(const LanguageModule* lm) {
  return lm->layout == LANGUAGE_LAYOUT_32 ? 8 + 4 * lm->groupCount : 2 * lm->groupCount;
}

}  // namespace

LanguageConverter::LanguageConverter(const char* to, const char* from) { open(to, from); }

namespace {

// Closed converters, by the pair of code pages, waiting for their next use.
// Never destroyed, so that they stay open (and reachable) to the very end.
struct IdleConverter {
  std::string to, from;
  GIConv cd;
};
std::mutex idleLock;
std::vector<IdleConverter>& idle = *new std::vector<IdleConverter>;
constexpr size_t IDLE_MAX = 8;

}  // namespace

void LanguageConverter::open(const char* to, const char* from) {
  close();
  to_ = to, from_ = from;
  {
    std::lock_guard<std::mutex> hold(idleLock);
    for (size_t i = 0; i < idle.size(); i++)
      if (idle[i].to == to && idle[i].from == from) {
        cd_ = idle[i].cd;
        idle.erase(idle.begin() + long(i));
        return;
      }
  }
  cd_ = g_iconv_open(to, from);
}

void LanguageConverter::close() {
  if (cd_ == reinterpret_cast<GIConv>(-1)) return;
  g_iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  std::lock_guard<std::mutex> hold(idleLock);
  if (idle.size() < IDLE_MAX)
    idle.push_back({to_, from_, cd_});
  else
    g_iconv_close(cd_);
  cd_ = reinterpret_cast<GIConv>(-1);
}

// The whole text or nothing, as g_convert: iconv stops at a character the
// target lacks (EILSEQ) or one cut at the end (EINVAL). The output grows
// when iconv runs out of room, and after the text a call without input ends
// a shift sequence. The converter is left in its initial state.
char* LanguageConverter::convert(const char* text, size_t n, size_t* written) {
  if (cd_ == reinterpret_cast<GIConv>(-1)) return nullptr;
  size_t room = n + 8, done = 0;
  auto* out = static_cast<char*>(std::malloc(room + 1));
  gchar* in = const_cast<gchar*>(text);
  gsize inLeft = n;
  bool input = true, ok = true;
  while (ok) {
    gchar* to = out + done;
    gsize toLeft = room - done;
    const gsize result = input ? g_iconv(cd_, &in, &inLeft, &to, &toLeft) : g_iconv(cd_, nullptr, nullptr, &to, &toLeft);
    const int reason = errno;
    done = size_t(to - out);
    if (result != gsize(-1)) {
      if (!input) break;
      input = false;
    } else if (reason == E2BIG) {
      room *= 2;
      out = static_cast<char*>(std::realloc(out, room + 1));
    } else {
      ok = false;
    }
  }
  g_iconv(cd_, nullptr, nullptr, nullptr, nullptr);
  if (!ok) {
    std::free(out);
    return nullptr;
  }
  out[done] = '\0';
  *written = done;
  return out;
}

int languageMatch(ModulePool*, Module* module) { return std::strncmp(moduleGetName(module), "Lng_", 4) == 0; }

const char* languageCodePage(const char* name) {
  return std::strcmp(name, "Lng_Russian") == 0 || std::strcmp(name, "Lng_American") == 0 ? "CP1251" : "CP1252";
}

int readLanguageModule(LanguageModule* lm, char* err, size_t errSize) {
  lm->codePage = languageCodePage(moduleGetName(lm->module));
  uint32_t size = 0;
  uint8_t* body = moduleGetBody(lm->module, &size);
  return languageModuleDecodeBody(lm, body, size, err, errSize);
}

int languageModuleDecodeBody(LanguageModule* lm, uint8_t* body, uint32_t bodySize, char* err, size_t errSize) {
  lm->body = body;
  lm->bodySize = bodySize;
  lm->entries = listNew();
  const uint8_t* b = lm->body;
  const uint32_t size = lm->bodySize;
  if (!b || size < 4) return errorSet(err, errSize, "This language module has no string tables (its body is under 4 bytes).");
  lm->layout = beGet32(b) <= 32 ? LANGUAGE_LAYOUT_32 : LANGUAGE_LAYOUT_16;
  const uint32_t step = lm->layout == LANGUAGE_LAYOUT_32 ? 4 : 2;
  lm->groupCount = lm->layout == LANGUAGE_LAYOUT_32 ? beGet32(b) : beGet16(b) / 2;
  if (lm->groupCount > LANGUAGE_GROUPS_MAX) return errorSet(err, errSize, "This language module has more than 32 string groups.");
  const uint32_t start = tableStart(lm);
  if (start > size) return errorSet(err, errSize, "This language module's header runs past its body.");
  for (uint32_t g = 0; g < lm->groupCount; g++)
    lm->groupOffsets[g] = step == 4 ? beGet32(b + 4 + 4 * g) : beGet16(b + 2 * g);
  // Without groups there are no entries; with them, the first group's table
  // must be where the writer puts it, or a write-back would shift every text.
  if (lm->groupCount == 0) return 1;
  if (lm->groupOffsets[0] != start)
    return errorSet(err, errSize, "This language module's string table is not right after its header.");

  LanguageConverter toUtf8("UTF-8", lm->codePage);
  uint32_t end = size, group = 0, index = 0;
  // Groups that start where the table starts are empty: the first entry
  // belongs to the last of them.
  while (group + 1 < lm->groupCount && lm->groupOffsets[group + 1] == start) group++;
  for (uint32_t p = start; p < end; p += step) {
    if (size - p < step) return errorSet(err, errSize, "This language module's string table runs past its body.");
    uint32_t offset = step == 4 ? beGet32(b + p) : beGet16(b + p);
    auto* e = static_cast<StringEntry*>(std::calloc(1, sizeof(StringEntry)));
    e->number = listGetCount(lm->entries);
    e->group = group;
    e->index = index++;
    listPush(lm->entries, e);
    if (offset) {
      const void* zero = offset < size ? std::memchr(b + offset, 0, size - offset) : nullptr;
      if (!zero) return errorSet(err, errSize, "A text of this language module lies past its body or has no end.");
      uint32_t length = uint32_t(static_cast<const uint8_t*>(zero) - (b + offset));
      size_t written = 0;
      e->text = toUtf8.convert(reinterpret_cast<const char*>(b + offset), length, &written);
      if (!e->text) {
        e->text = mallocString("");
        e->raw = mallocCopy(b + offset, length);
        e->rawLength = length;
      }
      e->originalText = mallocString(e->text);
      if (offset < end) end = offset;
    }
    // Equal group offsets make empty groups: skip to the last one starting here.
    while (group + 1 < lm->groupCount && lm->groupOffsets[group + 1] == p + step) group++, index = 0;
  }
  return 1;
}

namespace {

// An entry's bytes as the encoder writes them: its undecodable bytes while
// kept, else its text in the code page (the text as read should the text
// not convert, which an edit never lets happen). Empty for an absent entry.
MallocPtr<char> entryEncoded(LanguageConverter& fromUtf8, const StringEntry* e, size_t* length) {
  *length = 0;
  if (!e->text) return nullptr;
  if (languageShowsRaw(e)) {
    *length = e->rawLength;
    return MallocPtr<char>(reinterpret_cast<char*>(mallocCopy(e->raw, e->rawLength)));
  }
  MallocPtr<char> bytes(fromUtf8.convert(e->text, std::strlen(e->text), length));
  if (!bytes) bytes.reset(fromUtf8.convert(e->originalText, std::strlen(e->originalText), length));
  if (!bytes) bytes.reset(mallocString("")), *length = 0;
  return bytes;
}

}  // namespace

uint8_t* languageModuleEncode(LanguageModule* lm, uint32_t* size, char* err, size_t errSize) {
  // A body without groups has nothing to rebuild: it stays as it is.
  if (lm->groupCount == 0) {
    *size = lm->bodySize;
    return mallocCopy(lm->body, lm->bodySize);
  }
  const uint32_t count = listGetCount(lm->entries);
  const uint32_t step = lm->layout == LANGUAGE_LAYOUT_32 ? 4 : 2;
  uint64_t n = tableStart(lm) + uint64_t(step) * count;
  LanguageConverter fromUtf8(lm->codePage, "UTF-8");
  // By entry: its encoded bytes and where they go (0 for an absent entry).
  struct Placed {
    MallocPtr<char> bytes;
    size_t length;
    uint32_t offset;
  };
  std::vector<Placed> placedAt(count);
  // Each distinct encoded text once: the first entry that uses it places it.
  std::unordered_map<std::string_view, uint32_t> placed;
  bool fits = true;
  for (uint32_t i = 0; i < count; i++) {
    Placed& p = placedAt[i];
    p.bytes = entryEncoded(fromUtf8, entryAt(lm->entries, i), &p.length);
    p.offset = 0;
    if (!p.bytes) continue;
    auto [it, added] =
        placed.try_emplace(std::string_view(p.bytes.get(), p.length), uint32_t(std::min<uint64_t>(n, UINT32_MAX)));
    p.offset = it->second;
    if (added) n += p.length ? p.length + 1 : 2;
    fits = fits && (step == 4 ? n <= 0xFFFFFFF0u : p.offset <= 0xFFFF);
  }
  n = (n + 3) & ~uint64_t(3);
  if (!fits || n > 0xFFFFFFF0u) {
    errorSet(err, errSize, "The texts no longer fit this language module: %s. The module keeps its previous contents.",
             step == 2 ? "a string offset would pass 65535" : "it would pass 4 GiB");
    return nullptr;
  }
  std::vector<uint8_t> out(n, 0);
  uint32_t at = tableStart(lm);
  for (const Placed& p : placedAt) {
    if (step == 4)
      beSet32(out.data() + at, p.offset);
    else
      beSet16(out.data() + at, p.offset);
    // Entries that share a text copy the same bytes to the same place.
    if (p.length) std::memcpy(out.data() + p.offset, p.bytes.get(), p.length);
    at += step;
  }
  if (step == 4) {
    beSet32(out.data(), lm->groupCount);
    for (uint32_t g = 0; g < lm->groupCount; g++) beSet32(out.data() + 4 + 4 * g, lm->groupOffsets[g]);
  } else {
    for (uint32_t g = 0; g < lm->groupCount; g++) beSet16(out.data() + 2 * g, lm->groupOffsets[g]);
  }
  *size = uint32_t(out.size());
  return mallocCopy(out.data(), out.size());
}

int languageModuleEdited(const LanguageModule* lm) {
  for (uint32_t i = 0; i < listGetCount(lm->entries); i++)
    if (entryAt(lm->entries, i)->changed) return 1;
  return 0;
}

int writeLanguageModule(LanguageModule* lm, ModuleKeep* keep, char* err, size_t errSize) {
  if (!languageModuleEdited(lm)) {
    moduleStoreUnedited(lm->module, keep);
    return 1;
  }
  uint32_t size = 0;
  MallocPtr<uint8_t> body(languageModuleEncode(lm, &size, err, errSize));
  return body && moduleStoreEdited(lm->module, keep, body.get(), size, err, errSize);
}

void languageModuleClear(LanguageModule* lm) {
  if (lm->entries) {
    for (uint32_t i = 0; i < listGetCount(lm->entries); i++) {
      StringEntry* e = entryAt(lm->entries, i);
      std::free(e->text);
      std::free(e->originalText);
      std::free(e->raw);
    }
    listFreeAll(lm->entries);
    lm->entries = nullptr;
  }
  std::free(lm->body);
  lm->body = nullptr;
}

int languageTextFits(const char* codePage, const char* text) {
  gchar* converted = g_convert(text, -1, codePage, "UTF-8", nullptr, nullptr, nullptr);
  g_free(converted);
  return converted != nullptr;
}

char* languageRawShown(const StringEntry* e) {
  std::string s;
  for (uint32_t i = 0; i < e->rawLength; i++) {
    const uint8_t c = e->raw[i];
    if (c == '\\') {
      s += "\\\\";
    } else if (c >= 0x20 && c < 0x7F) {
      s += char(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      s += hex;
    }
  }
  return mallocString(s.c_str());
}

void languageEntryTake(StringEntry* e, const char* text) {
  char* copy = mallocString(text);
  std::free(e->text);
  e->text = copy;
  e->changed = e->raw || std::strcmp(e->text, e->originalText) != 0;
}

void languageEntryRevert(StringEntry* e) { languageEntryRestore(e, e->originalText, 0); }

void languageEntryRestore(StringEntry* e, const char* text, uint32_t changed) {
  char* copy = mallocString(text);
  std::free(e->text);
  e->text = copy;
  e->changed = changed;
}

namespace {

// Both absent, or both present with the same text (or the same bytes).
bool entriesSame(const StringEntry* a, const StringEntry* b) {
  if (!a->text || !b->text) return !a->text && !b->text;
  if (a->raw || b->raw)
    return a->raw && b->raw && a->rawLength == b->rawLength && std::memcmp(a->raw, b->raw, a->rawLength) == 0;
  return std::strcmp(a->text, b->text) == 0;
}

}  // namespace

int languageStoreCheck(Module* module, char* err, size_t errSize) {
  if (!languageMatch(nullptr, module)) return 0;
  LanguageModule lm = {}, again = {};
  lm.module = module;
  if (!readLanguageModule(&lm, err, errSize)) {
    languageModuleClear(&lm);
    return 0;
  }
  uint32_t size = 0;
  uint8_t* body = languageModuleEncode(&lm, &size, err, errSize);
  int result = -1;
  again.module = module;
  again.codePage = lm.codePage;
  if (body && languageModuleDecodeBody(&again, body, size, err, errSize)) {
    result = listGetCount(again.entries) == listGetCount(lm.entries) ? 1 : -1;
    for (uint32_t i = 0; result > 0 && i < listGetCount(lm.entries); i++)
      if (!entriesSame(entryAt(lm.entries, i), entryAt(again.entries, i))) {
        std::snprintf(err, errSize, "its texts would not read back: %u/%u comes back otherwise",
                      entryAt(lm.entries, i)->group, entryAt(lm.entries, i)->index);
        result = -1;
      }
    if (result < 0 && listGetCount(again.entries) != listGetCount(lm.entries))
      std::snprintf(err, errSize, "its texts would not read back: %u entries come back as %u",
                    listGetCount(lm.entries), listGetCount(again.entries));
    if (result > 0 && moduleSizeWithBody(module, size) > MODULE_MAX_SIZE) {
      std::snprintf(err, errSize, "the module would pass the %u bytes a module can be", MODULE_MAX_SIZE);
      result = -1;
    }
  }
  languageModuleClear(&again);
  languageModuleClear(&lm);
  return result;
}
