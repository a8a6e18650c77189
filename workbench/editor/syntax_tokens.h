// The pieces of one source line that the editor colours, found by the same
// rules the assembler reads the line with: a "//" ends the line even inside
// "~" stretches, words are separated by blanks and TABs, keywords match in
// any letter case, and the first word decides what the line is.
#pragma once

#include <string_view>
#include <vector>

namespace qv3 {

enum class TokenKind {
  Comment,      // "//" to the end of the line
  Mnemonic,     // one of the 56 instruction words
  Postfix,      // "." and what follows it on a mnemonic (".16")
  Directive,    // ORIGIN ... COMPILE
  Label,        // "NAME:" as the first word, colon included
  Constant,     // the name of a constant definition "NAME = value"
  Number,       // "$" hex, "%" binary or decimal literal
  SpecialTerm,  // "*" (the location), "!FILE" (a size), "@MODULE.NAME"
  FileName,     // the argument of BINARY, INCLUDE and COMPILE
  Text,         // a "~" stretch, the tildes included
};
inline constexpr int kTokenKindCount = static_cast<int>(TokenKind::Text) + 1;

// start and length count bytes from 0, the way the editor counts characters.
struct SyntaxToken {
  int start = 0;
  int length = 0;
  TokenKind kind = TokenKind::Comment;
  friend bool operator==(const SyntaxToken&, const SyntaxToken&) = default;
};

// The coloured pieces of line, in order, never overlapping. Blanks between
// words and anything the language does not give a meaning (symbol names,
// operators, an unknown instruction word) belong to no token.
std::vector<SyntaxToken> TokeniseLine(std::string_view line);

}  // namespace qv3
