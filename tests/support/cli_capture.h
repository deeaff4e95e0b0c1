// korvane-cli's dispatch run in-process, its standard output captured.
#pragma once

#include <string>
#include <vector>

struct CliOutput {
  int code;
  std::string out;
};

// args without the program name; standard error goes where the test's goes.
CliOutput cliCapture(std::vector<std::string> args);
