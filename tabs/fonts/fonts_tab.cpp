// The Fonts tab: an editor page over the modules this tab edits. No module kind
// is recognised yet, so the page shows its empty text and never makes a view.
#include "tabs/fonts/fonts_tab.h"

#include "shell/editor_page.h"

namespace {

int fontsMatch(ModulePool*, Module*) { return 0; }

}  // namespace

TabHandler* fontsTabNew(GtkWidget* container) {
  return editorTabNew(container, fontsMatch, nullptr, nullptr);
}
