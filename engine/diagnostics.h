// Numbered diagnostics: the codes, their fixed texts and the record that a
// diagnostic line of the Status list carries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv3 {

using ErrorCode = std::uint16_t;

namespace Err {
inline constexpr ErrorCode InvalidNumber = 1;
inline constexpr ErrorCode UnknownSymbol = 2;
inline constexpr ErrorCode UnknownInstruction = 3;
inline constexpr ErrorCode DuplicateLabel = 4;
inline constexpr ErrorCode ConstantRedefined = 5;
inline constexpr ErrorCode UnknownAddressingMode = 6;  // never reported
inline constexpr ErrorCode ModeNotApplicable = 7;
inline constexpr ErrorCode FileError = 8;
inline constexpr ErrorCode NextpageBeforeOrigin = 9;
inline constexpr ErrorCode BranchOutOfRange = 10;
inline constexpr ErrorCode BadExternal = 11;
inline constexpr ErrorCode ExternalNotFound = 12;
inline constexpr ErrorCode OriginAboveFD00 = 13;
inline constexpr ErrorCode OriginAboveFFFF = 14;
inline constexpr ErrorCode LeapBeforeOrigin = 15;
inline constexpr ErrorCode ScreenSyntax = 16;
inline constexpr ErrorCode CompileSyntax = 17;
inline constexpr ErrorCode UnknownPostfix = 18;
inline constexpr ErrorCode ModeCannotChange = 19;
// Codes from 20 on belong to the language's later additions: 20-39 to
// expressions, text and data, 40-59 to labels, conditions, repetition and
// macros.
inline constexpr ErrorCode ValueDoesNotFit = 20;  // a warning: the low bytes are written
inline constexpr ErrorCode ExpressionSyntax = 21;
inline constexpr ErrorCode UnbalancedBrackets = 22;
inline constexpr ErrorCode DivisionByZero = 23;
inline constexpr ErrorCode ArithmeticOverflow = 24;
inline constexpr ErrorCode NumberTooLarge = 25;
inline constexpr ErrorCode ExpressionTooDeep = 26;
inline constexpr ErrorCode SymbolDefinedLater = 27;
inline constexpr ErrorCode UnknownOperator = 28;
inline constexpr ErrorCode NoPetsciiCode = 29;
inline constexpr ErrorCode TextSyntax = 30;
inline constexpr ErrorCode FillSyntax = 31;
inline constexpr ErrorCode AlignSyntax = 32;
inline constexpr ErrorCode CountOutOfRange = 33;
inline constexpr ErrorCode IndirectNotClosed = 34;
}  // namespace Err

// The message text of a known code.
std::string_view ErrorMessage(ErrorCode code);

// Attached to every diagnostic line so the workbench can jump to its source.
struct TErrorInfo {
  std::int32_t Line = 0;
  std::uint8_t Pass = 1;
  bool Fatal = false;
  std::string FileName;  // as the reporter was given it: the module name
};

// The text of a diagnostic line, e.g.
// Fatal in file [demo]: Invalid number! (at line: 3 "LDA #$1G", pass: 1)
// A non-empty detail follows the message text after a blank (the value that
// did not fit, the text of the program's own ERROR); codes 1..19 never have one.
std::string FormatDiagnostic(ErrorCode code, bool fatal, std::string_view fileName,
                             std::int32_t lineNumber, std::string_view lineText,
                             std::uint8_t modulePass, std::string_view detail = {});

}  // namespace qv3
