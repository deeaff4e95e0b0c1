#include "pool/pool.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "pool/be.h"
#include "pool/memory.h"
#include "tests/support/module_builder.h"

namespace {

Bytes moduleOf(const std::string& name, size_t bodyLength, uint8_t seed = 1) {
  Bytes body(bodyLength);
  for (size_t i = 0; i < bodyLength; i++) body[i] = uint8_t(seed + i * 13);
  return ModuleBuilder().name(name).body(body).build();
}

// Two modules of 0x60 bytes each.
const Bytes A = ModuleBuilder().name("aaa").build();
const Bytes B = ModuleBuilder().name("bbb").type(1).build();

PoolPtr parse(const Bytes& image, std::string* err = nullptr) {
  char text[POOL_ERROR_SIZE] = "";
  PoolPtr pool(poolParse(image.data(), image.size(), text));
  if (err) *err = text;
  return pool;
}

std::string loadError(const std::string& path) {
  char text[POOL_ERROR_SIZE] = "";
  PoolPtr pool(poolLoad(path.c_str(), text));
  EXPECT_FALSE(pool);
  return text;
}

std::vector<std::string> folderEntries(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ImageFile, ParsesModulesInOrder) {
  ASSERT_EQ(0x60u, A.size());
  PoolPtr pool = parse(imageOf({A, B}));
  ASSERT_TRUE(pool);
  EXPECT_EQ(2u, poolGetCount(pool.get()));
  EXPECT_EQ(0u, poolGetAlignmentOffset(pool.get()));
  EXPECT_STREQ("aaa", moduleGetName(poolGet(pool.get(), 0)));
  EXPECT_STREQ("bbb", moduleGetName(poolGet(pool.get(), 1)));
  EXPECT_EQ(nullptr, poolGet(pool.get(), 2));
  EXPECT_STREQ("", pool->path);
  EXPECT_EQ(0, poolIsModified(pool.get()));

  // The module array grows in steps; order survives many steps.
  Bytes many;
  for (int i = 0; i < 100; i++) {
    Bytes m = moduleOf("m" + std::to_string(i), size_t(i % 7) * 4, uint8_t(i));
    many.insert(many.end(), m.begin(), m.end());
  }
  pool = parse(many);
  ASSERT_TRUE(pool);
  ASSERT_EQ(100u, poolGetCount(pool.get()));
  EXPECT_STREQ("m99", moduleGetName(poolGet(pool.get(), 99)));
}

TEST(ImageFile, AlignmentPaddingIsDetected) {
  PoolPtr pool = parse(imageOf({A, zeros(4), B}));
  ASSERT_TRUE(pool);
  EXPECT_EQ(2u, poolGetCount(pool.get()));
  EXPECT_EQ(0x64u, poolGetAlignmentOffset(pool.get()));
  // The last module after padding is the one recorded.
  pool = parse(imageOf({A, zeros(4), B, zeros(8), A}));
  ASSERT_TRUE(pool);
  EXPECT_EQ(0xCCu, poolGetAlignmentOffset(pool.get()));
  char text[POOL_ERROR_SIZE] = "";
  TempDir dir;
  EXPECT_EQ(0, poolSave(pool.get(), dir.file("out").c_str(), 1, text));
  EXPECT_STREQ("Saving pool with alignment not supported yet", text);
  EXPECT_TRUE(folderEntries(dir.path()).empty());
}

TEST(ImageFile, ParseErrors) {
  struct Case {
    const char* what;
    Bytes image;
    const char* message;
  } cases[] = {
      {"unknown format", bytesOf("ABCD"), "Unknown file format"},
      {"leading zero", imageOf({zeros(4), A}), "Unknown file format"},
      {"trailing padding", imageOf({A, B, zeros(4)}), "Unexpected data at the end of file"},
      {"junk after module", imageOf({A, Bytes{0x01}}), "Error at 0x60: Unknown data"},
      {"broken second module", imageOf({A, breakModule(B, Break::Crc)}),
       "Error at 0x60: Module has invalid CRC"},
      {"truncated second module", imageOf({A, Bytes(B.begin(), B.end() - 4)}),
       "Error at 0x60: Module buffer too small"},
      {"broken first module", breakModule(A, Break::NameEmpty),
       "Error at 0x0: Module with empty name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string err;
    EXPECT_FALSE(parse(c.image, &err));
    EXPECT_EQ(c.message, err);
  }
}

TEST(ImageFile, LoadErrors) {
  TempDir dir;
  char text[POOL_ERROR_SIZE] = "";
  EXPECT_EQ(nullptr, poolLoad(nullptr, text));
  EXPECT_STREQ("Invalid file name.", text);
  EXPECT_EQ(nullptr, poolLoad("", text));
  EXPECT_STREQ("Invalid file name.", text);

  std::string missing = dir.file("missing.bin");
  EXPECT_EQ("Failed to open '" + missing + "': No such file or directory", loadError(missing));
  EXPECT_EQ("Failed to open '" + dir.path() + "': Is a directory", loadError(dir.path()));

  std::string small = dir.file("small.bin");
  ASSERT_TRUE(writeFile(small, bytesOf("ABC")));
  EXPECT_EQ("File '" + small + "' is too small", loadError(small));
  ASSERT_TRUE(writeFile(small, bytesOf("ABCD")));
  EXPECT_EQ("Unknown file format", loadError(small));
  ASSERT_TRUE(writeFile(small, imageOf({A, zeros(8)})));
  EXPECT_EQ("Unexpected data at the end of file", loadError(small));
}

TEST(ImageFile, LoadKeepsPathAndSaveRoundTripsByteForByte) {
  TempDir dir;
  // Non-canonical layouts and uninterpreted header bytes must survive as they are.
  Bytes image = imageOf({moduleOf("colors", 400),
                         ModuleBuilder().name("gap").body({9, 9, 9, 9}).gapBeforeName(8)
                             .gapBeforeBody(4).headerFiller(true).build(),
                         ModuleBuilder().name("prog").type(1).access(0x0777).build()});
  std::string path = dir.file("image.bin");
  ASSERT_TRUE(writeFile(path, image));
  char text[POOL_ERROR_SIZE] = "";
  PoolPtr pool(poolLoad(path.c_str(), text));
  ASSERT_TRUE(pool) << text;
  EXPECT_EQ(path, pool->path);
  EXPECT_EQ(3u, poolGetCount(pool.get()));

  std::string copy = dir.file("copy.bin");
  ASSERT_EQ(1, poolSave(pool.get(), copy.c_str(), 0, text)) << text;
  EXPECT_EQ(image, readFile(copy));
  EXPECT_EQ(0, poolSave(pool.get(), copy.c_str(), 0, text));
  EXPECT_STREQ("Output file already exist", text);

  // A null path saves to the file the pool came from.
  Module* m = poolGet(pool.get(), 0);
  const uint8_t body[] = {1, 2, 3};
  ASSERT_EQ(1, moduleSetBody(m, body, 3));
  EXPECT_EQ(1, poolIsModified(pool.get()));
  ASSERT_EQ(1, poolSave(pool.get(), nullptr, 1, text)) << text;
  EXPECT_EQ(1, poolIsModified(pool.get()));  // marking saved is the caller's job
  poolMarkSaved(pool.get());
  EXPECT_EQ(0, poolIsModified(pool.get()));
  PoolPtr again(poolLoad(path.c_str(), text));
  ASSERT_TRUE(again) << text;
  uint32_t length = 0;
  MallocPtr<uint8_t> read(moduleGetBody(poolGet(again.get(), 0), &length));
  EXPECT_EQ((Bytes{1, 2, 3, 0}), Bytes(read.get(), read.get() + length));
  EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"copy.bin", "image.bin"}));
}

