// SPDX-License-Identifier: MIT
// The popup menu of a Fonts view's glyph list: the font exchanged with BDF
// files, and the letters a language uses that the font draws blank, marked
// in the list.
#include <cstring>

#include "pool/file_read.h"
#include "pool/file_save.h"
#include "pool/glib_memory.h"
#include "pool/memory.h"
#include "shell/shell.h"
#include "tabs/fonts/font_bdf.h"
#include "tabs/fonts/font_coverage.h"
#include "tabs/fonts/font_view.h"
#include "tabs/strings/language_codec.h"

namespace {

const char MENU_HINT[] = "Right-click, Shift+F10 or the Menu key: BDF export and import, missing letters.\n"
                         "Ctrl+Z undoes a glyph edit, Ctrl+Shift+Z or Ctrl+Y redoes it.";

// What the user chose, kept until the program ends: the "Missing for"
// language (by name, empty for none) and the folders of the BDF dialogs.
char missingLanguage[SHELL_TEXT_SIZE];
char exportFolderMemory[SHELL_TEXT_SIZE];
char importFolderMemory[SHELL_TEXT_SIZE];

void exportActivated(GtkMenuItem*, FontView* view) {
  char name[SHELL_TEXT_SIZE], path[SHELL_TEXT_SIZE];
  g_snprintf(name, sizeof name, "%s.bdf", moduleGetName(view->module));
  if (!shellChooseFile("Export BDF", GTK_FILE_CHOOSER_ACTION_SAVE, exportFolderMemory, name, path)) return;
  // The letters of the language being checked are named after its code page.
  const char* codePage = view->missingCodePage ? view->missingCodePage : "CP1252";
  size_t length = 0;
  MallocPtr<char> text(fontBdfWrite(&view->metrics, view->glyphs, moduleGetName(view->module), codePage, &length));
  char err[SHELL_TEXT_SIZE] = "";
  if (!fileSaveBytes(path, text.get(), length, err, sizeof err)) {
    char message[SHELL_TEXT_SIZE];
    shellFormatMessage(message, "Unable to write the BDF file.\n%s", err);
    showError(message);
  }
}

// The whole import is one undo step; the module changes only on commit.
void importActivated(GtkMenuItem*, FontView* view) {
  char path[SHELL_TEXT_SIZE];
  if (!shellChooseFile("Import BDF", GTK_FILE_CHOOSER_ACTION_OPEN, importFolderMemory, nullptr, path)) return;
  size_t length = 0;
  char message[SHELL_TEXT_SIZE], why[SHELL_TEXT_SIZE] = "";
  MallocPtr<uint8_t> contents(fileReadAll(path, FILE_TEXT_LIMIT, &length, why, sizeof why));
  if (!contents) {
    shellFormatMessage(message, "Unable to read the BDF file.\n%s", why);
    showError(message);
    return;
  }
  view->history->begin();
  std::vector<uint32_t> codes;
  for (uint32_t code = 1; code <= FONT_GLYPH_COUNT; code++) {
    view->history->note(FONT_UNDO_GLYPH, code);
    codes.push_back(code);
  }
  char err[ERROR_SIZE] = "";
  char* warnings = nullptr;
  int read = fontBdfRead(reinterpret_cast<const char*>(contents.get()), length, &view->metrics, view->glyphs,
                         &warnings, err, sizeof err);
  GCharPtr shown(g_filename_display_basename(path));
  if (!read) {
    shellFormatMessage(message, "Unable to import %s:\n%s", shown.get(), err);
    view->history->end();
    showError(message);
    return;
  }
  fontViewShowGlyphs(view, codes);
  view->history->end();
  if (warnings) {
    shellFormatMessage(message, "%s was imported; pixels outside the %u x %u cell were dropped:\n%s", shown.get(),
                       view->metrics.width, view->metrics.height, warnings);
    std::free(warnings);
    showWarning(message);
  }
}

void missingActivated(GtkMenuItem* item, FontView* view) {
  if (!gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item))) return;
  auto* name = static_cast<const char*>(g_object_get_data(G_OBJECT(item), "language"));
  g_strlcpy(missingLanguage, name ? name : "", sizeof missingLanguage);
  fontMissingRefresh(view);
}

