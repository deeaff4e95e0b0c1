#include "pool/file_save.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "cli/cli.h"
#include "tests/support/module_builder.h"

namespace fs = std::filesystem;

namespace {

struct CliRun {
  int code;
  std::string err;
};

// korvane-cli in a child, as an ordinary user when asked (root may write
// anything): the exit status and what it wrote on standard error.
CliRun cli(std::vector<std::string> args, bool asUser = false, rlim_t fileLimit = RLIM_INFINITY) {
  args.insert(args.begin(), "korvane-cli");
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {-1, ""};
  pid_t child = ::fork();
  if (child == 0) {
    ::dup2(pipeFds[1], 2);
    if (asUser && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(3);
    struct rlimit limit = {fileLimit, fileLimit};
    ::setrlimit(RLIMIT_FSIZE, &limit);  // SIGXFSZ keeps its default action
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    _exit(cliRun(int(argv.size()), argv.data(), stdout, stderr));
  }
  ::close(pipeFds[1]);
  std::string err;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) err.append(buffer, size_t(n));
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), err};
}

bool tempLeft(const std::string& folder) {
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().filename().string().starts_with(".korvane-save-")) return true;
  return false;
}

TEST(FileSave, FailingTargetsSayWhyAndLeaveNothing) {
  TempDir dir;
  const std::string image = dir.file("image.img"), d = dir.path();
  const Bytes bytes = imageOf({ModuleBuilder().name("big").body(Bytes(20000, 7)).build()});
  ASSERT_TRUE(writeFile(image, bytes));
  fs::create_symlink("loop2", dir.file("loop1"));
  fs::create_symlink("loop1", dir.file("loop2"));
  fs::create_symlink("missing/new.img", dir.file("nowhere"));
  fs::create_directory(dir.file("locked"));
  ASSERT_TRUE(writeFile(dir.file("locked/old.img"), bytesOf("old")));
  fs::permissions(dir.file("locked"), fs::perms(0555));
  fs::permissions(dir.file("locked/old.img"), fs::perms(0666));
  const std::string longName = d + "/" + std::string(300, 'n');
  fs::permissions(d, fs::perms(0755));  // the ordinary user may enter

  struct Case {
    std::string target, message;
    bool asUser = false;
    rlim_t limit = RLIM_INFINITY;
    std::string tail = "";
  };
  const Case cases[] = {
      {dir.file("loop1"), "Unable to open output file\n" + d + "/loop1: Too many levels of symbolic links"},
      {dir.file("nowhere"), "Unable to open output file\n" + d + "/nowhere: No such file or directory"},
      {dir.file("missing/x.img"), "Unable to open output file\n" + d + "/missing/x.img: No such file or directory"},
      {d, "Unable to open output file\n" + d + ": Is a directory"},
      {longName, "Unable to open output file\n" + longName.substr(0, 100), false, RLIM_INFINITY,
       "nnnn: File name too long\n"},
      {dir.file("locked/old.img"),
       "Unable to open output file\nThe folder " + d + "/locked cannot be written: Permission denied", true},
      {dir.file("full.img"), "Error saving module 0\n" + d + "/full.img: File too large", false, 8000},
      {dir.file("new\nline/x.img"), "Unable to open output file\n" + d + "/new\\x0Aline/x.img: No such file"},
  };
  for (const Case& c : cases) {
    CliRun run = cli({"resave", image, c.target}, c.asUser, c.limit);
    EXPECT_EQ(1, run.code) << c.target;
    EXPECT_EQ(0u, run.err.find(c.message)) << run.err;
    EXPECT_TRUE(run.err.ends_with(c.tail)) << run.err;
  }
  EXPECT_EQ(bytesOf("old"), readFile(dir.file("locked/old.img")));
  EXPECT_FALSE(fs::exists(dir.file("full.img")));
  EXPECT_FALSE(tempLeft(d) || tempLeft(dir.file("locked")));

  // A dangling link whose folder exists: the file it names is made, the
  // link stays.
  fs::create_symlink("made.img", dir.file("ahead"));
  EXPECT_EQ(0, cli({"resave", image, dir.file("ahead")}).code);
  EXPECT_TRUE(fs::is_symlink(dir.file("ahead")));
  EXPECT_EQ(bytes, readFile(dir.file("made.img")));
  fs::permissions(dir.file("locked"), fs::perms(0755));
}

TEST(FileSave, InterruptedSaveRemovesItsTemporaryFile) {
  TempDir dir;
  const std::string target = dir.file("out.img");
  ASSERT_TRUE(writeFile(target, bytesOf("old")));
  pid_t child = ::fork();
  if (child == 0) {
    FileWriter writer = {[](int fd, void*, char*, size_t) {
                           static const uint8_t half[4096] = {};
                           fileWriteAll(fd, half, sizeof half);
                           std::raise(SIGTERM);  // as if the user ended the program now
                           return true;
                         },
                         nullptr};
    char err[256];
    fileSave(target.c_str(), 1, writer, err, sizeof err);
    _exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  EXPECT_FALSE(tempLeft(dir.path()));
  EXPECT_EQ(bytesOf("old"), readFile(target));
}

}  // namespace
