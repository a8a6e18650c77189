#include "workbench/editor/code_editor.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QCompleter>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextBlock>
#include <QToolTip>

namespace {
constexpr int kMinimumDigits = 3;
constexpr int kLeftPadding = 4;
constexpr int kRightPadding = 6;  // keeps the numbers clear of the text

// The marker column sits left of the numbers, as wide as a line is high.
int MarkerColumnWidth(const QFontMetrics& metrics) { return metrics.height(); }
}  // namespace

// The gutter widget; all its drawing is done by the editor, which knows
// where each block lies.
class LineNumberArea : public QWidget {
 public:
  explicit LineNumberArea(CodeEditor* editor) : QWidget(editor), editor_(editor) {}
  QSize sizeHint() const override { return {editor_->lineNumberAreaWidth(), 0}; }

 protected:
  void paintEvent(QPaintEvent* event) override { editor_->paintLineNumbers(event); }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const int line = editor_->lineAtGutterPoint(event->position().toPoint());
    if (line >= 0) emit editor_->gutterClicked(line);
  }
  bool event(QEvent* event) override {
    if (event->type() == QEvent::ToolTip) {
      const auto* help = static_cast<QHelpEvent*>(event);
      if (!editor_->showGutterToolTip(help->pos(), help->globalPos())) QToolTip::hideText();
      return true;
    }
    return QWidget::event(event);
  }

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

void CodeEditor::keyPressEvent(QKeyEvent* event) {
  // The completer hands every key to the editor first and acts on those the
  // editor leaves alone: Enter must choose, not break the line.
  if (completer_ && completer_->popup()->isVisible()) {
    switch (event->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Tab:
      case Qt::Key_Backtab:
      case Qt::Key_Escape:
        event->ignore();
        return;
      default:
        break;
    }
  }
  QPlainTextEdit::keyPressEvent(event);
}

int CodeEditor::lineNumberDigits() const {
  int digits = 1;
  for (int count = blockCount(); count >= 10; count /= 10) ++digits;
  return std::max(digits, kMinimumDigits);
}

int CodeEditor::lineNumberAreaWidth() const {
  return MarkerColumnWidth(fontMetrics()) + kLeftPadding +
         fontMetrics().horizontalAdvance(QLatin1Char('9')) * lineNumberDigits() + kRightPadding;
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
  const int markerWidth = MarkerColumnWidth(fontMetrics());
  const int numberLeft = markerWidth + kLeftPadding;
  const int numberWidth = lineNumberArea_->width() - numberLeft - kRightPadding;
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
      painter.drawText(numberLeft, top, numberWidth, lineHeight, Qt::AlignRight, QString::number(number + 1));
      if (const GutterMark* mark = topGutterMark(number))
        paintGutterMark(painter, *mark, QRect(0, top, markerWidth, lineHeight));
    }
    block = block.next();
    top = bottom;
    bottom = top + qRound(blockBoundingRect(block).height());
  }
}

void CodeEditor::setGutterMarks(const QString& layer, const QMap<int, GutterMark>& marks) {
  if (!layerOrder_.contains(layer)) layerOrder_.append(layer);
  if (marks.isEmpty())
    gutterMarks_.remove(layer);
  else
    gutterMarks_.insert(layer, marks);
  lineNumberArea_->update();
}

const CodeEditor::GutterMark* CodeEditor::topGutterMark(int blockNumber) const {
  for (auto layer = layerOrder_.crbegin(); layer != layerOrder_.crend(); ++layer) {
    const auto marks = gutterMarks_.constFind(*layer);
    if (marks == gutterMarks_.cend()) continue;
    const auto mark = marks->constFind(blockNumber);
    if (mark != marks->cend()) return &*mark;
  }
  return nullptr;
}

void CodeEditor::paintGutterMark(QPainter& painter, const GutterMark& mark, const QRect& cell) const {
  const QRectF box = QRectF(cell).adjusted(3, 3, -3, -3);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(mark.colour.darker(140));
  painter.setBrush(mark.colour);
  switch (mark.shape) {
    case GutterMark::Shape::Dot:
      painter.drawEllipse(box);
      break;
    case GutterMark::Shape::Square:
      painter.drawRect(box);
      break;
    case GutterMark::Shape::Arrow: {
      QPainterPath arrow;
      arrow.moveTo(box.left(), box.top() + box.height() * 0.25);
      arrow.lineTo(box.center().x(), box.top() + box.height() * 0.25);
      arrow.lineTo(box.center().x(), box.top());
      arrow.lineTo(box.right(), box.center().y());
      arrow.lineTo(box.center().x(), box.bottom());
      arrow.lineTo(box.center().x(), box.top() + box.height() * 0.75);
      arrow.lineTo(box.left(), box.top() + box.height() * 0.75);
      arrow.closeSubpath();
      painter.drawPath(arrow);
      break;
    }
    case GutterMark::Shape::StopSign: {
      // Corners cut at 29% of the side: a regular octagon.
      const qreal cut = box.width() * 0.29;
      const QPolygonF octagon({{box.left() + cut, box.top()}, {box.right() - cut, box.top()},
                               {box.right(), box.top() + cut}, {box.right(), box.bottom() - cut},
                               {box.right() - cut, box.bottom()}, {box.left() + cut, box.bottom()},
                               {box.left(), box.bottom() - cut}, {box.left(), box.top() + cut}});
      painter.drawPolygon(octagon);
      painter.setPen(QPen(Qt::white, 1.2));
      painter.setBrush(Qt::NoBrush);
      const QPointF centre = box.center();
      QPolygonF rim;
      for (const QPointF& corner : octagon) rim << centre + (corner - centre) * 0.7;
      painter.drawPolygon(rim);
      break;
    }
  }
  painter.restore();
}

int CodeEditor::lineAtGutterPoint(const QPoint& point) const {
  QTextBlock block = firstVisibleBlock();
  int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
  while (block.isValid()) {
    const int bottom = top + qRound(blockBoundingRect(block).height());
    if (block.isVisible() && point.y() >= top && point.y() < bottom) return block.blockNumber();
    if (top > point.y()) break;
    block = block.next();
    top = bottom;
  }
  return -1;
}

bool CodeEditor::showGutterToolTip(const QPoint& point, const QPoint& globalPoint) {
  const int line = lineAtGutterPoint(point);
  const GutterMark* mark = line >= 0 ? topGutterMark(line) : nullptr;
  if (!mark || mark->toolTip.isEmpty()) return false;
  QToolTip::showText(globalPoint, mark->toolTip, lineNumberArea_);
  return true;
}

void CodeEditor::setSelectionLayer(const QString& layer, const QList<QTextEdit::ExtraSelection>& selections) {
  if (!layerOrder_.contains(layer)) layerOrder_.append(layer);
  if (selections.isEmpty())
    selectionLayers_.remove(layer);
  else
    selectionLayers_.insert(layer, selections);
  applySelectionLayers();
}

void CodeEditor::applySelectionLayers() {
  QList<QTextEdit::ExtraSelection> all;
  for (const QString& layer : layerOrder_) all += selectionLayers_.value(layer);
  setExtraSelections(all);
}
