// SPDX-License-Identifier: MIT
// korvane-cli's comparison of images by what they mean: diff lists the
// modules two images differ in and, where an editor reads both sides, the
// texts, glyphs, colours and pictures that changed; carry moves what a mod
// changed from one firmware version to the next, unit by unit.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/command_support.h"
#include "cli/editor_units.h"
#include "pool/file_save.h"
#include "pool/memory.h"

namespace {

constexpr int TROUBLE = 2;

// A module's place in another image: the n-th module of a name stands for
// the n-th of that name.
std::vector<std::string> moduleKeys(ModulePool* pool) {
  std::map<std::string, uint32_t> seen;
  std::vector<std::string> keys;
  for (uint32_t i = 0; i < poolGetCount(pool); i++) {
    const std::string name = moduleGetName(poolGet(pool, i));
    keys.push_back(name + '\0' + std::to_string(seen[name]++));
  }
  return keys;
}

std::map<std::string, Module*> modulesByKey(ModulePool* pool,
                                            const std::vector<std::string>& keys) {
  std::map<std::string, Module*> byKey;
  for (uint32_t i = 0; i < keys.size(); i++) byKey[keys[i]] = poolGet(pool, i);
  return byKey;
}

Module* moduleAt(const std::map<std::string, Module*>& byKey, const std::string& key) {
  auto it = byKey.find(key);
  return it == byKey.end() ? nullptr : it->second;
}

bool modulesEqual(Module* a, Module* b) {
  if (moduleGetSize(a) != moduleGetSize(b) ||
      moduleGetField(a, MF_CRC) != moduleGetField(b, MF_CRC))
    return false;
  uint32_t n = 0;
  MallocPtr<uint8_t> x(moduleGetData(a, &n)), y(moduleGetData(b, nullptr));
  return std::memcmp(x.get(), y.get(), n) == 0;
}

std::string nameShown(Module* m) { return cliShown(moduleGetName(m)); }

// ----- diff -----

void diffUnits(Module* a, Module* b, FILE* out) {
  EditorModule x, y;
  char err[ERROR_SIZE];
  if (!editorModuleDecode(nullptr, a, &x, err, sizeof err) ||
      !editorModuleDecode(nullptr, b, &y, err, sizeof err) || x.kind != y.kind)
    return;
  if (editorUnitsShape(&x) != editorUnitsShape(&y)) {
    std::fprintf(out, "  %s -> %s\n", editorUnitsShape(&x).c_str(), editorUnitsShape(&y).c_str());
    if (x.kind != EDITOR_IMAGES) return;  // pictures still compare by entry
  }
  const Units before = editorUnits(&x), after = editorUnits(&y);
  std::map<UnitKey, bool> keys;
  for (const auto& [key, value] : before) keys[key] = true;
  for (const auto& [key, value] : after) keys[key] = true;
  for (const auto& [key, unused] : keys) {
    auto p = before.find(key), q = after.find(key);
    const std::string* old = p == before.end() ? nullptr : &p->second;
    const std::string* now = q == after.end() ? nullptr : &q->second;
    if (old && now && *old == *now) continue;
    std::fprintf(out, "  %s: %s\n", editorUnitName(old ? &x : &y, key).c_str(),
                 editorUnitChange(&x, key, old, now).c_str());
  }
}

int runDiff(char** operands, FILE* out, FILE* err) {
  PoolPtr a = cliLoadImage(operands[0], err);
  PoolPtr b = a ? cliLoadImage(operands[1], err) : nullptr;
  if (!a || !b) return TROUBLE;
  const bool all = operands[2], brief = operands[3];
  const std::vector<std::string> keysA = moduleKeys(a.get()), keysB = moduleKeys(b.get());
  const std::map<std::string, Module*> inB = modulesByKey(b.get(), keysB),
                                       inA = modulesByKey(a.get(), keysA);
  bool differ = false;
  for (uint32_t i = 0; i < keysA.size(); i++) {
    Module* x = poolGet(a.get(), i);
    Module* y = moduleAt(inB, keysA[i]);
    if (!y) {
      differ = true;
      std::fprintf(out, "-\t%s\t%u\t%06X\n", nameShown(x).c_str(), moduleGetSize(x),
                   moduleGetField(x, MF_CRC));
    } else if (modulesEqual(x, y)) {
      if (all)
        std::fprintf(out, "=\t%s\t%u\t%06X\n", nameShown(x).c_str(), moduleGetSize(x),
                     moduleGetField(x, MF_CRC));
    } else {
      differ = true;
      std::fprintf(out, "~\t%s\t%u -> %u\t%06X -> %06X\n", nameShown(x).c_str(), moduleGetSize(x),
                   moduleGetSize(y), moduleGetField(x, MF_CRC), moduleGetField(y, MF_CRC));
      if (!brief) diffUnits(x, y, out);
    }
  }
  for (uint32_t i = 0; i < keysB.size(); i++) {
    if (moduleAt(inA, keysB[i])) continue;
    Module* y = poolGet(b.get(), i);
    differ = true;
    std::fprintf(out, "+\t%s\t%u\t%06X\n", nameShown(y).c_str(), moduleGetSize(y),
                 moduleGetField(y, MF_CRC));
  }
  return differ ? 1 : 0;
}

// ----- carry -----

struct Tally {
  uint32_t texts = 0, glyphs = 0, colours = 0, pictures = 0, modules = 0, conflicts = 0;
  void count(const UnitKey& key) {
    switch (key.kind) {
      case UNIT_TEXT:
        texts++;
        break;
      case UNIT_GLYPH:
        glyphs++;
        break;
      case UNIT_PICTURE:
        pictures++;
        break;
      default:
        colours++;
    }
  }
};

struct Carry {
  bool preferMod = false;
  FILE* out;
  Tally tally;
  void line(const char* what, Module* m, const std::string& text) {
    std::fprintf(out, "%s\t%s%s%s\n", what, nameShown(m).c_str(), text.empty() ? "" : "\t",
                 text.c_str());
  }
  void conflict(Module* m, const std::string& text) {
    tally.conflicts++;
    line("conflict", m, text + (preferMod ? "; the mod's kept" : "; the new firmware's kept"));
  }
};

// The entries of a language module whose groups moved: where a text occurs
// once in each of OLD and NEW, the one entry carries it over.
std::map<uint32_t, uint32_t> textsMatched(const Units& old, const Units& now) {
  std::map<std::string, std::pair<uint32_t, uint32_t>> seenOld, seenNew;  // text -> count, entry
  for (const auto& [key, value] : old)
    if (value[0] == 'T') seenOld[value] = {seenOld[value].first + 1, key.number};
  for (const auto& [key, value] : now)
    if (value[0] == 'T') seenNew[value] = {seenNew[value].first + 1, key.number};
  std::map<uint32_t, uint32_t> matched;
  for (const auto& [text, found] : seenOld) {
    auto it = seenNew.find(text);
    if (found.first == 1 && it != seenNew.end() && it->second.first == 1)
      matched[found.second] = it->second.second;
  }
  return matched;
}

enum Merged { MERGE_TROUBLE, MERGE_DONE, MERGE_WHOLE };

// A module changed in both the mod and the new firmware: unit by unit, into
// n. MERGE_WHOLE: it cannot be merged so and was told as one conflict;
// MERGE_TROUBLE: said on err, nothing may be written.
Merged carryUnits(Carry& c, Module* o, Module* m, Module* n, FILE* err) {
  EditorModule old, mod, now;
  char text[ERROR_SIZE] = "";
  const bool decoded = editorModuleDecode(nullptr, o, &old, text, sizeof text) &&
                       editorModuleDecode(nullptr, m, &mod, text, sizeof text) &&
                       editorModuleDecode(nullptr, n, &now, text, sizeof text) &&
                       old.kind == mod.kind && old.kind == now.kind;
  if (!decoded || editorUnitsShape(&old) != editorUnitsShape(&mod) ||
      (editorUnitsShape(&old) != editorUnitsShape(&now) && old.kind != EDITOR_STRINGS)) {
    c.conflict(n, "module: changed in both, and not unit by unit");
    return MERGE_WHOLE;
  }
  const Units uo = editorUnits(&old), um = editorUnits(&mod);
  Units un = editorUnits(&now);
  const bool moved = editorUnitsShape(&old) != editorUnitsShape(&now);
  const std::map<uint32_t, uint32_t> matched =
      moved ? textsMatched(uo, un) : std::map<uint32_t, uint32_t>();
  uint32_t matchedUsed = 0;
  for (const auto& [key, before] : uo) {
    auto changed = um.find(key);
    if (changed == um.end() || changed->second == before) continue;
    UnitKey at = key;
    if (moved) {
      auto it = matched.find(key.number);
      if (it == matched.end()) {
        c.conflict(n, editorUnitName(&old, key) + ": " +
                          editorUnitChange(&old, key, &before, &changed->second) +
                          ", and the new firmware's texts moved");
        continue;
      }
      at.number = it->second;
      matchedUsed++;
    }
    auto current = un.find(at);
    const std::string* there = current == un.end() ? nullptr : &current->second;
    if (there && *there == changed->second) continue;  // the new firmware made the same change
    const bool free = there && *there == before;
    if (!free) {
      c.conflict(n, editorUnitName(&now, at) + ": the mod " +
                        editorUnitChange(&old, key, &before, &changed->second) +
                        ", the new firmware " + editorUnitChange(&old, key, &before, there));
      if (!c.preferMod) continue;
    }
    if (!editorUnitSet(&now, at, changed->second, text, sizeof text)) {
      if (free) c.conflict(n, editorUnitName(&now, at) + ": " + text);
      continue;
    }
    c.tally.count(key);
    if (free)
      c.line(
          "carried", n,
          editorUnitName(&now, at) + ": " + editorUnitChange(&old, key, &before, &changed->second));
  }
  if (moved)
    c.line("matched", n,
           std::to_string(matchedUsed) + " entries through their texts, the groups having moved");
  if (!editorModuleStore(&now, text, sizeof text)) {
    cliStoreRefused(err, n, text);
    return MERGE_TROUBLE;
  }
  return MERGE_DONE;
}

int runCarry(char** operands, FILE* out, FILE* err) {
  Carry c;
  c.out = out;
  if (operands[4]) {
    if (std::strcmp(operands[4], "mod") && std::strcmp(operands[4], "new")) {
      std::fprintf(err, "korvane-cli: --prefer takes new or mod\n");
      return TROUBLE;
    }
    c.preferMod = std::strcmp(operands[4], "mod") == 0;
  }
  PoolPtr old = cliLoadImage(operands[0], err);
  PoolPtr mod = old ? cliLoadImage(operands[1], err) : nullptr;
  PoolPtr now = mod ? cliLoadImage(operands[2], err) : nullptr;
  if (!now) return TROUBLE;
  const std::vector<std::string> keysNew = moduleKeys(now.get()), keysMod = moduleKeys(mod.get());
  const std::map<std::string, Module*> inOld = modulesByKey(old.get(), moduleKeys(old.get())),
                                       inMod = modulesByKey(mod.get(), keysMod);
  std::map<std::string, Module*> result;  // by key: NEW's modules, changed where carried
  std::vector<std::string> order;         // NEW's order, then what the mod added
  for (uint32_t i = 0; i < keysNew.size(); i++) {
    const std::string& key = keysNew[i];
    Module* n = poolGet(now.get(), i);
    Module* o = moduleAt(inOld, key);
    Module* m = moduleAt(inMod, key);
    bool keep = true;
    if (!o && m && !modulesEqual(m, n)) {
      c.conflict(n, "module: added by both, not alike");
      if (c.preferMod) n = m;
    } else if (o && !m) {
      if (modulesEqual(o, n)) {
        keep = false;
        c.tally.modules++;
        c.line("removed", n, "");
      } else {
        c.conflict(n, "module: removed by the mod, changed by the new firmware");
        keep = !c.preferMod;
      }
    } else if (o && m && !modulesEqual(o, m)) {
      if (modulesEqual(o, n)) {
        n = m;
        c.tally.modules++;
        c.line("carried", n, "module");
      } else if (editorKindOf(nullptr, n) == EDITOR_NONE) {
        c.conflict(n, "module: changed in both");
        if (c.preferMod) n = m;
      } else {
        const Merged merged = carryUnits(c, o, m, n, err);
        if (merged == MERGE_TROUBLE) return TROUBLE;
        if (merged == MERGE_WHOLE && c.preferMod) n = m;
      }
    }
    if (keep) {
      result[key] = n;
      order.push_back(key);
    }
  }
  // What the mod added goes after the module it follows in the mod (itself
  // perhaps added), or at the end when that one is gone.
  std::map<std::string, std::vector<std::string>> addedAfter;  // "" for the end
  for (uint32_t i = 0; i < keysMod.size(); i++) {
    if (moduleAt(inOld, keysMod[i]) || result.count(keysMod[i])) continue;
    Module* m = poolGet(mod.get(), i);
    const bool follows = i && result.count(keysMod[i - 1]);
    addedAfter[follows ? keysMod[i - 1] : ""].push_back(keysMod[i]);
    result[keysMod[i]] = m;
    c.tally.modules++;
    c.line("added", m, "");
  }
  // A stack, the next module on top: NEW's order, then those added at the
  // end; each module pushes what was added after it.
  const std::vector<std::string>& atEnd = addedAfter[""];
  std::vector<std::string> pending(atEnd.rbegin(), atEnd.rend());
  pending.insert(pending.end(), order.rbegin(), order.rend());
  PoolPtr made(poolNew());
  while (!pending.empty()) {
    const std::string key = std::move(pending.back());
    pending.pop_back();
    poolAdd(made.get(), moduleClone(result[key]));
    auto added = addedAfter.find(key);
    if (added != addedAfter.end())
      pending.insert(pending.end(), added->second.rbegin(), added->second.rend());
  }
  const Tally& t = c.tally;
  std::fprintf(out,
               "carried %u texts, %u glyphs, %u colours, %u pictures, %u modules; %u conflicts\n",
               t.texts, t.glyphs, t.colours, t.pictures, t.modules, t.conflicts);
  if (cliSaveImage(made.get(), operands[3], out, err, {true, false}) != 0) return TROUBLE;
  return t.conflicts ? 1 : 0;
}

}  // namespace

