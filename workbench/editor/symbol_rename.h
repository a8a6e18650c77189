// SPDX-License-Identifier: GPL-3.0-or-later
// Search > Rename Symbol... (Ctrl+Shift+R): renames the label or constant at
// the caret in every module that uses it, with the plan qv3-lsp's rename
// makes (language/rename.h). Files that no window shows are opened and
// edited there, never written behind the user's back; each window gets the
// change as one undo step. A refusal says why in the status bar.
#pragma once

#include <QObject>

class QAction;
class TfrmQV3;

class SymbolRename : public QObject {
  Q_OBJECT
 public:
  // Appends the item to main's Search menu.
  explicit SymbolRename(TfrmQV3& main);

  QAction* action() const { return action_; }
  // The command on the active editor; false when refused or cancelled.
  bool renameAtCaret();

 private:
  void tell(const QString& message);

  TfrmQV3& main_;
  QAction* action_;
};
