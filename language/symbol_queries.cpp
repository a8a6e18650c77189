// SPDX-License-Identifier: GPL-3.0-or-later
#include "language/symbol_queries.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "engine/file_system.h"
#include "engine/source_text.h"

namespace {

// The module and index of the definition named at column.
std::optional<std::pair<const qv3::ModuleKnowledge*, std::size_t>> DefinitionIndexAt(
    const qv3::CompileKnowledge& knowledge, std::int32_t lineNumber, std::size_t column) {
  const qv3::ModuleKnowledge* top = knowledge.TopModule();
  if (!top) return std::nullopt;
  const auto at = static_cast<std::uint32_t>(column);
  if (const qv3::SymbolReference* reference = top->ReferenceAt(lineNumber, at)) {
    const qv3::ModuleKnowledge* owner = knowledge.FindModule(reference->Module);
    if (!owner || !reference->Definition || *reference->Definition >= owner->Definitions.size())
      return std::nullopt;
    return std::pair{owner, *reference->Definition};
  }
  if (const auto index = top->DefinitionAt(lineNumber, at)) return std::pair{top, *index};
  return std::nullopt;
}

// As above, and for a caret just after a name (where go to definition
// leaves it, after a label's colon too): the name before it.
std::optional<std::pair<const qv3::ModuleKnowledge*, std::size_t>> DefinitionIndexNear(
    const qv3::CompileKnowledge& knowledge, std::int32_t lineNumber, std::size_t column) {
  if (auto found = DefinitionIndexAt(knowledge, lineNumber, column)) return found;
  if (column > 0)
    if (auto found = DefinitionIndexAt(knowledge, lineNumber, column - 1)) return found;
  // "NAME:|": the caret after a label's colon.
  const qv3::ModuleKnowledge* top = knowledge.TopModule();
  if (!top || column < 2) return std::nullopt;
  const auto index = top->DefinitionAt(lineNumber, static_cast<std::uint32_t>(column - 2));
  if (!index) return std::nullopt;
  const qv3::SymbolDefinition& label = top->Definitions[*index];
  if (label.Kind != qv3::SymbolKind::Label || label.Where.Column + label.Where.Length + 1 != column)
    return std::nullopt;
  return std::pair{top, *index};
}

bool SameModule(const qv3::ModuleKnowledge& a, const qv3::ModuleKnowledge& b) {
  return a.Folder == b.Folder && qv3::EqualsIgnoringCase(a.Name, b.Name);
}

// The modules whose references count, each once: a module's own check
// knows it best, then any compile that assembled it.
std::vector<const qv3::ModuleKnowledge*> ModulesToSearch(const qv3::CompileKnowledge& knowledge,
                                                         const Workspace& workspace) {
  std::vector<const qv3::ModuleKnowledge*> chosen;
  const auto add = [&](const qv3::ModuleKnowledge& module) {
    if (!module.Assembled) return;
    for (const auto* known : chosen)
      if (SameModule(*known, module)) return;
    chosen.push_back(&module);
  };
  for (const auto* check : workspace.Checks)
    if (check)
      if (const auto* top = check->TopModule()) add(*top);
  if (const auto* top = knowledge.TopModule()) add(*top);
  for (const auto* check : workspace.Checks)
    if (check)
      for (const auto& module : check->Modules) add(module);
  for (const auto& module : knowledge.Modules) add(module);
  return chosen;
}

}  // namespace

std::string ModuleSourcePath(const qv3::ModuleKnowledge& module) {
  return qv3::ResolveInFolder(module.Folder, module.Name + ".qv3");
}

SourcePlace PlaceOf(const qv3::ModuleKnowledge& module, const std::string& name,
                    const qv3::SourceSpan& span, bool isDefinition) {
  SourcePlace place{name, module.Name, span, isDefinition, module.Folder, {}, {}};
  if (const std::string_view file = module.IncludedFileOf(span); !file.empty()) {
    place.IncludedFile.assign(file);
    place.IncludedSpan = {span.IncludedLine, span.Column, span.Length, false, 0, 0};
    // The module's own view of the place stays its INCLUDE line.
    place.Span.Column = 0;
    place.Span.Length = 0;
  }
  return place;
}

// The macro named at column (or just before it) of the top module's line.
const qv3::MacroInfo* MacroNear(const qv3::CompileKnowledge& knowledge, std::int32_t lineNumber,
                                std::size_t column) {
  const qv3::ModuleKnowledge* top = knowledge.TopModule();
  if (!top || top->Macros.empty()) return nullptr;
  if (const auto* macro = top->MacroAt(lineNumber, static_cast<std::uint32_t>(column))) return macro;
  return column > 0 ? top->MacroAt(lineNumber, static_cast<std::uint32_t>(column - 1)) : nullptr;
}

