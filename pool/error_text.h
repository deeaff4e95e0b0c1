// SPDX-License-Identifier: MIT
// Error texts. A function that can fail with a reason takes (err, errSize)
// and writes the reason there, cut to fit and always terminated; callers
// hand it a buffer of ERROR_SIZE bytes unless the text goes into a longer
// message, and pass sizeof their buffer.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>

constexpr size_t ERROR_SIZE = 256;

// Writes a printf-style reason into err (nothing for a null err or a size of
// 0) and returns 0, so that a failing path can end in `return errorSet(...)`.
inline int errorSet(char* err, size_t errSize, const char* format, ...) __attribute__((format(printf, 3, 4)));
inline int errorSet(char* err, size_t errSize, const char* format, ...) {
  if (!err || !errSize) return 0;
  va_list args;
  va_start(args, format);
  std::vsnprintf(err, errSize, format, args);
  va_end(args);
  return 0;
}
