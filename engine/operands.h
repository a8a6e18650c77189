// The value of one operand term: "*", a "!" file size, an "@MODULE.NAME"
// external constant, a number literal, or a symbol of the module.
#pragma once

#include <cstdint>
#include <string_view>

namespace qv3 {

struct ModuleAssembly;

// Returns the number that the term's text stands for (what reading the
// term's result text as a literal gives). Counts the uses of symbols and
// reports codes 1, 2, 8, 11 and 12 through the module's session.
std::int32_t ResolveTerm(ModuleAssembly& module, std::string_view term, bool isPass1);

}  // namespace qv3
