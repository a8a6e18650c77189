#include "engine/line_context.h"

#include <algorithm>

#include "engine/source_text.h"

namespace qv3 {

void LineContext::Load(std::string_view text) {
  Buffer.assign(text);
  if (Buffer.find('~') == std::string::npos) {
    // No tilde stretch: one branch-free pass the compiler can vectorise.
    for (char& c : Buffer) {
      const bool lower = c >= 'a' && c <= 'z';
      c = static_cast<char>(lower ? c - 32 : (c == '\t' ? ' ' : c));
    }
  } else {
    UpperCaseOutsideTildesInPlace(Buffer);
    std::replace(Buffer.begin(), Buffer.end(), '\t', ' ');
  }
  RestOfLine = Buffer;
  FirstWord = TakeWordOf(RestOfLine);
}

}  // namespace qv3