std::optional<SourcePlace> DefinitionAt(const qv3::CompileKnowledge& knowledge, std::int32_t lineNumber,
                                        std::size_t column) {
  const auto found = DefinitionIndexNear(knowledge, lineNumber, column);
  if (!found) {
    if (const qv3::MacroInfo* macro = MacroNear(knowledge, lineNumber, column))
      return PlaceOf(*knowledge.TopModule(), macro->Name, macro->Where, true);
    return std::nullopt;
  }
  const auto& [module, index] = *found;
  const qv3::SymbolDefinition& definition = module->Definitions[index];
  return PlaceOf(*module, definition.Name, definition.Where, true);
}

std::vector<SourcePlace> ReferencesAt(const qv3::CompileKnowledge& knowledge, std::int32_t lineNumber,
                                      std::size_t column, const Workspace& workspace) {
  std::vector<SourcePlace> places;
  const auto found = DefinitionIndexNear(knowledge, lineNumber, column);
  if (!found) {
    // A macro: its definition and its invocations in the module.
    if (const qv3::MacroInfo* macro = MacroNear(knowledge, lineNumber, column)) {
      const qv3::ModuleKnowledge& top = *knowledge.TopModule();
      places.push_back(PlaceOf(top, macro->Name, macro->Where, true));
      for (const auto& [name, where] : top.MacroUses)
        if (qv3::EqualsIgnoringCase(name, macro->Name)) places.push_back(PlaceOf(top, macro->Name, where, false));
    }
    return places;
  }
  const auto& [owner, index] = *found;
  const qv3::SymbolDefinition& definition = owner->Definitions[index];
  places.push_back(PlaceOf(*owner, definition.Name, definition.Where, true));
  // Matched by name, not by index: each check numbers the definitions of
  // the modules it only scanned in its own way. A module's internal names
  // resolve in the module; an @MODULE.NAME term in the folder of the module
  // that writes it.
  std::set<std::tuple<std::string, std::string, std::int32_t, std::uint32_t>> seen;
  for (const qv3::ModuleKnowledge* user : ModulesToSearch(knowledge, workspace)) {
    if (user->Folder != owner->Folder) continue;
    for (const auto& reference : user->References) {
      // In the module's own check a reference knows its definition: a local
      // label (".LOOP") of one scope is not the same-named one of another.
      const bool ownLocal = user == owner && !reference.External && reference.Definition &&
                            !reference.Name.empty() && reference.Name[0] == '.';
      if (ownLocal) {
        if (*reference.Definition != index) continue;
      } else if (!qv3::EqualsIgnoringCase(reference.Module, owner->Name) ||
                 !qv3::EqualsIgnoringCase(reference.Name, definition.Name)) {
        continue;
      }
      if (!reference.External && !reference.Definition) continue;
      const auto key = std::tuple{user->Name, std::string(user->IncludedFileOf(reference.Where)),
                                  reference.Where.FromInclude ? reference.Where.IncludedLine
                                                              : reference.Where.Line,
                                  reference.Where.Column};
      if (!seen.insert(key).second) continue;
      places.push_back(PlaceOf(*user, definition.Name, reference.Where, false));
    }
  }
  return places;
}

bool SameSourceFile(std::string_view a, std::string_view b) {
  return !a.empty() && qv3::FolderOf(a) == qv3::FolderOf(b) &&
         qv3::EqualsIgnoringCase(qv3::FileNameOf(a), qv3::FileNameOf(b));
}

std::vector<SourcePlace> UsesInIncludingModules(const Workspace& workspace, std::string_view includedPath,
                                                std::string_view name) {
  std::vector<SourcePlace> places;
  const std::string keyed = qv3::UpperCaseOutsideTildes(name);
  for (const qv3::CompileKnowledge* check : workspace.Checks) {
    const qv3::ModuleKnowledge* top = check ? check->TopModule() : nullptr;
    if (!top || std::none_of(top->IncludedFiles.begin(), top->IncludedFiles.end(),
                             [&](const std::string& file) { return SameSourceFile(file, includedPath); }))
      continue;
    const auto definition = top->FindDefinition(keyed);
    // A module that defines the name itself does not take it from the file.
    if (!definition || !SameSourceFile(top->IncludedFileOf(top->Definitions[*definition].Where), includedPath))
      continue;
    for (const qv3::SymbolReference& reference : top->References) {
      if (reference.External || reference.Definition != definition) continue;
      SourcePlace place = PlaceOf(*top, top->Definitions[*definition].Name, reference.Where, false);
      if (!place.IncludedFile.empty() && SameSourceFile(place.IncludedFile, includedPath)) continue;
      places.push_back(std::move(place));
    }
  }
  return places;
}
