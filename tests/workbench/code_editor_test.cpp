// The line-number gutter: its width follows the line count and the font,
// it emphasises the selected line, and it leaves the editing alone.
#include <gtest/gtest.h>

#include <QFont>
#include <QImage>
#include <QTextBlock>
#include <QtTest/QTest>
#include <vector>

#include "workbench/editor/code_editor.h"

namespace {

QString Lines(int count) {
  QStringList lines;
  for (int i = 0; i < count; ++i) lines << QStringLiteral("LDA #%1").arg(i % 256);
  return lines.join(QLatin1Char('\n'));
}

int ViewportMargin(const QPlainTextEdit& editor) {
  return editor.viewport()->geometry().left() - editor.contentsRect().left();
}

int DigitWidth(const CodeEditor& editor) { return editor.fontMetrics().horizontalAdvance(QLatin1Char('9')); }

// Selects a whole line the way the jump from a diagnostic does: from its
// start to its end, without the line break.
void SelectLine(QPlainTextEdit& editor, int blockNumber) {
  const QTextBlock block = editor.document()->findBlockByNumber(blockNumber);
  QTextCursor cursor(block);
  cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
  editor.setTextCursor(cursor);
}

TEST(CodeEditor, GutterWidthFollowsTheLineCount) {
  CodeEditor editor;
  editor.resize(400, 300);
  editor.show();
  editor.setPlainText(Lines(12));
  EXPECT_EQ(editor.lineNumberDigits(), 3);  // room kept for growing
  const int threeDigits = editor.lineNumberAreaWidth();

  editor.setPlainText(Lines(999));
  EXPECT_EQ(editor.lineNumberAreaWidth(), threeDigits);
  editor.setPlainText(Lines(1000));
  EXPECT_EQ(editor.lineNumberDigits(), 4);
  EXPECT_GE(editor.lineNumberAreaWidth(), 4 * DigitWidth(editor));
  EXPECT_EQ(editor.lineNumberAreaWidth(), threeDigits + DigitWidth(editor));
  // The text starts right of the gutter, which covers exactly that margin.
  EXPECT_EQ(ViewportMargin(editor), editor.lineNumberAreaWidth());
  EXPECT_EQ(editor.lineNumberArea()->width(), editor.lineNumberAreaWidth());
  EXPECT_GE(editor.viewport()->x(), editor.lineNumberArea()->geometry().right());

  // Typing the 10,000th line widens it by one digit.
  editor.setPlainText(Lines(9999));
  const int fourDigits = editor.lineNumberAreaWidth();
  editor.moveCursor(QTextCursor::End);
  editor.insertPlainText(QStringLiteral("\nRTS"));
  EXPECT_EQ(editor.lineNumberDigits(), 5);
  EXPECT_EQ(editor.lineNumberAreaWidth(), fourDigits + DigitWidth(editor));
  EXPECT_EQ(editor.lineNumberArea()->width(), editor.lineNumberAreaWidth());
}

TEST(CodeEditor, GutterWidthFollowsTheFont) {
  CodeEditor editor;
  editor.resize(400, 300);
  editor.show();
  QFont font = editor.font();
  font.setPixelSize(13);
  editor.setFont(font);
  const int small = editor.lineNumberAreaWidth();
  font.setPixelSize(30);
  editor.setFont(font);
  EXPECT_GT(editor.lineNumberAreaWidth(), small);
  EXPECT_EQ(ViewportMargin(editor), editor.lineNumberAreaWidth());
  EXPECT_EQ(editor.lineNumberArea()->width(), editor.lineNumberAreaWidth());
}

TEST(CodeEditor, SelectedLineIsEmphasisedInTheGutter) {
  CodeEditor editor;
  editor.resize(400, 300);
  editor.show();
  editor.setPlainText(Lines(20));
  EXPECT_TRUE(editor.isLineEmphasised(0));  // the caret starts on line 1

  SelectLine(editor, 2);
  EXPECT_FALSE(editor.isLineEmphasised(1));
  EXPECT_TRUE(editor.isLineEmphasised(2));
  EXPECT_FALSE(editor.isLineEmphasised(3));
  EXPECT_FALSE(editor.isLineEmphasised(0));

  // The emphasis is painted: the selected line's gutter row looks different
  // from an unselected one.
  const QImage gutter = editor.lineNumberArea()->grab().toImage();
  const auto rowMiddle = [&](int blockNumber) {
    const QTextCursor start(editor.document()->findBlockByNumber(blockNumber));
    return editor.cursorRect(start).center().y();
  };
  EXPECT_NE(gutter.pixel(1, rowMiddle(2)), gutter.pixel(1, rowMiddle(0)));
  EXPECT_EQ(gutter.pixel(1, rowMiddle(1)), gutter.pixel(1, rowMiddle(0)));

  // A selection over several lines emphasises each of them.
  QTextCursor cursor = editor.textCursor();
  cursor.setPosition(editor.document()->findBlockByNumber(4).position() + 2);
  cursor.setPosition(editor.document()->findBlockByNumber(6).position() + 1, QTextCursor::KeepAnchor);
  editor.setTextCursor(cursor);
  EXPECT_FALSE(editor.isLineEmphasised(3));
  EXPECT_TRUE(editor.isLineEmphasised(4));
  EXPECT_TRUE(editor.isLineEmphasised(5));
  EXPECT_TRUE(editor.isLineEmphasised(6));
  EXPECT_FALSE(editor.isLineEmphasised(7));
}

// The same steps on a plain editor and on the code editor leave the same
// text, selection, undo history and modified flag.
TEST(CodeEditor, GutterLeavesTextOffsetsUndoAndModifiedStateAlone) {
  QPlainTextEdit plain;
  CodeEditor code;
  int plainChanges = 0;
  int codeChanges = 0;
  QObject::connect(&plain, &QPlainTextEdit::textChanged, [&] { ++plainChanges; });
  QObject::connect(&code, &QPlainTextEdit::textChanged, [&] { ++codeChanges; });

  for (QPlainTextEdit* editor : {&plain, static_cast<QPlainTextEdit*>(&code)}) {
    editor->resize(300, 200);
    editor->show();
    editor->setPlainText(Lines(1000));
    EXPECT_FALSE(editor->document()->isModified());
    SelectLine(*editor, 500);
    editor->ensureCursorVisible();
    editor->grab();  // paints the gutter for the scrolled view
    QFont font = editor->font();
    font.setPixelSize(20);
    editor->setFont(font);
    editor->resize(500, 300);
    editor->grab();
    EXPECT_FALSE(editor->document()->isModified());
    editor->insertPlainText(QStringLiteral("STA $D020"));
    editor->undo();
  }
  EXPECT_EQ(code.toPlainText(), plain.toPlainText());
  EXPECT_EQ(codeChanges, plainChanges);
  EXPECT_EQ(code.document()->isModified(), plain.document()->isModified());
  EXPECT_EQ(code.document()->availableUndoSteps(), plain.document()->availableUndoSteps());
  EXPECT_EQ(code.document()->availableRedoSteps(), plain.document()->availableRedoSteps());
  EXPECT_EQ(code.textCursor().selectionStart(), plain.textCursor().selectionStart());
  EXPECT_EQ(code.textCursor().selectionEnd(), plain.textCursor().selectionEnd());
  EXPECT_EQ(code.document()->blockCount(), 1000);
}

// Features decorate the editor in layers of their own: one layer's update
// leaves the others' marks and selections alone, the later layer wins a
// shared line, and none of it reaches the text's undo history or its
// modified flag.
TEST(CodeEditor, DecorationLayersStayApartAndLeaveTheTextAlone) {
  CodeEditor editor;
  editor.resize(300, 200);
  editor.show();
  editor.setPlainText(Lines(20));
  const int undoSteps = editor.document()->availableUndoSteps();

  CodeEditor::GutterMark warning{CodeEditor::GutterMark::Shape::Square, Qt::yellow, QStringLiteral("w")};
  CodeEditor::GutterMark breakpoint{CodeEditor::GutterMark::Shape::Dot, Qt::red, QStringLiteral("b")};
  editor.setGutterMarks(QStringLiteral("diagnostics"), {{2, warning}, {5, warning}});
  editor.setGutterMarks(QStringLiteral("breakpoints"), {{5, breakpoint}});
  editor.setGutterMarks(QStringLiteral("diagnostics"), {{2, warning}});
  EXPECT_EQ(editor.gutterMarks(QStringLiteral("breakpoints")).value(5).toolTip, QStringLiteral("b"));
  EXPECT_EQ(editor.gutterMarks(QStringLiteral("diagnostics")).size(), 1);

  QTextEdit::ExtraSelection underline;
  underline.cursor = QTextCursor(editor.document()->findBlockByNumber(2));
  underline.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
  QTextEdit::ExtraSelection current;
  current.cursor = QTextCursor(editor.document()->findBlockByNumber(5));
  current.format.setProperty(QTextFormat::FullWidthSelection, true);
  editor.setSelectionLayer(QStringLiteral("diagnostics"), {underline});
  editor.setSelectionLayer(QStringLiteral("debugger"), {current});
  editor.setSelectionLayer(QStringLiteral("diagnostics"), {underline, underline});
  EXPECT_EQ(editor.extraSelections().size(), 3);
  editor.setSelectionLayer(QStringLiteral("diagnostics"), {});
  ASSERT_EQ(editor.extraSelections().size(), 1);
  EXPECT_EQ(editor.extraSelections().front().cursor.blockNumber(), 5);
  editor.grab();

  EXPECT_FALSE(editor.document()->isModified());
  EXPECT_EQ(editor.document()->availableUndoSteps(), undoSteps);
}

// A click in the gutter names the line under it, also when scrolled.
TEST(CodeEditor, GutterClickNamesTheLine) {
  CodeEditor editor;
  editor.resize(300, 200);
  editor.show();
  editor.setPlainText(Lines(200));
  SelectLine(editor, 120);
  editor.ensureCursorVisible();
  std::vector<int> clicked;
  QObject::connect(&editor, &CodeEditor::gutterClicked, [&](int line) { clicked.push_back(line); });
  const QRect lineRect = editor.cursorRect();
  const QPoint inGutter(2, lineRect.center().y() + editor.viewport()->geometry().top() -
                               editor.lineNumberArea()->geometry().top());
  QTest::mouseClick(editor.lineNumberArea(), Qt::LeftButton, {}, inGutter);
  ASSERT_EQ(clicked.size(), 1u);
  EXPECT_EQ(clicked.front(), 120);
  EXPECT_EQ(editor.lineAtGutterPoint(QPoint(2, 100000)), -1);
}

}  // namespace
