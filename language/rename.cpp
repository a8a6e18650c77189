// SPDX-License-Identifier: GPL-3.0-or-later
#include "language/rename.h"

#include <algorithm>
#include <cctype>
#include <tuple>

#include "engine/file_system.h"
#include "engine/instruction.h"
#include "engine/source_text.h"
#include "language/hover_text.h"
#include "language/keywords.h"

namespace {

RenameCheck Refuse(std::string reason) { return {std::nullopt, std::move(reason)}; }

// Why the word at column is nothing a rename can take.
std::string WhyNotRenamable(std::string_view line, std::size_t column, const WordSpan& word) {
  const std::string_view text = line.substr(word.Begin, word.End - word.Begin);
  if (const auto form = qv3::ReadInstructionForm(line);
      form && column >= form->MnemonicColumn && column < form->MnemonicColumn + form->MnemonicLength)
    return "An opcode cannot be renamed.";
  if (IsDirective(text)) return "A directive cannot be renamed.";
  const unsigned char first = static_cast<unsigned char>(text.front());
  if (first == '$' || first == '%' || std::isdigit(first)) return "A number cannot be renamed.";
  return "No label or constant the last check knows stands here.";
}

// The NAME part of a term's span: an @MODULE.NAME term ends in it.
std::pair<std::uint32_t, std::uint32_t> NamePart(const qv3::SourceSpan& span, std::size_t nameSize) {
  const auto size = static_cast<std::uint32_t>(std::min<std::size_t>(nameSize, span.Length));
  return {span.Column + span.Length - size, size};
}

// The plan's edits of the file a place lies in, made on first use.
FileEdits& EditsOf(RenamePlan& plan, const SourcePlace& place) {
  auto file = std::find_if(plan.Files.begin(), plan.Files.end(), [&](const FileEdits& f) {
    return f.Module == place.Module && f.Folder == place.Folder && f.IncludedFile == place.IncludedFile;
  });
  if (file == plan.Files.end())
    file = plan.Files.insert(plan.Files.end(), {place.Module, place.Folder, place.IncludedFile, {}});
  return *file;
}

// Each file's edits in line and column order, each place once.
void SortEdits(RenamePlan& plan) {
  for (FileEdits& file : plan.Files) {
    std::sort(file.Edits.begin(), file.Edits.end(), [](const TextEdit& a, const TextEdit& b) {
      return a.Line != b.Line ? a.Line < b.Line : a.Column < b.Column;
    });
    file.Edits.erase(std::unique(file.Edits.begin(), file.Edits.end(),
                                 [](const TextEdit& a, const TextEdit& b) {
                                   return a.Line == b.Line && b.Column < a.Column + a.Length;  // overlapping
                                 }),
                     file.Edits.end());
  }
}

}  // namespace

bool IsValidSymbolName(std::string_view name) {
  // A local label's name: "." and a name.
  if (name.size() > 1 && name.front() == '.') name.remove_prefix(1);
  if (name.empty()) return false;
  const auto letter = [](unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!letter(static_cast<unsigned char>(name.front()))) return false;
  for (const char c : name)
    if (!letter(static_cast<unsigned char>(c)) && !(c >= '0' && c <= '9')) return false;
  return !IsMnemonic(name) && !IsDirective(name);
}

RenameCheck PrepareRename(const qv3::CompileKnowledge& knowledge, std::string_view line,
                          std::int32_t lineNumber, std::size_t column) {
  std::optional<WordSpan> word = WordAtColumn(line, column);
  // A caret just after a name (where typing it left the caret) counts as
  // on it, as it does for go to definition.
  if (!word && column > 0) word = WordAtColumn(line, column - 1);
  if (!word) return Refuse("Nothing to rename here.");
  const qv3::ModuleKnowledge* top = knowledge.TopModule();
  if (!top) return Refuse("The document has not been checked yet.");
  const auto at = static_cast<std::uint32_t>(column);
  const std::optional<SourcePlace> definition = DefinitionAt(knowledge, lineNumber, column);
  if (!definition) {
    if (const qv3::SymbolReference* reference = top->ReferenceAt(lineNumber, at))
      return Refuse(reference->Name + " is defined nowhere the last check could see.");
    return Refuse(WhyNotRenamable(line, word->Begin, *word));
  }
  if (definition->Span.FromInclude)
    return Refuse(definition->Name +
                  " is defined in an included file, which other modules may include as well: "
                  "rename it there.");
  RenameTarget target;
  target.Name = definition->Name;
  target.Definition = *definition;
  if (const qv3::ModuleKnowledge* owner = knowledge.FindModule(definition->Module))
    if (const auto index = owner->FindDefinition(definition->Name))
      target.Kind = owner->Definitions[*index].Kind;
  const qv3::SymbolReference* reference = top->ReferenceAt(lineNumber, at);
  const qv3::SourceSpan span = reference ? reference->Where : definition->Span;
  std::tie(target.Column, target.Length) = NamePart(span, target.Name.size());
  return {std::move(target), {}};
}

