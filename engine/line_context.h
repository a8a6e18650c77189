// The state of handling one source line in one pass.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace qv3 {

// The first word of a normalised text, removed from the front of the view
// (the blank that followed it stays). Leading blanks are skipped first; the
// text holds no TAB.
// Words are short: plain loops beat library searches here.
inline std::string_view TakeWordOf(std::string_view& text) {
  std::size_t start = 0;
  while (start < text.size() && text[start] == ' ') ++start;
  std::size_t end = start;
  while (end < text.size() && text[end] != ' ') ++end;
  const std::string_view word = text.substr(start, end - start);
  text.remove_prefix(end);
  return word;
}

// The view without its leading blanks (the text holds no TAB).
inline std::string_view SkipBlanks(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && text[start] == ' ') ++start;
  return text.substr(start);
}

struct LineContext {
  std::string_view FirstWord;   // the first word: label, name, keyword or mnemonic
  std::string_view RestOfLine;  // the rest, starting with the blank after FirstWord
  bool IsPass1 = true;
  bool AfterLabel = false;
  bool Handled = false;

  LineContext() = default;
  // The words are views into the buffer: a copy would see the original's.
  LineContext(const LineContext&) = delete;
  LineContext& operator=(const LineContext&) = delete;

  // Prepares a (comment-free) line: upper case outside tildes, blanks
  // normalised, the first word taken. Blanks and TABs before the first word
  // are all skipped.
  void Load(std::string_view text);

  // The position in the loaded text of a view into the buffer (FirstWord,
  // RestOfLine or a part of them): the buffer holds the text byte for byte.
  std::size_t ColumnOf(std::string_view view) const {
    return static_cast<std::size_t>(view.data() - buffer_.get());
  }

 private:
  // The line upper-cased outside tildes, every TAB turned into a blank: the
  // two words are views into it. Reused from line to line, with eight bytes
  // of room past the line so that it can be worked on a word at a time.
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
};

}  // namespace qv3
