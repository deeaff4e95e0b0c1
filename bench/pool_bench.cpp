// SPDX-License-Identifier: MIT
// Whole-image figures on a 64 MiB image of 2,048 data modules: parse time
// against a plain copy of the same bytes, save throughput with and without
// the read-back check, and the peak memory of a load from a file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "pool/pool.h"
#include "bench/big_image.h"
#include "tests/support/module_builder.h"

namespace {

constexpr int IMAGE_MODULES = BIG_IMAGE_MODULES;
constexpr double MIB = 1024.0 * 1024.0;

const Bytes& bigImage() { return benchBigImage(); }

// The image as a file, written once for the save and load figures.
const std::string& bigImageFile() {
  static TempDir folder;
  static const std::string path = [] {
    std::string p = folder.file("image.bin");
    if (!writeFile(p, bigImage())) p.clear();
    return p;
  }();
  return path;
}

// Parse and free: the pool owns one copy of the image, which its modules
// share, so that memory is touched for the first time in each iteration, as
// the baseline's is.
double timeParse(const Bytes& image, bool* ok) {
  char err[ERROR_SIZE];
  auto start = std::chrono::steady_clock::now();
  ModulePool* pool = poolParse(image.data(), image.size(), err, sizeof err);
  *ok = pool && poolGetCount(pool) == IMAGE_MODULES;
  poolFree(pool);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The baseline: the same bytes copied into fresh memory, page faults and all.
double timeCopy(const Bytes& image) {
  auto start = std::chrono::steady_clock::now();
  auto* copy = static_cast<uint8_t*>(std::malloc(image.size()));
  std::memcpy(copy, image.data(), image.size());
  benchmark::DoNotOptimize(copy);
  benchmark::ClobberMemory();
  std::free(copy);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_MemcpyBaseline(benchmark::State& state) {
  const Bytes& image = bigImage();
  for (auto _ : state) state.SetIterationTime(timeCopy(image));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(image.size()));
}
BENCHMARK(BM_MemcpyBaseline)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_PoolParse(benchmark::State& state) {
  const Bytes& image = bigImage();
  for (auto _ : state) {
    bool ok = false;
    state.SetIterationTime(timeParse(image, &ok));
    if (!ok) {
      state.SkipWithError("poolParse refused the image");
      break;
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(image.size()));
  state.counters["modules"] = IMAGE_MODULES;
  state.counters["image_MiB"] = double(image.size()) / MIB;
}
BENCHMARK(BM_PoolParse)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same copy into memory that is already resident: no page faults, only
// the memory bandwidth. Shown beside the ratio, to tell how much of both
// times is the kernel handing out fresh pages.
double timeWarmCopy(const Bytes& image, uint8_t* resident) {
  auto start = std::chrono::steady_clock::now();
  std::memcpy(resident, image.data(), image.size());
  benchmark::DoNotOptimize(resident);
  benchmark::ClobberMemory();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Copy and parse take turns; the best round of each counts.
void BM_PoolParseRatio(benchmark::State& state) {
  const Bytes& image = bigImage();
  constexpr int ROUNDS = 10;
  double copy = 1e9, parse = 1e9, warmCopy = 1e9;
  Bytes resident(image.size(), 1);
  for (auto _ : state) {
    for (int round = 0; round < ROUNDS; round++) {
      bool ok = false;
      copy = std::min(copy, timeCopy(image));
      parse = std::min(parse, timeParse(image, &ok));
      warmCopy = std::min(warmCopy, timeWarmCopy(image, resident.data()));
      if (!ok) {
        state.SkipWithError("poolParse refused the image");
        break;
      }
    }
  }
  state.counters["parse_over_memcpy"] = parse / copy;
  state.counters["parse_ms"] = parse * 1e3;
  state.counters["memcpy_ms"] = copy * 1e3;
  state.counters["warm_memcpy_ms"] = warmCopy * 1e3;
}
BENCHMARK(BM_PoolParseRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

// One save of the pool over target, with or without the read-back check:
// seconds, or -1 with the message in err (ERROR_SIZE bytes).
double timeSave(ModulePool* pool, const std::string& target, bool check, char* err) {
  PoolSaveOptions options = {};
  options.skipCheck = !check;
  auto start = std::chrono::steady_clock::now();
  if (!poolSaveWith(pool, target.c_str(), 1, &options, err, ERROR_SIZE)) return -1;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Argument 1: with the check, as every save runs; 0: without, the baseline.
void BM_PoolSave(benchmark::State& state) {
  const Bytes& image = bigImage();
  char err[ERROR_SIZE];
  ModulePool* pool = poolParse(image.data(), image.size(), err, sizeof err);
  if (!pool) {
    state.SkipWithError(err);
    return;
  }
  TempDir folder;
  std::string target = folder.file("saved.bin");
  for (auto _ : state) {
    double seconds = timeSave(pool, target, state.range(0) != 0, err);
    if (seconds < 0) {
      state.SkipWithError(err);
      break;
    }
    state.SetIterationTime(seconds);
  }
  poolFree(pool);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(image.size()));
}
// Wall-clock time: most of a save is waiting for the disk, which the CPU time misses.
BENCHMARK(BM_PoolSave)->ArgName("check")->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// Saves without and with the check take turns over the same file; the best
// round of each counts.
void BM_PoolSaveCheckRatio(benchmark::State& state) {
  const Bytes& image = bigImage();
  char err[ERROR_SIZE];
  ModulePool* pool = poolParse(image.data(), image.size(), err, sizeof err);
  if (!pool) {
    state.SkipWithError(err);
    return;
  }
  TempDir folder;
  std::string target = folder.file("saved.bin");
  constexpr int ROUNDS = 12;
  double plain = 1e9, checked = 1e9;
  for (auto _ : state) {
    for (int round = 0; round < ROUNDS; round++) {
      double without = timeSave(pool, target, false, err), with = timeSave(pool, target, true, err);
      if (without < 0 || with < 0) {
        state.SkipWithError(err);
        break;
      }
      plain = std::min(plain, without);
      checked = std::min(checked, with);
    }
  }
  poolFree(pool);
  state.counters["checked_over_plain"] = checked / plain;
  state.counters["plain_ms"] = plain * 1e3;
  state.counters["checked_ms"] = checked * 1e3;
}
BENCHMARK(BM_PoolSaveCheckRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

// Reads a "Name:   N kB" line of /proc/self/status, in bytes; -1 when absent.
long long statusBytes(const char* key) {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long long kib = -1;
  size_t keyLength = std::strlen(key);
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, key, keyLength) == 0 && line[keyLength] == ':')
      kib = std::atoll(line + keyLength + 1);
  std::fclose(f);
  return kib < 0 ? -1 : kib * 1024;
}

// Writing 5 resets the peak resident size (VmHWM) to the current one.
bool resetPeak() {
  int fd = ::open("/proc/self/clear_refs", O_WRONLY);
  if (fd < 0) return false;
  bool ok = ::write(fd, "5", 1) == 1;
  ::close(fd);
  return ok;
}

// Peak growth of the resident size during one poolLoad, in bytes; -1 on failure.
long long loadPeakInProcess(const std::string& path) {
  char err[ERROR_SIZE];
  if (!resetPeak()) return -1;
  long long before = statusBytes("VmRSS");
  ModulePool* pool = poolLoad(path.c_str(), err, sizeof err);
  long long peak = statusBytes("VmHWM");
  bool ok = pool != nullptr;
  poolFree(pool);
  return ok && before >= 0 && peak >= 0 ? peak - before : -1;
}

// Without a writable clear_refs: load in a child, whose peak starts from its
// resident size at the fork, and take the peak from its resource usage.
long long loadPeakInChild(const std::string& path) {
  int channel[2];
  if (::pipe(channel) != 0) return -1;
  pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    long long before = statusBytes("VmRSS");
    char err[ERROR_SIZE];
    ModulePool* pool = poolLoad(path.c_str(), err, sizeof err);
    ssize_t written = ::write(channel[1], &before, sizeof before);
    ::_exit(pool && written == sizeof before ? 0 : 1);
  }
  ::close(channel[1]);
  long long before = -1;
  ssize_t got = child > 0 ? ::read(channel[0], &before, sizeof before) : -1;
  ::close(channel[0]);
  int status = 0;
  struct rusage usage;
  if (child < 0 || ::wait4(child, &status, 0, &usage) != child) return -1;
  if (got != sizeof before || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return usage.ru_maxrss * 1024LL - before;
}

void BM_PoolLoadPeakMemory(benchmark::State& state) {
  const std::string& path = bigImageFile();
  if (path.empty()) {
    state.SkipWithError("cannot write the image file");
    return;
  }
  double fileBytes = double(bigImage().size());
  long long growth = -1;
  bool inChild = false;
  for (auto _ : state) {
    // Memory freed by earlier benchmarks goes back to the system first, or
    // the load would reuse pages that are already resident and look smaller.
    ::malloc_trim(0);
    growth = loadPeakInProcess(path);
    if (growth < 0) {
      inChild = true;
      growth = loadPeakInChild(path);
    }
  }
  if (growth < 0) {
    state.SkipWithError("cannot measure the peak resident size");
    return;
  }
  state.counters["peak_over_file"] = double(growth) / fileBytes;
  state.counters["extra_MiB_over_2x"] = (double(growth) - 2 * fileBytes) / MIB;
  state.counters["peak_growth_MiB"] = double(growth) / MIB;
  state.counters["file_MiB"] = fileBytes / MIB;
  state.counters["measured_in_child"] = inChild ? 1 : 0;
}
BENCHMARK(BM_PoolLoadPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
