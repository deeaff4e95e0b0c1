// SPDX-License-Identifier: MIT
// Validation, integrity codes and text tables of the 0x4DAD module layout.
#include "pool/module_format.h"

#include <array>
#include <atomic>

#include "pool/be.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CRC_HAVE_FOLDING 1
#else
#define CRC_HAVE_FOLDING 0
#endif

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

uint32_t crcFourByte(uint32_t reg, const uint8_t* bytes, size_t length) {
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

// Folding. Read the message as a polynomial over GF(2), first bit highest:
// from a zero register the CRC register is M(x) * x^24 mod P, with
// P = x^24 + 0x800063. So any A with A = M (mod P) gives the same register,
// and A can be kept in 128 bits: appending a 16-byte block B makes
// M' = M * x^128 + B, and with A = Ah * x^64 + Al (64-bit halves),
//   A' = Ah * (x^192 mod P) + Al * (x^128 mod P) + B,
// two carry-less 64 x 24-bit products of at most 87 bits. Folding by D bits
// in general uses x^(D+64) mod P and x^D mod P. Four accumulators run over
// interleaved blocks (64 bytes a step, folded by 512 bits) and are combined
// at the end by folds of 384, 256 and 128 bits. A running register R counts
// as R * x^(8n) = (R * x^(8n-24)) * x^24: it is added to the first three
// message bytes. At the end the table CRC of A's 16 bytes from a zero
// register is the register of the message.
constexpr uint32_t CRC_POLY = 0x1800063;  // P with its x^24 term

// x^n mod P, by n multiplications by x: shift, and subtract P when the x^24
// term appears.
constexpr uint32_t crcPowerOfX(int n) {
  uint32_t r = 1;
  for (int i = 0; i < n; i++) {
    r <<= 1;
    if (r & 0x1000000) r ^= CRC_POLY;
  }
  return r;
}
// The byte step and the folding work modulo the same polynomial.
static_assert(crcByteStep(0, 1) == crcPowerOfX(24) && crcByteStep(0, 0x80) == crcPowerOfX(31));

// The pair of factors that folds a 128-bit accumulator forward by `bits`.
struct FoldConstants {
  uint64_t low, high;  // x^bits mod P, x^(bits + 64) mod P
};
constexpr FoldConstants crcFoldBy(int bits) { return {crcPowerOfX(bits), crcPowerOfX(bits + 64)}; }
constexpr FoldConstants FOLD_512 = crcFoldBy(512), FOLD_384 = crcFoldBy(384),
                        FOLD_256 = crcFoldBy(256), FOLD_128 = crcFoldBy(128);

std::atomic<int> crcFoldingEnabled{1};

#if CRC_HAVE_FOLDING
#define CRC_FOLD_TARGET __attribute__((target("pclmul,ssse3,sse4.1")))

// The 16 bytes in reverse order: memory's first byte becomes the highest.
CRC_FOLD_TARGET inline __m128i crcReverse(__m128i v) {
  return _mm_shuffle_epi8(v, _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
}

// 16 bytes as one 128-bit number, the first byte highest.
CRC_FOLD_TARGET inline __m128i crcLoad(const uint8_t* p) {
  return crcReverse(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// a * x^D + b (mod P), with k holding x^D mod P low and x^(D+64) mod P high.
CRC_FOLD_TARGET inline __m128i crcFold(__m128i a, __m128i k, __m128i b) {
  __m128i low = _mm_clmulepi64_si128(a, k, 0x00);
  __m128i high = _mm_clmulepi64_si128(a, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(low, high), b);
}

CRC_FOLD_TARGET inline __m128i crcFoldConstants(FoldConstants k) {
  return _mm_set_epi64x(int64_t(k.high), int64_t(k.low));
}

// Requires: length >= 64.
CRC_FOLD_TARGET uint32_t crcFolding(uint32_t reg, const uint8_t* p, size_t length) {
  const __m128i by512 = crcFoldConstants(FOLD_512), by384 = crcFoldConstants(FOLD_384),
                by256 = crcFoldConstants(FOLD_256), by128 = crcFoldConstants(FOLD_128);
  __m128i a0 = _mm_xor_si128(crcLoad(p), _mm_set_epi64x(int64_t(uint64_t(reg) << 40), 0));
  __m128i a1 = crcLoad(p + 16), a2 = crcLoad(p + 32), a3 = crcLoad(p + 48);
  p += 64;
  length -= 64;
  for (; length >= 64; p += 64, length -= 64) {
    a0 = crcFold(a0, by512, crcLoad(p));
    a1 = crcFold(a1, by512, crcLoad(p + 16));
    a2 = crcFold(a2, by512, crcLoad(p + 32));
    a3 = crcFold(a3, by512, crcLoad(p + 48));
  }
  __m128i a = crcFold(a0, by384, crcFold(a1, by256, crcFold(a2, by128, a3)));
  for (; length >= 16; p += 16, length -= 16) a = crcFold(a, by128, crcLoad(p));
  uint8_t folded[16];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(folded), crcReverse(a));
  return crcFourByte(crcFourByte(0, folded, 16), p, length);
}

bool crcFoldingSupported() {
  static const bool supported = __builtin_cpu_supports("pclmul") &&
                                __builtin_cpu_supports("ssse3") &&
                                __builtin_cpu_supports("sse4.1");
  return supported;
}
#endif

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
#if CRC_HAVE_FOLDING
  // The four accumulators start from 64 bytes; at 64 the fold already takes
  // half the time of the four-byte step.
  if (length >= 64 && crcFoldingEnabled.load(std::memory_order_relaxed) && crcFoldingSupported())
    return crcFolding(reg & 0xFFFFFF, bytes, length);
#endif
  return crcFourByte(reg & 0xFFFFFF, bytes, length);
}

int moduleCrcSetFolding(int enabled) { return crcFoldingEnabled.exchange(enabled ? 1 : 0); }

int moduleCrcFoldingAvailable() {
#if CRC_HAVE_FOLDING
  return crcFoldingSupported();
#else
  return 0;
#endif
}

uint32_t moduleCrc(const uint8_t* bytes, size_t length) {
  return moduleCrcUpdate(0xFFFFFF, bytes, length) ^ 0xFFFFFF;
}

uint32_t moduleCrcBytewise(const uint8_t* bytes, size_t length) {
  uint32_t reg = 0xFFFFFF;
  for (size_t i = 0; i < length; i++) reg = crcByteStep(reg, bytes[i]);
  return reg ^ 0xFFFFFF;
}
