// One source line in one pass: constant definitions, labels, the eleven
// directives, and instructions handed on to the instruction assembler.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace qv3 {

struct ModuleAssembly;

// ASCII to Commodore screen codes, as the SCREEN directive writes them.
extern const std::array<std::uint8_t, 256> ScreenCodes;

// How deep INCLUDE files may nest; a deeper INCLUDE is a file error.
inline constexpr int kMaxIncludeDepth = 64;

// Whether a line whose rest (after the first word) holds a "=" defines a
// constant: its next word is "=", or the word after that is a number or
// absent, or it holds no comparison ("==", "!=", "<=", ">=") and no quote.
// The others always failed as definitions: they are instructions and
// directives whose expressions compare or whose text holds a "=".
bool DefinesConstant(std::string_view restOfLine);

// Whether the word (upper case) names one of the directives.
bool IsDirectiveWord(std::string_view word);

// line: the source line with its "//" comment already cut. With
// leaveBlockLines, a line whose first word is a keyword of conditions,
// repetition or macros is left alone (false): the line source handles it.
bool ProcessLine(ModuleAssembly& module, std::string_view line, bool isPass1,
                 bool leaveBlockLines = false);

}  // namespace qv3
