// SPDX-License-Identifier: MIT
#include "pool/sha256.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// Every length across the block and padding edges against GLib's, by the CPU's
// instructions and by the portable rounds.
TEST(Sha256, KnownValuesAndEveryTailLength) {
  std::mt19937 random(256);
  std::vector<uint8_t> bytes(300);
  for (uint8_t& b : bytes) b = uint8_t(random());
  const int saved = sha256SetHardware(1);
  for (int hardware : {1, 0}) {
    sha256SetHardware(hardware);
    SCOPED_TRACE(hardware);
    for (size_t n = 0; n <= bytes.size(); n++) {
      gchar* expected = g_compute_checksum_for_data(G_CHECKSUM_SHA256, bytes.data(), n);
      ASSERT_EQ(expected, sha256Hex(bytes.data(), n)) << n;
      g_free(expected);
    }
  }
  sha256SetHardware(saved);
}

}  // namespace
