#include "engine/operand_reading.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engine/expression_parser.h"
#include "engine/instruction_set.h"
#include "engine/knowledge_collector.h"
#include "engine/module_assembly.h"
#include "engine/session.h"
#include "engine/source_text.h"

namespace qv3 {

namespace {
bool IsNumberStart(char c) { return (c >= '0' && c <= '9') || c == '$' || c == '%'; }

// The module's names that hold characters other than name characters,
// case folded and sorted: found once, by the definition scan the editor
// uses, the first time pass 1 meets such a name undefined.
const std::vector<std::string>& OperatorNames(ModuleAssembly& module) {
  if (module.OperatorNames) return *module.OperatorNames;
  std::string source;
  module.Source.ForEachLine([&](std::string_view line) {
    source += line;
    source += '\n';
    return true;
  });
  std::vector<std::string> names;
  for (const SymbolDefinition& definition :
       ScanDefinitions(source, module.Directory, module.Session.Overlay))
    if (!IsPlainName(definition.Name)) names.push_back(FoldCase(definition.Name));
  std::sort(names.begin(), names.end());
  module.OperatorNames = std::move(names);
  return *module.OperatorNames;
}

// The common literals at a glance: "$" and upper-case hex digits (any
// number of them: the value wraps), or up to nine decimal digits. The
// rest ("0X1F", ten digits, "%" with a blank) take the full reading.
bool IsPlainLiteral(std::string_view term) {
  if (term[0] == '$') {
    if (term.size() == 1) return false;
    for (std::size_t i = 1; i < term.size(); ++i) {
      const char c = term[i];
      if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
  }
  if (term.size() > 9) return false;
  for (const char c : term)
    if (c < '0' || c > '9') return false;
  return true;
}

bool TermHolds(ModuleAssembly& module, std::string_view term, bool isPass1) {
  if (term.empty() || term == "*" || term[0] == '!' || term[0] == '@') return true;
  if (IsNumberStart(term[0])) return IsPlainLiteral(term) || ReadNumberLiteral(term).Valid;
  if (IsPlainName(term) || module.Symbols.Find(term)) return true;
  if (!isPass1) return false;
  const auto& names = OperatorNames(module);
  return std::binary_search(names.begin(), names.end(), FoldCase(term));
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Takes a final ",X" or ",Y" (blanks allowed around the comma) off the text.
char TakeIndex(std::string_view& text) {
  std::string_view rest = Trim(text);
  if (rest.empty() || (rest.back() != 'X' && rest.back() != 'Y')) return 0;
  const char index = rest.back();
  rest.remove_suffix(1);
  rest = Trim(rest);
  if (rest.empty() || rest.back() != ',') return 0;
  // A name ending in X is not an index: "A,X" needs the comma.
  rest.remove_suffix(1);
  text = rest;
  return index;
}
}  // namespace

bool TodaysReadingHolds(ModuleAssembly& module, std::string_view expression, bool hasPlus,
                        bool hasMinus, bool isPass1) {
  if (expression.empty()) return true;
  if (hasPlus || hasMinus) {
    const auto cut = expression.find(hasPlus ? '+' : '-');
    return TermHolds(module, expression.substr(0, cut), isPass1) &&
           TermHolds(module, expression.substr(cut + 1), isPass1);
  }
  if (expression[0] == '<' || expression[0] == '>') expression.remove_prefix(1);
  return TermHolds(module, expression, isPass1);
}

ReadOperand ReadOperandWithExpressions(ModuleAssembly& module, std::string_view operand, bool isPass1) {
  ReadOperand read;
  std::string_view text = Trim(operand);
  const ExpressionOptions options{isPass1, !isPass1, false, true};
  if (text.empty()) {
    read.Mode = kImplied;
    read.Valid = true;
    return read;
  }
  bool closed = true;
  if (text[0] == '#') {
    read.Mode = kImmediate;
    text.remove_prefix(1);
  } else if (text[0] == '(') {
    text.remove_prefix(1);
    std::string_view inner = text;
    const char outerIndex = TakeIndex(inner);
    if (outerIndex == 'Y' && !inner.empty() && inner.back() == ')') {
      read.Mode = kIndirectIndexed;
      inner.remove_suffix(1);
      text = inner;
    } else if (outerIndex == 0 && !Trim(text).empty() && Trim(text).back() == ')') {
      inner = Trim(text);
      inner.remove_suffix(1);
      read.Mode = TakeIndex(inner) == 'X' ? kIndexedIndirect : kIndirect;
      text = inner;
    } else {
      closed = false;
      read.Mode = kIndirect;
    }
  } else {
    const char index = TakeIndex(text);
    read.Mode = index == 'X' ? kAbsoluteX : index == 'Y' ? kAbsoluteY : kAbsolute;
  }
  if (!closed) {
    if (!isPass1) ReportDiagnostic(module.Session, Err::IndirectNotClosed, true, module.ModuleName);
    read.Value = isPass1 ? module.Origin : 0;
    return read;
  }
  read.Expression = Trim(text);
  const ExpressionResult result = EvaluateWholeExpression(module, text, options);
  read.Valid = result.Valid;
  read.Value = result.Valid ? result.Value : (isPass1 ? module.Origin : 0);
  return read;
}

}  // namespace qv3
