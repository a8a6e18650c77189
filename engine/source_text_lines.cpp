#include "engine/source_text_lines.h"

namespace qv3 {

std::size_t SourceText::LineCount() const {
  if (!isText_) return lines_.size();
  std::size_t count = 0;
  ForEachLine([&](std::string_view) { return ++count, true; });
  return count;
}

}  // namespace qv3
