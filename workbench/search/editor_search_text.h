// The editor memo seen through the search engine's text interface. The
// engine counts every line break as two characters (CR LF, as the files
// store them); QTextDocument counts a block break as one, so the adapter
// translates between the two.
#pragma once

#include <cstdint>

#include "workbench/search/search_engine.h"

class QPlainTextEdit;
class QTextDocument;

// The CR LF offset of a cursor position of the document.
std::int64_t CrLfOffsetOf(const QTextDocument& document, int position);
// The cursor position of a CR LF offset. An offset that falls between the
// CR and the LF, or past the end, is taken to the end of its line.
int CursorPositionOf(const QTextDocument& document, std::int64_t offset);

class EditorSearchText final : public qv3::SearchText {
 public:
  explicit EditorSearchText(QPlainTextEdit& editor) : editor_(editor) {}

  std::size_t lineCount() const override;
  std::string lineText(std::size_t line) const override;
  // One undoable step that changes only what differs from the line as it
  // stands, so characters outside the change are kept exactly as they are.
  void setLineText(std::size_t line, const std::string& text) override;
  std::int64_t selectionStart() const override;
  std::int64_t selectionLength() const override;
  void select(std::int64_t offset, std::int64_t length) override;

 private:
  QPlainTextEdit& editor_;
};
