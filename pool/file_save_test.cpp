// SPDX-License-Identifier: MIT
#include "pool/file_save.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "tests/support/cli_capture.h"
#include "tests/support/module_builder.h"

namespace fs = std::filesystem;

namespace {

// korvane-cli run in-process; asUser runs it in a child as an ordinary user
// (root may write anything) and keeps its exit code and stderr.
CliResult cli(const std::vector<std::string>& args, bool asUser = false) {
  int fds[2];
  if (!asUser || ::geteuid() != 0) return cliCapture(args);
  if (::pipe(fds) != 0) return {-1, "", ""};
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) _exit(3);
    const auto [code, printed, said] = cliCapture(args);
    _exit(::write(fds[1], said.data(), said.size()) == ssize_t(said.size()) ? code : 4);
  }
  ::close(fds[1]);
  std::string said;
  char buffer[512];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) said.append(buffer, size_t(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), "", said};
}

std::string errOf(const std::vector<std::string>& args, bool asUser = false) {
  return std::get<2>(cli(args, asUser));
}

bool tempLeft(const std::string& folder) {
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().filename().string().starts_with(".korvane-save-")) return true;
  return false;
}

TEST(FileSave, FailingTargetsSayWhyAndLeaveNothing) {
  TempDir dir;
  const std::string image = dir.file("image.img"), d = dir.path();
  const Bytes bytes = imageOf({ModuleBuilder().name("one").build()});
  ASSERT_TRUE(writeFile(image, bytes));
  fs::create_directory(dir.file("locked"));
  for (const char* name : {"locked/old.img", "readonly.img"})
    ASSERT_TRUE(writeFile(dir.file(name), bytesOf("old")));
  fs::permissions(dir.file("locked"), fs::perms(0555));
  fs::permissions(dir.file("locked/old.img"), fs::perms(0666));
  fs::permissions(dir.file("readonly.img"), fs::perms(0444));
  fs::permissions(d, fs::perms(0777));  // the user may make a file beside readonly.img
  const std::string no = "Unable to open output file\n";
  const std::tuple<std::string, std::string, bool> cases[] = {
      {"locked/old.img", no + "The folder " + d + "/locked cannot be written: Permission denied", true},
      {"readonly.img", no + d + "/readonly.img: Permission denied", true},
      {"new\nline/x.img", no + d + "/new\\x0Aline/x.img: No such file", false},
  };
  for (const auto& [name, message, asUser] : cases)
    EXPECT_EQ(0u, errOf({"resave", image, dir.file(name)}, asUser).find(message)) << name;
  EXPECT_EQ(bytesOf("old"), readFile(dir.file("locked/old.img")));
  EXPECT_EQ(bytesOf("old"), readFile(dir.file("readonly.img")));
  EXPECT_FALSE(tempLeft(d) || tempLeft(dir.file("locked")));
  // A dangling link whose folder exists: the file it names is made, the link stays.
  fs::create_symlink("made.img", dir.file("ahead"));
  EXPECT_EQ(0, std::get<0>(cli({"resave", image, dir.file("ahead")})));
  EXPECT_TRUE(fs::is_symlink(dir.file("ahead")));
  EXPECT_EQ(bytes, readFile(dir.file("made.img")));
  fs::permissions(dir.file("locked"), fs::perms(0755));
}

const Bytes STOCK = imageOf({ModuleBuilder().name("stock").body(Bytes(64, 1)).build()});
const Bytes FIRST = ModuleBuilder().name("boot").body(Bytes(400, 2)).build();
const Bytes EDITED = imageOf({FIRST, ModuleBuilder().name("maps").body(Bytes(400, 3)).build()});