TEST(ImageFile, PathIsCutTo255Characters) {
  TempDir dir;
  std::string name = std::string(200, 'n');
  std::string folder = dir.file(std::string(100, 'd'));
  std::filesystem::create_directory(folder);
  std::string path = folder + "/" + name;
  ASSERT_TRUE(writeFile(path, A));
  char text[POOL_ERROR_SIZE] = "";
  PoolPtr pool(poolLoad(path.c_str(), text));
  ASSERT_TRUE(pool) << text;
  EXPECT_EQ(path.substr(0, 255), pool->path);
  // Saving back to a cut path would write a file the user never named.
  EXPECT_EQ(0, poolSave(pool.get(), nullptr, 1, text));
  EXPECT_STREQ("Invalid output filename", text);
  EXPECT_EQ(A, readFile(path));
}

TEST(ImageFile, SaveRefusals) {
  TempDir dir;
  PoolPtr pool = parse(imageOf({A, B}));
  char text[POOL_ERROR_SIZE] = "";
  EXPECT_EQ(0, poolSave(pool.get(), "", 1, text));
  EXPECT_STREQ("Invalid output filename", text);
  EXPECT_EQ(0, poolSave(pool.get(), nullptr, 1, text));  // parsed from memory: no path
  EXPECT_STREQ("Invalid output filename", text);
  EXPECT_EQ(0, poolSave(pool.get(), dir.file("no/such/folder").c_str(), 1, text));
  EXPECT_STREQ("Unable to open output file", text);
  // A folder is no file to save to, even with overwriting allowed.
  std::filesystem::create_directory(dir.file("folder"));
  EXPECT_EQ(0, poolSave(pool.get(), dir.file("folder").c_str(), 1, text));
  EXPECT_STREQ("Unable to open output file", text);
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder")));
}