GtkWidget* missingItemNew(FontView* view, GSList** group, const char* label, const char* name) {
  GtkWidget* item = gtk_radio_menu_item_new_with_label(*group, label);
  *group = gtk_radio_menu_item_get_group(GTK_RADIO_MENU_ITEM(item));
  if (name) g_object_set_data_full(G_OBJECT(item), "language", g_strdup(name), g_free);
  gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item), std::strcmp(name ? name : "", missingLanguage) == 0);
  g_signal_connect(item, "activate", G_CALLBACK(missingActivated), view);
  return item;
}

// The image's language modules as they are when the menu opens, then "None".
void missingMenuBuild(FontView* view) {
  GtkWidget* submenu = gtk_menu_new();
  GSList* group = nullptr;
  for (uint32_t i = 0; i < poolGetCount(view->pool); i++) {
    Module* m = poolGet(view->pool, i);
    if (!languageMatch(view->pool, m)) continue;
    GCharPtr label(shellDisplayText(moduleGetName(m)));
    gtk_menu_shell_append(GTK_MENU_SHELL(submenu), missingItemNew(view, &group, label.get(), moduleGetName(m)));
  }
  gtk_menu_shell_append(GTK_MENU_SHELL(submenu), missingItemNew(view, &group, "None", nullptr));
  gtk_widget_show_all(submenu);
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(view->missingItem), submenu);
}

}  // namespace

bool fontGlyphMissing(FontView* view, uint32_t code) {
  return view->uses[code] && fontGlyphBlank(&view->metrics, fontViewGlyph(view, code), view->missingCodePage);
}

// The tooltip's first line counts the marked glyphs.
void fontMissingShow(FontView* view) {
  if (!view->missingCodePage) {
    gtk_widget_set_tooltip_text(view->listView, MENU_HINT);
    return;
  }
  uint32_t count = 0;
  for (uint32_t code = 1; code <= FONT_GLYPH_COUNT; code++) count += fontGlyphMissing(view, code);
  GCharPtr name(shellDisplayText(missingLanguage));
  char text[SHELL_TEXT_SIZE];
  shellFormatMessage(text, "%u %s that %s uses %s blank (marked red).\n%s", count,
                     count == 1 ? "letter" : "letters", name.get(), count == 1 ? "is drawn" : "are drawn", MENU_HINT);
  gtk_widget_set_tooltip_text(view->listView, text);
}

// Reads the chosen language's uses from its module as it is now (the
// Strings tab may have changed it) and marks the list.
void fontMissingRefresh(FontView* view) {
  Module* language = nullptr;
  for (uint32_t i = 0; missingLanguage[0] && i < poolGetCount(view->pool) && !language; i++) {
    Module* m = poolGet(view->pool, i);
    if (languageMatch(view->pool, m) && std::strcmp(moduleGetName(m), missingLanguage) == 0) language = m;
  }
  uint32_t crc = language ? moduleGetField(language, MF_CRC) : 0;
  if (language != view->usesModule || crc != view->usesCrc) {
    std::memset(view->uses, 0, sizeof view->uses);
    view->missingCodePage = nullptr;
    char err[ERROR_SIZE];
    if (language && languageByteUses(language, view->uses, err, sizeof err))
      view->missingCodePage = languageCodePage(missingLanguage);
    view->usesModule = language;
    view->usesCrc = crc;
  }
  fontMissingShow(view);
  gtk_widget_queue_draw(view->listView);
}

// The "Missing for" submenu is made again each time the menu opens, with
// the image's language modules as they are then.
GtkWidget* fontMenuFor(gpointer data) {
  auto* view = static_cast<FontView*>(data);
  missingMenuBuild(view);
  return view->menu;
}

GtkWidget* fontMenuBuild(FontView* view) {
  GtkWidget* menu = gtk_menu_new();
  GtkWidget* item = gtk_menu_item_new_with_label("Export BDF…");
  g_signal_connect(item, "activate", G_CALLBACK(exportActivated), view);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  item = gtk_menu_item_new_with_label("Import BDF…");
  g_signal_connect(item, "activate", G_CALLBACK(importActivated), view);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
  // Its submenu is made as the menu pops up (fontMenuFor).
  view->missingItem = gtk_menu_item_new_with_label("Missing for");
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), view->missingItem);
  gtk_widget_show_all(menu);
  return menu;
}
