// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/editor/symbol_rename.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextBlock>

#include "language/rename.h"
#include "workbench/dialogs.h"
#include "workbench/editor/editor_workspace.h"
#include "workbench/editor/text_edits.h"
#include "workbench/editor_window.h"
#include "workbench/latin1.h"
#include "workbench/main_window.h"
#include "workbench/process_window.h"  // main_window.h holds a QPointer to it

namespace {
constexpr int kMessageMilliseconds = 8000;
}  // namespace

SymbolRename::SymbolRename(TfrmQV3& main) : QObject(&main), main_(main) {
  action_ = main.Search1->addAction(QStringLiteral("Rename Symbol..."));
  action_->setObjectName(QStringLiteral("renameSymbol"));
  action_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
  connect(action_, &QAction::triggered, this, &SymbolRename::renameAtCaret);
}

void SymbolRename::tell(const QString& message) { main_.statusBar()->showMessage(message, kMessageMilliseconds); }

bool SymbolRename::renameAtCaret() {
  TfrmQVEdit* editor = main_.activeEditor();
  if (!editor) {
    tell(QStringLiteral("Open a .QV3 source first..."));
    return false;
  }
  // Checked now, from the texts as they are: the edits must fit them exactly.
  EditorWorkspace workspace(main_);
  const std::size_t self = *workspace.indexOf(*editor);
  const qv3::CompileKnowledge& knowledge = workspace.modules().CheckOfOpen(self);
  const QTextCursor caret = editor->mCode->textCursor();
  const std::string line = Bytes(caret.block().text());
  const std::int32_t lineNumber = caret.blockNumber() + 1;
  const auto column = static_cast<std::size_t>(caret.positionInBlock());

  const RenameCheck check = PrepareRename(knowledge, line, lineNumber, column);
  if (!check.Target) {
    tell(Latin1(check.Refusal));
    return false;
  }
  const RenameTarget& target = *check.Target;
  const std::optional<QString> newName = main_.dialogs().askText(
      QStringLiteral("Rename Symbol"), QStringLiteral("New name for %1:").arg(Latin1(target.Name)),
      Latin1(line.substr(target.Column, target.Length)));
  if (!newName) return false;

  const Workspace users =
      workspace.modules().UsersOf(target.Definition.Module, target.Definition.Folder, self);
  const std::string name = Bytes(newName->trimmed());
  RenamePlan plan = PlanRename(knowledge, line, lineNumber, column, name, users);
  // The window may show a file that modules of the folder INCLUDE.
  if (!editor->documentPath().isEmpty())
    AddUsesInIncludingModules(plan, users, Bytes(editor->documentPath()), target.Name, name);
  if (plan.Refused()) {
    tell(Latin1(plan.Refusal));
    return false;
  }

  // Every window first, so that a file that cannot be opened changes nothing.
  std::vector<QPlainTextEdit*> memos;
  for (const FileEdits& file : plan.Files) {
    TfrmQVEdit* shown = EditorOfFile(main_, file.Module, file.Folder, file.IncludedFile);
    if (!shown) {
      tell(QStringLiteral("Nothing renamed: no source of %1 found")
               .arg(Latin1(file.IncludedFile.empty() ? file.Module : file.IncludedFile)));
      return false;
    }
    if (!EditsFit(*shown->mCode, file.Edits, target.Name)) {
      tell(QStringLiteral("Nothing renamed: %1 has changed since it was read").arg(shown->caption()));
      return false;
    }
    memos.push_back(shown->mCode);
  }
  std::size_t places = 0;
  for (std::size_t index = 0; index < plan.Files.size(); ++index) {
    ApplyAsOneStep(*memos[index], plan.Files[index].Edits);
    places += plan.Files[index].Edits.size();
  }
  // Opening a file made its window the active one; the rename started here.
  for (QMdiSubWindow* sub : main_.mdiArea()->subWindowList())
    if (sub->widget() == editor) main_.mdiArea()->setActiveSubWindow(sub);
  editor->mCode->setFocus();
  tell(QStringLiteral("Renamed %1 to %2: %3 %4 in %5 %6")
           .arg(Latin1(target.Name), newName->trimmed())
           .arg(places)
           .arg(places == 1 ? QStringLiteral("place") : QStringLiteral("places"))
           .arg(plan.Files.size())
           .arg(plan.Files.size() == 1 ? QStringLiteral("file") : QStringLiteral("files")));
  return true;
}
