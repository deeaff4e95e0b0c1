// SPDX-License-Identifier: MIT
// Big-endian access to module bytes. Every multi-byte value in an image goes
// through these, so the host byte order never reaches the file.
#pragma once

#include <cstdint>

// Requires: 2, 3 or 4 readable (writable) bytes at p. No bounds checking: the
// caller has checked the length first.
inline uint32_t beGet16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }
inline uint32_t beGet24(const uint8_t* p) {
  return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}
inline uint32_t beGet32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

inline void beSet16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}
inline void beSet24(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 16);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v);
}
inline void beSet32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}