TEST(FileSave, FirstSaveOverAFileKeepsTheOriginalOnce) {
  TempDir dir;
  const std::string image = dir.file("edited.img"), out = dir.file("unit.img");
  ASSERT_TRUE(writeFile(image, EDITED));
  ASSERT_TRUE(writeFile(out, STOCK));
  EXPECT_EQ(CliResult(0, "verified 2 modules\nbackup: " + out + ".orig\n", ""),
            cli({"resave", image, out, "--verbose"}));
  EXPECT_EQ(STOCK, readFile(out + ".orig"));
  // A second save keeps the first backup.
  ASSERT_TRUE(writeFile(image, imageOf({FIRST})));
  EXPECT_EQ(CliResult(0, "verified 1 modules\n", ""),
            cli({"replace", image, "0", image, out, "--verbose"}));
  EXPECT_EQ(imageOf({FIRST}), readFile(out));
  EXPECT_EQ(STOCK, readFile(out + ".orig"));
  // No backup of a new file, nor with --no-backup; through a link, beside the file replaced.
  EXPECT_EQ(0, std::get<0>(cli({"resave", image, dir.file("new.img")})));
  ASSERT_TRUE(writeFile(dir.file("own.img"), STOCK));
  EXPECT_EQ(0, std::get<0>(cli({"resave", image, dir.file("own.img"), "--no-backup"})));
  fs::create_directory(dir.file("real"));
  ASSERT_TRUE(writeFile(dir.file("real/unit.img"), STOCK));
  fs::create_symlink("real/unit.img", dir.file("link.img"));
  EXPECT_EQ(0, std::get<0>(cli({"resave", image, dir.file("link.img")})));
  EXPECT_EQ(STOCK, readFile(dir.file("real/unit.img.orig")));
  for (const char* none : {"new.img.orig", "own.img.orig", "link.img.orig"})
    EXPECT_FALSE(fs::exists(dir.file(none))) << none;
  // Protected hard links keep a user from linking another's set-user-ID file: copied.
  fs::permissions(dir.path(), fs::perms(0777));
  ASSERT_TRUE(writeFile(dir.file("setuid.img"), STOCK));
  fs::permissions(dir.file("setuid.img"), fs::perms(04666));
  EXPECT_EQ("", errOf({"resave", image, dir.file("setuid.img")}, true));
  EXPECT_EQ(STOCK, readFile(dir.file("setuid.img.orig")));
  EXPECT_EQ(fs::perms(04666), fs::status(dir.file("setuid.img.orig")).permissions());
  EXPECT_FALSE(tempLeft(dir.path()));
}

// A backup that cannot be made, or a file that does not read back, stops the save.
TEST(FileSave, FailedSaveKeepsTheFileAndMakesNoBackup) {
  TempDir dir;
  const std::string image = dir.file("edited.img"), d = dir.path();
  ASSERT_TRUE(writeFile(image, EDITED));
  for (const char* name : {"unit.img", "check.img"}) ASSERT_TRUE(writeFile(dir.file(name), STOCK));
  fs::create_directory(dir.file("unit.img.orig"));
  EXPECT_EQ("Unable to make backup file\n" + d + "/unit.img.orig: Is a directory\n",
            errOf({"resave", image, dir.file("unit.img")}));
  EXPECT_EQ(STOCK, readFile(dir.file("unit.img")));
  fileSaveCorruptForTest(long(FIRST.size() + 200));  // in the body of "maps"
  const std::string err = errOf({"resave", image, dir.file("check.img")});
  fileSaveCorruptForTest(-1);
  EXPECT_EQ("Saved file does not read back: module 1 (maps) differs\n" + d +
                "/check.img: Module has invalid CRC\n", err);
  EXPECT_EQ(STOCK, readFile(dir.file("check.img")));
  EXPECT_FALSE(fs::exists(dir.file("check.img.orig")));
  EXPECT_FALSE(tempLeft(d));
}

// A rename refused after the backup was made (a sticky folder: another's
// file may not be replaced there) takes the backup away again.
TEST(FileSave, FailedRenameLeavesNoBackup) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs a file of another user";
  TempDir dir;
  const std::string image = dir.file("edited.img"), target = dir.file("sticky.img");
  ASSERT_TRUE(writeFile(image, EDITED));
  ASSERT_TRUE(writeFile(target, STOCK));
  fs::permissions(target, fs::perms(04666));  // copied, not linked, by the user
  fs::permissions(dir.path(), fs::perms(01777));
  EXPECT_EQ("Error saving file\n" + target + ": Operation not permitted\n",
            errOf({"resave", image, target}, true));
  EXPECT_EQ(STOCK, readFile(target));
  EXPECT_FALSE(fs::exists(target + ".orig"));
  EXPECT_FALSE(tempLeft(dir.path()));
}

TEST(FileSave, InterruptedSaveRemovesItsTemporaryFile) {
  TempDir dir;
  const std::string target = dir.file("out.img");
  ASSERT_TRUE(writeFile(target, bytesOf("old")));
  const pid_t child = ::fork();
  if (child == 0) {  // the user ends the save half-way
    FileWriter writer = {[](int fd, void*, char*, size_t) {
                           static const uint8_t half[4096] = {};
                           return fileWriteAll(fd, half, sizeof half), std::raise(SIGTERM) == 0;
                         },
                         nullptr};
    _exit(fileSave(target.c_str(), 1, writer, nullptr, 0));
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  EXPECT_FALSE(tempLeft(dir.path()));
  EXPECT_EQ(bytesOf("old"), readFile(target));
}

}  // namespace
