// SPDX-License-Identifier: MIT
// korvane-cli: the editor's module work (list, check, extract, replace,
// resave) for scripts and machines without a display.
#pragma once

#include <cstdio>

// Runs one command line (argv[0] is the program name), writing results to out
// and messages to err. Returns the exit code: 0 on success, 1 when the work
// failed or was refused, 2 for a malformed command line.
int cliRun(int argc, char** argv, FILE* out, FILE* err);
