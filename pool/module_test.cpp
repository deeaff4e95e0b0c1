#include "pool/module.h"

#include <gtest/gtest.h>

#include <cstring>

#include "pool/be.h"
#include "pool/memory.h"
#include "tests/support/module_builder.h"

namespace {

struct ModuleDeleter {
  void operator()(Module* m) const noexcept { moduleFree(m); }
};
using ModulePtr = std::unique_ptr<Module, ModuleDeleter>;

ModulePtr create(const Bytes& b, int* code = nullptr) {
  return ModulePtr(moduleCreate(b.data(), b.size(), ARCH_4DAD, code));
}

Bytes dataOf(Module* m) {
  uint32_t length = 0;
  MallocPtr<uint8_t> data(moduleGetData(m, &length));
  return Bytes(data.get(), data.get() + length);
}

Bytes bodyOf(Module* m) {
  uint32_t length = 0xDEAD;
  MallocPtr<uint8_t> body(moduleGetBody(m, &length));
  if (!body) return Bytes{0xDE, 0xAD};
  return Bytes(body.get(), body.get() + length);
}

Bytes counting(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; i++) b[i] = uint8_t(i * 7 + 1);
  return b;
}

TEST(ModuleObject, CreateValidatesAndCopies) {
  Bytes bytes = ModuleBuilder().name("font8").body(counting(16)).build();
  int code = -1;
  EXPECT_EQ(nullptr, moduleCreate(bytes.data(), bytes.size(), ARCH_UNKNOWN, &code));
  EXPECT_EQ(ME_ARCH, code);
  EXPECT_EQ(nullptr, moduleCreate(bytes.data(), bytes.size(), 2, nullptr));
  Bytes broken = breakModule(bytes, Break::Parity);
  EXPECT_EQ(nullptr, create(broken, &code));
  EXPECT_EQ(ME_PARITY, code);

  ModulePtr m = create(imageOf({bytes, bytesOf("next")}), &code);
  ASSERT_TRUE(m);
  EXPECT_EQ(ME_NONE, code);
  EXPECT_EQ(bytes.size(), moduleGetSize(m.get()));
  bytes[100] ^= 0xFF;  // the module holds its own copy
  EXPECT_EQ(counting(16), bodyOf(m.get()));
  EXPECT_STREQ("font8", moduleGetName(m.get()));
  EXPECT_EQ(0, moduleIsModified(m.get()));
}

TEST(ModuleObject, GetFieldReadsBigEndianHeader) {
  Bytes bytes = ModuleBuilder()
                    .name("x")
                    .access(0x0557)
                    .type(0x55)
                    .language(0x12)
                    .attribute(0xA1)
                    .revision(200)
                    .edition(0xBEEF)
                    .build();
  ModulePtr m = create(bytes);
  ASSERT_TRUE(m);
  EXPECT_EQ(0x4DAD0002u, moduleGetField(m.get(), MF_SYNC));
  EXPECT_EQ(96u, moduleGetField(m.get(), MF_SIZE));
  EXPECT_EQ(0x0557u, moduleGetField(m.get(), MF_ACCESS));
  EXPECT_EQ(0x55u, moduleGetField(m.get(), MF_TYPE));
  EXPECT_EQ(0x12u, moduleGetField(m.get(), MF_LANGUAGE));
  EXPECT_EQ(0xA1u, moduleGetField(m.get(), MF_ATTRIBUTE));
  EXPECT_EQ(200u, moduleGetField(m.get(), MF_REVISION));
  EXPECT_EQ(0xBEEFu, moduleGetField(m.get(), MF_EDITION));
  EXPECT_EQ(92u, moduleGetField(m.get(), MF_DATA_OFFSET));
  EXPECT_EQ(beGet16(&bytes[86]), moduleGetField(m.get(), MF_PARITY));
  EXPECT_EQ(beGet24(&bytes[93]), moduleGetField(m.get(), MF_CRC));
  EXPECT_EQ(0u, moduleGetField(m.get(), 11));
}

