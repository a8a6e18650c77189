// The engine on a real editor memo: CR LF offsets against Qt's one-character
// block breaks, undo, and characters the byte text cannot hold.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

#include "workbench/search/editor_search_text.h"

namespace {

class AnswerAll final : public qv3::SearchPrompts {
 public:
  qv3::ReplaceAnswer askReplace() override { return qv3::ReplaceAnswer::All; }
  void showResult(const std::string& text) override { messages.push_back(text); }
  std::vector<std::string> messages;
};

void PlaceCaret(QPlainTextEdit& editor, int position) {
  QTextCursor cursor = editor.textCursor();
  cursor.setPosition(position);
  editor.setTextCursor(cursor);
}

TEST(EditorSearchText, TranslatesCrLfOffsets) {
  QPlainTextEdit editor;
  editor.setPlainText(QStringLiteral("ab\ncd\nef"));
  const QTextDocument& document = *editor.document();
  EXPECT_EQ(CrLfOffsetOf(document, 4), 5);  // 'd': one break before it
  EXPECT_EQ(CrLfOffsetOf(document, 6), 8);  // 'e': two
  EXPECT_EQ(CursorPositionOf(document, 8), 6);
  EXPECT_EQ(CursorPositionOf(document, 2), 2);  // end of the first line
  EXPECT_EQ(CursorPositionOf(document, 3), 2);  // between CR and LF
  EXPECT_EQ(CursorPositionOf(document, 99), 8);

  PlaceCaret(editor, 4);
  EditorSearchText text(editor);
  EXPECT_EQ(text.selectionStart(), 5);
  EXPECT_EQ(text.lineCount(), 3u);
  text.select(4, 4);  // "cd" and the line break
  EXPECT_EQ(editor.textCursor().selectedText(), QStringLiteral("cd") + QChar::ParagraphSeparator);
  EXPECT_EQ(text.selectionLength(), 4);
}

TEST(EditorSearchText, FindSelectsAnOccurrenceOnTheThirdLine) {
  QPlainTextEdit editor;
  editor.setPlainText(QStringLiteral("lda #1\nsta $d020\nrts ; target here\ntarget"));
  PlaceCaret(editor, 9);  // inside the second line: the run starts there
  EditorSearchText text(editor);
  AnswerAll prompts;
  qv3::RunSearch({"TARGET", "", false, false}, text, prompts);
  const QTextCursor cursor = editor.textCursor();
  EXPECT_EQ(cursor.selectionStart(), 7 + 10 + 6);
  EXPECT_EQ(cursor.selectedText(), QStringLiteral("target"));
  EXPECT_EQ(cursor.blockNumber(), 2);
  EXPECT_TRUE(prompts.messages.empty());
}

TEST(EditorSearchText, EachReplacementIsOneUndoStep) {
  QPlainTextEdit editor;
  editor.setPlainText(QStringLiteral("lda val\nsta val"));
  editor.document()->setModified(false);
  EditorSearchText text(editor);
  AnswerAll prompts;
  qv3::RunSearch({"val", "$FB", false, true}, text, prompts);
  EXPECT_EQ(editor.toPlainText(), QStringLiteral("lda $FB\nsta $FB"));
  EXPECT_TRUE(editor.document()->isModified());
  EXPECT_EQ(editor.textCursor().position(), 15);  // after the last replacement

  editor.undo();
  EXPECT_EQ(editor.toPlainText(), QStringLiteral("lda $FB\nsta val"));
  editor.undo();
  EXPECT_EQ(editor.toPlainText(), QStringLiteral("lda val\nsta val"));
}

TEST(EditorSearchText, KeepsCharactersOutsideTheByteRange) {
  QPlainTextEdit editor;
  editor.setPlainText(QStringLiteral("\u20ac a \u00fc a"));
  EditorSearchText text(editor);
  AnswerAll prompts;
  qv3::RunSearch({"A", "bb", false, true}, text, prompts);
  EXPECT_EQ(editor.toPlainText(), QStringLiteral("\u20ac bb \u00fc bb"));
  EXPECT_EQ(prompts.messages, (std::vector<std::string>{"2 occurrences replaced."}));
}

}  // namespace
