#include "workbench/editor/symbol_navigation.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <algorithm>

bool SelectSourceSpan(QPlainTextEdit& editor, const qv3::SourceSpan& span) {
  const QTextBlock block = editor.document()->findBlockByNumber(span.Line - 1);
  if (span.Line < 1 || !block.isValid()) return false;
  const int lineLength = static_cast<int>(block.text().size());
  int start = 0;
  int length = lineLength;
  if (!span.FromInclude && span.Length > 0) {
    start = std::min(static_cast<int>(span.Column), lineLength);
    length = std::min(static_cast<int>(span.Length), lineLength - start);
  }
  QTextCursor cursor(block);
  cursor.setPosition(block.position() + start);
  cursor.setPosition(block.position() + start + length, QTextCursor::KeepAnchor);
  editor.setTextCursor(cursor);
  editor.centerCursor();
  return true;
}

bool SelectDefinitionLine(QPlainTextEdit& editor, const qv3::SourceSpan& span) {
  const QTextBlock block = editor.document()->findBlockByNumber(span.Line - 1);
  if (span.Line < 1 || !block.isValid()) return false;
  const int lineLength = static_cast<int>(block.text().size());
  const int start = span.FromInclude ? 0 : std::min(static_cast<int>(span.Column), lineLength);
  QTextCursor cursor(block);
  cursor.setPosition(block.position() + lineLength);
  cursor.setPosition(block.position() + start, QTextCursor::KeepAnchor);
  editor.setTextCursor(cursor);
  editor.centerCursor();
  return true;
}
