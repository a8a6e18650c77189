#include "workbench/editor/inactive_lines.h"

#include <QTextBlock>
#include <QTextCursor>

#include "engine/compile_knowledge.h"
#include "workbench/editor/code_editor.h"

void ShowInactiveLines(CodeEditor& editor, const qv3::ModuleKnowledge* module) {
  QList<QTextEdit::ExtraSelection> greyed;
  if (module) {
    for (const std::int32_t line : module->InactiveLines) {
      const QTextBlock block = editor.document()->findBlockByNumber(line - 1);
      if (line < 1 || !block.isValid()) continue;
      QTextEdit::ExtraSelection selection;
      selection.cursor = QTextCursor(block);
      selection.cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
      selection.format.setForeground(QColor(0xA0, 0xA0, 0xA0));
      greyed.append(selection);
    }
  }
  editor.setSelectionLayer(kInactiveLinesLayer, greyed);
}
