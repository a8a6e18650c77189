// The source editor: a plain-text editor with a gutter of 1-based line
// numbers on its left. The gutter only paints; the text, its offsets, the
// undo history and the modified flag are the plain editor's own.
#pragma once

#include <QPlainTextEdit>
#include <utility>

class CodeEditor : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit CodeEditor(QWidget* parent = nullptr);

  QWidget* lineNumberArea() const { return lineNumberArea_; }
  // The gutter's width for the document's current line count.
  int lineNumberAreaWidth() const;
  // Digits shown for the widest line number (never fewer than 3, so the
  // text does not shift while a short document grows).
  int lineNumberDigits() const;
  // Whether the 0-based line is emphasised in the gutter: the line of the
  // caret, or any line the selection covers (a diagnostic jump selects the
  // whole line, and the caret then stands at its end).
  bool isLineEmphasised(int blockNumber) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  friend class LineNumberArea;
  std::pair<int, int> emphasisedLines() const;  // first and last block number
  void paintLineNumbers(QPaintEvent* event);
  void updateLineNumberAreaWidth();
  void updateLineNumberArea(const QRect& rect, int dy);
  void placeLineNumberArea();

  QWidget* lineNumberArea_;
};
