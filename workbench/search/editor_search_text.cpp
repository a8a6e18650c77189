#include "workbench/search/editor_search_text.h"
#include "workbench/latin1.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace {

// Before block n there are n breaks, each one character in the document and
// two in the engine's offsets.
std::int64_t CrLfStartOf(const QTextBlock& block) {
  return static_cast<std::int64_t>(block.position()) + block.blockNumber();
}

int TextLengthOf(const QTextBlock& block) { return block.length() - 1; }

}  // namespace

std::int64_t CrLfOffsetOf(const QTextDocument& document, int position) {
  const QTextBlock block = document.findBlock(position);
  if (!block.isValid()) return position;
  return CrLfStartOf(block) + (position - block.position());
}

int CursorPositionOf(const QTextDocument& document, std::int64_t offset) {
  if (offset <= 0) return 0;
  // Line starts grow with the block number: find the last line starting at
  // or before the offset.
  int low = 0;
  int high = document.blockCount() - 1;
  while (low < high) {
    const int middle = low + (high - low + 1) / 2;
    if (CrLfStartOf(document.findBlockByNumber(middle)) <= offset)
      low = middle;
    else
      high = middle - 1;
  }
  const QTextBlock block = document.findBlockByNumber(low);
  const std::int64_t column = std::min<std::int64_t>(offset - CrLfStartOf(block), TextLengthOf(block));
  return block.position() + static_cast<int>(column);
}

std::size_t EditorSearchText::lineCount() const {
  return static_cast<std::size_t>(editor_.document()->blockCount());
}

std::string EditorSearchText::lineText(std::size_t line) const {
  const QTextBlock block = editor_.document()->findBlockByNumber(static_cast<int>(line));
  if (!block.isValid()) return {};
  return Bytes(block.text());
}

void EditorSearchText::setLineText(std::size_t line, const std::string& text) {
  const QTextBlock block = editor_.document()->findBlockByNumber(static_cast<int>(line));
  if (!block.isValid()) return;
  const std::string old = Bytes(block.text());
  std::size_t prefix = 0;
  while (prefix < old.size() && prefix < text.size() && old[prefix] == text[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < old.size() - prefix && suffix < text.size() - prefix &&
         old[old.size() - 1 - suffix] == text[text.size() - 1 - suffix])
    ++suffix;
  if (prefix == old.size() && prefix == text.size()) return;  // nothing changes

  QTextCursor cursor = editor_.textCursor();
  cursor.beginEditBlock();
  cursor.setPosition(block.position() + static_cast<int>(prefix));
  cursor.setPosition(block.position() + static_cast<int>(old.size() - suffix), QTextCursor::KeepAnchor);
  const std::string inserted = text.substr(prefix, text.size() - prefix - suffix);
  cursor.insertText(Latin1(inserted));
  cursor.endEditBlock();
  // The caret stands after the new text, where the next run begins.
  editor_.setTextCursor(cursor);
}

std::int64_t EditorSearchText::selectionStart() const {
  return CrLfOffsetOf(*editor_.document(), editor_.textCursor().selectionStart());
}

std::int64_t EditorSearchText::selectionLength() const {
  const QTextCursor cursor = editor_.textCursor();
  const QTextDocument& document = *editor_.document();
  return CrLfOffsetOf(document, cursor.selectionEnd()) - CrLfOffsetOf(document, cursor.selectionStart());
}

void EditorSearchText::select(std::int64_t offset, std::int64_t length) {
  const QTextDocument& document = *editor_.document();
  QTextCursor cursor = editor_.textCursor();
  cursor.setPosition(CursorPositionOf(document, offset));
  cursor.setPosition(CursorPositionOf(document, offset + length), QTextCursor::KeepAnchor);
  editor_.setTextCursor(cursor);
  editor_.ensureCursorVisible();
}
