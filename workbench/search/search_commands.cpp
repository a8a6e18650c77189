#include "workbench/search/search_commands.h"

#include <QPlainTextEdit>
#include <QString>

#include "workbench/dialogs.h"
#include "workbench/search/editor_search_text.h"
#include "workbench/search/search_dialog.h"
#include "workbench/search/search_engine.h"

namespace {

// The engine's boxes shown through the workbench's dialog seam.
class DialogPrompts final : public qv3::SearchPrompts {
 public:
  explicit DialogPrompts(Dialogs& dialogs) : dialogs_(dialogs) {}

  qv3::ReplaceAnswer askReplace() override {
    switch (dialogs_.askReplace()) {
      case Dialogs::ReplaceAnswer::Yes: return qv3::ReplaceAnswer::Yes;
      case Dialogs::ReplaceAnswer::Abort: return qv3::ReplaceAnswer::Abort;
      case Dialogs::ReplaceAnswer::All: return qv3::ReplaceAnswer::All;
      case Dialogs::ReplaceAnswer::No: break;
    }
    return qv3::ReplaceAnswer::No;
  }
  void showResult(const std::string& text) override {
    dialogs_.showInfo(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
  }

 private:
  Dialogs& dialogs_;
};

bool HasActiveEditor(QPlainTextEdit* editor, Dialogs& dialogs) {
  if (editor) return true;
  dialogs.showMessage(QStringLiteral("Open a .QV3 source first..."));
  return false;
}

void RunSearchOn(QPlainTextEdit& editor, const TfrmSearch& search, Dialogs& dialogs) {
  EditorSearchText text(editor);
  DialogPrompts prompts(dialogs);
  qv3::RunSearch(search.parameters(), text, prompts);
}

// Find and Replace differ only in how they preset "Replace with:"; the run
// follows the box as the user left it.
void AskAndRun(QPlainTextEdit* editor, TfrmSearch& search, Dialogs& dialogs, bool replace) {
  if (!HasActiveEditor(editor, dialogs)) return;
  if (search.AskSearchParameters(replace).empty()) return;
  RunSearchOn(*editor, search, dialogs);
}

}  // namespace

void RunFindCommand(QPlainTextEdit* editor, TfrmSearch& search, Dialogs& dialogs) {
  AskAndRun(editor, search, dialogs, false);
}

// Runs with the dialog as it stands, so after a Replace it replaces again.
void RunFindAgainCommand(QPlainTextEdit* editor, TfrmSearch& search, Dialogs& dialogs) {
  if (!HasActiveEditor(editor, dialogs)) return;
  RunSearchOn(*editor, search, dialogs);
}

void RunReplaceCommand(QPlainTextEdit* editor, TfrmSearch& search, Dialogs& dialogs) {
  AskAndRun(editor, search, dialogs, true);
}
