#include "engine/source_text_lines.h"

namespace qv3 {

std::size_t SourceText::LineCount() const {
  if (!isText_) return lines_.size();
  if (text_.empty()) return 0;
  // Breaks are LFs and CRs, a CR LF pair counting once; a loop of plain
  // sums the compiler can vectorise.
  std::size_t feeds = 0, returns = 0, pairs = 0;
  const std::size_t last = text_.size() - 1;
  for (std::size_t i = 0; i < last; ++i) {
    const bool cr = text_[i] == '\r';
    feeds += text_[i] == '\n';
    returns += cr;
    pairs += cr & (text_[i + 1] == '\n');
  }
  const char final = text_[last];
  feeds += final == '\n';
  returns += final == '\r';
  const bool endsWithBreak = final == '\n' || final == '\r';
  return feeds + returns - pairs + (endsWithBreak ? 0 : 1);
}

}  // namespace qv3
