// The Colors tab: an editor page over the modules this tab edits. No module
// kind is recognised yet, so the page shows its empty text.
#include "tabs/colors/colors_tab.h"

#include "resources/icon_data.h"
#include "shell/editor_page.h"

namespace {

EditorPage* page;

int colorsMatch(ModulePool*, Module*) { return 0; }

GtkWidget* colorsCreate(ModulePool*, Module* module) { return gtk_label_new(moduleGetName(module)); }

void colorsStore(GtkWidget*) {}

}  // namespace

TabHandler* colorsTabNew() {
  return editorTabNew(ICON_COLORS, "Colors", colorsMatch, colorsCreate, colorsStore, &page);
}
