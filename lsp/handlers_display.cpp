// SPDX-License-Identifier: GPL-3.0-or-later
// Semantic tokens and inlay hints: what the last check says each word and
// each code line is.
#include <QJsonArray>
#include <algorithm>

#include "engine/block_keywords.h"
#include "engine/instruction.h"
#include "engine/source_text.h"
#include "language/keywords.h"
#include "lsp/protocol.h"
#include "lsp/server.h"

namespace lsp {

namespace {

enum TokenType { kKeyword, kMacro, kFunction, kVariable, kNumber, kComment };
enum TokenModifier { kDeclaration = 1, kReadonly = 2 };

struct Token {
  std::uint32_t Start = 0;
  std::uint32_t Length = 0;
  int Type = 0;
  int Modifiers = 0;
};

bool IsNameByte(unsigned char c) { return std::isalnum(c) || c == '_' || c == '.' || c == '@' || c == '~'; }

// The directive word of a line: its first word, or the one after a label.
std::optional<Token> DirectiveToken(std::string_view code) {
  std::size_t at = 0;
  const auto word = [&]() -> std::pair<std::size_t, std::size_t> {
    while (at < code.size() && (code[at] == ' ' || code[at] == '\t')) ++at;
    const std::size_t start = at;
    while (at < code.size() && code[at] != ' ' && code[at] != '\t') ++at;
    return {start, at};
  };
  auto [start, end] = word();
  if (end > start && code[end - 1] == ':') std::tie(start, end) = word();
  if (end > start && IsDirective(code.substr(start, end - start)))
    return Token{static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end - start), kMacro, 0};
  return std::nullopt;
}

// IF, REPEAT, MACRO and their kin as the line's first word, and a macro
// invocation's name: shown as directives are.
std::optional<Token> BlockKeywordToken(std::string_view code) {
  std::size_t start = 0;
  while (start < code.size() && (code[start] == ' ' || code[start] == '\t')) ++start;
  std::size_t end = start;
  while (end < code.size() && code[end] != ' ' && code[end] != '\t') ++end;
  const std::string word = qv3::UpperCaseOutsideTildes(code.substr(start, end - start));
  if (!qv3::IsBlockKeyword(word)) return std::nullopt;
  return Token{static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end - start), kMacro, 0};
}

void AddNumbers(std::string_view code, std::size_t from, std::vector<Token>& tokens) {
  for (std::size_t at = from; at < code.size(); ++at) {
    const auto c = static_cast<unsigned char>(code[at]);
    if (at > 0 && IsNameByte(static_cast<unsigned char>(code[at - 1]))) continue;
    if (c != '$' && c != '%' && !std::isdigit(c)) continue;
    std::size_t end = at + 1;
    while (end < code.size() && std::isalnum(static_cast<unsigned char>(code[end]))) ++end;
    tokens.push_back({static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(end - at), kNumber, 0});
    at = end;
  }
}

int SymbolType(qv3::SymbolKind kind) { return kind == qv3::SymbolKind::Label ? kFunction : kVariable; }
int SymbolModifiers(qv3::SymbolKind kind) { return kind == qv3::SymbolKind::Label ? 0 : kReadonly; }

}  // namespace

QJsonObject SemanticTokenLegend() {
  return {{"tokenTypes", QJsonArray{"keyword", "macro", "function", "variable", "number", "comment"}},
          {"tokenModifiers", QJsonArray{"declaration", "readonly"}}};
}

