// SPDX-License-Identifier: MIT
// Entry point of the Korvane editor: the shell with the editor's pages.
#include "tabs/pages.h"

int main(int argc, char** argv) { return shellMain(argc, argv, TAB_PAGES, TAB_PAGE_COUNT); }
