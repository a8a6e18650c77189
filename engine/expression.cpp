#include "engine/expression.h"

#include "engine/expression_parser.h"

namespace qv3 {

// Faults are reported in pass 2 only; in pass 1 they make the result
// invalid, and a symbol not defined yet stands in with the location
// counter's value (Forward).
ExpressionResult EvaluateExpression(ModuleAssembly& module, std::string_view text, bool isPass1) {
  return EvaluateWholeExpression(module, text, ExpressionOptions{isPass1, !isPass1, false});
}

}  // namespace qv3
