#include "workbench/code_editor.h"

#include <algorithm>

#include <QPaintEvent>
#include <QPainter>
#include <QTextBlock>

namespace {
constexpr int kMinimumDigits = 3;
constexpr int kLeftPadding = 4;
constexpr int kRightPadding = 6;  // keeps the numbers clear of the text
}  // namespace

// The gutter widget; all its drawing is done by the editor, which knows
// where each block lies.
class LineNumberArea : public QWidget {
 public:
  explicit LineNumberArea(CodeEditor* editor) : QWidget(editor), editor_(editor) {}
  QSize sizeHint() const override { return {editor_->lineNumberAreaWidth(), 0}; }

 protected:
  void paintEvent(QPaintEvent* event) override { editor_->paintLineNumbers(event); }

 private:
  CodeEditor* editor_;
};

CodeEditor::CodeEditor(QWidget* parent) : QPlainTextEdit(parent), lineNumberArea_(new LineNumberArea(this)) {
  connect(this, &QPlainTextEdit::blockCountChanged, this, &CodeEditor::updateLineNumberAreaWidth);
  connect(this, &QPlainTextEdit::updateRequest, this, &CodeEditor::updateLineNumberArea);
  // The emphasis follows the caret and the selection.
  connect(this, &QPlainTextEdit::cursorPositionChanged, lineNumberArea_, qOverload<>(&QWidget::update));
  connect(this, &QPlainTextEdit::selectionChanged, lineNumberArea_, qOverload<>(&QWidget::update));
  updateLineNumberAreaWidth();
}

int CodeEditor::lineNumberDigits() const {
  int digits = 1;
  for (int count = blockCount(); count >= 10; count /= 10) ++digits;
  return std::max(digits, kMinimumDigits);
}

int CodeEditor::lineNumberAreaWidth() const {
  return kLeftPadding + fontMetrics().horizontalAdvance(QLatin1Char('9')) * lineNumberDigits() + kRightPadding;
}

std::pair<int, int> CodeEditor::emphasisedLines() const {
  const QTextCursor cursor = textCursor();
  const QTextDocument* text = document();
  return {text->findBlock(cursor.selectionStart()).blockNumber(), text->findBlock(cursor.selectionEnd()).blockNumber()};
}

bool CodeEditor::isLineEmphasised(int blockNumber) const {
  const auto [first, last] = emphasisedLines();
  return blockNumber >= first && blockNumber <= last;
}

void CodeEditor::updateLineNumberAreaWidth() {
  setViewportMargins(lineNumberAreaWidth(), 0, 0, 0);
  placeLineNumberArea();
}

void CodeEditor::updateLineNumberArea(const QRect& rect, int dy) {
  if (dy != 0)
    lineNumberArea_->scroll(0, dy);
  else
    lineNumberArea_->update(0, rect.y(), lineNumberArea_->width(), rect.height());
  if (rect.contains(viewport()->rect())) updateLineNumberAreaWidth();
}

void CodeEditor::placeLineNumberArea() {
  const QRect contents = contentsRect();
  lineNumberArea_->setGeometry(QRect(contents.left(), contents.top(), lineNumberAreaWidth(), contents.height()));
}

void CodeEditor::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  placeLineNumberArea();
}

void CodeEditor::changeEvent(QEvent* event) {
  QPlainTextEdit::changeEvent(event);
  // The width is counted in digits of the editor's font.
  if (event->type() == QEvent::FontChange) updateLineNumberAreaWidth();
}

void CodeEditor::paintLineNumbers(QPaintEvent* event) {
  QPainter painter(lineNumberArea_);
  const QPalette& colours = palette();
  painter.fillRect(event->rect(), colours.color(QPalette::Window));
  painter.setPen(colours.color(QPalette::Mid));
  painter.drawLine(lineNumberArea_->width() - 1, event->rect().top(), lineNumberArea_->width() - 1,
                   event->rect().bottom());

  QFont plainFont = font();
  QFont emphasisedFont = plainFont;
  emphasisedFont.setBold(true);
  QColor band = colours.color(QPalette::Highlight);
  band.setAlpha(60);
  const int numberWidth = lineNumberArea_->width() - kLeftPadding - kRightPadding;
  const int lineHeight = fontMetrics().height();
  const auto [firstEmphasised, lastEmphasised] = emphasisedLines();

  QTextBlock block = firstVisibleBlock();
  int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
  int bottom = top + qRound(blockBoundingRect(block).height());
  while (block.isValid() && top <= event->rect().bottom()) {
    if (block.isVisible() && bottom >= event->rect().top()) {
      const int number = block.blockNumber();
      const bool emphasised = number >= firstEmphasised && number <= lastEmphasised;
      if (emphasised) painter.fillRect(0, top, lineNumberArea_->width() - 1, bottom - top, band);
      painter.setFont(emphasised ? emphasisedFont : plainFont);
      painter.setPen(colours.color(emphasised ? QPalette::WindowText : QPalette::PlaceholderText));
      painter.drawText(kLeftPadding, top, numberWidth, lineHeight, Qt::AlignRight, QString::number(number + 1));
    }
    block = block.next();
    top = bottom;
    bottom = top + qRound(blockBoundingRect(block).height());
  }
}
