// SPDX-License-Identifier: MIT
// Entry point of korvane-cli.
#include "cli/cli.h"

int main(int argc, char** argv) { return cliRun(argc, argv, stdout, stderr); }
