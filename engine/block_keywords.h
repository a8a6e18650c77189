// The keywords of conditions, repetition, macros and the program's own
// messages, as the line processor meets them as first words.
#pragma once

#include <string_view>

namespace qv3 {

// Every keyword begins with E, I, M, R or W: a test of one byte lets most
// first words pass.
inline bool MayStartBlockKeyword(char first) {
  return first == 'E' || first == 'I' || first == 'M' || first == 'R' || first == 'W';
}

// Whether an upper-case first word is one of the keywords.
inline bool IsBlockKeyword(std::string_view word) {
  switch (word.size()) {
    case 2: return word == "IF";
    case 4: return word == "ELSE";
    case 5: return word == "ENDIF" || word == "MACRO" || word == "ERROR";
    case 6: return word == "ELSEIF" || word == "REPEAT";
    case 7: return word == "WARNING";
    case 8: return word == "ENDMACRO";
    case 9: return word == "ENDREPEAT";
    default: return false;
  }
}

}  // namespace qv3
