// SPDX-License-Identifier: MIT
#include "pool/sha256.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// Known digests, and every length across the block and padding edges against
// GLib's, by the CPU's instructions and by the portable rounds.
TEST(Sha256, KnownValuesAndEveryTailLength) {
  std::mt19937 random(256);
  std::vector<uint8_t> bytes(300);
  for (uint8_t& b : bytes) b = uint8_t(random());
  const int saved = sha256SetHardware(1);
  for (int hardware : {1, 0}) {
    sha256SetHardware(hardware);
    SCOPED_TRACE(hardware);
    EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", sha256Hex("", 0));
    EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", sha256Hex("abc", 3));
    for (size_t n = 0; n <= bytes.size(); n++) {
      gchar* expected = g_compute_checksum_for_data(G_CHECKSUM_SHA256, bytes.data(), n);
      ASSERT_EQ(expected, sha256Hex(bytes.data(), n)) << n;
      g_free(expected);
    }
  }
  sha256SetHardware(saved);
}

}  // namespace
