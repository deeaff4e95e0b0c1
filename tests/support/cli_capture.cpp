// SPDX-License-Identifier: MIT
#include "tests/support/cli_capture.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "cli/cli.h"

CliResult cliCapture(std::vector<std::string> args) {
  args.insert(args.begin(), "korvane-cli");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  int code = cliRun(int(argv.size()), argv.data(), stdout, stderr);
  return {code, testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
}
