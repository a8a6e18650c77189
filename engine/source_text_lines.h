// The lines of a module or an included file, walked in order. A whole text
// is split at CR LF, a lone CR or a lone LF while it is walked, so nothing
// is stored per line; lines the caller split already are walked as given.
// The text or the lines must outlive this object.
#pragma once

#include <cstddef>
#include <cstring>
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
    // The next LF is found with a fast library search; a CR before it,
    // alone or as the first half of CR LF, ends the line first. The LF
    // found is kept while lone CRs end lines before it, so a text of CR
    // breaks is not searched to its end once per line.
    const char* start = text_.data();
    const char* const end = start + text_.size();
    // The next LF at or after start, or nullptr when none is left.
    const char* feed = static_cast<const char*>(std::memchr(start, '\n', text_.size()));
    while (start < end) {
      if (feed && feed < start)
        feed = static_cast<const char*>(std::memchr(start, '\n', static_cast<std::size_t>(end - start)));
      const char* const stop = feed ? feed : end;
      const auto* carriage = static_cast<const char*>(std::memchr(start, '\r', static_cast<std::size_t>(stop - start)));
      const char* const lineEnd = carriage ? carriage : stop;
      if (lineEnd == end) {
        visit(std::string_view(start, static_cast<std::size_t>(end - start)));
        return;
      }
      if (!visit(std::string_view(start, static_cast<std::size_t>(lineEnd - start)))) return;
      start = lineEnd + 1;
      if (carriage && carriage + 1 == feed) start = feed + 1;  // CR LF: one break
    }
  }

 private:
  std::string_view text_;
  std::span<const std::string_view> lines_;
  bool isText_ = false;
};

}  // namespace qv3
