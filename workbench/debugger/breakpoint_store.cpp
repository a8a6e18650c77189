#include "workbench/debugger/breakpoint_store.h"

#include <QTextBlock>
#include <algorithm>

#include "workbench/editor/code_editor.h"

namespace {
const QString kLayer = QStringLiteral("breakpoints");
}  // namespace

// A maroon stop sign: neither the shape nor the red of a fatal diagnostic's dot.
const QColor BreakpointStore::kPlacedColour = QColor(0x8C, 0x10, 0x38);
const QColor BreakpointStore::kUnplacedColour = QColor(0xA0, 0xA0, 0xA0);

BreakpointStore::BreakpointStore(CodeEditor& editor) : QObject(&editor), editor_(editor) {
  setObjectName(QStringLiteral("breakpoints"));
  // Line numbers of the marks change with edits above them.
  connect(editor.document(), &QTextDocument::blockCountChanged, this, &BreakpointStore::showMarks);
}

BreakpointStore& BreakpointStore::Of(CodeEditor& editor) {
  if (BreakpointStore* store = Find(editor)) return *store;
  return *new BreakpointStore(editor);  // owned by the editor
}

BreakpointStore* BreakpointStore::Find(const CodeEditor& editor) {
  return editor.findChild<BreakpointStore*>(QString(), Qt::FindDirectChildrenOnly);
}

QList<int> BreakpointStore::lines() const {
  QList<int> found;
  for (const QTextCursor& mark : marks_) found.push_back(mark.blockNumber());
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

bool BreakpointStore::has(int line) const { return lines().contains(line); }

void BreakpointStore::add(int line) {
  const QTextBlock block = editor_.document()->findBlockByNumber(line);
  if (!block.isValid()) return;
  marks_.emplace_back(block);
}

void BreakpointStore::remove(int line) {
  // Lines merged by a deletion may hold several marks: all go.
  std::erase_if(marks_, [line](const QTextCursor& mark) { return mark.blockNumber() == line; });
}

void BreakpointStore::toggle(int line) {
  if (has(line))
    remove(line);
  else
    add(line);
  showMarks();
}

void BreakpointStore::move(int from, int to) {
  if (from == to || !has(from)) return;
  remove(from);
  if (!has(to)) add(to);
  showMarks();
}

void BreakpointStore::setUnplaced(const QList<int>& lines) {
  if (lines == unplaced_) return;
  unplaced_ = lines;
  showMarks();
}

void BreakpointStore::showMarks() {
  QMap<int, CodeEditor::GutterMark> marks;
  for (const int line : lines()) {
    if (unplaced_.contains(line))
      marks.insert(line, {CodeEditor::GutterMark::Shape::StopSign, kUnplacedColour,
                          tr("Breakpoint: no code at or after this line")});
    else
      marks.insert(line, {CodeEditor::GutterMark::Shape::StopSign, kPlacedColour, tr("Breakpoint")});
  }
  editor_.setGutterMarks(kLayer, marks);
  emit changed();
}
