// The Strings tab: an editor page over the modules this tab edits. No module
// kind is recognised yet, so the page shows its empty text.
#include "tabs/strings/strings_tab.h"

#include "resources/icon_data.h"
#include "shell/editor_page.h"

namespace {

EditorPage* page;

int stringsMatch(ModulePool*, Module*) { return 0; }

GtkWidget* stringsCreate(ModulePool*, Module* module) { return gtk_label_new(moduleGetName(module)); }

void stringsStore(GtkWidget*) {}

}  // namespace

TabHandler* stringsTabNew() {
  return editorTabNew(ICON_STRINGS, "Strings", stringsMatch, stringsCreate, stringsStore, &page);
}
