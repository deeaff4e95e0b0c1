// The Fonts tab: an editor page over the modules this tab edits. No module
// kind is recognised yet, so the page shows its empty text.
#include "tabs/fonts/fonts_tab.h"

#include "resources/icon_data.h"
#include "shell/editor_page.h"

namespace {

EditorPage* page;

int fontsMatch(ModulePool*, Module*) { return 0; }

GtkWidget* fontsCreate(ModulePool*, Module* module) { return gtk_label_new(moduleGetName(module)); }

void fontsStore(GtkWidget*) {}

}  // namespace

TabHandler* fontsTabNew() {
  return editorTabNew(ICON_FONTS, "Fonts", fontsMatch, fontsCreate, fontsStore, &page);
}
