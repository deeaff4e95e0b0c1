// SPDX-License-Identifier: MIT
#include "pool/pool.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "pool/be.h"
#include "pool/memory.h"
#include "tests/support/module_builder.h"

namespace {

// Modules of 0x60 bytes each.
const Bytes A = ModuleBuilder().name("aaa").build();
const Bytes B = ModuleBuilder().name("bbb").type(1).build();

std::string parseError(const Bytes& image, PoolPtr* pool = nullptr) {
  char text[ERROR_SIZE] = "";
  PoolPtr parsed(poolParse(image.data(), image.size(), text, sizeof text));
  if (pool) *pool = std::move(parsed);
  return text;
}

// A round trip keeps gaps and filler; a null path saves through the link, keeping
// the mode. Every refusal and failure leaves the target as it was and no temporary.
TEST(ImageFile, ParseLoadAndSave) {
  PoolPtr padded, pool;
  parseError(imageOf({A, zeros(4), B, zeros(8), A}), &padded);
  EXPECT_EQ(3u, poolGetCount(padded.get()));
  EXPECT_EQ(nullptr, poolGet(padded.get(), 3));
  EXPECT_EQ(0xCCu, poolGetAlignmentOffset(padded.get()));  // the last module after padding
  EXPECT_EQ("Unknown file format", parseError(imageOf({zeros(4), A})));
  EXPECT_EQ("Unexpected data at the end of file", parseError(imageOf({A, B, zeros(4)})));
  EXPECT_EQ("Error at 0x60: Unknown data", parseError(imageOf({A, Bytes{0x01}})));
  EXPECT_EQ("Error at 0x60: Module has invalid CRC",
            parseError(imageOf({A, breakModule(B, Break::Crc)})));
  EXPECT_EQ("Error at 0x60: Module buffer too small",
            parseError(imageOf({A, Bytes(B.begin(), B.end() - 4)})));

  TempDir dir;
  std::string path = dir.file(std::string(250, 't')), link = dir.file("link.img");
  char text[ERROR_SIZE] = "";
  auto loadError = [&](std::string p) { PoolPtr gone(poolLoad(p.c_str(), text, sizeof text)); return text; };
  EXPECT_STREQ("Invalid file name.", loadError(""));
  EXPECT_EQ("Failed to open '" + link + "': No such file or directory", loadError(link));
  ASSERT_TRUE(writeFile(dir.file("x"), bytesOf("ABC")));
  EXPECT_EQ("File '" + dir.file("x") + "' is too small", loadError(dir.file("x")));

  Bytes odd = ModuleBuilder().name("gap").body({9}).gaps(8, 4).headerFiller(true).build();
  parseError(imageOf({A, odd, B}), &pool);
  ASSERT_EQ(1, poolSave(pool.get(), path.c_str(), 0, text, sizeof text)) << text;  // new, long name
  ::chmod(path.c_str(), 0640);
  std::filesystem::create_symlink(path, link);
  pool.reset(poolLoad(link.c_str(), text, sizeof text));
  ASSERT_TRUE(pool) << text;
  const uint8_t body[] = {1, 2, 3};
  moduleSetBody(poolGet(pool.get(), 0), body, 3);
  ASSERT_EQ(1, poolSave(pool.get(), nullptr, 1, text, sizeof text)) << text;
  EXPECT_EQ(1, poolIsModified(pool.get()));  // marking saved is the caller's job
  EXPECT_EQ(imageOf({ModuleBuilder().name("aaa").body({1, 2, 3}).build(), odd, B}), readFile(path));
  EXPECT_EQ(std::filesystem::perms(0640), std::filesystem::status(path).permissions());

  Bytes big = ModuleBuilder().name("big").body(Bytes(4000, 3)).build();
  ASSERT_TRUE(writeFile(path, imageOf({big, big, big})));
  pool.reset(poolLoad(path.c_str(), text, sizeof text));
  ASSERT_TRUE(pool) << text;
  EXPECT_EQ(path.substr(0, 255), pool->path);
  auto refused = [&](ModulePool* p, const char* to, int overwrite, const std::string& message) {
    EXPECT_EQ(0, poolSave(p, to, overwrite, text, sizeof text)) << message;
    EXPECT_EQ(message, text);
  };
  refused(pool.get(), nullptr, 1, "Invalid output filename");  // a cut path names another file
  refused(pool.get(), path.c_str(), 0, "Output file already exist");
  refused(padded.get(), path.c_str(), 1, "Saving pool with alignment not supported yet");
  {
    WriteLimit full(6000);  // a long path is shortened in its middle, never the reason
    EXPECT_EQ(0, poolSave(pool.get(), path.c_str(), 1, text, sizeof text));
    const std::string shown = text;
    EXPECT_TRUE(shown.find("t...t") != std::string::npos && shown.ends_with("t: File too large"));
  }
  EXPECT_EQ(imageOf({big, big, big}), readFile(path));
  EXPECT_EQ(3, std::distance(std::filesystem::directory_iterator(dir.path()), {}));  // no temporary
}

// The modules of a loaded or parsed image share one copy of its bytes; an
// edited module takes its own, and the save writes exactly the edit.
TEST(ImageFile, SharedBytesEditedAndSaved) {
  Bytes first = ModuleBuilder().name("first").body(Bytes(300, 1)).build();
  Bytes second = ModuleBuilder().name("second").body({1, 2, 3}).build();
  Bytes tail = ModuleBuilder().name("A").build();  // its name starts in the last CRC byte
  beSet32(&tail[MH_NAME_OFFSET], 95);
  fixIntegrity(tail);
  Bytes image = imageOf({first, second, tail, first});
  TempDir dir;
  ASSERT_TRUE(writeFile(dir.file("in.img"), image));
  char text[ERROR_SIZE] = "";
  PoolPtr pool(poolLoad(dir.file("in.img").c_str(), text, sizeof text));
  ASSERT_TRUE(pool) << text;
  EXPECT_EQ(1u, std::strlen(moduleGetName(poolGet(pool.get(), 2))));  // not on into the next
  const uint8_t body[] = {9, 8, 7, 6, 5};
  ASSERT_EQ(1, moduleSetBody(poolGet(pool.get(), 1), body, 5));
  ASSERT_EQ(1, poolSave(pool.get(), dir.file("out.img").c_str(), 0, text, sizeof text)) << text;
  Bytes edited = ModuleBuilder().name("second").body({9, 8, 7, 6, 5}).build();
  EXPECT_EQ(imageOf({first, edited, tail, first}), readFile(dir.file("out.img")));
  // A parse copies: the caller's bytes may go at once.
  auto bytes = std::make_unique<Bytes>(image);
  pool.reset(poolParse(bytes->data(), bytes->size(), text, sizeof text));
  bytes.reset();
  ASSERT_TRUE(pool) << text;
  uint32_t size = 0;
  MallocPtr<uint8_t> data(moduleGetData(poolGet(pool.get(), 3), &size));
  EXPECT_EQ(first, Bytes(data.get(), data.get() + size));
}

}  // namespace
