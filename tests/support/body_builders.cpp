#include "tests/support/body_builders.h"

#include <algorithm>
#include <vector>

#include "pool/be.h"

namespace {

// Where the groups of the two name lists begin.
const std::vector<uint32_t> GROUPS_0033 = {0,   21,  99,  108, 151, 154, 158, 169,
                                           174, 176, 269, 277, 282, 291, 298};
const std::vector<uint32_t> GROUPS_0035 = {0,   21,  99,  108, 114, 117, 121,
                                           132, 137, 139, 148, 154, 237};

}  // namespace

Bytes colorBody(uint16_t tag, uint16_t transparentReference, size_t tail) {
  const std::vector<uint32_t>& groups = tag == 0x0035 ? GROUPS_0035 : GROUPS_0033;
  uint32_t items = tag == 0x0035 ? 248 : 310;
  Bytes body(124 + 2 * items + tail);
  beSet16(body.data(), tag);
  for (uint32_t k = 0; k < 60; k++) {
    uint32_t r = (k * 5) % 32, g = (k * 11 + 7) % 32, b = (31 - k % 32);
    beSet16(body.data() + 2 + 2 * k, (k % 2 ? 0 : 0x8000) | r << 10 | g << 5 | b);
  }
  beSet16(body.data() + 122, transparentReference);
  for (uint32_t i = 0; i < items; i++) {
    bool heading = std::find(groups.begin(), groups.end(), i) != groups.end();
    beSet16(body.data() + 124 + 2 * i, heading ? 0 : 1 + (i * 7) % 60);
  }
  for (size_t i = 0; i < tail; i++) body[124 + 2 * items + i] = uint8_t(0xA5 + i);
  return body;
}

uint32_t colorItemWord(const Bytes& body, uint32_t item) { return beGet16(body.data() + 124 + 2 * item); }

void colorItemWordSet(Bytes& body, uint32_t item, uint16_t word) {
  beSet16(body.data() + 124 + 2 * item, word);
}
