// SPDX-License-Identifier: MIT
// What the editor benchmarks share: the flush that waits for every drawing,
// and the child process that opens a demo image (demo_bench.cpp).
#pragma once

// Runs every pending event and redraw, and waits for the X server to have
// done the drawing, until nothing is left to do.
void benchFlushAll();

// korvane_gui_bench --demo-child FILE: opens FILE as the editor would and
// prints its figures. Returns the exit code.
int demoChildMain(int argc, char** argv);
