// SPDX-License-Identifier: MIT
#include "pool/module.h"

#include <gtest/gtest.h>

#include "pool/be.h"
#include "pool/memory.h"
#include "tests/support/module_builder.h"

namespace {

using ModulePtr = std::unique_ptr<Module, decltype(&moduleFree)>;

ModulePtr create(const Bytes& b) {
  return ModulePtr(moduleCreate(b.data(), b.size(), ARCH_4DAD, nullptr), moduleFree);
}

Bytes dataOf(Module* m, bool body = false) {
  uint32_t length = 0;
  MallocPtr<uint8_t> p(body ? moduleGetBody(m, &length) : moduleGetData(m, &length));
  return p ? Bytes(p.get(), p.get() + length) : Bytes();
}

TEST(ModuleObject, CreateCopiesAndFieldEditsUpdateIntegrityLazily) {
  Bytes bytes = ModuleBuilder().name("font8").body({1, 2, 3, 4}).build();
  ModulePtr m = create(imageOf({bytes, bytesOf("next")}));  // the image is gone after this line
  EXPECT_EQ((Bytes{1, 2, 3, 4}), dataOf(m.get(), true));
  EXPECT_EQ(1, moduleSetField(m.get(), MF_LANGUAGE, 0x1234));  // low 8 bits
  Bytes expected = ModuleBuilder().name("font8").body({1, 2, 3, 4}).language(0x34).build();
  EXPECT_EQ(beGet16(&expected[MH_PARITY]), moduleGetField(m.get(), MF_PARITY));
  EXPECT_EQ(expected, dataOf(m.get()));  // 104 bytes, not the rest of the image
  moduleSetField(m.get(), MF_LANGUAGE, 0);
  EXPECT_EQ(0, moduleIsModified(m.get()));  // edited back to the loaded bytes
  moduleSetField(m.get(), MF_SIZE, 0x10000);  // the trailer stays at the block end
  Bytes data = dataOf(m.get());
  EXPECT_EQ(moduleCrc(data.data(), 101), beGet32(&data[100]));
}

TEST(ModuleObject, BodyAndNameRebuildTheCanonicalLayout) {
  Bytes old(12, 7);
  ModulePtr m = create(ModuleBuilder().name("text").body(old).headerFiller(true).build());
  const uint8_t five[] = {1, 2, 3, 4, 5};
  ASSERT_EQ(1, moduleSetBody(m.get(), five, 5));
  // The header kept byte for byte, the body padded; gaps dropped, the same body in new bytes.
  EXPECT_EQ(ModuleBuilder().name("text").body({1, 2, 3, 4, 5}).headerFiller(true).build(),
            dataOf(m.get()));
  m = create(ModuleBuilder().name("icons").body(old).gaps(8, 12).build());
  moduleSetBody(m.get(), old.data(), 12);
  EXPECT_EQ(ModuleBuilder().name("icons").body(old).build(), dataOf(m.get()));
  EXPECT_EQ(0, moduleSetName(m.get(), ""));  // would fail validation on reload
  ASSERT_EQ(1, moduleSetName(m.get(), moduleGetName(m.get())));  // a name inside the block
  EXPECT_EQ(1, moduleSetName(m.get(), "longer_name"));
  EXPECT_EQ(ModuleBuilder().name("longer_name").body(old).build(), dataOf(m.get()));
}

// Without a body, body and name edits are refused; moduleSetData decides again.
TEST(ModuleObject, BodyDecidedAtCreateAndSetData) {
  Bytes data = ModuleBuilder().name("data").body(Bytes(8, 1)).build();
  Bytes cases[] = {ModuleBuilder().name("prog").type(1).body(Bytes(8, 1)).build(), data};
  beSet32(&cases[1][MH_DATA_OFFSET], 0x1000);  // data past the trailer: a negative body length
  for (Bytes& bytes : cases) {
    fixIntegrity(bytes);
    ModulePtr m = create(bytes);
    ASSERT_TRUE(m);
    EXPECT_EQ(nullptr, moduleGetBody(m.get(), nullptr));
    EXPECT_EQ(0, moduleSetBody(m.get(), bytes.data(), 4));
    EXPECT_EQ(0, moduleSetName(m.get(), "other"));
  }
  ModulePtr m = create(cases[0]);
  Bytes junk(102, 0x41);
  EXPECT_EQ(0, moduleSetData(m.get(), junk.data(), 102));
  EXPECT_EQ(0, moduleSetData(m.get(), junk.data(), 92));  // shorter than any module
  data = ModuleBuilder().name("logo").body({5, 6, 7, 8}).build();
  data[MH_REVISION] = data[data.size() - 4] = 7;  // stale codes and trailer, fixed at once
  ASSERT_EQ(1, moduleSetData(m.get(), data.data(), uint32_t(data.size())));
  EXPECT_EQ(ModuleBuilder().name("logo").body({5, 6, 7, 8}).revision(7).build(), dataOf(m.get()));
  EXPECT_EQ((Bytes{5, 6, 7, 8}), dataOf(m.get(), true));
  // Unvalidated bytes with a name offset far outside: an empty name.
  ASSERT_EQ(1, moduleSetData(m.get(), junk.data(), 96));
  EXPECT_STREQ("", moduleGetName(m.get()));
}

// Modules borrowing one buffer keep it until the last lets go; a written one keeps its own bytes.
TEST(ModuleObject, SharedBlocksOutliveTheirBufferOnlyWhenOwned) {
  Bytes x = ModuleBuilder().name("xx").body({1, 2, 3, 4}).build();
  Bytes y = ModuleBuilder().name("yy").body(Bytes(400, 5)).build();
  Bytes image = imageOf({x, y, x});
  ModuleBuffer* buffer = moduleBufferAdopt(mallocCopy(image.data(), image.size()), image.size());
  auto share = [&](size_t at) {
    return ModulePtr(moduleCreateShared(buffer, at, ARCH_4DAD, nullptr), moduleFree);
  };
  ModulePtr first = share(0), middle = share(x.size()), last = share(x.size() + y.size());
  moduleBufferRelease(buffer);  // the modules hold it now
  ModulePtr clone(moduleClone(middle.get()), moduleFree);
  middle.reset();
  Bytes typed = ModuleBuilder().name("xx").type(1).body({1, 2, 3, 4}).build();
  ASSERT_EQ(1, moduleSetData(first.get(), typed.data(), uint32_t(typed.size())));
  // A refused field edit still marks it dirty: the last borrower takes its own block.
  EXPECT_EQ(0, moduleSetField(last.get(), MF_CRC, 0));
  EXPECT_EQ(beGet16(&x[MH_PARITY]), moduleGetField(last.get(), MF_PARITY));
  EXPECT_EQ(typed, dataOf(first.get()));
  EXPECT_EQ(x, dataOf(last.get()));
  EXPECT_EQ(y, dataOf(clone.get()));
}

}  // namespace
