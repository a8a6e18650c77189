#include "workbench/editor/diagnostic_marks.h"

#include <QTextBlock>
#include <QTextCursor>

#include "engine/compile_knowledge.h"
#include "engine/source_text.h"
#include "language/diagnostic_text.h"
#include "workbench/editor/code_editor.h"
#include "workbench/latin1.h"

namespace {
const QColor kFatalColour(0xD0, 0x20, 0x20);
const QColor kWarningColour(0xE0, 0x90, 0x10);
}  // namespace

void ShowDiagnosticMarks(CodeEditor& editor, const qv3::ModuleKnowledge* module) {
  QMap<int, CodeEditor::GutterMark> marks;
  if (module) {
    for (const qv3::LineDiagnostic& diagnostic : module->Diagnostics) {
      const int blockNumber = diagnostic.Line - 1;
      if (blockNumber < 0 || blockNumber >= editor.blockCount()) continue;
      CodeEditor::GutterMark& mark = marks[blockNumber];
      const bool firstOnLine = mark.toolTip.isEmpty();
      if (firstOnLine || diagnostic.Fatal) {
        mark.shape = diagnostic.Fatal ? CodeEditor::GutterMark::Shape::Dot : CodeEditor::GutterMark::Shape::Square;
        mark.colour = diagnostic.Fatal ? kFatalColour : kWarningColour;
      }
      if (!firstOnLine) mark.toolTip += u'\n';
      // The window shows the module and the line: the message is enough.
      const std::string line = Bytes(editor.document()->findBlockByNumber(blockNumber).text());
      mark.toolTip += (diagnostic.Fatal ? QStringLiteral("Fatal: ") : QStringLiteral("Warning: ")) +
                      Latin1(DiagnosticMessage(diagnostic, line));
    }
  }

  QList<QTextEdit::ExtraSelection> underlines;
  for (auto mark = marks.cbegin(); mark != marks.cend(); ++mark) {
    const QTextBlock block = editor.document()->findBlockByNumber(mark.key());
    // Under the line's text, not under its indentation; a line without
    // text has only its gutter mark.
    const QString text = block.text();
    // Nor under a comment: the assembler never read it.
    auto end = static_cast<int>(qv3::StripComment(Bytes(text)).size());
    while (end > 0 && text[end - 1].isSpace()) --end;
    int first = 0;
    while (first < end && text[first].isSpace()) ++first;
    if (first >= end) continue;
    QTextEdit::ExtraSelection underline;
    underline.cursor = QTextCursor(block);
    underline.cursor.setPosition(block.position() + first);
    underline.cursor.setPosition(block.position() + end, QTextCursor::KeepAnchor);
    underline.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    underline.format.setUnderlineColor(mark->colour);
    underlines.append(underline);
  }
  editor.setGutterMarks(kDiagnosticsLayer, marks);
  editor.setSelectionLayer(kDiagnosticsLayer, underlines);
}
