// The Images tab.
#pragma once

#include "shell/tab_handler.h"

// Builds the Images tab's page in the main notebook and returns its handler.
TabHandler* imagesTabNew();
