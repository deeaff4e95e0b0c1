// SPDX-License-Identifier: MIT
#include "pool/sha256.h"

#include <atomic>
#include <cstring>

#include "pool/be.h"

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#define SHA_HAVE_HARDWARE 1
#else
#define SHA_HAVE_HARDWARE 0
#endif

namespace {

alignas(16) const uint32_t K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

std::atomic<int> hardwareEnabled{1};

inline uint32_t rotr(uint32_t x, int n) { return x >> n | x << (32 - n); }

// The rounds of the definition, one 64-byte block after another.
void blocksPortable(uint32_t state[8], const uint8_t* data, size_t blocks) {
  for (; blocks; blocks--, data += 64) {
    uint32_t w[64];
    for (int i = 0; i < 16; i++) w[i] = beGet32(data + 4 * i);
    for (int i = 16; i < 64; i++) {
      uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
      uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4], f = state[5],
             g = state[6], h = state[7];
    for (int i = 0; i < 64; i++) {
      uint32_t t1 =
          h + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + K[i] + w[i];
      uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      h = g, g = f, f = e, e = d + t1, d = c, c = b, b = a, a = t1 + t2;
    }
    state[0] += a, state[1] += b, state[2] += c, state[3] += d;
    state[4] += e, state[5] += f, state[6] += g, state[7] += h;
  }
}

#if SHA_HAVE_HARDWARE
#define SHA_TARGET __attribute__((target("sha,ssse3,sse4.1")))

// The same rounds by the SHA instructions: four rounds a step, the message
// schedule four words at a time (msg1, msg2), the state kept as the two
// halves the instructions take (ABEF and CDGH).
SHA_TARGET void blocksHardware(uint32_t state[8], const uint8_t* data, size_t blocks) {
  const __m128i bigEndian = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
  __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
  __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
  __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
  __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
  __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
  __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
  for (; blocks; blocks--, data += 64) {
    const __m128i abefBefore = abef, cdghBefore = cdgh;
    __m128i w[4];
    for (int g = 0; g < 16; g++) {
      if (g < 4) {
        w[g] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * g)),
                                bigEndian);
      } else {
        // w[g % 4] holds the words of step g - 4, w[(g + 1) % 4] of g - 3, and so on.
        __m128i next = _mm_sha256msg1_epu32(w[g % 4], w[(g + 1) % 4]);
        next = _mm_add_epi32(next, _mm_alignr_epi8(w[(g + 3) % 4], w[(g + 2) % 4], 4));
        w[g % 4] = _mm_sha256msg2_epu32(next, w[(g + 3) % 4]);
      }
      __m128i message =
          _mm_add_epi32(w[g % 4], _mm_load_si128(reinterpret_cast<const __m128i*>(K + 4 * g)));
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(message, 0x0E));
    }
    abef = _mm_add_epi32(abef, abefBefore);
    cdgh = _mm_add_epi32(cdgh, cdghBefore);
  }
  __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

// From CPUID itself: not every compiler's __builtin_cpu_supports knows "sha".
bool hardwareSupported() {
  static const bool supported = [] {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    const bool ssse3 = c & (1u << 9), sse41 = c & (1u << 19);
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
    return ssse3 && sse41 && (b & (1u << 29));
  }();
  return supported;
}
#endif

void blocks(uint32_t state[8], const uint8_t* data, size_t n) {
#if SHA_HAVE_HARDWARE
  if (hardwareEnabled.load(std::memory_order_relaxed) && hardwareSupported())
    return blocksHardware(state, data, n);
#endif
  blocksPortable(state, data, n);
}

}  // namespace

void sha256(const void* bytes, size_t n, uint8_t out[SHA256_SIZE]) {
  uint32_t state[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  const auto* data = static_cast<const uint8_t*>(bytes);
  blocks(state, data, n / 64);
  // The last bytes, the 0x80 that ends them, zeros, and the length in bits.
  uint8_t tail[128] = {};
  const size_t rest = n % 64, tailSize = rest < 56 ? 64 : 128;
  if (rest) std::memcpy(tail, data + n - rest, rest);
  tail[rest] = 0x80;
  const uint64_t bits = uint64_t(n) * 8;
  beSet32(tail + tailSize - 8, uint32_t(bits >> 32));
  beSet32(tail + tailSize - 4, uint32_t(bits));
  blocks(state, tail, tailSize / 64);
  for (int i = 0; i < 8; i++) beSet32(out + 4 * i, state[i]);
}

std::string sha256Hex(const void* bytes, size_t n) {
  uint8_t sum[SHA256_SIZE];
  sha256(bytes, n, sum);
  static const char DIGITS[] = "0123456789abcdef";
  std::string text(2 * SHA256_SIZE, '0');
  for (size_t i = 0; i < SHA256_SIZE; i++)
    text[2 * i] = DIGITS[sum[i] >> 4], text[2 * i + 1] = DIGITS[sum[i] & 15];
  return text;
}

int sha256SetHardware(int enabled) { return hardwareEnabled.exchange(enabled ? 1 : 0); }

int sha256HardwareAvailable() {
#if SHA_HAVE_HARDWARE
  return hardwareSupported();
#else
  return 0;
#endif
}
