// SPDX-License-Identifier: MIT
// Text files as the project's readers and writers take them: the lines read
// (a byte-order mark at the start dropped, each line without its LF or
// CRLF), and lines written printf-style.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <string>
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

// Appends printf-style text to out, whatever its length.
inline void textAppendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
inline void textAppendf(std::string& out, const char* format, ...) {
  va_list args, again;
  va_start(args, format);
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  if (n > 0) {
    const size_t at = out.size();
    out.resize(at + size_t(n) + 1);
    std::vsnprintf(out.data() + at, size_t(n) + 1, format, again);
    out.resize(at + size_t(n));
  }
  va_end(again);
}
