#include "engine/compile_knowledge.h"

#include <algorithm>

#include "engine/source_text.h"

namespace qv3 {

std::optional<std::size_t> ModuleKnowledge::FindDefinition(std::string_view name) const {
  for (std::size_t i = 0; i < Definitions.size(); ++i)
    if (EqualsIgnoringCase(Definitions[i].Name, name)) return i;
  return std::nullopt;
}

std::vector<AssembledRange> ModuleKnowledge::RangesOfLine(std::int32_t line) const {
  const auto byLine = [](const AssembledRange& range, std::int32_t l) { return range.Line < l; };
  auto first = std::lower_bound(Ranges.begin(), Ranges.end(), line, byLine);
  auto last = first;
  while (last != Ranges.end() && last->Line == line) ++last;
  return {first, last};
}

std::optional<std::int32_t> ModuleKnowledge::NextLineWithCode(std::int32_t line) const {
  const auto byLine = [](const AssembledRange& range, std::int32_t l) { return range.Line < l; };
  const auto found = std::lower_bound(Ranges.begin(), Ranges.end(), line, byLine);
  if (found == Ranges.end()) return std::nullopt;
  return found->Line;
}

std::optional<std::int32_t> ModuleKnowledge::LineAtAddress(std::uint16_t address) const {
  // Walked from the end: a later line that wrote the same byte replaced it.
  const auto at = static_cast<std::int64_t>(address);
  for (auto range = Ranges.rbegin(); range != Ranges.rend(); ++range)
    if (at >= range->Address && at < static_cast<std::int64_t>(range->Address) + range->Size)
      return range->Line;
  return std::nullopt;
}

std::vector<std::uint16_t> ModuleKnowledge::AddressesOfBodyLine(std::int32_t line) const {
  std::vector<std::uint16_t> addresses;
  for (const auto& range : Ranges)
    if (range.MacroLine == line && range.Instruction && range.Address >= 0 && range.Address <= 0xFFFF)
      addresses.push_back(static_cast<std::uint16_t>(range.Address));
  return addresses;
}

namespace {
// The instruction range that starts at address (the last writer wins).
std::optional<std::size_t> InstructionAt(const std::vector<AssembledRange>& ranges, std::uint16_t address) {
  for (std::size_t i = ranges.size(); i-- > 0;)
    if (ranges[i].Instruction && ranges[i].Address == address) return i;
  return std::nullopt;
}
}  // namespace

std::optional<std::int32_t> ModuleKnowledge::BodyLineAt(std::uint16_t address) const {
  const auto found = InstructionAt(Ranges, address);
  if (!found || Ranges[*found].MacroLine == 0) return std::nullopt;
  return Ranges[*found].MacroLine;
}

std::optional<std::uint16_t> ModuleKnowledge::ExpansionEndAt(std::uint16_t address) const {
  const auto found = InstructionAt(Ranges, address);
  if (!found || Ranges[*found].MacroLine == 0) return std::nullopt;
  // The ranges that follow each other in memory on the same line with a body
  // line each: one invocation (or one REPEAT block) put them there.
  std::size_t last = *found;
  while (last + 1 < Ranges.size() && Ranges[last + 1].Line == Ranges[*found].Line &&
         Ranges[last + 1].MacroLine != 0 &&
         Ranges[last + 1].Address == Ranges[last].Address + static_cast<std::int32_t>(Ranges[last].Size))
    ++last;
  return static_cast<std::uint16_t>((Ranges[last].Address + Ranges[last].Size) & 0xFFFF);
}

const MacroInfo* ModuleKnowledge::MacroAt(std::int32_t line, std::uint32_t column) const {
  const auto holds = [&](const SourceSpan& span) {
    return span.Line == line && column >= span.Column && column - span.Column < span.Length;
  };
  std::string_view name;
  for (const MacroInfo& macro : Macros)
    if (holds(macro.Where)) return &macro;
  for (const auto& [used, where] : MacroUses)
    if (holds(where)) name = used;
  if (name.empty()) return nullptr;
  for (const MacroInfo& macro : Macros)
    if (EqualsIgnoringCase(macro.Name, name)) return &macro;
  return nullptr;
}

std::vector<const LineDiagnostic*> ModuleKnowledge::DiagnosticsOfLine(std::int32_t line) const {
  std::vector<const LineDiagnostic*> found;
  for (const auto& diagnostic : Diagnostics)
    if (diagnostic.Line == line) found.push_back(&diagnostic);
  return found;
}

std::string_view ModuleKnowledge::IncludedFileOf(const SourceSpan& span) const {
  if (!span.FromInclude || span.IncludedFile == 0 || span.IncludedFile > IncludedFiles.size()) return {};
  return IncludedFiles[span.IncludedFile - 1];
}

namespace {
bool Holds(const SourceSpan& span, std::int32_t line, std::uint32_t column) {
  return !span.FromInclude && span.Line == line && column >= span.Column &&
         column - span.Column < span.Length;
}
}  // namespace

const SymbolReference* ModuleKnowledge::ReferenceAt(std::int32_t line, std::uint32_t column) const {
  for (const auto& reference : References)
    if (Holds(reference.Where, line, column)) return &reference;
  return nullptr;
}

std::optional<std::size_t> ModuleKnowledge::DefinitionAt(std::int32_t line,
                                                         std::uint32_t column) const {
  for (std::size_t i = 0; i < Definitions.size(); ++i)
    if (Holds(Definitions[i].Where, line, column)) return i;
  return std::nullopt;
}

const ModuleKnowledge* CompileKnowledge::FindModule(std::string_view name) const {
  for (const auto& module : Modules)
    if (EqualsIgnoringCase(module.Name, name)) return &module;
  return nullptr;
}

ModuleKnowledge* CompileKnowledge::FindModule(std::string_view name) {
  for (auto& module : Modules)
    if (EqualsIgnoringCase(module.Name, name)) return &module;
  return nullptr;
}

const ModuleKnowledge* CompileKnowledge::TopModule() const {
  for (const auto& module : Modules)
    if (module.IsTopModule) return &module;
  return nullptr;
}

std::optional<CodeLocation> CompileKnowledge::LineAtAddress(std::uint16_t address) const {
  if (const ModuleKnowledge* top = TopModule())
    if (const auto line = top->LineAtAddress(address)) return CodeLocation{top, *line};
  for (const auto& module : Modules) {
    if (module.IsTopModule || !module.Assembled) continue;
    if (const auto line = module.LineAtAddress(address)) return CodeLocation{&module, *line};
  }
  return std::nullopt;
}

std::optional<DefinitionPlace> CompileKnowledge::DefinitionOf(const SymbolReference& reference) const {
  if (!reference.Definition) return std::nullopt;
  const ModuleKnowledge* module = FindModule(reference.Module);
  if (!module || *reference.Definition >= module->Definitions.size()) return std::nullopt;
  return DefinitionPlace{module, &module->Definitions[*reference.Definition]};
}

std::vector<std::pair<const ModuleKnowledge*, const SymbolReference*>> CompileKnowledge::ReferencesTo(
    const ModuleKnowledge& module, std::size_t definition) const {
  std::vector<std::pair<const ModuleKnowledge*, const SymbolReference*>> found;
  for (const auto& user : Modules)
    for (const auto& reference : user.References)
      if (reference.Definition == definition && EqualsIgnoringCase(reference.Module, module.Name))
        found.emplace_back(&user, &reference);
  return found;
}

}  // namespace qv3
