// The state of handling one source line in one pass.
#pragma once

#include <string>
#include <string_view>

namespace qv3 {

// The first word of a normalised text, removed from the front of the view
// (the blank that followed it stays). Leading blanks are skipped first; the
// text holds no TAB.
inline std::string_view TakeWordOf(std::string_view& text) {
  const auto start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) {
    text = text.substr(text.size());
    return {};
  }
  text.remove_prefix(start);
  const std::string_view word = text.substr(0, text.find(' '));
  text.remove_prefix(word.size());
  return word;
}

// The view without its leading blanks (the text holds no TAB).
inline std::string_view SkipBlanks(std::string_view text) {
  const auto start = text.find_first_not_of(' ');
  return start == std::string_view::npos ? text.substr(text.size()) : text.substr(start);
}

struct LineContext {
  // The line upper-cased outside tildes, every TAB turned into a blank. The
  // two words below are views into it; it is reused from line to line.
  std::string Buffer;
  std::string_view FirstWord;   // the first word: label, name, keyword or mnemonic
  std::string_view RestOfLine;  // the rest, starting with the blank after FirstWord
  bool IsPass1 = true;
  bool AfterLabel = false;
  bool Handled = false;

  LineContext() = default;
  // The words are views into Buffer: a copy would see the original's text.
  LineContext(const LineContext&) = delete;
  LineContext& operator=(const LineContext&) = delete;

  // Prepares a (comment-free) line: upper case outside tildes, blanks
  // normalised, the first word taken. Blanks and TABs before the first word
  // are all skipped.
  void Load(std::string_view text);
};

}  // namespace qv3
