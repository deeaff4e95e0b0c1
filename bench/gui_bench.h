// SPDX-License-Identifier: MIT
// What the editor benchmarks share: the clock, the flush that waits for every
// drawing, and the child process that opens a demo image (demo_bench.cpp).
#pragma once

#include <chrono>

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start);

// When a list's rows were first drawn after an open.
struct DrawWatch {
  bool armed = false;
  bool drawn = false;
  Clock::time_point at;
};

// The main notebook's page with the title, or -1.
int pageIndex(const char* title);

// Runs every pending event and redraw, and waits for the X server to have
// done the drawing, until nothing is left to do.
void benchFlushAll();

// korvane_gui_bench --demo-child FILE: opens FILE as the editor would and
// prints its figures. Returns the exit code.
int demoChildMain(int argc, char** argv);
