// The Images tab: an editor page over the modules this tab edits. No module kind
// is recognised yet, so the page shows its empty text and never makes a view.
#include "tabs/images/images_tab.h"

#include "shell/editor_page.h"

namespace {

int imagesMatch(ModulePool*, Module*) { return 0; }

}  // namespace

TabHandler* imagesTabNew(GtkWidget* container) {
  return editorTabNew(container, imagesMatch, nullptr, nullptr);
}
