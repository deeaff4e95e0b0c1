#include "pool/module_format.h"

#include <gtest/gtest.h>

#include <random>

#include "pool/be.h"
#include "tests/support/module_builder.h"

namespace {

// A module written out byte by byte, so the builders and the production
// integrity code are pinned to an independent reference.
const Bytes HAND_MODULE = {
    0x4D, 0xAD, 0x00, 0x02,  // sync
    0x00, 0x00, 0x00, 0x60,  // size 96
    0x00, 0x00, 0x00, 0x00,  // not interpreted
    0x00, 0x00, 0x00, 0x58,  // name offset 88
    0x05, 0x55,              // access
    0x04,                    // type: data
    0x00,                    // language
    0x80,                    // attribute
    0x01,                    // revision
    0x00, 0x01,              // edition
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x5C,  // data offset 92
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00,
    0x33, 0x61,              // header parity
    'A', 0x00, 0x00, 0x00,   // name field
    0x00, 0xA7, 0x2A, 0xB7,  // trailer: zero, CRC 0xA72AB7 (empty body)
};

TEST(ModuleFormat, CrcCheckValue) {
  const uint8_t text[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(0x200FA5u, moduleCrc(text, sizeof text));
  EXPECT_EQ(0x200FA5u, moduleCrcBytewise(text, sizeof text));
  EXPECT_EQ(0u, moduleCrc(text, 0));
}

TEST(ModuleFormat, FourByteStepEqualsByteSteps) {
  std::mt19937 random(12345);
  Bytes data(4096 + 7);
  for (uint8_t& b : data) b = uint8_t(random());
  for (int round = 0; round < 400; round++) {
    size_t start = random() % 8;
    size_t length = random() % (data.size() - start);
    SCOPED_TRACE(testing::Message() << "start " << start << " length " << length);
    ASSERT_EQ(moduleCrcBytewise(&data[start], length), moduleCrc(&data[start], length));
  }
  // Split updates continue the same register.
  uint32_t reg = moduleCrcUpdate(0xFFFFFF, data.data(), 13);
  reg = moduleCrcUpdate(reg, data.data() + 13, 1000);
  EXPECT_EQ(moduleCrcBytewise(data.data(), 1013), reg ^ 0xFFFFFF);
  // A register wider than 24 bits is cut, never used as a table index.
  EXPECT_EQ(moduleCrcUpdate(0xFFFFFF, data.data(), 5), moduleCrcUpdate(0x1FFFFFF, data.data(), 5));
  EXPECT_EQ(moduleCrcByteStep(0xFFFFFF, 'a'), moduleCrcByteStep(0xFF123456u | 0xFFFFFF, 'a'));
}

TEST(ModuleFormat, HandWrittenModuleIsValidAndMatchesBuilder) {
  EXPECT_EQ(0x3361u, moduleHeaderParity(HAND_MODULE.data()));
  EXPECT_EQ(0xA72AB7u, moduleCrc(HAND_MODULE.data(), 93));
  EXPECT_EQ(ME_NONE, moduleValidate(HAND_MODULE.data(), HAND_MODULE.size()));
  Bytes built = ModuleBuilder().name("A").access(0x0555).type(4).attribute(0x80).build();
  EXPECT_EQ(HAND_MODULE, built);
  // The xor of all 44 header words, parity included, is 0xFFFF.
  uint32_t all = 0;
  for (int i = 0; i < 88; i += 2) all ^= beGet16(&HAND_MODULE[i]);
  EXPECT_EQ(0xFFFFu, all);
}

TEST(ModuleFormat, DetectArch) {
  EXPECT_EQ(ARCH_4DAD, moduleDetectArch(HAND_MODULE.data(), 4));
  EXPECT_EQ(ARCH_UNKNOWN, moduleDetectArch(HAND_MODULE.data(), 3));
  const uint8_t other[] = {0x4D, 0xAD, 0x00, 0x03};
  EXPECT_EQ(ARCH_UNKNOWN, moduleDetectArch(other, 4));
}

// The order of the checks decides which message a user sees, so it is pinned
// as one table: each breakage leaves every earlier check passing.
TEST(ModuleFormat, ValidationOrder) {
  Bytes good = ModuleBuilder().name("font8").body(Bytes(40, 0x11)).build();
  struct Case {
    Break how;
    ModuleError code;
  } cases[] = {
      {Break::BufferTooSmall, ME_BUFFER_SMALL}, {Break::Magic, ME_MAGIC},
      {Break::SizeNotAligned, ME_SIZE_ALIGN},   {Break::SizeTooSmall, ME_SIZE},
      {Break::SizeBeyondBuffer, ME_BUFFER_SMALL}, {Break::NameOffsetLow, ME_NAME},
      {Break::NameOffsetHigh, ME_NAME},         {Break::NameEmpty, ME_NAME_EMPTY},
      {Break::DataNotAligned, ME_DATA_ALIGN},   {Break::Parity, ME_PARITY},
      {Break::Crc, ME_CRC},                     {Break::TrailerPad, ME_CRC},
  };
  EXPECT_EQ(ME_NONE, moduleValidate(good.data(), good.size()));
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "break " << int(c.how));
    Bytes broken = breakModule(good, c.how);
    EXPECT_EQ(c.code, moduleValidate(broken.data(), broken.size()));
  }
}

