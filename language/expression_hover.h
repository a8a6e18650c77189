// The value of the expression under the cursor, for the editor's tooltip
// and qv3-lsp's hover: "LDA #ROW*40+COL" shows what the operand came to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv3 {
struct ModuleKnowledge;
}  // namespace qv3

// The expression the assembler reads around column (an operand without its
// mode marks, a constant's value, one item of a directive's list) and its
// value from the last check's symbols, at the address the line was
// assembled at: "ROW*40+COL = $01E5 = 485". Empty when column is on no
// expression, on one that is a single term (a name or literal, which have
// their own hovers), or when it has no value.
std::string ExpressionHover(const qv3::ModuleKnowledge& module, std::string_view line,
                            std::int32_t lineNumber, std::size_t column);
