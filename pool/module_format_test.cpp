// SPDX-License-Identifier: MIT
#include "pool/module_format.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/support/module_builder.h"

namespace {

// Written byte by byte: an independent reference for the builder and the integrity code.
const Bytes HAND_MODULE = imageOf({
    {0x4D, 0xAD, 0x00, 0x02, 0x00, 0x00, 0x00, 0x60,   // sync, size 96
     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x58,   // -, name offset 88
     0x05, 0x55, 0x04, 0x00, 0x80, 0x01, 0x00, 0x01},  // access, type, language, attr., rev., ed.
    zeros(12), {0x00, 0x00, 0x00, 0x5C}, zeros(46),    // data offset 92
    {0x33, 0x61, 'A', 0, 0, 0, 0x00, 0xA7, 0x2A, 0xB7},  // parity, name, zero, CRC of no body
});

TEST(ModuleFormat, CrcAndTextTables) {
  const uint8_t text[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(0x200FA5u, moduleCrc(text, sizeof text));
  EXPECT_STREQ("unknown", moduleTypeName(6));
  EXPECT_STREQ("device descriptor", moduleTypeName(15));
  EXPECT_STREQ("user defined", moduleTypeName(16));
  EXPECT_STREQ("-?-?", moduleAccessText(0x5000, 3));
  EXPECT_EQ(nullptr, moduleErrorText(11));
}

// The order of the checks decides the message a user sees.
TEST(ModuleFormat, HandWrittenModuleAndValidationOrder) {
  EXPECT_EQ(ME_NONE, moduleValidate(HAND_MODULE.data(), HAND_MODULE.size()));
  EXPECT_EQ(HAND_MODULE, ModuleBuilder().name("A").build());
  Bytes good = ModuleBuilder().name("font8").body(Bytes(40, 0x11)).build();
  const ModuleError codes[] = {ME_BUFFER_SMALL, ME_MAGIC, ME_SIZE_ALIGN, ME_SIZE,  // by Break
                               ME_BUFFER_SMALL, ME_NAME,  ME_NAME,       ME_NAME_EMPTY,
                               ME_DATA_ALIGN,   ME_PARITY, ME_CRC,       ME_CRC};
  for (int how = 0; how <= int(Break::TrailerPad); how++) {
    Bytes broken = breakModule(good, Break(how));
    EXPECT_EQ(codes[how], moduleValidate(broken.data(), broken.size())) << "break " << how;
  }
  Bytes junk(92, 0x55);  // 91 bytes are too small before the magic is read
  EXPECT_EQ(ME_BUFFER_SMALL, moduleValidate(junk.data(), 91));
  EXPECT_EQ(ME_MAGIC, moduleValidate(junk.data(), 92));
}

struct FoldingSetting {
  explicit FoldingSetting(int enabled) : saved(moduleCrcSetFolding(enabled)) {}
  ~FoldingSetting() { moduleCrcSetFolding(saved); }
  int saved;
};

// Every start alignment, every length to 1 KiB and a spread to 4 KiB, from a
// register wider than 24 bits; each path against the byte step.
TEST(ModuleFormat, CrcPathsAgreeOverLengthsAndAlignments) {
  std::mt19937 random(24);
  Bytes data(4200 + 16);
  for (uint8_t& b : data) b = uint8_t(random());
  for (int folding : {1, 0}) {
    FoldingSetting setting(folding);
    EXPECT_EQ(folding, moduleCrcSetFolding(folding));
    for (size_t start = 0; start < 16; start++) {
      uint32_t reg = uint32_t(random());
      std::vector<uint32_t> prefix = {reg & 0xFFFFFF};
      for (size_t i = 0; i < 4200; i++)
        prefix.push_back(moduleCrcByteStep(prefix.back(), data[start + i]));
      for (size_t length = 0; length <= 4200; length += length < 1024 ? 1 : 13)
        ASSERT_EQ(prefix[length], moduleCrcUpdate(reg, &data[start], length))
            << "folding " << folding << " start " << start << " length " << length;
    }
  }
}

// What the pool checks: size - 3 bytes of whole modules, zero runs and all.
TEST(ModuleFormat, CrcPathsAgreeOnModules) {
  std::mt19937 random(7);
  for (uint32_t bodySize : {0u, 37u, 1000u, 4093u, 70000u}) {
    Bytes body(bodySize);
    for (size_t i = 0; i < body.size(); i += 3) body[i] = uint8_t(random());
    Bytes m = ModuleBuilder().name("map").headerFiller(true).body(body).build();
    uint32_t expected = moduleCrcBytewise(m.data(), m.size() - 3);
    for (int folding : {1, 0}) {
      FoldingSetting setting(folding);
      EXPECT_EQ(expected, moduleCrc(m.data(), m.size() - 3)) << bodySize << " folding " << folding;
    }
  }
}

}  // namespace
