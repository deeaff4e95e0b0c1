// The Colors tab: an editor page over the modules this tab edits. No module kind
// is recognised yet, so the page shows its empty text and never makes a view.
#include "tabs/colors/colors_tab.h"

#include "shell/editor_page.h"

namespace {

int colorsMatch(ModulePool*, Module*) { return 0; }

}  // namespace

TabHandler* colorsTabNew(GtkWidget* container) {
  return editorTabNew(container, colorsMatch, nullptr, nullptr);
}
