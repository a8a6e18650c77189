#include "language/expression_hover.h"

#include <optional>
#include <vector>

#include "engine/compile_knowledge.h"
#include "engine/directives.h"
#include "engine/expression_parser.h"
#include "engine/instruction_set.h"
#include "engine/line_context.h"
#include "engine/module_assembly.h"
#include "engine/session.h"
#include "engine/source_text.h"

namespace {

struct Span {
  std::size_t Begin = 0, End = 0;
};

bool IsBlank(char c) { return c == ' '; }

Span Trimmed(std::string_view text, Span span) {
  while (span.Begin < span.End && IsBlank(text[span.Begin])) ++span.Begin;
  while (span.End > span.Begin && IsBlank(text[span.End - 1])) --span.End;
  return span;
}

Span NextWord(std::string_view text, std::size_t from) {
  while (from < text.size() && IsBlank(text[from])) ++from;
  std::size_t end = from;
  while (end < text.size() && !IsBlank(text[end])) ++end;
  return {from, end};
}

std::string_view Of(std::string_view text, Span span) { return text.substr(span.Begin, span.End - span.Begin); }

// The top-level comma item of [from, text end) holding column.
Span ItemAt(std::string_view text, std::size_t from, std::size_t column) {
  int nesting = 0;
  std::size_t begin = from;
  for (std::size_t i = from; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : ',';
    if (c == '(' || c == '[') ++nesting;
    else if ((c == ')' || c == ']') && nesting > 0) --nesting;
    else if (c == ',' && (nesting == 0 || i == text.size())) {
      if (column >= begin && column < i) return {begin, i};
      begin = i + 1;
    }
  }
  return {0, 0};
}

// An operand without "#", "(", "),Y", ",X)", ")", ",X" or ",Y".
Span OperandExpression(std::string_view text, Span span) {
  span = Trimmed(text, span);
  std::string_view operand = Of(text, span);
  const auto cutIndex = [&] {
    const Span trimmed = Trimmed(text, span);
    const std::string_view t = Of(text, trimmed);
    if (t.size() >= 2 && (t.back() == 'X' || t.back() == 'Y')) {
      const Span before = Trimmed(text, {trimmed.Begin, trimmed.End - 1});
      if (before.End > before.Begin && text[before.End - 1] == ',') return Span{trimmed.Begin, before.End - 1};
    }
    return trimmed;
  };
  if (!operand.empty() && operand[0] == '#') return Trimmed(text, {span.Begin + 1, span.End});
  if (!operand.empty() && operand[0] == '(') {
    span = cutIndex();
    span = Trimmed(text, span);
    if (span.End > span.Begin && text[span.End - 1] == ')') --span.End;
    span = Trimmed(text, {span.Begin + 1, span.End});
    return cutIndex();
  }
  return cutIndex();
}

std::optional<Span> ExpressionAt(std::string_view text, std::size_t column) {
  const Span first = NextWord(text, 0);
  if (first.Begin == first.End) return std::nullopt;
  const std::string_view rest = text.substr(first.End);
  if (rest.find('=') != std::string_view::npos && qv3::DefinesConstant(rest)) {
    const Span equals = NextWord(text, first.End);
    const Span value = NextWord(text, equals.End);
    if (Of(text, equals) != "=" || qv3::ReadNumberLiteral(Of(text, value)).Valid) return std::nullopt;
    return Span{equals.End, text.size()};
  }
  Span word = first;
  if (text[first.End - 1] == ':') word = NextWord(text, first.End);
  const std::string_view keyword = Of(text, word);
  if (keyword == "ORIGIN" || keyword == "LEAP" || keyword == "BIN.B" || keyword == "BIN.W" || keyword == "TEXT" ||
      keyword == "FILL" || keyword == "ALIGN")
    return ItemAt(text, word.End, column);
  const std::string_view mnemonic = keyword.substr(0, keyword.find('.'));
  if (mnemonic.empty() || qv3::FindMnemonic(mnemonic) < 0) return std::nullopt;
  return OperandExpression(text, {word.End, text.size()});
}

std::string Hex(std::int64_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::uint64_t bits = static_cast<std::uint64_t>(value < 0 ? -value : value);
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[bits & 0xF]);
    bits >>= 4;
  } while (bits != 0 || digits.size() % 2 != 0 || digits.size() < 2);
  return (value < 0 ? "-$" : "$") + digits;
}

}  // namespace

std::string ExpressionHover(const qv3::ModuleKnowledge& module, std::string_view line,
                            std::int32_t lineNumber, std::size_t column) {
  std::string text = qv3::UpperCaseOutsideTildes(qv3::StripComment(line));
  for (char& c : text)
    if (c == '\t') c = ' ';
  if (column >= text.size()) return {};
  const auto found = ExpressionAt(text, column);
  if (!found) return {};
  const Span span = Trimmed(text, *found);
  if (column < span.Begin || column >= span.End) return {};
  const std::string_view expression = Of(text, span);
  if (expression.empty() || qv3::IsPlainName(expression) || qv3::ReadNumberLiteral(expression).Valid ||
      expression == "*")
    return {};

  // The module as the last check left it: its symbols' values, and the
  // address where the line's bytes went.
  qv3::CompileSession session;
  const std::vector<std::string> noLines;
  qv3::ModuleAssembly assembly(session, noLines);
  assembly.Directory = module.Folder;
  for (const qv3::SymbolDefinition& definition : module.Definitions)
    if (definition.HasValue) assembly.Symbols.Add(definition.Name, definition.Value);
  const auto ranges = module.RangesOfLine(lineNumber);
  if (!ranges.empty()) assembly.Origin = ranges.front().Address;
  const qv3::ExpressionResult result =
      qv3::EvaluateWholeExpression(assembly, expression, qv3::ExpressionOptions{false, false, false});
  if (!result.Valid) return {};
  return std::string(expression) + " = " + Hex(result.Value) + " = " + std::to_string(result.Value);
}
