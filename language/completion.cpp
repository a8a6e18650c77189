// SPDX-License-Identifier: GPL-3.0-or-later
#include "language/completion.h"

#include <algorithm>
#include <cctype>

#include "engine/compile_knowledge.h"
#include "engine/file_system.h"
#include "engine/instruction_set.h"
#include "engine/source_text.h"
#include "engine/source_text_lines.h"
#include "language/keywords.h"

namespace {

bool IsNameByte(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '.' || c == '@' || c == '~';
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && qv3::EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::string HexValue(std::uint16_t value) { return "$" + qv3::HexText(value); }

// Whether the word that starts at begin stands where an instruction or a
// directive does: first on the line, or right after a label.
bool InInstructionPlace(std::string_view line, std::size_t begin) {
  std::size_t at = 0;
  const auto skipBlanks = [&] {
    while (at < begin && (line[at] == ' ' || line[at] == '\t')) ++at;
  };
  skipBlanks();
  if (at == begin) return true;
  // A first word ending in ":" is a label; the next word is the instruction.
  const std::size_t wordStart = at;
  while (at < begin && line[at] != ' ' && line[at] != '\t') ++at;
  if (at == wordStart || line[at - 1] != ':') return false;
  skipBlanks();
  return at == begin;
}

// Where a line's first word begins (after blanks and TABs).
std::size_t FirstWordStart(std::string_view line) {
  std::size_t at = 0;
  while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
  return at;
}

std::string MnemonicDetail(int row) {
  std::string modes;
  for (int mode = 0; mode < qv3::kAddressingModeCount; ++mode) {
    if (qv3::LookupOpcode(row, mode).Length == 0) continue;
    if (!modes.empty()) modes += ' ';
    const std::string_view notation = qv3::AddressingModeNotations[static_cast<std::size_t>(mode)];
    modes += notation.empty() ? std::string_view("implied") : notation;
  }
  if (!qv3::IsDocumentedRow(row)) modes += " (undocumented)";
  return modes;
}

void SortAndKeepFirst(std::vector<CompletionItem>& items) {
  std::stable_sort(items.begin(), items.end(),
                   [](const CompletionItem& a, const CompletionItem& b) { return a.Text < b.Text; });
  items.erase(std::unique(items.begin(), items.end(),
                          [](const CompletionItem& a, const CompletionItem& b) {
                            return qv3::EqualsIgnoringCase(a.Text, b.Text);
                          }),
              items.end());
}

}  // namespace

std::vector<std::pair<std::string, std::uint16_t>> ObjectFileSymbols(const std::string& path,
                                                                     const qv3::FileOverlay* overlay) {
  std::vector<std::pair<std::string, std::uint16_t>> symbols;
  const auto text = qv3::ReadFileOrOverlay(path, overlay);
  if (!text) return symbols;
  bool header = true;
  qv3::SourceText(*text).ForEachLine([&](std::string_view line) {
    if (header) {
      header = false;
      return true;  // "// Objects"
    }
    if (line.empty()) return false;  // the code section follows
    const auto equals = line.find(" = ");
    if (equals == std::string_view::npos) return true;
    const qv3::NumberLiteral value = qv3::ReadNumberLiteral(line.substr(equals + 3));
    if (value.Valid) symbols.emplace_back(line.substr(0, equals), static_cast<std::uint16_t>(value.Value));
    return true;
  });
  return symbols;
}

Completions CompletionsAt(const qv3::CompileKnowledge* knowledge, std::string_view line,
                          std::int32_t lineNumber, std::size_t column, std::string_view folder,
                          const qv3::FileOverlay* overlay) {
  (void)lineNumber;  // every name of the module is in scope on every line
  Completions result;
  column = std::min(column, line.size());
  if (column > qv3::StripComment(line).size()) return result;
  // The word typed so far ends at the caret.
  std::size_t begin = column;
  while (begin > 0 && IsNameByte(static_cast<unsigned char>(line[begin - 1]))) --begin;
  const std::string_view typed = line.substr(begin, column - begin);
  result.Replaced = {begin, column};

  if (!typed.empty() && typed.front() == '@') {
    const auto dot = typed.find('.');
    if (dot == std::string_view::npos) return result;  // the module's name is being typed
    const std::string module(typed.substr(1, dot - 1));
    const std::string_view prefix = typed.substr(dot + 1);
    result.Replaced.Begin = begin + dot + 1;
    const std::string objectFile = qv3::ResolveInFolder(std::string(folder), module + ".qvo");
    for (auto& [name, value] : ObjectFileSymbols(objectFile, overlay))
      if (StartsWithIgnoringCase(name, prefix))
        result.Items.push_back({name, CompletionKind::External, HexValue(value) + " in " + module + ".qvo"});
    SortAndKeepFirst(result.Items);
    return result;
  }

  if (InInstructionPlace(line, begin)) {
    for (int row = 0; row < qv3::kMnemonicCount; ++row) {
      const std::string_view mnemonic = qv3::Mnemonics[static_cast<std::size_t>(row)];
      if (StartsWithIgnoringCase(mnemonic, typed))
        result.Items.push_back({std::string(mnemonic), CompletionKind::Mnemonic, MnemonicDetail(row)});
    }
    for (const auto& directive : kDirectives)
      if (StartsWithIgnoringCase(directive.Name, typed))
        result.Items.push_back({std::string(directive.Name), CompletionKind::Directive, std::string(directive.Form)});
    for (const auto& keyword : kBlockKeywords)
      if (begin == FirstWordStart(line) && StartsWithIgnoringCase(keyword.Name, typed))
        result.Items.push_back({std::string(keyword.Name), CompletionKind::Directive, std::string(keyword.Form)});
    // The macros the last check knew, with their parameters.
    if (const qv3::ModuleKnowledge* module = knowledge ? knowledge->TopModule() : nullptr)
      for (const qv3::MacroInfo& macro : module->Macros) {
        if (!StartsWithIgnoringCase(macro.Name, typed)) continue;
        std::string detail = "macro " + macro.Name;
        for (std::size_t i = 0; i < macro.Parameters.size(); ++i)
          detail += (i == 0 ? " " : ", ") + macro.Parameters[i];
        result.Items.push_back({macro.Name, CompletionKind::Macro, detail});
      }
    // A line's first word may also be a new label or a constant: the
    // names known are offered there too, after the keywords.
    if (begin > 0 || typed.empty()) {
      SortAndKeepFirst(result.Items);
      return result;
    }
  }

  const qv3::ModuleKnowledge* module = knowledge ? knowledge->TopModule() : nullptr;
  if (!module) {
    SortAndKeepFirst(result.Items);
    return result;
  }
  for (const qv3::SymbolDefinition& definition : module->Definitions) {
    if (!StartsWithIgnoringCase(definition.Name, typed)) continue;
    const bool label = definition.Kind == qv3::SymbolKind::Label;
    std::string detail = (label ? "label" : "constant");
    if (definition.HasValue) detail += " = " + HexValue(definition.Value);
    result.Items.push_back({definition.Name, label ? CompletionKind::Label : CompletionKind::Constant, detail});
  }
  SortAndKeepFirst(result.Items);
  return result;
}
