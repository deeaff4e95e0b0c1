// SPDX-License-Identifier: MIT
// The editor's notebook pages, in order. The entry point hands them to the
// shell, which knows no tab of its own.
#pragma once

#include "resources/icon_data.h"
#include "shell/shell.h"
#include "tabs/colors/colors_tab.h"
#include "tabs/fonts/fonts_tab.h"
#include "tabs/images/images_tab.h"
#include "tabs/modules/modules_tab.h"
#include "tabs/strings/strings_tab.h"

inline const TabPage TAB_PAGES[] = {
    {"Modules", &ICON_MODULES, modulesTabNew}, {"Images", &ICON_IMAGES, imagesTabNew},
    {"Colors", &ICON_COLORS, colorsTabNew},    {"Strings", &ICON_STRINGS, stringsTabNew},
    {"Fonts", &ICON_FONTS, fontsTabNew},
};
inline constexpr size_t TAB_PAGE_COUNT = sizeof TAB_PAGES / sizeof TAB_PAGES[0];
