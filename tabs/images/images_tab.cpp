// The Images tab: an editor page over the modules this tab edits. No module
// kind is recognised yet, so the page shows its empty text.
#include "tabs/images/images_tab.h"

#include "resources/icon_data.h"
#include "shell/editor_page.h"

namespace {

EditorPage* page;

int imagesMatch(ModulePool*, Module*) { return 0; }

GtkWidget* imagesCreate(ModulePool*, Module* module) { return gtk_label_new(moduleGetName(module)); }

void imagesStore(GtkWidget*) {}

}  // namespace

TabHandler* imagesTabNew() {
  return editorTabNew(ICON_IMAGES, "Images", imagesMatch, imagesCreate, imagesStore, &page);
}
