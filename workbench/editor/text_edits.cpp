// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/editor/text_edits.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

#include "engine/source_text.h"
#include "workbench/latin1.h"

bool EditsFit(const QPlainTextEdit& editor, const std::vector<TextEdit>& edits, std::string_view oldName) {
  const std::string keyed = qv3::UpperCaseOutsideTildes(oldName);
  for (const TextEdit& edit : edits) {
    const QTextBlock block = editor.document()->findBlockByNumber(edit.Line - 1);
    if (edit.Line < 1 || !block.isValid()) return false;
    const QString text = block.text();
    if (edit.Column + edit.Length > static_cast<std::uint32_t>(text.size())) return false;
    const std::string written = Bytes(text.mid(static_cast<qsizetype>(edit.Column), static_cast<qsizetype>(edit.Length)));
    if (qv3::UpperCaseOutsideTildes(written) != keyed) return false;
  }
  return true;
}

void ApplyAsOneStep(QPlainTextEdit& editor, const std::vector<TextEdit>& edits) {
  QTextCursor cursor(editor.document());
  cursor.beginEditBlock();
  // From the last edit back, so the places of the others stay where they were.
  for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
    const QTextBlock block = editor.document()->findBlockByNumber(edit->Line - 1);
    const int start = block.position() + static_cast<int>(edit->Column);
    cursor.setPosition(start);
    cursor.setPosition(start + static_cast<int>(edit->Length), QTextCursor::KeepAnchor);
    cursor.insertText(Latin1(edit->NewText));
  }
  cursor.endEditBlock();
}
