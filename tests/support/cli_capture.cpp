#include "tests/support/cli_capture.h"

#include <cstdio>
#include <cstdlib>

#include "cli/cli.h"

CliOutput cliCapture(std::vector<std::string> args) {
  args.insert(args.begin(), "korvane-cli");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  char* text = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  int code = cliRun(int(argv.size()), argv.data(), out, stderr);
  std::fclose(out);
  CliOutput result = {code, std::string(text, size)};
  std::free(text);
  return result;
}
