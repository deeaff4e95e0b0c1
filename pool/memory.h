// SPDX-License-Identifier: MIT
// Memory handed across the C-style interfaces comes from malloc and goes back
// with free; these helpers keep that rule in one place.
#pragma once

#include <cstdlib>
#include <cstring>
#include <memory>

struct FreeDeleter {
  void operator()(void* p) const noexcept { std::free(p); }
};
template <class T>
using MallocPtr = std::unique_ptr<T, FreeDeleter>;

// Returns a malloc'd copy of n bytes (never null, even for n == 0, so that
// "no result" stays distinguishable from "empty result"). Release with free.
inline uint8_t* mallocCopy(const void* src, size_t n) {
  auto* p = static_cast<uint8_t*>(std::malloc(n ? n : 1));
  if (n) std::memcpy(p, src, n);
  return p;
}

// Returns a malloc'd copy of a NUL-terminated text. Release with free.
inline char* mallocString(const char* text) {
  return reinterpret_cast<char*>(mallocCopy(text, std::strlen(text) + 1));
}
