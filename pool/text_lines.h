// SPDX-License-Identifier: MIT
// The lines of a text file as the project's readers take them: a byte-order
// mark at the start dropped, each line without its LF or CRLF.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

inline std::vector<std::string_view> textLines(const char* data, size_t size) {
  std::string_view all(data, size);
  if (all.substr(0, 3) == "\xEF\xBB\xBF") all.remove_prefix(3);
  std::vector<std::string_view> lines;
  while (!all.empty()) {
    size_t end = all.find('\n');
    std::string_view line = all.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    all.remove_prefix(end == std::string_view::npos ? all.size() : end + 1);
  }
  return lines;
}
