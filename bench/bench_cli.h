// SPDX-License-Identifier: MIT
// korvane-cli run in-process for the command benchmarks, and a stopwatch.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"

// The exit code of one command line, its output thrown away.
inline int benchCli(std::vector<std::string> args) {
  args.insert(args.begin(), "korvane-cli");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  static FILE* devNull = std::fopen("/dev/null", "w");
  return cliRun(int(argv.size()), argv.data(), devNull, devNull);
}

inline double benchSeconds(auto call) {
  auto start = std::chrono::steady_clock::now();
  call();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
