// The Colors tab.
#pragma once

#include "shell/tab_handler.h"

// Builds the Colors tab's page in the main notebook and returns its handler.
TabHandler* colorsTabNew();