TEST(ModuleFormat, ValidationBoundaries) {
  // 91 bytes are too small before the magic is looked at; 92 reach it.
  Bytes junk(92, 0x55);
  EXPECT_EQ(ME_BUFFER_SMALL, moduleValidate(junk.data(), 91));
  EXPECT_EQ(ME_MAGIC, moduleValidate(junk.data(), 92));
  // Size 92 and 98 on the smallest valid module.
  Bytes m = HAND_MODULE;
  beSet32(&m[MH_SIZE], 92);
  EXPECT_EQ(ME_SIZE, moduleValidate(m.data(), m.size()));
  beSet32(&m[MH_SIZE], 98);
  EXPECT_EQ(ME_SIZE_ALIGN, moduleValidate(m.data(), m.size()));
  // A name offset in the trailer's last bytes passes the name checks when the
  // byte is not zero; the CRC then decides.
  m = HAND_MODULE;
  beSet32(&m[MH_NAME_OFFSET], 95);
  fixIntegrity(m);
  ASSERT_NE(0, m[95]);
  EXPECT_EQ(ME_NONE, moduleValidate(m.data(), m.size()));
  // Bytes after the module are not examined.
  m = imageOf({HAND_MODULE, bytesOf("tail")});
  EXPECT_EQ(ME_NONE, moduleValidate(m.data(), m.size()));
}

TEST(ModuleFormat, ErrorTexts) {
  EXPECT_STREQ("No error", moduleErrorText(0));
  EXPECT_STREQ("Module buffer too small", moduleErrorText(2));
  EXPECT_STREQ("Module has invalid header parity", moduleErrorText(9));
  EXPECT_STREQ("Module has invalid CRC", moduleErrorText(10));
  EXPECT_EQ(nullptr, moduleErrorText(11));
}

TEST(ModuleFormat, TypeNames) {
  EXPECT_STREQ("unknown", moduleTypeName(0));
  EXPECT_STREQ("data", moduleTypeName(4));
  EXPECT_STREQ("unknown", moduleTypeName(6));
  EXPECT_STREQ("trap library", moduleTypeName(11));
  EXPECT_STREQ("device descriptor", moduleTypeName(15));
  EXPECT_STREQ("user defined", moduleTypeName(16));
  EXPECT_STREQ("user defined", moduleTypeName(0x55));
}

TEST(ModuleFormat, AccessText) {
  EXPECT_STREQ("-ewr", moduleAccessText(0x0557, 0));
  EXPECT_STREQ("-e-r", moduleAccessText(0x0557, 1));
  EXPECT_STREQ("-e-r", moduleAccessText(0x0557, 2));
  EXPECT_STREQ("----", moduleAccessText(0x0557, 3));
  EXPECT_STREQ("?ewr", moduleAccessText(0xFFFF, 2));
  EXPECT_STREQ("????", moduleAccessText(0xFFFF, 3));
  EXPECT_STREQ("-?-?", moduleAccessText(0x5000, 3));
}

}  // namespace