TEST(ModuleObject, SetFieldStoresLowBitsAndUpdatesIntegrityLazily) {
  Bytes bytes = ModuleBuilder().name("x").build();
  ModulePtr m = create(bytes);
  EXPECT_EQ(1, moduleSetField(m.get(), MF_LANGUAGE, 0x1234));
  EXPECT_EQ(1, moduleSetField(m.get(), MF_EDITION, 0xABCDE));
  EXPECT_EQ(0x34u, moduleGetField(m.get(), MF_LANGUAGE));
  EXPECT_EQ(0xBCDEu, moduleGetField(m.get(), MF_EDITION));

  Bytes expected = bytes;
  expected[MH_LANGUAGE] = 0x34;
  beSet16(&expected[MH_EDITION], 0xBCDE);
  fixIntegrity(expected);
  EXPECT_EQ(beGet16(&expected[86]), moduleGetField(m.get(), MF_PARITY));
  EXPECT_EQ(expected, dataOf(m.get()));
  EXPECT_EQ(1, moduleIsModified(m.get()));

  // Parity and CRC cannot be set, but the attempt still forces a recompute.
  EXPECT_EQ(0, moduleSetField(m.get(), MF_CRC, 0));
  EXPECT_EQ(0, moduleSetField(m.get(), MF_PARITY, 0));
  EXPECT_EQ(0, moduleSetField(m.get(), 42, 0));
  EXPECT_EQ(beGet24(&expected[93]), moduleGetField(m.get(), MF_CRC));

  // Editing back to the loaded bytes counts as unmodified again.
  moduleSetField(m.get(), MF_LANGUAGE, 0);
  moduleSetField(m.get(), MF_EDITION, 1);
  EXPECT_EQ(0, moduleIsModified(m.get()));
  moduleSetField(m.get(), MF_REVISION, 9);
  moduleMarkSaved(m.get());
  EXPECT_EQ(0, moduleIsModified(m.get()));
}

// The size word and the block length differ after a size edit; the trailer
// must follow the block, or the update would write outside it.
TEST(ModuleObject, SizeFieldEditKeepsTrailerInsideBlock) {
  ModulePtr m = create(ModuleBuilder().name("abc").body(counting(8)).build());
  moduleSetField(m.get(), MF_SIZE, 0x10000);
  EXPECT_EQ(0x10000u, moduleGetField(m.get(), MF_SIZE));
  EXPECT_EQ(104u, moduleGetSize(m.get()));
  Bytes data = dataOf(m.get());
  ASSERT_EQ(104u, data.size());
  EXPECT_EQ(moduleCrc(data.data(), 101), beGet32(&data[100]));
  EXPECT_EQ(counting(8), bodyOf(m.get()));
}

TEST(ModuleObject, SetBodyRebuildsCanonicalLayout) {
  Bytes bytes = ModuleBuilder().name("strings").body(counting(12)).headerFiller(true).build();
  ModulePtr m = create(bytes);
  const uint8_t five[] = {1, 2, 3, 4, 5};
  ASSERT_EQ(1, moduleSetBody(m.get(), five, 5));
  EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 0, 0, 0}), bodyOf(m.get()));
  EXPECT_EQ(88u + 8 + 8 + 4, moduleGetSize(m.get()));
  EXPECT_EQ(moduleGetSize(m.get()), moduleGetField(m.get(), MF_SIZE));
  EXPECT_STREQ("strings", moduleGetName(m.get()));

  // Everything else of the header is carried over byte for byte.
  Bytes expected = ModuleBuilder()
                       .name("strings")
                       .body({1, 2, 3, 4, 5, 0, 0, 0})
                       .headerFiller(true)
                       .build();
  Bytes data = dataOf(m.get());
  EXPECT_EQ(expected, data);
  EXPECT_EQ(ME_NONE, moduleValidate(data.data(), data.size()));
  EXPECT_EQ(1, moduleIsModified(m.get()));

  // Writing the old body back restores the old bytes and the old CRC.
  Bytes old = counting(12);
  moduleSetBody(m.get(), old.data(), uint32_t(old.size()));
  EXPECT_EQ(bytes, dataOf(m.get()));
  EXPECT_EQ(0, moduleIsModified(m.get()));
  EXPECT_EQ(1, moduleSetBody(m.get(), nullptr, 0));
  EXPECT_EQ(Bytes{}, bodyOf(m.get()));
}

TEST(ModuleObject, SetBodyOnNonCanonicalModuleDropsGaps) {
  Bytes bytes =
      ModuleBuilder().name("icons").body(counting(8)).gapBeforeName(8).gapBeforeBody(12).build();
  ModulePtr m = create(bytes);
  ASSERT_TRUE(m);
  EXPECT_EQ(counting(8), bodyOf(m.get()));
  Bytes same = counting(8);
  moduleSetBody(m.get(), same.data(), 8);
  EXPECT_EQ(ModuleBuilder().name("icons").body(counting(8)).build(), dataOf(m.get()));
  // Same body, new layout: the CRC differs, so the module counts as changed.
  EXPECT_EQ(1, moduleIsModified(m.get()));
}

