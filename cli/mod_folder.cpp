// SPDX-License-Identifier: MIT
#include "cli/mod_folder.h"

#include <glib.h>

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "pool/sha256.h"
#include "pool/text_lines.h"

namespace {

const char MANIFEST_HEADER[] = "korvane-manifest 1";
constexpr size_t STEM_NAME_MAX = 200;

// Inside the folder: relative, every part a name of its own.
bool pathInside(const std::string& path) {
  if (path.empty() || path[0] == '/') return false;
  size_t start = 0;
  while (true) {
    size_t slash = path.find('/', start);
    const std::string part =
        path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (part.empty() || part == "." || part == "..") return false;
    if (slash == std::string::npos) return true;
    start = slash + 1;
  }
}

bool shaValid(const std::string& sha) {
  if (sha.size() != 64) return false;
  for (char c : sha)
    if (!g_ascii_isxdigit(c) || g_ascii_isupper(c)) return false;
  return true;
}

std::vector<std::string> fieldsOf(std::string_view line) {
  std::vector<std::string> fields;
  while (true) {
    size_t tab = line.find('\t');
    fields.emplace_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    line.remove_prefix(tab + 1);
  }
}

}  // namespace

std::string modStem(uint32_t index, uint32_t largest, const char* name) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%0*u-", std::max(3, int(std::to_string(largest).size())),
                index);
  std::string stem = digits, escaped;
  const std::string n = name;
  for (size_t i = 0; i < n.size(); i++) {
    const auto c = static_cast<unsigned char>(n[i]);
    const bool dotted =
        c == '.' && (i == 0 || (i > 0 && n[i - 1] == '.') || (i + 1 < n.size() && n[i + 1] == '.'));
    std::string piece(1, char(c));
    if (c == '/' || c == '\\' || c == '%' || c < 0x20 || c >= 0x7F || dotted) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      piece = hex;
    }
    if (escaped.size() + piece.size() > STEM_NAME_MAX) break;
    escaped += piece;
  }
  return stem + escaped;
}

std::string modSha256(const void* bytes, size_t n) { return sha256Hex(bytes, n); }

std::string manifestWrite(const std::vector<ManifestModule>& modules) {
  std::string out = std::string(MANIFEST_HEADER) + "\n";
  for (const ManifestModule& m : modules) {
    out += m.index + "\t" + m.mod.path + "\t" + m.mod.sha;
    for (const ManifestFile& f : m.files) out += "\t" + f.path + "=" + f.sha;
    out += "\n";
  }
  return out;
}

bool manifestRead(const char* data, size_t size, std::vector<ManifestModule>* modules,
                  std::string* err) {
  const std::vector<std::string_view> lines = textLines(data, size);
  if (lines.empty() || lines[0] != MANIFEST_HEADER) {
    *err = std::string("line 1: not the line \"") + MANIFEST_HEADER + "\"";
    return false;
  }
  for (size_t n = 1; n < lines.size(); n++) {
    if (lines[n].empty()) continue;
    const std::vector<std::string> fields = fieldsOf(lines[n]);
    const std::string at = "line " + std::to_string(n + 1) + ": ";
    if (fields.size() < 3 || fields[0].empty() ||
        fields[0].find_first_not_of("0123456789") != std::string::npos) {
      *err = at + "not an index, a .mod path and its SHA-256, tab-separated";
      return false;
    }
    ManifestModule m;
    m.line = uint32_t(n + 1);
    m.index = fields[0];
    m.mod = {fields[1], fields[2]};
    for (size_t i = 3; i < fields.size(); i++) {
      const size_t equals = fields[i].rfind('=');
      if (equals == std::string::npos) {
        *err = at + "\"" + fields[i] + "\" is not PATH=SHA256";
        return false;
      }
      m.files.push_back({fields[i].substr(0, equals), fields[i].substr(equals + 1)});
    }
    std::vector<ManifestFile> all = m.files;
    all.push_back(m.mod);
    for (const ManifestFile& f : all) {
      if (!pathInside(f.path)) {
        *err = at + "the path \"" + f.path + "\" leaves the folder";
        return false;
      }
      if (!shaValid(f.sha)) {
        *err = at + "\"" + f.sha + "\" is not a SHA-256 in lower-case hex";
        return false;
      }
    }
    modules->push_back(std::move(m));
  }
  return true;
}
