#include "pool/module_format.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/support/module_builder.h"

namespace {

// Written byte by byte: pins the builder and the integrity code to an independent reference.
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
  std::mt19937 random(12345);
  Bytes data(4096 + 7);
  for (uint8_t& b : data) b = uint8_t(random());
  for (int round = 0; round < 400; round++) {
    size_t start = random() % 8, length = random() % (data.size() - start);
    ASSERT_EQ(moduleCrcBytewise(&data[start], length), moduleCrc(&data[start], length)) << round;
  }
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

}  // namespace
