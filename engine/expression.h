// The value of an expression of the language: number literals, symbols,
// "*", "!FILE", "@MODULE.NAME" and the operators between them. One evaluator
// serves operands, constant definitions, directive arguments and the
// conditions and counts of conditional assembly and repetition.
#pragma once

#include <cstdint>
#include <string_view>

namespace qv3 {

struct ModuleAssembly;

struct ExpressionResult {
  // False when the text is no valid expression or cannot be evaluated; the
  // diagnostic has been reported then.
  bool Valid = false;
  std::int64_t Value = 0;
  // Pass 1 only: a symbol not defined yet stood in for its value, so the
  // value may change in pass 2.
  bool Forward = false;
};

// Evaluates the (upper-cased, comment-free) text in the module's current
// state. Counts the uses of the symbols it reads. Faults are reported in
// pass 2 only (pass 1 returns Valid false without a report).
ExpressionResult EvaluateExpression(ModuleAssembly& module, std::string_view text, bool isPass1);

}  // namespace qv3
