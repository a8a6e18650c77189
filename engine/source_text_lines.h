// The lines of a module or an included file, walked in order. A whole text
// is split at CR LF, a lone CR or a lone LF while it is walked, so nothing
// is stored per line; lines the caller split already are walked as given.
// The text or the lines must outlive this object.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace qv3 {

class SourceText {
 public:
  explicit SourceText(std::string_view text) : text_(text), isText_(true) {}
  explicit SourceText(std::span<const std::string_view> lines) : lines_(lines) {}

  // The number of lines; a break at the very end does not start one more.
  std::size_t LineCount() const;

  // Calls visit(line) for each line in order until it returns false.
  template <typename Visit>
  void ForEachLine(Visit&& visit) const {
    if (!isText_) {
      for (const std::string_view line : lines_)
        if (!visit(line)) return;
      return;
    }
    const char* at = text_.data();
    const char* const end = at + text_.size();
    const char* start = at;
    while (at < end) {
      const char c = *at;
      if (static_cast<unsigned char>(c) > '\r' || (c != '\n' && c != '\r')) {
        ++at;
        continue;
      }
      if (!visit(std::string_view(start, static_cast<std::size_t>(at - start)))) return;
      if (c == '\r' && at + 1 < end && at[1] == '\n') ++at;
      start = ++at;
    }
    if (start < end) visit(std::string_view(start, static_cast<std::size_t>(end - start)));
  }

 private:
  std::string_view text_;
  std::span<const std::string_view> lines_;
  bool isText_ = false;
};

}  // namespace qv3