TEST(ImageFile, SaveToLongNamesAndDevices) {
  TempDir dir;
  PoolPtr pool = parse(imageOf({A, B}));
  char text[POOL_ERROR_SIZE] = "";
  std::string longName = dir.file(std::string(250, 'x'));
  ASSERT_EQ(1, poolSave(pool.get(), longName.c_str(), 1, text)) << text;
  EXPECT_EQ(imageOf({A, B}), readFile(longName));
  // A device is written, not replaced by a regular file.
  ASSERT_EQ(1, poolSave(pool.get(), "/dev/null", 1, text)) << text;
  struct stat st;
  ASSERT_EQ(0, ::stat("/dev/null", &st));
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

// Renaming only needs the folder to be writable; a file the user may not
// write must still be refused, as a plain open would refuse it.
TEST(ImageFile, SaveRefusesFilesTheUserMayNotWrite) {
  TempDir dir;
  PoolPtr pool = parse(imageOf({A, B}));
  std::string target = dir.file("readonly.img");
  ASSERT_TRUE(writeFile(target, bytesOf("keep")));
  ASSERT_EQ(0, ::chmod(target.c_str(), 0444));
  ASSERT_EQ(0, ::chmod(dir.path().c_str(), 0777));
  fflush(nullptr);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Root may write anything: the check runs as an ordinary user.
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(3);
    char text[POOL_ERROR_SIZE] = "";
    int saved = poolSave(pool.get(), target.c_str(), 1, text);
    _exit(saved == 0 && std::string(text) == "Unable to open output file" ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status));
  EXPECT_EQ(bytesOf("keep"), readFile(target));
}

TEST(ImageFile, SaveKeepsPermissionsAndFollowsLinks) {
  TempDir dir;
  PoolPtr pool = parse(imageOf({A, B}));
  std::string target = dir.file("target.bin");
  ASSERT_TRUE(writeFile(target, bytesOf("old")));
  ASSERT_EQ(0, ::chmod(target.c_str(), 0640));
  std::string link = dir.file("link.bin");
  std::filesystem::create_symlink(target, link);
  char text[POOL_ERROR_SIZE] = "";
  ASSERT_EQ(1, poolSave(pool.get(), link.c_str(), 1, text)) << text;
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(imageOf({A, B}), readFile(target));
  struct stat st;
  ASSERT_EQ(0, ::stat(target.c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 07777);
}

// A disk that fills up half-way must not cost the user the file they had:
// the old target stays, and no temporary file is left behind.
TEST(ImageFile, FailedWriteLeavesTargetUntouched) {
  TempDir dir;
  Bytes image = imageOf({moduleOf("one", 4000), moduleOf("two", 4000), moduleOf("three", 4000)});
  PoolPtr pool = parse(image);
  ASSERT_TRUE(pool);
  std::string target = dir.file("target.bin");
  Bytes old = bytesOf("the user's previous image");
  ASSERT_TRUE(writeFile(target, old));

  // A file size limit makes writes fail with EFBIG, as a full disk would.
  struct rlimit saved;
  ASSERT_EQ(0, ::getrlimit(RLIMIT_FSIZE, &saved));
  auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limited = saved;
  limited.rlim_cur = 6000;
  ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &limited));
  char text[POOL_ERROR_SIZE] = "";
  int result = poolSave(pool.get(), target.c_str(), 1, text);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_EQ(0, result);
  EXPECT_STREQ("Error saving module 1", text);
  EXPECT_EQ(old, readFile(target));
  EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"target.bin"});
}

}  // namespace
