// The breakpoints of one open document: lines of its editor, shown as stop
// signs in the gutter's "breakpoints" layer. They belong to the editor (a
// child object of it), so they last exactly as long as the document is open,
// and they follow their lines while text above them is inserted or removed.
#pragma once

#include <QColor>
#include <QList>
#include <QObject>
#include <QTextCursor>
#include <vector>

class CodeEditor;

class BreakpointStore : public QObject {
  Q_OBJECT
 public:
  // The store of an editor, made on first use.
  static BreakpointStore& Of(CodeEditor& editor);
  // The store when the editor has one, else null.
  static BreakpointStore* Find(const CodeEditor& editor);
  static const QColor kPlacedColour;
  static const QColor kUnplacedColour;

  // 0-based line numbers, ascending, each once.
  QList<int> lines() const;
  bool has(int line) const;
  void toggle(int line);
  // A breakpoint moved by the debugger to the line that has code.
  void move(int from, int to);
  // The breakpoints the last compile found no code at or after (shown grey);
  // they stop nothing.
  void setUnplaced(const QList<int>& lines);
  QList<int> unplaced() const { return unplaced_; }

 signals:
  void changed();

 private:
  explicit BreakpointStore(CodeEditor& editor);
  void add(int line);
  void remove(int line);
  void showMarks();

  CodeEditor& editor_;
  // At the start of each marked line; the document moves them with its edits.
  std::vector<QTextCursor> marks_;
  QList<int> unplaced_;
};