TEST(ModuleObject, SetNameRebuilds) {
  ModulePtr m = create(ModuleBuilder().name("abc").body(counting(4)).build());
  EXPECT_EQ(0, moduleSetName(m.get(), ""));
  EXPECT_EQ(1, moduleSetName(m.get(), "longer_name"));
  EXPECT_STREQ("longer_name", moduleGetName(m.get()));
  EXPECT_EQ(ModuleBuilder().name("longer_name").body(counting(4)).build(), dataOf(m.get()));
  // The current name as the argument: it lies inside the block being replaced.
  EXPECT_EQ(1, moduleSetName(m.get(), moduleGetName(m.get())));
  EXPECT_STREQ("longer_name", moduleGetName(m.get()));
}

TEST(ModuleObject, ModulesWithoutBody) {
  struct Case {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"program module", ModuleBuilder().name("prog").type(1).body(counting(8)).build()},
      {"body before name", ModuleBuilder().name("data").bodyBeforeName(true).body(counting(8)).build()},
      {"name offset equals data offset", [] {
         Bytes b = ModuleBuilder().name("data").body(counting(8)).build();
         beSet32(&b[MH_DATA_OFFSET], 88);
         fixIntegrity(b);
         return b;
       }()},
      // A data offset past the trailer would give a negative body length.
      {"data offset past trailer", [] {
         Bytes b = ModuleBuilder().name("data").body(counting(8)).build();
         beSet32(&b[MH_DATA_OFFSET], 0x1000);
         fixIntegrity(b);
         return b;
       }()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ModulePtr m = create(c.bytes);
    ASSERT_TRUE(m);
    uint32_t length = 77;
    EXPECT_EQ(nullptr, moduleGetBody(m.get(), &length));
    EXPECT_EQ(77u, length);
    EXPECT_EQ(0, moduleSetBody(m.get(), c.bytes.data(), 4));
    EXPECT_EQ(0, moduleSetName(m.get(), "other"));
    EXPECT_EQ(c.bytes, dataOf(m.get()));
    EXPECT_EQ(0, moduleIsModified(m.get()));
  }
}

TEST(ModuleObject, SetDataReplacesBlockAndDecidesBodyAgain) {
  ModulePtr m = create(ModuleBuilder().name("logo").type(1).build());
  Bytes odd(102, 1);
  EXPECT_EQ(0, moduleSetData(m.get(), odd.data(), 102));
  EXPECT_EQ(0, moduleSetData(m.get(), odd.data(), 92));  // shorter than any module
  EXPECT_EQ(100u, moduleGetSize(m.get()));

  // A data module replaces a program module: its body becomes reachable.
  Bytes data = ModuleBuilder().name("logo").body(counting(20)).build();
  data[MH_REVISION] = 7;  // stale parity and CRC: recomputed at once
  ASSERT_EQ(1, moduleSetData(m.get(), data.data(), uint32_t(data.size())));
  fixIntegrity(data);
  EXPECT_EQ(data, dataOf(m.get()));
  EXPECT_EQ(counting(20), bodyOf(m.get()));
  EXPECT_EQ(1, moduleIsModified(m.get()));

  // And the other way round: no body any more.
  Bytes program = ModuleBuilder().name("logo").type(1).body(counting(8)).build();
  ASSERT_EQ(1, moduleSetData(m.get(), program.data(), uint32_t(program.size())));
  EXPECT_EQ(nullptr, moduleGetBody(m.get(), nullptr));
}

// Names are never read past the block, whatever the header says.
TEST(ModuleObject, NamesStayInsideTheBlock) {
  Bytes bytes = ModuleBuilder().name("A").build();
  beSet32(&bytes[MH_NAME_OFFSET], 95);  // last byte: a name without terminator
  fixIntegrity(bytes);
  ASSERT_NE(0, bytes[95]);
  ModulePtr m = create(bytes);
  ASSERT_TRUE(m);
  EXPECT_EQ(1u, std::strlen(moduleGetName(m.get())));

  Bytes junk(96, 0x41);  // unvalidated bytes: name offset far outside
  ASSERT_EQ(1, moduleSetData(m.get(), junk.data(), 96));
  EXPECT_STREQ("", moduleGetName(m.get()));
  EXPECT_EQ(nullptr, moduleGetBody(m.get(), nullptr));
}

TEST(ModuleObject, CloneIsIndependent) {
  ModulePtr m = create(ModuleBuilder().name("abc").body(counting(8)).build());
  moduleSetField(m.get(), MF_REVISION, 3);
  ModulePtr c(moduleClone(m.get()));
  EXPECT_EQ(dataOf(m.get()), dataOf(c.get()));
  EXPECT_EQ(1, moduleIsModified(c.get()));
  const uint8_t four[] = {9, 9, 9, 9};
  moduleSetBody(c.get(), four, 4);
  EXPECT_EQ(counting(8), bodyOf(m.get()));
  EXPECT_EQ((Bytes{9, 9, 9, 9}), bodyOf(c.get()));
}

}  // namespace
