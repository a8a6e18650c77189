#include "engine/line_context.h"

#include <algorithm>

#include "engine/source_text.h"

namespace qv3 {

void LineContext::Load(std::string_view text) {
  // Upper case and TABs turned into blanks in one branch-free pass the
  // compiler can vectorise; a line with a tilde stretch is done again with
  // the stretch left as it is.
  Buffer.resize(text.size());
  char* out = Buffer.data();
  bool tilde = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    tilde |= c == '~';
    const bool lower = c >= 'a' && c <= 'z';
    out[i] = static_cast<char>(lower ? c - 32 : (c == '\t' ? ' ' : c));
  }
  if (tilde) {
    Buffer.assign(text);
    UpperCaseOutsideTildesInPlace(Buffer);
    std::replace(Buffer.begin(), Buffer.end(), '\t', ' ');
  }
  RestOfLine = Buffer;
  FirstWord = TakeWordOf(RestOfLine);
}

}  // namespace qv3
