// The lines of a module or an included file, walked in order. A whole text
// is split at CR LF, a lone CR or a lone LF while it is walked, so nothing
// is stored per line; lines the caller split already are walked as given.
// The text or the lines must outlive this object.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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
    // The next LF and the next CR are found with a fast library search
    // and kept until the walk passes them, so a text without one kind of
    // break is searched for it once, not once per line.
    const char* start = text_.data();
    const char* const end = start + text_.size();
    const auto next = [end](const char* from, char c) {
      const void* found = std::memchr(from, c, static_cast<std::size_t>(end - from));
      return found ? static_cast<const char*>(found) : end;
    };
    const char* feed = next(start, '\n');      // end when none is left
    const char* carriage = next(start, '\r');
    while (start < end) {
      if (feed < start) feed = next(start, '\n');
      if (carriage < start) carriage = next(start, '\r');
      const char* const lineEnd = std::min(feed, carriage);
      if (lineEnd == end) {
        visit(std::string_view(start, static_cast<std::size_t>(end - start)));
        return;
      }
      if (!visit(std::string_view(start, static_cast<std::size_t>(lineEnd - start)))) return;
      start = lineEnd + 1;
      if (lineEnd == carriage && carriage + 1 == feed) start = feed + 1;  // CR LF: one break
    }
  }

 private:
  std::string_view text_;
  std::span<const std::string_view> lines_;
  bool isText_ = false;
};

// Lines held as strings, seen as a SourceText: views of the lines as they
// are when this is made. The lines must outlive it.
class LineViews {
 public:
  LineViews() = default;
  explicit LineViews(const std::vector<std::string>& lines) : views_(lines.begin(), lines.end()) {}
  SourceText Text() const { return SourceText(std::span<const std::string_view>(views_)); }

 private:
  std::vector<std::string_view> views_;
};

}  // namespace qv3
