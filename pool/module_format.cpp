// Validation, integrity codes and text tables of the 0x4DAD module layout.
#include "pool/module_format.h"

#include <array>

#include "pool/be.h"

namespace {

constexpr std::array<uint8_t, 256> makeOddParity() {
  std::array<uint8_t, 256> t{};
  for (int i = 0; i < 256; i++) {
    int bits = 0;
    for (int v = i; v; v >>= 1) bits += v & 1;
    t[i] = uint8_t(bits & 1);
  }
  return t;
}
constexpr std::array<uint8_t, 256> ODD_PARITY = makeOddParity();

constexpr uint32_t crcByteStep(uint32_t reg, uint8_t byte) {
  uint32_t c = byte ^ (reg >> 16);
  uint32_t r = (reg << 8) ^ (c << 1) ^ (c << 6) ^ (ODD_PARITY[c] ? 0x800021u : 0u);
  return r & 0xFFFFFF;
}

// CRC_SLICE[k][v] is the register after byte v followed by k zero bytes, from
// a zero register. A four-byte step folds the old register into the input
// word (the register is shifted out completely within four bytes) and looks
// up each byte of the result at its distance from the end.
using SliceTables = std::array<std::array<uint32_t, 256>, 4>;
constexpr SliceTables makeCrcSlices() {
  SliceTables t{};
  for (int v = 0; v < 256; v++) {
    t[0][v] = crcByteStep(0, uint8_t(v));
    for (int k = 1; k < 4; k++) t[k][v] = crcByteStep(t[k - 1][v], 0);
  }
  return t;
}
constexpr SliceTables CRC_SLICE = makeCrcSlices();

const char* const TYPE_NAMES[16] = {
    "",     "program",       "subroutine", "multi", "data",         "configuration",
    "",     "",              "",           "",      "",             "trap library",
    "system", "file manager", "device driver", "device descriptor",
};

const char* const ACCESS_PERMISSION[16] = {
    "----", "---r", "--w-", "--wr", "-e--", "-e-r", "-ew-", "-ewr",
    "?---", "?--r", "?-w-", "?-wr", "?e--", "?e-r", "?ew-", "?ewr",
};
const char* const ACCESS_RESERVED[16] = {
    "----", "---?", "--?-", "--?\?", "-?--", "-?-?", "-?\?-", "-?\?\?",
    "?---", "?--?", "?-?-", "?-?\?", "?\?--", "?\?-?", "?\?\?-", "?\?\?\?",
};

const char* const ERROR_TEXTS[11] = {
    "No error",
    "Unknown module architecture",
    "Module buffer too small",
    "Invalid magic value",
    "Module size not aligned",
    "Invalid module size",
    "Invalid module name",
    "Module with empty name",
    "Module data not aligned",
    "Module has invalid header parity",
    "Module has invalid CRC",
};

}  // namespace

ModuleArch moduleDetectArch(const uint8_t* bytes, size_t length) {
  if (!bytes || length < 4) return ARCH_UNKNOWN;
  return beGet32(bytes) == MODULE_SYNC ? ARCH_4DAD : ARCH_UNKNOWN;
}

ModuleError moduleValidate(const uint8_t* bytes, size_t length) {
  // The buffer test comes before the magic: a 91-byte block is "too small"
  // whatever it holds.
  if (length <= 91) return ME_BUFFER_SMALL;
  if (beGet32(bytes + MH_SYNC) != MODULE_SYNC) return ME_MAGIC;
  uint32_t size = beGet32(bytes + MH_SIZE);
  if (size % 4) return ME_SIZE_ALIGN;
  if (size <= 92) return ME_SIZE;
  // A size beyond the data is a short buffer, not a CRC error.
  if (size > length) return ME_BUFFER_SMALL;
  uint32_t nameOffset = beGet32(bytes + MH_NAME_OFFSET);
  if (nameOffset >= size || nameOffset < MODULE_HEADER_SIZE) return ME_NAME;
  if (bytes[nameOffset] == 0) return ME_NAME_EMPTY;
  if (beGet32(bytes + MH_DATA_OFFSET) % 4) return ME_DATA_ALIGN;
  if (beGet16(bytes + MH_PARITY) != moduleHeaderParity(bytes)) return ME_PARITY;
  // The trailer read as 32 bits: a non-zero pad byte fails here too.
  if (beGet32(bytes + size - 4) != moduleCrc(bytes, size - 3)) return ME_CRC;
  return ME_NONE;
}

const char* moduleErrorText(int code) {
  if (code < 0 || code > 10) return nullptr;
  return ERROR_TEXTS[code];
}

const char* moduleTypeName(uint32_t type) {
  if (type > 15) return "user defined";
  return TYPE_NAMES[type][0] ? TYPE_NAMES[type] : "unknown";
}

const char* moduleAccessText(uint32_t access, uint32_t group) {
  uint32_t value = (access >> (4 * (group & 3))) & 0xF;
  return (group & 3) == 3 ? ACCESS_RESERVED[value] : ACCESS_PERMISSION[value];
}

uint32_t moduleHeaderParity(const uint8_t* header) {
  uint32_t parity = 0xFFFF;
  for (uint32_t offset = 0; offset < MH_PARITY; offset += 2) parity ^= beGet16(header + offset);
  return parity;
}

// Registers are 24 bits; a wider value from a caller is cut so that the
// table lookups stay inside their tables.
uint32_t moduleCrcByteStep(uint32_t reg, uint8_t byte) { return crcByteStep(reg & 0xFFFFFF, byte); }

uint32_t moduleCrcUpdate(uint32_t reg, const uint8_t* bytes, size_t length) {
  reg &= 0xFFFFFF;
  const uint8_t* p = bytes;
  const uint8_t* end4 = bytes + (length & ~size_t(3));
  for (; p != end4; p += 4) {
    uint32_t y = (reg << 8) ^ beGet32(p);
    reg = CRC_SLICE[3][y >> 24] ^ CRC_SLICE[2][(y >> 16) & 0xFF] ^
          CRC_SLICE[1][(y >> 8) & 0xFF] ^ CRC_SLICE[0][y & 0xFF];
  }
  for (size_t i = 0; i < (length & 3); i++) reg = crcByteStep(reg, p[i]);
  return reg;
}

uint32_t moduleCrc(const uint8_t* bytes, size_t length) {
  return moduleCrcUpdate(0xFFFFFF, bytes, length) ^ 0xFFFFFF;
}

uint32_t moduleCrcBytewise(const uint8_t* bytes, size_t length) {
  uint32_t reg = 0xFFFFFF;
  for (size_t i = 0; i < length; i++) reg = crcByteStep(reg, bytes[i]);
  return reg ^ 0xFFFFFF;
}
