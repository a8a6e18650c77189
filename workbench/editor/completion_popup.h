// SPDX-License-Identifier: GPL-3.0-or-later
// The list of what may be typed at the caret (Ctrl+Space), filled from
// language/completion.h: it narrows while the word is typed on, Enter or
// Tab puts the chosen item in place of the part typed so far, Escape
// closes it, and leaving the word closes it too.
#pragma once

#include <QObject>
#include <QStringList>

#include "language/completion.h"

class CodeEditor;
class QCompleter;
class QStandardItemModel;

class CompletionPopup : public QObject {
  Q_OBJECT
 public:
  explicit CompletionPopup(CodeEditor& editor);

  // Shows the items for the caret's line; false (and nothing shown) when
  // there are none.
  bool show(const Completions& completions);
  bool isVisible() const;
  QCompleter* completer() const { return completer_; }
  // The items the list shows now, in its order.
  QStringList shownItems() const;

 private:
  void follow();
  void insert(const QString& text);
  void place();

  CodeEditor& editor_;
  QCompleter* completer_;
  QStandardItemModel* items_;
  int block_ = -1;  // the caret's line when the list opened
  int begin_ = 0;   // where the replaced part starts in that line
};
