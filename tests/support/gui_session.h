// SPDX-License-Identifier: MIT
// Start-up shared by the GUI tests and the editor benchmarks.
#pragma once

#include "tests/support/module_builder.h"

// Points HOME and the XDG folders into home, so that GTK keeps its
// recently-used list there. Call before GTK starts.
void guiUseHome(const TempDir& home);

// Initialises GTK, retrying for a few seconds (a busy X server may turn a
// connection away). False when there is no display.
bool guiDisplayOpen(int* argc, char*** argv);
