#include "engine/diagnostics.h"

#include <array>

#include "engine/block_diagnostics.h"
#include "engine/source_text.h"

namespace qv3 {

namespace {
// Indexed from 1; entry 0 is unused.
constexpr std::array<std::string_view, 35> kErrorMessages = {
    "",
    "Invalid number!",
    "Unknown constant/label",
    "Unknown instruction word",
    "Duplicate label",
    "Constant name already defined or is also a label",
    "Unknown addressing mode",
    "Addressing mode not applicable for this instruction",
    "File error!",
    "NEXTPAGE before first origin makes no sense",
    "Relative jump out of range!",
    "External declaration is incorrect!",
    "External constant not found!",
    "Final origin is above $FD00",
    "Final origin is above $FFFF - program too large!",
    "LEAP before first origin makes no sense",
    "Syntax error near SCREEN keyword. Use ~ symbols!",
    "Syntax error near COMPILE keyword",
    "Unknown addressing mode postfix",
    "Addressing mode cannot be changed",
    "Value does not fit, only its low bytes are written:",
    "Syntax error in expression",
    "Unbalanced parentheses or brackets",
    "Division by zero",
    "Arithmetic overflow",
    "Number too large",
    "Expression nested too deeply",
    "Symbol not defined above its use here:",
    "Unknown operator",
    "Character has no PETSCII code:",
    "Syntax error near TEXT keyword. Use ~text~ or \"TEXT\", values and {codes}!",
    "Syntax error near FILL keyword. Use FILL count, value!",
    "Syntax error near ALIGN keyword. Use ALIGN boundary, value!",
    "Count or boundary out of range:",
    "A leading ( means indirect addressing: group with [ ]",
};

// The file name without any directory part: the text after the last "\" or ":".
std::string_view WithoutDirectory(std::string_view name) {
  const auto cut = name.find_last_of("\\:");
  return cut == std::string_view::npos ? name : name.substr(cut + 1);
}
}  // namespace

std::string_view ErrorMessage(ErrorCode code) {
  if (code >= 40 && code < 60) return BlockErrorMessage(code);
  return code >= 1 && code < kErrorMessages.size() ? kErrorMessages[code] : std::string_view{};
}

std::string FormatDiagnostic(ErrorCode code, bool fatal, std::string_view fileName,
                             std::int32_t lineNumber, std::string_view lineText,
                             std::uint8_t modulePass, std::string_view detail) {
  std::string line = fatal ? "Fatal" : "Warning";
  if (!fileName.empty()) {
    line += " in file [";
    line += CutAtFirstDot(WithoutDirectory(fileName));
    line += "]";
  }
  line += ": ";
  line += ErrorMessage(code);
  if (!detail.empty()) {
    line += ' ';
    line += detail;
  }
  line += " (at line: ";
  line += std::to_string(lineNumber);
  line += " \"";
  line += lineText;
  line += "\", pass: ";
  line += std::to_string(static_cast<unsigned>(modulePass));
  line += ")";
  return line;
}

}  // namespace qv3