QJsonValue SemanticTokens(Server& server, const QJsonObject& params) {
  OpenFile& file = server.FileOf(params);
  const qv3::CompileKnowledge& knowledge = file.Check->Knowledge;
  const qv3::ModuleKnowledge* top = knowledge.TopModule();
  // The definitions and references of each line, from the module's lists.
  std::vector<std::vector<Token>> symbols(file.Text.LineCount() + 1);
  const auto place = [&](const qv3::SourceSpan& where, int type, int modifiers) {
    if (where.FromInclude || where.Length == 0 || where.Line < 1) return;
    const auto line = static_cast<std::size_t>(where.Line - 1);
    if (line < symbols.size()) symbols[line].push_back({where.Column, where.Length, type, modifiers});
  };
  if (top) {
    for (const qv3::SymbolDefinition& definition : top->Definitions)
      place(definition.Where, SymbolType(definition.Kind), SymbolModifiers(definition.Kind) | kDeclaration);
    for (const qv3::SymbolReference& reference : top->References) {
      const auto defined = knowledge.DefinitionOf(reference);
      const qv3::SymbolKind kind = defined ? defined->Definition->Kind : qv3::SymbolKind::Constant;
      place(reference.Where, SymbolType(kind), SymbolModifiers(kind));
    }
  }
  // Lines a condition left out are shown as comments are (greyed), whole.
  std::vector<bool> inactive(file.Text.LineCount() + 1, false);
  if (top)
    for (const std::int32_t line : top->InactiveLines)
      if (line >= 1 && static_cast<std::size_t>(line) <= file.Text.LineCount()) inactive[static_cast<std::size_t>(line - 1)] = true;
  QJsonArray data;
  std::uint32_t previousLine = 0, previousStart = 0;
  for (std::size_t index = 0; index < file.Text.LineCount(); ++index) {
    const std::string_view line = file.Text.Line(index);
    const std::string_view code = qv3::StripComment(line);
    std::vector<Token> tokens = std::move(symbols[index]);
    if (inactive[index]) {
      tokens.assign(1, {0, static_cast<std::uint32_t>(line.size()), kComment, 0});
    } else {
    if (const auto keyword = BlockKeywordToken(code)) tokens.push_back(*keyword);
    std::size_t operandFrom = 0;
    if (const auto form = qv3::ReadInstructionForm(line)) {
      tokens.push_back({static_cast<std::uint32_t>(form->MnemonicColumn),
                        static_cast<std::uint32_t>(form->MnemonicLength), kKeyword, 0});
      operandFrom = form->MnemonicColumn + form->MnemonicLength;
    } else if (const auto directive = DirectiveToken(code)) {
      tokens.push_back(*directive);
      operandFrom = directive->Start + directive->Length;
    } else if (const auto equals = code.find('='); equals != std::string_view::npos) {
      operandFrom = equals + 1;
    }
    if (operandFrom > 0) AddNumbers(code, operandFrom, tokens);
    if (code.size() < line.size())
      tokens.push_back({static_cast<std::uint32_t>(code.size()), static_cast<std::uint32_t>(line.size() - code.size()),
                        kComment, 0});
    }
    std::sort(tokens.begin(), tokens.end(), [](const Token& a, const Token& b) { return a.Start < b.Start; });
    std::uint32_t end = 0;
    for (const Token& token : tokens) {
      if (token.Start < end || token.Length == 0) continue;  // overlaps are not allowed
      const auto lineNumber = static_cast<std::uint32_t>(index);
      data.append(static_cast<int>(lineNumber - previousLine));
      data.append(static_cast<int>(lineNumber == previousLine ? token.Start - previousStart : token.Start));
      data.append(static_cast<int>(token.Length));
      data.append(token.Type);
      data.append(token.Modifiers);
      previousLine = lineNumber;
      previousStart = token.Start;
      end = token.Start + token.Length;
    }
  }
  return QJsonObject{{"data", data}};
}

QJsonValue FoldingRanges(Server& server, const QJsonObject& params) {
  OpenFile& file = server.FileOf(params);
  QJsonArray ranges;
  const qv3::ModuleKnowledge* top = file.Check->Knowledge.TopModule();
  if (!top) return ranges;
  for (const qv3::BlockSpan& block : top->Blocks)
    if (block.LastLine > block.FirstLine)
      ranges.append(QJsonObject{{"startLine", block.FirstLine - 1}, {"endLine", block.LastLine - 1}});
  return ranges;
}

QJsonValue InlayHints(Server& server, const QJsonObject& params) {
  OpenFile& file = server.FileOf(params);
  const qv3::ModuleKnowledge* top = file.Check->Knowledge.TopModule();
  QJsonArray hints;
  if (!top) return hints;
  const QJsonObject range = params.value("range").toObject();
  const int first = std::max(0, range.value("start").toObject().value("line").toInt());
  const int last = std::min(static_cast<int>(file.Text.LineCount()) - 1,
                            range.value("end").toObject().value("line").toInt(static_cast<int>(file.Text.LineCount())));
  for (int index = first; index <= last; ++index) {
    const std::vector<qv3::AssembledRange> ranges = top->RangesOfLine(index + 1);
    if (ranges.empty()) continue;
    std::uint64_t size = 0;
    for (const qv3::AssembledRange& assembled : ranges) size += assembled.Size;
    if (size == 0) continue;
    const std::int32_t address = ranges.front().Address;
    std::string label = (address >= 0 && address <= 0xFFFF) ? "$" + qv3::HexText(static_cast<std::uint32_t>(address))
                                                            : "$" + qv3::HexText(static_cast<std::uint32_t>(address & 0xFFFF)) + "+";
    label += size == 1 ? ", 1 byte" : ", " + std::to_string(size) + " bytes";
    const auto column = static_cast<std::int32_t>(file.Text.Line(static_cast<std::size_t>(index)).size());
    hints.append(QJsonObject{{"position", PositionJson(index, column)}, {"label", Text(label)}, {"paddingLeft", true}});
  }
  return hints;
}

}  // namespace lsp
