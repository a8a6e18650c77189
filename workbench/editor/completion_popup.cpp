// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/editor/completion_popup.h"

#include <QAbstractItemView>
#include <algorithm>
#include <QCompleter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTextBlock>

#include "workbench/editor/code_editor.h"
#include "workbench/latin1.h"

namespace {

QString KindText(CompletionKind kind) {
  switch (kind) {
    case CompletionKind::Mnemonic: return QStringLiteral("instruction");
    case CompletionKind::Directive: return QStringLiteral("directive");
    case CompletionKind::Label: return QStringLiteral("label");
    case CompletionKind::Constant: return QStringLiteral("constant");
    case CompletionKind::External: return QStringLiteral("other module");
    case CompletionKind::Macro: return QStringLiteral("macro");
  }
  return {};
}

bool IsNameCharacter(QChar c) {
  return c.isLetterOrNumber() || c == u'_' || c == u'.' || c == u'@' || c == u'~';
}

}  // namespace

CompletionPopup::CompletionPopup(CodeEditor& editor)
    : QObject(&editor), editor_(editor), completer_(new QCompleter(this)), items_(new QStandardItemModel(this)) {
  completer_->setModel(items_);
  completer_->setWidget(&editor);
  completer_->setCompletionMode(QCompleter::PopupCompletion);
  completer_->setCaseSensitivity(Qt::CaseInsensitive);
  completer_->setMaxVisibleItems(12);
  editor.setCompleter(completer_);
  connect(completer_, qOverload<const QString&>(&QCompleter::activated), this, &CompletionPopup::insert);
  connect(&editor, &QPlainTextEdit::cursorPositionChanged, this, &CompletionPopup::follow);
}

bool CompletionPopup::isVisible() const { return completer_->popup()->isVisible(); }

QStringList CompletionPopup::shownItems() const {
  QStringList shown;
  const QAbstractItemModel* model = completer_->completionModel();
  for (int row = 0; row < model->rowCount(); ++row) shown << model->index(row, 0).data().toString();
  return shown;
}

bool CompletionPopup::show(const Completions& completions) {
  items_->clear();
  for (const CompletionItem& item : completions.Items) {
    auto* row = new QStandardItem(Latin1(item.Text));
    const QString detail = Latin1(item.Detail);
    row->setToolTip(detail.isEmpty() ? KindText(item.Kind) : KindText(item.Kind) + QStringLiteral(": ") + detail);
    row->setEditable(false);
    items_->appendRow(row);  // the model owns it
  }
  if (items_->rowCount() == 0) {
    completer_->popup()->hide();
    return false;
  }
  const QTextCursor caret = editor_.textCursor();
  block_ = caret.blockNumber();
  begin_ = static_cast<int>(completions.Replaced.Begin);
  completer_->setCompletionPrefix(caret.block().text().mid(begin_, caret.positionInBlock() - begin_));
  place();
  return true;
}

void CompletionPopup::place() {
  QAbstractItemView* list = completer_->popup();
  list->setCurrentIndex(completer_->completionModel()->index(0, 0));
  QRect at = editor_.cursorRect();
  at.setWidth(list->sizeHintForColumn(0) + list->verticalScrollBar()->sizeHint().width());
  completer_->complete(at);
}

void CompletionPopup::follow() {
  if (!isVisible()) return;
  const QTextCursor caret = editor_.textCursor();
  const int column = caret.positionInBlock();
  const QString typed = caret.block().text().mid(begin_, column - begin_);
  const bool inWord = caret.blockNumber() == block_ && column >= begin_ &&
                      std::all_of(typed.begin(), typed.end(), IsNameCharacter);
  if (inWord) completer_->setCompletionPrefix(typed);
  if (!inWord || completer_->completionCount() == 0) {
    completer_->popup()->hide();
    return;
  }
  place();
}

void CompletionPopup::insert(const QString& text) {
  QTextCursor caret = editor_.textCursor();
  if (caret.blockNumber() != block_) return;
  const int lineStart = caret.block().position();
  caret.setPosition(lineStart + begin_);
  caret.setPosition(editor_.textCursor().position(), QTextCursor::KeepAnchor);
  caret.insertText(text);
  editor_.setTextCursor(caret);
}
