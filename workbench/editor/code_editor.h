// The source editor: a plain-text editor with a gutter of 1-based line
// numbers on its left. The gutter only paints; the text, its offsets, the
// undo history and the modified flag are the plain editor's own.
//
// Several features decorate the same editor (diagnostics while typing, the
// debugger's breakpoints and current line, ...). Each owns one named layer of
// gutter marks and one of extra selections, so none overwrites another's;
// nothing here touches the text, its undo history or its modified flag.
#pragma once

#include <QColor>
#include <QList>
#include <QMap>
#include <QPlainTextEdit>
#include <QString>
#include <QStringList>
#include <QTextEdit>
#include <utility>

class QCompleter;
class QPainter;

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

  // A mark in the gutter's marker column beside a line's number.
  struct GutterMark {
    // StopSign: an octagon with a white rim, the breakpoint's own shape.
    enum class Shape { Dot, Square, Arrow, StopSign };
    Shape shape = Shape::Dot;
    QColor colour;
    QString toolTip;  // shown when hovering the mark
  };
  // Replaces the layer's marks, keyed by 0-based line; an empty map clears it.
  // Where layers mark the same line, the layer named last in the order of
  // first use is painted on top.
  void setGutterMarks(const QString& layer, const QMap<int, GutterMark>& marks);
  QMap<int, GutterMark> gutterMarks(const QString& layer) const { return gutterMarks_.value(layer); }
  // Replaces the layer's extra selections (underlines, line highlights).
  void setSelectionLayer(const QString& layer, const QList<QTextEdit::ExtraSelection>& selections);
  QList<QTextEdit::ExtraSelection> selectionLayer(const QString& layer) const {
    return selectionLayers_.value(layer);
  }
  // The 0-based line at a point of the gutter, -1 below the last line.
  int lineAtGutterPoint(const QPoint& point) const;
  // The completion list shown at the caret: while it is open, the keys
  // that choose from it or close it are its own (Enter, Tab, Escape).
  void setCompleter(QCompleter* completer) { completer_ = completer; }

 signals:
  // A left click in the gutter, on the given 0-based line.
  void gutterClicked(int blockNumber);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  friend class LineNumberArea;
  void paintGutterMark(QPainter& painter, const GutterMark& mark, const QRect& cell) const;
  const GutterMark* topGutterMark(int blockNumber) const;
  bool showGutterToolTip(const QPoint& point, const QPoint& globalPoint);
  void applySelectionLayers();
  std::pair<int, int> emphasisedLines() const;  // first and last block number
  void paintLineNumbers(QPaintEvent* event);
  void updateLineNumberAreaWidth();
  void updateLineNumberArea(const QRect& rect, int dy);
  void placeLineNumberArea();

  QWidget* lineNumberArea_;
  QStringList layerOrder_;  // first use order: gutter marks and selections
  QCompleter* completer_ = nullptr;
  QMap<QString, QMap<int, GutterMark>> gutterMarks_;
  QMap<QString, QList<QTextEdit::ExtraSelection>> selectionLayers_;
};