RenamePlan PlanRename(const qv3::CompileKnowledge& knowledge, std::string_view line,
                      std::int32_t lineNumber, std::size_t column, std::string_view newName,
                      const Workspace& workspace) {
  RenamePlan plan;
  const RenameCheck check = PrepareRename(knowledge, line, lineNumber, column);
  if (!check.Target) {
    plan.Refusal = check.Refusal;
    return plan;
  }
  const RenameTarget& target = *check.Target;
  const std::string name(newName);
  if (!IsValidSymbolName(name)) {
    plan.Refusal = "\"" + name + "\" cannot name a label or constant: a letter or _ first, then letters, "
                   "digits and _, and no mnemonic or directive.";
    return plan;
  }
  // The name as the assembler will key it: a clash ignores letter case.
  const std::string keyed = qv3::UpperCaseOutsideTildes(name);
  const auto clashesIn = [&](const qv3::ModuleKnowledge& module) {
    const auto found = module.FindDefinition(keyed);
    return found && !qv3::EqualsIgnoringCase(module.Definitions[*found].Name, target.Name);
  };
  bool clash = false;
  if (const qv3::ModuleKnowledge* owner = knowledge.FindModule(target.Definition.Module)) clash = clashesIn(*owner);
  for (const auto* other : workspace.Checks)
    if (const qv3::ModuleKnowledge* top = other ? other->TopModule() : nullptr;
        top && top->Folder == target.Definition.Folder &&
        qv3::EqualsIgnoringCase(top->Name, target.Definition.Module))
      clash = clash || clashesIn(*top);
  if (clash) {
    plan.Refusal = keyed + " is already defined in module " + target.Definition.Module + ".";
    return plan;
  }

  for (const SourcePlace& place : ReferencesAt(knowledge, lineNumber, column, workspace)) {
    const bool included = !place.IncludedFile.empty();
    if (place.Span.FromInclude && !included) continue;  // no place to edit
    FileEdits& file = EditsOf(plan, place);
    const qv3::SourceSpan& span = included ? place.IncludedSpan : place.Span;
    const auto [from, size] = NamePart(span, target.Name.size());
    file.Edits.push_back({span.Line, from, size, name});
  }
  SortEdits(plan);
  return plan;
}

void AddUsesInIncludingModules(RenamePlan& plan, const Workspace& workspace, std::string_view includedPath,
                               std::string_view name, std::string_view newName) {
  if (plan.Refused()) return;
  const std::string keyedOld = qv3::UpperCaseOutsideTildes(name);
  const std::string keyedNew = qv3::UpperCaseOutsideTildes(newName);
  for (const qv3::CompileKnowledge* check : workspace.Checks) {
    const qv3::ModuleKnowledge* top = check ? check->TopModule() : nullptr;
    if (!top || !std::any_of(top->IncludedFiles.begin(), top->IncludedFiles.end(),
                             [&](const std::string& file) { return SameSourceFile(file, includedPath); }))
      continue;
    const auto definition = top->FindDefinition(keyedOld);
    const auto other = top->FindDefinition(keyedNew);
    if (definition && other && *other != *definition &&
        SameSourceFile(top->IncludedFileOf(top->Definitions[*definition].Where), includedPath)) {
      plan.Files.clear();
      plan.Refusal = keyedNew + " is already defined in module " + top->Name + ", which includes " +
                     qv3::FileNameOf(includedPath) + ".";
      return;
    }
  }
  for (const SourcePlace& place : UsesInIncludingModules(workspace, includedPath, name)) {
    const bool included = !place.IncludedFile.empty();
    if (place.Span.FromInclude && !included) continue;  // no place to edit
    FileEdits& file = EditsOf(plan, place);
    const qv3::SourceSpan& span = included ? place.IncludedSpan : place.Span;
    const auto [from, size] = NamePart(span, keyedOld.size());
    file.Edits.push_back({span.Line, from, size, std::string(newName)});
  }
  SortEdits(plan);
}
