// The Fonts tab.
#pragma once

#include "shell/tab_handler.h"

// Builds the Fonts tab's page in the main notebook and returns its handler.
TabHandler* fontsTabNew();