const CliCommand COMPARE_COMMANDS[] = {
    {"diff", "A B [--all] [--brief]",
     "Compare images A and B module by module, matching modules by name (the\n"
     "n-th of a name in A with the n-th in B; their order is not compared):\n"
     "one tab-separated line per module only in A (\"-\", size and CRC), only\n"
     "in B (\"+\") or changed (\"~\", both sizes and CRCs); --all lists equal\n"
     "ones too (\"=\"). Below a changed module an editor reads on both sides,\n"
     "one indented line per unit that changed: texts by GROUP/INDEX (escaped\n"
     "as the strings dump escapes them; \"absent\"; undecodable bytes in hex),\n"
     "glyphs by code (width and rows), palette entries (#rrggbb) and items\n"
     "(their entries), pictures by entry (size, type, pixels or data).\n"
     "--brief prints the module lines only. Exit status: 0 when the images\n"
     "are equal, 1 when they differ, 2 on trouble (an input unreadable, the\n"
     "output unwritten).",
     runDiff, TROUBLE},
    {"carry", "OLD MODDED NEW OUT [--prefer WHICH]",
     "Carry a mod to a new firmware: what changed from OLD to MODDED is made\n"
     "in NEW, and the result saved to OUT (read back, OUT.orig kept). A module\n"
     "the mod changed and NEW did not is the mod's; one both changed is\n"
     "merged unit by unit where an editor reads all three (texts by\n"
     "GROUP/INDEX, or by their OLD texts where NEW's groups moved; glyphs;\n"
     "palette entries and items; pictures), each unit the mod changed taken\n"
     "where NEW kept OLD's, and a conflict where NEW changed it otherwise (NEW's\n"
     "kept, or the mod's with --prefer mod); any other module changed in both\n"
     "is one conflict. Modules the mod added come after the module they follow\n"
     "in MODDED; those it removed go. Every unit carried and every conflict is\n"
     "one line, then a summary. Exit status: 0 without conflicts, 1 with (OUT\n"
     "written all the same), 2 on trouble (nothing written), a store the module\n"
     "cannot hold among it.",
     runCarry, TROUBLE},
};
const size_t COMPARE_COMMAND_COUNT = sizeof COMPARE_COMMANDS / sizeof COMPARE_COMMANDS[0];
