// SPDX-License-Identifier: MIT
// korvane-cli's dispatch run in-process, its output captured.
#pragma once

#include <string>
#include <tuple>
#include <vector>

using CliResult = std::tuple<int, std::string, std::string>;  // exit code, stdout, stderr

// args without the program name.
CliResult cliCapture(std::vector<std::string> args);
