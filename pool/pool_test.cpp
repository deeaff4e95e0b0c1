#include "pool/pool.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/module_builder.h"

namespace {

// Modules of 0x60 bytes each.
const Bytes A = ModuleBuilder().name("aaa").build();
const Bytes B = ModuleBuilder().name("bbb").type(1).build();

std::string parseError(const Bytes& image, PoolPtr* pool = nullptr) {
  char text[POOL_ERROR_SIZE] = "";
  PoolPtr parsed(poolParse(image.data(), image.size(), text));
  if (pool) *pool = std::move(parsed);
  return text;
}

std::string loadError(const std::string& path) {
  char text[POOL_ERROR_SIZE] = "";
  PoolPtr pool(poolLoad(path.c_str(), text));
  return text;
}

TEST(ImageFile, ParseAndLoadFindModulesPaddingAndErrors) {
  PoolPtr pool;
  parseError(imageOf({A, zeros(4), B, zeros(8), A}), &pool);
  ASSERT_TRUE(pool);
  EXPECT_EQ(3u, poolGetCount(pool.get()));
  EXPECT_STREQ("bbb", moduleGetName(poolGet(pool.get(), 1)));
  EXPECT_EQ(nullptr, poolGet(pool.get(), 3));
  EXPECT_EQ(0xCCu, poolGetAlignmentOffset(pool.get()));  // the last module after padding
  parseError(imageOf({A, B}), &pool);
  EXPECT_EQ(0u, poolGetAlignmentOffset(pool.get()));

  EXPECT_EQ("Unknown file format", parseError(bytesOf("ABCD")));
  EXPECT_EQ("Unknown file format", parseError(imageOf({zeros(4), A})));
  EXPECT_EQ("Unexpected data at the end of file", parseError(imageOf({A, B, zeros(4)})));
  EXPECT_EQ("Error at 0x60: Unknown data", parseError(imageOf({A, Bytes{0x01}})));
  EXPECT_EQ("Error at 0x60: Module has invalid CRC",
            parseError(imageOf({A, breakModule(B, Break::Crc)})));
  EXPECT_EQ("Error at 0x60: Module buffer too small", parseError(imageOf({A, Bytes(B.begin(), B.end() - 4)})));

  TempDir dir;
  std::string path = dir.file("x.img");
  EXPECT_EQ("Invalid file name.", loadError(""));
  EXPECT_EQ("Failed to open '" + path + "': No such file or directory", loadError(path));
  EXPECT_EQ("Failed to open '" + dir.path() + "': Is a directory", loadError(dir.path()));
  ASSERT_TRUE(writeFile(path, bytesOf("ABC")));
  EXPECT_EQ("File '" + path + "' is too small", loadError(path));
}

// Load then save gives the same bytes, gaps and uninterpreted header bytes
// included; a null path saves back to the file the pool came from.
TEST(ImageFile, SaveRoundTripsAndRefuses) {
  TempDir dir;
  Bytes odd = ModuleBuilder().name("gap").body({9}).gapBeforeName(8).gapBeforeBody(4)
                  .headerFiller(true).build();
  std::string path = dir.file("image.img"), copy = dir.file("copy.img");
  ASSERT_TRUE(writeFile(path, imageOf({A, odd, B})));
  char text[POOL_ERROR_SIZE] = "";
  PoolPtr pool(poolLoad(path.c_str(), text));
  ASSERT_TRUE(pool) << text;
  ASSERT_EQ(1, poolSave(pool.get(), copy.c_str(), 0, text)) << text;
  EXPECT_EQ(imageOf({A, odd, B}), readFile(copy));
  EXPECT_EQ(0, poolSave(pool.get(), copy.c_str(), 0, text));
  EXPECT_STREQ("Output file already exist", text);

  const uint8_t body[] = {1, 2, 3};
  moduleSetBody(poolGet(pool.get(), 0), body, 3);
  ASSERT_EQ(1, poolSave(pool.get(), nullptr, 1, text)) << text;
  EXPECT_EQ(1, poolIsModified(pool.get()));  // marking saved is the caller's job
  poolMarkSaved(pool.get());
  EXPECT_EQ(0, poolIsModified(pool.get()));
  EXPECT_EQ(imageOf({ModuleBuilder().name("aaa").body({1, 2, 3}).build(), odd, B}), readFile(path));

  for (const char* target : {"", "missing/x.img", "."}) {  // a folder is no file either
    EXPECT_EQ(0, poolSave(pool.get(), (*target ? dir.file(target) : "").c_str(), 1, text));
    EXPECT_STREQ(*target ? "Unable to open output file" : "Invalid output filename", text);
  }
  parseError(imageOf({A, zeros(4), B}), &pool);
  EXPECT_EQ(0, poolSave(pool.get(), copy.c_str(), 1, text));
  EXPECT_STREQ("Saving pool with alignment not supported yet", text);
  EXPECT_EQ(2, dir.count());  // no temporary left
}

// A path cut at 255 characters must never become a save target.
TEST(ImageFile, StoredPathIsCutAndNotSavedTo) {
  TempDir dir;
  std::string folder = dir.file(std::string(100, 'd')), path = folder + "/" + std::string(200, 'n');
  std::filesystem::create_directory(folder);
  ASSERT_TRUE(writeFile(path, A));
  char text[POOL_ERROR_SIZE] = "";
  PoolPtr pool(poolLoad(path.c_str(), text));
  ASSERT_TRUE(pool) << text;
  EXPECT_EQ(path.substr(0, 255), pool->path);
  EXPECT_EQ(0, poolSave(pool.get(), nullptr, 1, text));
  EXPECT_STREQ("Invalid output filename", text);
  // A target name of 250 characters still saves, and a device is written as it is.
  EXPECT_EQ(1, poolSave(pool.get(), dir.file(std::string(250, 'x')).c_str(), 1, text)) << text;
  EXPECT_EQ(1, poolSave(pool.get(), "/dev/null", 1, text)) << text;
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

// A disk that fills up half-way must not cost the user the file they had.
TEST(ImageFile, FailedWriteLeavesTargetUntouched) {
  TempDir dir;
  Bytes big = ModuleBuilder().name("big").body(Bytes(4000, 3)).build();
  PoolPtr pool;
  parseError(imageOf({big, big, big}), &pool);
  std::string target = dir.file("target.img");
  ASSERT_TRUE(writeFile(target, bytesOf("previous")));
  char text[POOL_ERROR_SIZE] = "";
  {
    WriteLimit full(6000);
    EXPECT_EQ(0, poolSave(pool.get(), target.c_str(), 1, text));
  }
  EXPECT_STREQ("Error saving module 1", text);
  EXPECT_EQ(bytesOf("previous"), readFile(target));
  EXPECT_EQ(1, dir.count());  // no temporary left
}

// Renaming needs only the folder; a file the user may not write is still
// refused, and a replaced file keeps its permissions and its link.
TEST(ImageFile, SaveRespectsTheFileItReplaces) {
  TempDir dir;
  PoolPtr pool;
  parseError(imageOf({A, B}), &pool);
  std::string target = dir.file("target.img"), link = dir.file("link.img");
  ASSERT_TRUE(writeFile(target, bytesOf("old")));
  ::chmod(target.c_str(), 0640);
  std::filesystem::create_symlink(target, link);
  char text[POOL_ERROR_SIZE] = "";
  ASSERT_EQ(1, poolSave(pool.get(), link.c_str(), 1, text)) << text;
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(imageOf({A, B}), readFile(target));
  struct stat st;
  ::stat(target.c_str(), &st);
  EXPECT_EQ(0640u, st.st_mode & 07777);

  ::chmod(target.c_str(), 0444);
  ::chmod(dir.path().c_str(), 0777);
  pid_t child = fork();
  if (child == 0) {  // root may write anything: try as an ordinary user
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(3);
    int saved = poolSave(pool.get(), target.c_str(), 1, text);
    _exit(saved == 0 && std::string(text) == "Unable to open output file" ? 0 : 1);
  }
  int status = -1;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(imageOf({A, B}), readFile(target));
}

}  // namespace
