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

TEST(ModuleFormat, CrcCheckValueAndFourByteSteps) {
  const uint8_t text[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(0x200FA5u, moduleCrc(text, sizeof text));
  std::mt19937 random(12345);
  Bytes data(4096 + 7);
  for (uint8_t& b : data) b = uint8_t(random());
  for (int round = 0; round < 400; round++) {
    size_t start = random() % 8, length = random() % (data.size() - start);
    ASSERT_EQ(moduleCrcBytewise(&data[start], length), moduleCrc(&data[start], length)) << round;
  }
  // A register wider than 24 bits is cut, never used as a table index.
  EXPECT_EQ(moduleCrcUpdate(0xFFFFFF, data.data(), 5), moduleCrcUpdate(0x1FFFFFF, data.data(), 5));
}

// The order of the checks decides the message a user sees.
TEST(ModuleFormat, HandWrittenModuleAndValidationOrder) {
  EXPECT_EQ(ME_NONE, moduleValidate(HAND_MODULE.data(), HAND_MODULE.size()));
  EXPECT_EQ(HAND_MODULE, ModuleBuilder().name("A").build());
  Bytes good = ModuleBuilder().name("font8").body(Bytes(40, 0x11)).build();
  const std::pair<Break, ModuleError> cases[] = {
      {Break::BufferTooSmall, ME_BUFFER_SMALL}, {Break::Magic, ME_MAGIC},
      {Break::SizeNotAligned, ME_SIZE_ALIGN},   {Break::SizeTooSmall, ME_SIZE},
      {Break::SizeBeyondBuffer, ME_BUFFER_SMALL}, {Break::NameOffsetLow, ME_NAME},
      {Break::NameOffsetHigh, ME_NAME},         {Break::NameEmpty, ME_NAME_EMPTY},
      {Break::DataNotAligned, ME_DATA_ALIGN},   {Break::Parity, ME_PARITY},
      {Break::Crc, ME_CRC},                     {Break::TrailerPad, ME_CRC},
  };
  for (const auto& [how, code] : cases) {
    Bytes broken = breakModule(good, how);
    EXPECT_EQ(code, moduleValidate(broken.data(), broken.size())) << "break " << int(how);
  }
  Bytes junk(92, 0x55);  // 91 bytes are too small before the magic is read
  EXPECT_EQ(ME_BUFFER_SMALL, moduleValidate(junk.data(), 91));
  EXPECT_EQ(ME_MAGIC, moduleValidate(junk.data(), 92));
}

TEST(ModuleFormat, TextTables) {
  EXPECT_STREQ("unknown", moduleTypeName(6));
  EXPECT_STREQ("device descriptor", moduleTypeName(15));
  EXPECT_STREQ("user defined", moduleTypeName(16));
  EXPECT_STREQ("-?-?", moduleAccessText(0x5000, 3));
  EXPECT_STREQ("Module has invalid CRC", moduleErrorText(10));
  EXPECT_EQ(nullptr, moduleErrorText(11));
}

}  // namespace
