// The lexical rules of the source language and its number literals. All
// operations work on byte strings; positions in comments are 1-based.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv3 {

struct CompileSession;

// The text cut before its first "//".
std::string_view StripComment(std::string_view text);
// a..z upper-cased outside "~" stretches; a "~" toggles and stays.
std::string UpperCaseOutsideTildes(std::string_view text);
void UpperCaseOutsideTildesInPlace(std::span<char> text);
// Leading blanks removed, then every TAB turned into a blank (in place).
void NormaliseBlanks(std::string& text);
// The first word of the normalised line; with deleteWord it is removed from
// the line, leaving the blank that followed it at the front.
std::string TakeWord(std::string& line, bool deleteWord);
// Appends the pieces of text between separators to list.
void SplitText(std::string_view text, std::vector<std::string>& list, std::string_view separator,
               bool clearFirst, bool keepBlank);
// The text before its first "." (the whole text without one).
std::string_view CutAtFirstDot(std::string_view text);
// Blanks and control characters removed at both ends.
std::string_view TrimControls(std::string_view text);
// A number literal's value and whether it was well formed; a malformed one
// keeps the value of the digits before the bad character ("$", "%") or 0.
struct NumberLiteral {
  std::int32_t Value = 0;
  bool Valid = true;
};
NumberLiteral ReadNumberLiteral(std::string_view text);
// Reads a number literal ("$" hex, "%" binary, else decimal). Malformed
// literals report code 1 (fatal) with fileName through the session.
std::int32_t ParseNumber(std::string_view text, CompileSession& session, std::string_view fileName);
// The value modulo 65536 in upper-case hex: 2 digits below 256, else 4.
std::string HexText(std::uint32_t value);
// The same digits appended to text, without a string of their own.
void AppendHexText(std::string& text, std::uint32_t value);
// Letter case folded for comparisons that ignore it (ASCII letters).
std::string FoldCase(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace qv3
