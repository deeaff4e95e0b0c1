// SPDX-License-Identifier: MIT
// A Strings view's texts exchanged with the files translators' tools use:
// "Export texts…" writes PO or TSV, "Import texts…" reads them back as edits.
#include <cstring>
#include <string>

#include "pool/file_read.h"
#include "pool/file_save.h"
#include "pool/glib_memory.h"
#include "pool/memory.h"
#include "shell/shell.h"
#include "tabs/strings/language_view.h"

namespace {

// At most this many refusals are listed; the count says how many more.
constexpr int REFUSALS_SHOWN = 20;

// The format a chosen file's name says, or -1 after telling the user why
// there is none.
int formatOf(const char* path, const char* what) {
  const int format = translationFormatOf(path);
  if (format == TRANSLATION_UNKNOWN) {
    char message[SHELL_TEXT_SIZE];
    shellFormatMessage(message, "Unable to %s %s\nThe file name must end in .po or .tsv.", what, path);
    showError(message);
  }
  return format;
}

// The warning after an import that refused something: how many texts were
// taken, then the refusals.
void refusalsShow(const TranslationImport& result) {
  std::string text = result.malformed ? "The file is not well-formed: no text was imported.\n"
                                      : std::to_string(result.taken) +
                                            (result.taken == 1 ? " text was" : " texts were") +
                                            " imported. Refused:\n";
  const char* p = result.refusals;
  for (int n = 0; *p && n < REFUSALS_SHOWN; n++) {
    const char* end = std::strchr(p, '\n');
    if (!end) end = p + std::strlen(p) - 1;
    text.append(p, end + 1);
    p = end + 1;
  }
  if (result.refused > uint32_t(REFUSALS_SHOWN))
    text += "and " + std::to_string(result.refused - REFUSALS_SHOWN) + " more\n";
  text.pop_back();
  showWarning(text.c_str());
}

}  // namespace

void stringsTextsExport(LanguageView* view) {
  stringsEditFinish(view);
  GCharPtr name(shellDisplayText(moduleGetName(view->lm.module)));
  std::string suggested = std::string(name.get()) + ".po";
  char path[SHELL_TEXT_SIZE];
  if (!shellChooseFile("Export Texts", GTK_FILE_CHOOSER_ACTION_SAVE, view->tab->exportFolder,
                       suggested.c_str(), path))
    return;
  const int format = formatOf(path, "export texts to");
  if (format == TRANSLATION_UNKNOWN) return;
  size_t size = 0;
  MallocPtr<char> bytes(
      translationWrite(&view->lm, view->reference, format, &size));
  char err[SHELL_TEXT_SIZE] = "", message[SHELL_TEXT_SIZE];
  if (!fileSaveBytes(path, bytes.get(), size, err, sizeof err)) {
    shellFormatMessage(message, "Unable to export texts\n%s", err);
    showError(message);
  }
}

// Applies what it can and lists what it refused: the imported texts are
// edits like typed ones, each undone by its change mark.
void stringsTextsImport(LanguageView* view) {
  stringsEditFinish(view);
  char path[SHELL_TEXT_SIZE], message[SHELL_TEXT_SIZE];
  if (!shellChooseFile("Import Texts", GTK_FILE_CHOOSER_ACTION_OPEN, view->tab->importFolder, nullptr, path))
    return;
  const int format = formatOf(path, "import texts from");
  if (format == TRANSLATION_UNKNOWN) return;
  size_t size = 0;
  char why[SHELL_TEXT_SIZE] = "";
  MallocPtr<uint8_t> data(fileReadAll(path, FILE_TEXT_LIMIT, &size, why, sizeof why));
  if (!data) {
    shellFormatMessage(message, "Unable to import texts\n%s", why);
    return showError(message);
  }
  TranslationImport result = {};
  stringsUndoNoteAll(view);
  translationRead(&view->lm, reinterpret_cast<const char*>(data.get()), size, format, 1, &result);
  view->history->end();
  stringsListModelSet(view);
  gtk_widget_queue_draw(view->treeView);
  languageViewTabUpdate(view);
  if (result.refused) refusalsShow(result);
  translationImportClear(&result);
}
