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

// Every start alignment, every length to 1 KiB, then a spread to 70000 bytes with
// zero runs, from a register wider than 24 bits: both paths against the byte step.
TEST(ModuleFormat, CrcPathsAgree) {
  std::mt19937 random(24);
  Bytes data(70000 + 16);
  for (size_t i = 0; i < data.size(); i++) data[i] = i < 4216 || i % 3 == 0 ? uint8_t(random()) : 0;
  const int saved = moduleCrcSetFolding(1);
  for (int folding : {1, 0}) {
    moduleCrcSetFolding(folding);
    for (size_t start = 0; start < 16; start++) {
      const uint32_t reg = uint32_t(random());
      uint32_t step = reg & 0xFFFFFF;
      for (size_t length = 0, done = 0; length <= 70000;
           length += length < 1024 ? 1 : length < 4200 ? 13 : 997) {
        for (; done < length; done++) step = moduleCrcByteStep(step, data[start + done]);
        ASSERT_EQ(step, moduleCrcUpdate(reg, &data[start], length))
            << "folding " << folding << " start " << start << " length " << length;
      }
    }
  }
  moduleCrcSetFolding(saved);
}

}  // namespace
