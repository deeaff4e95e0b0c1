// The Strings tab.
#pragma once

#include "shell/tab_handler.h"

// Builds the Strings tab's page in the main notebook and returns its handler.
TabHandler* stringsTabNew();
