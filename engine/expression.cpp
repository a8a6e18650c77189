#include "engine/expression.h"

#include "engine/module_assembly.h"
#include "engine/operands.h"

namespace qv3 {

// A single term for now: the operator grammar is built on this entry point.
ExpressionResult EvaluateExpression(ModuleAssembly& module, std::string_view text, bool isPass1) {
  ExpressionResult result;
  result.Value = ResolveTerm(module, text, isPass1);
  result.Valid = true;
  return result;
}

}  // namespace qv3
