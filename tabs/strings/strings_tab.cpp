// The Strings tab: an editor page over the modules this tab edits. No module kind
// is recognised yet, so the page shows its empty text and never makes a view.
#include "tabs/strings/strings_tab.h"

#include "shell/editor_page.h"

namespace {

int stringsMatch(ModulePool*, Module*) { return 0; }

}  // namespace

TabHandler* stringsTabNew(GtkWidget* container) {
  return editorTabNew(container, stringsMatch, nullptr, nullptr);
}
