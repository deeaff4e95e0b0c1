// SPDX-License-Identifier: MIT
// Byte layout of a module (88-byte big-endian header, name, body, 24-bit CRC
// trailer), its integrity codes, the validation rules and the text tables for
// the header fields. Shared by parsing, rebuilding, the views and the tests.
#pragma once

#include <cstddef>
#include <cstdint>

// Header offsets, from the first byte of the module.
constexpr uint32_t MH_SYNC = 0;          // 4 bytes: 0x4D 0xAD 0x00 0x02
constexpr uint32_t MH_SIZE = 4;          // 4 bytes: whole module, trailer included
constexpr uint32_t MH_NAME_OFFSET = 12;  // 4 bytes
constexpr uint32_t MH_ACCESS = 16;       // 2 bytes
constexpr uint32_t MH_TYPE = 18;         // 1 byte
constexpr uint32_t MH_LANGUAGE = 19;     // 1 byte
constexpr uint32_t MH_ATTRIBUTE = 20;    // 1 byte
constexpr uint32_t MH_REVISION = 21;     // 1 byte
constexpr uint32_t MH_EDITION = 22;      // 2 bytes
constexpr uint32_t MH_DATA_OFFSET = 36;  // 4 bytes
constexpr uint32_t MH_PARITY = 86;       // 2 bytes

constexpr uint32_t MODULE_HEADER_SIZE = 88;
constexpr uint32_t MODULE_TRAILER_SIZE = 4;  // one 0x00, then the 24-bit CRC
constexpr uint32_t MODULE_MIN_SIZE = 96;     // the smallest size that passes validation
constexpr uint32_t MODULE_SYNC = 0x4DAD0002;
constexpr uint8_t MODULE_TYPE_DATA = 4;

enum ModuleArch : uint32_t {
  ARCH_UNKNOWN = 0,
  ARCH_4DAD = 1,
};

// Validation results; the numbers are shown to users through moduleErrorText.
enum ModuleError : int {
  ME_NONE = 0,
  ME_ARCH = 1,
  ME_BUFFER_SMALL = 2,
  ME_MAGIC = 3,
  ME_SIZE_ALIGN = 4,
  ME_SIZE = 5,
  ME_NAME = 6,
  ME_NAME_EMPTY = 7,
  ME_DATA_ALIGN = 8,
  ME_PARITY = 9,
  ME_CRC = 10,
};

// Returns ARCH_4DAD when at least 4 bytes are given and they are the sync
// word, else ARCH_UNKNOWN.
ModuleArch moduleDetectArch(const uint8_t* bytes, size_t length);

// Checks the first bytes of a block of `length` available bytes as a module of
// the 0x4DAD layout and returns the first failing check's code, or ME_NONE.
// Only the first `size` bytes (from the size field) are examined. Never
// changes the block.
ModuleError moduleValidate(const uint8_t* bytes, size_t length);

// Returns the message for a code, or null for a code above 10.
const char* moduleErrorText(int code);

// Returns the text for a module type byte ("data", "user defined", ...).
const char* moduleTypeName(uint32_t type);

// Returns the 4-character text of one 4-bit group (0..3) of an access word.
// Groups 0-2 use the permission letters, group 3 the reserved marks.
const char* moduleAccessText(uint32_t access, uint32_t group);

// Header parity of the first 86 bytes: 0xFFFF exclusive-or each big-endian
// 16-bit word. Requires: 86 readable bytes.
uint32_t moduleHeaderParity(const uint8_t* header);

// Module CRC (24-bit, polynomial 0x800063, initial 0xFFFFFF, MSB first,
// final xor 0xFFFFFF) of `length` bytes. From 64 bytes on, on a CPU with
// carry-less multiplication (PCLMULQDQ and SSSE3), 16-byte blocks are folded
// by carry-less multiplication; otherwise, and for shorter inputs, four
// bytes per step while at least four remain, then byte steps.
uint32_t moduleCrc(const uint8_t* bytes, size_t length);

// Continues a running CRC register (not yet xor-ed with 0xFFFFFF) over more
// bytes; moduleCrc is moduleCrcUpdate(0xFFFFFF, ...) ^ 0xFFFFFF.
uint32_t moduleCrcUpdate(uint32_t reg, const uint8_t* bytes, size_t length);

// For tests and benchmarks: with 0, moduleCrc and moduleCrcUpdate take the
// four-byte step whatever the CPU; with 1 (the default) they fold where the
// CPU allows. Returns the previous setting.
int moduleCrcSetFolding(int enabled);

// Returns 1 when this CPU can fold (the setting above aside).
int moduleCrcFoldingAvailable();

// One byte step of the CRC register, as the reference definition of the
// checksum: C = B ^ (R >> 16); R = (R << 8) ^ (C << 1) ^ (C << 6) ^
// (odd parity of C ? 0x800021 : 0), masked to 24 bits.
uint32_t moduleCrcByteStep(uint32_t reg, uint8_t byte);

// The whole CRC by byte steps only. Slow; kept as the reference.
uint32_t moduleCrcBytewise(const uint8_t* bytes, size_t length);
