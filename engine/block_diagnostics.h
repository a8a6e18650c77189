// The diagnostics of local and anonymous labels, conditional assembly,
// repetition, macros and the program's own ERROR and WARNING lines: codes
// 40..59.
#pragma once

#include <cstddef>
#include <string_view>

#include "engine/diagnostics.h"

namespace qv3 {

namespace Err {
inline constexpr ErrorCode IfWithoutEndif = 40;
inline constexpr ErrorCode EndifWithoutIf = 41;
inline constexpr ErrorCode ElseAfterElse = 42;
inline constexpr ErrorCode RepeatWithoutEndrepeat = 43;
inline constexpr ErrorCode EndrepeatWithoutRepeat = 44;
inline constexpr ErrorCode RepeatCountOutOfRange = 45;
inline constexpr ErrorCode MacroWithoutEndmacro = 46;
inline constexpr ErrorCode EndmacroWithoutMacro = 47;
inline constexpr ErrorCode MacroNameRefused = 48;
inline constexpr ErrorCode MacroRedefined = 49;
inline constexpr ErrorCode MacroArgumentCount = 50;
inline constexpr ErrorCode ExpansionTooDeep = 51;
inline constexpr ErrorCode ExpansionTooLarge = 52;
inline constexpr ErrorCode AnonymousLabelNotFound = 53;
inline constexpr ErrorCode LocalLabelAmbiguous = 54;
inline constexpr ErrorCode ValueNotKnownYet = 55;
inline constexpr ErrorCode ProgramError = 56;
inline constexpr ErrorCode ProgramWarning = 57;
inline constexpr ErrorCode BlockSyntax = 58;
inline constexpr ErrorCode ExpansionErrors = 59;
}  // namespace Err

// How far expansions go: macro invocations and REPEAT blocks nested in each
// other, the count of one REPEAT, and the lines all expansions of one pass
// of a module produce and record together (which also bounds the memory
// the bodies of nested blocks hold).
inline constexpr int kMaxExpansionDepth = 64;
inline constexpr long long kMaxRepeatCount = 65536;
inline constexpr long long kMaxExpandedLines = 1'000'000;
// Fatal diagnostics one invocation's expansion may report before the rest
// of it is left out (each expanded line's report names its body line, so
// equal reports do not merge as those of one line do).
inline constexpr std::size_t kMaxExpansionReports = 20;

// The message text of a code 40..59 (empty for one without a text).
std::string_view BlockErrorMessage(ErrorCode code);

}  // namespace qv3
