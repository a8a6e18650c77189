#include "engine/knowledge_collector.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "engine/directives.h"
#include "engine/file_system.h"
#include "engine/line_context.h"
#include "engine/line_source.h"
#include "engine/message_list.h"
#include "engine/module_assembly.h"
#include "engine/session.h"
#include "engine/source_text.h"
#include "engine/text_index.h"

namespace qv3 {

namespace {
char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.' || c == '~' || c == '@' || static_cast<unsigned char>(c) >= 128;
}

struct Found {
  std::size_t Start = 0, End = 0;
};

// Where term stands in text from position from on: letters compared without
// case, and blanks or TABs inside it skipped (the assembler reads an operand
// with its blanks removed). With whole, the match must not touch other name
// characters on either side. Every byte looked at costs one of budget; when
// it is spent the search gives up, so that a long line of near misses (the
// operand's punctuation taken out of the middle of a term) stays linear.
std::optional<Found> FindTerm(std::string_view text, std::string_view term, std::size_t from,
                              bool whole, std::size_t& budget) {
  if (term.empty()) return std::nullopt;
  for (std::size_t start = from; start < text.size(); ++start) {
    if (budget == 0) return std::nullopt;
    --budget;
    if (UpperAscii(text[start]) != UpperAscii(term[0])) continue;
    if (whole && start > 0 && IsNameCharacter(text[start - 1])) continue;
    std::size_t at = start, matched = 0;
    while (at < text.size() && matched < term.size()) {
      if (budget == 0) return std::nullopt;
      --budget;
      if (matched > 0 && (text[at] == ' ' || text[at] == '\t')) {
        ++at;
        continue;
      }
      if (UpperAscii(text[at]) != UpperAscii(term[matched])) break;
      ++at;
      ++matched;
    }
    if (matched < term.size()) continue;
    if (whole && at < text.size() && IsNameCharacter(text[at])) continue;
    return Found{start, at};
  }
  return std::nullopt;
}

// The module line of the body line an expansion is handling, or 0.
std::int32_t MacroLineOf(const ModuleAssembly& module) {
  if (!module.Blocks) return 0;  // a module without blocks: no call per instruction
  const auto* frames = CurrentExpansion(module);
  return frames ? frames->back().ModuleLine : 0;
}

std::string LowerCaseAToZ(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}
}  // namespace

void KnowledgeCollector::Definition(const ModuleAssembly& module, const LineContext& line,
                                    std::string_view name, SymbolKind kind,
                                    std::string_view keyedAs) {
  SymbolDefinition definition;
  definition.Name.assign(keyedAs.empty() ? name : keyedAs);
  definition.Kind = kind;
  definition.Where.Line = module.Session.CurrentLineNumber;
  definition.Where.Column = static_cast<std::uint32_t>(line.ColumnOf(name));
  definition.Where.Length = static_cast<std::uint32_t>(name.size());
  if (module.IncludeDepth != 0) PlaceInInclude(definition.Where);
  target_.Definitions.push_back(std::move(definition));
}

void KnowledgeCollector::PlaceInInclude(SourceSpan& where) const {
  where.FromInclude = true;
  if (includes_.empty()) return;
  where.IncludedFile = includes_.back().File;
  where.IncludedLine = includes_.back().Line;
}

namespace {
// 1 + the index of path in a module's IncludedFiles, added when new.
std::uint32_t IncludedFileNumber(std::vector<std::string>& files, std::string_view path) {
  auto found = std::find(files.begin(), files.end(), path);
  if (found == files.end()) found = files.insert(files.end(), std::string(path));
  return static_cast<std::uint32_t>(found - files.begin()) + 1;
}
}  // namespace

void KnowledgeCollector::EnterInclude(std::string_view path) {
  includes_.push_back({IncludedFileNumber(target_.IncludedFiles, path), 0});
}

void KnowledgeCollector::Reference(const ModuleAssembly& module, std::string_view term,
                                   std::optional<std::size_t> symbol,
                                   std::optional<std::int32_t> value) {
  SymbolReference reference;
  reference.Name.assign(term);
  reference.Module = target_.Name;
  reference.Definition = symbol;
  reference.Value = value;
  Add(module, std::move(reference), term);
}

void KnowledgeCollector::AnonymousReference(const ModuleAssembly& module, std::string_view term,
                                            std::int32_t target) {
  SymbolReference reference;
  reference.Name.assign(term);
  reference.Module = target_.Name;
  reference.Anonymous = true;
  reference.Value = target;
  Add(module, std::move(reference), term);
}

void KnowledgeCollector::ExternalReference(const ModuleAssembly& module, std::string_view term,
                                           std::string_view moduleName,
                                           std::string_view symbolName,
                                           std::optional<std::int32_t> value) {
  SymbolReference reference;
  reference.Name.assign(symbolName);
  reference.Module = LowerCaseAToZ(moduleName);
  reference.External = true;
  reference.Value = value;
  Add(module, std::move(reference), term);
}

void KnowledgeCollector::Add(const ModuleAssembly& module, SymbolReference reference,
                             std::string_view term) {
  reference.Where.Line = module.Session.CurrentLineNumber;
  if (module.IncludeDepth != 0) PlaceInInclude(reference.Where);
  const LineContext& line = *module.LineContexts[static_cast<std::size_t>(module.IncludeDepth)];
  Pending pending;
  pending.Reference = std::move(reference);
  pending.Term.assign(term);
  const char* scratch = module.OperandScratch.data();
  const bool inScratch =
      term.data() >= scratch && term.data() <= scratch + module.OperandScratch.size();
  pending.Order = inScratch ? static_cast<std::size_t>(term.data() - scratch) : pending_.size();
  pending.From = line.ColumnOf(line.RestOfLine);
  pending_.push_back(std::move(pending));
}

void KnowledgeCollector::EndOfLine(std::string_view text) {
  if (pending_.empty()) return;
  // A line has few terms: an insertion sort, without the buffer a library
  // stable sort asks for.
  for (std::size_t i = 1; i < pending_.size(); ++i)
    for (std::size_t j = i; j > 0 && pending_[j].Order < pending_[j - 1].Order; --j)
      std::swap(pending_[j], pending_[j - 1]);
  std::size_t from = pending_.front().From;
  // Placing the terms costs a few looks at each byte of the line at most;
  // a term not found in time keeps its line and no span.
  std::size_t budget = 8 * text.size() + 4096;
  for (Pending& pending : pending_) {
    SourceSpan& where = pending.Reference.Where;
    auto found = FindTerm(text, pending.Term, from, true, budget);
    if (!found) found = FindTerm(text, pending.Term, from, false, budget);
    if (found) {
      where.Column = static_cast<std::uint32_t>(found->Start);
      where.Length = static_cast<std::uint32_t>(found->End - found->Start);
      from = found->End;
    } else {
      where.Column = static_cast<std::uint32_t>(std::min(from, text.size()));
    }
    target_.References.push_back(std::move(pending.Reference));
  }
  pending_.clear();
}

void KnowledgeCollector::ExpandedLine(std::string_view text, std::int32_t moduleLine,
                                      std::string_view file, std::int32_t fileLine) {
  if (pending_.empty()) return;
  std::size_t budget = 8 * text.size() + 4096;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < pending_.size(); ++i) {
    Pending& pending = pending_[i];
    auto found = FindTerm(text, pending.Term, 0, true, budget);
    if (!found) found = FindTerm(text, pending.Term, 0, false, budget);
    if (!found) {
      // An argument: written on the invocation's line, searched there from its start.
      pending.From = 0;
      if (kept != i) pending_[kept] = std::move(pending);
      ++kept;
      continue;
    }
    SourceSpan& where = pending.Reference.Where;
    where = SourceSpan{};
    where.Line = moduleLine;
    where.Column = static_cast<std::uint32_t>(found->Start);
    where.Length = static_cast<std::uint32_t>(found->End - found->Start);
    if (!file.empty()) {
      where.FromInclude = true;
      where.IncludedFile = IncludedFileNumber(target_.IncludedFiles, file);
      where.IncludedLine = fileLine;
    }
    const auto place = std::tuple(where.IncludedFile, where.IncludedFile ? fileLine : moduleLine,
                                  where.Column, FoldCase(pending.Term));
    if (expandedPlaces_.insert(place).second)
      target_.References.push_back(std::move(pending.Reference));
  }
  pending_.resize(kept);
}

void KnowledgeCollector::InactiveLine(std::int32_t line) {
  auto& lines = target_.InactiveLines;
  if (lines.empty() || lines.back() < line) lines.push_back(line);
}

void KnowledgeCollector::Assembled(const ModuleAssembly& module, std::int32_t address,
                                   std::uint64_t size) {
  if (size == 0) return;
  const auto bytes = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, UINT32_MAX));
  const std::int32_t line = module.Session.CurrentLineNumber;
  const std::int32_t macroLine = MacroLineOf(module);
  auto& ranges = target_.Ranges;
  if (!ranges.empty()) {
    AssembledRange& last = ranges.back();
    if (last.Line == line && last.MacroLine == macroLine && !last.Instruction &&
        static_cast<std::int64_t>(last.Address) + last.Size == static_cast<std::int64_t>(address) &&
        last.Size <= UINT32_MAX - bytes) {
      last.Size += bytes;
      return;
    }
  }
  ranges.push_back({line, address, bytes, false, 0, macroLine});
}

void KnowledgeCollector::Instruction(const ModuleAssembly& module, std::int32_t address,
                                     std::uint8_t opcode, std::uint32_t length) {
  target_.Ranges.push_back(
      {module.Session.CurrentLineNumber, address, length, true, opcode, MacroLineOf(module)});
}

void KnowledgeCollector::DataEnd(const ModuleAssembly& module) {
  // The origin wraps at 32 bits as the values advance it.
  Assembled(module, dataStart_,
            static_cast<std::uint32_t>(module.Origin) - static_cast<std::uint32_t>(dataStart_));
}

void KnowledgeCollector::Finish(const ModuleAssembly& module) {
  // Every symbol the table holds was noted when pass 1 added it, in order.
  // References of expanded lines were placed on their body lines, which may
  // lie above the invocation: put back in source order.
  auto& references = target_.References;
  const auto byPlace = [](const SymbolReference& a, const SymbolReference& b) {
    return a.Where.Line < b.Where.Line;
  };
  if (!std::is_sorted(references.begin(), references.end(), byPlace))
    std::stable_sort(references.begin(), references.end(), byPlace);
  const std::size_t count = std::min(target_.Definitions.size(), module.Symbols.Size());
  for (std::size_t i = 0; i < count; ++i) target_.Definitions[i].Value = module.Symbols.Value(i);
}

ModuleKnowledge& StartModuleKnowledge(CompileKnowledge& knowledge, std::string_view name,
                                      std::string_view folder, bool isTopModule) {
  ModuleKnowledge* module = knowledge.FindModule(name);
  if (!module) module = &knowledge.Modules.emplace_back();
  *module = ModuleKnowledge{};
  module->Name.assign(name);
  module->Folder.assign(folder);
  module->IsTopModule = isTopModule;
  return *module;
}

namespace {
// Scans one text: the lines as the line processor reads their first words
// ("NAME = VALUE" defines a constant, a first word ending in ":" a label),
// INCLUDEd files followed as the assembler follows them, their definitions
// placed on the including line and, with includedFiles, in the file too.
class DefinitionScan {
 public:
  DefinitionScan(std::vector<SymbolDefinition>& definitions, std::string folder,
                 const FileOverlay* overlay, std::vector<std::string>* includedFiles)
      : definitions_(definitions), folder_(std::move(folder)), overlay_(overlay),
        includedFiles_(includedFiles) {}

  void Walk(std::string_view source, int depth, std::int32_t includingLine, std::uint32_t file = 0) {
    if (lines_.size() <= static_cast<std::size_t>(depth)) lines_.push_back(std::make_unique<LineContext>());
    LineContext& line = *lines_[static_cast<std::size_t>(depth)];
    std::int32_t number = 0;
    SourceText(source).ForEachLine([&](std::string_view text) {
      ++number;
      const std::int32_t at = depth == 0 ? number : includingLine;
      file_ = file;
      fileLine_ = number;
      if (depth == 0) limitReached_ = false;
      line.Load(StripComment(text));
      if (line.RestOfLine.find('=') != std::string_view::npos && DefinesConstant(line.RestOfLine)) {
        const std::string_view name = line.FirstWord;
        TakeWordOf(line.RestOfLine);
        Define(line, name, SymbolKind::Constant, at, depth > 0);
        line.FirstWord = TakeWordOf(line.RestOfLine);
      }
      if (line.FirstWord.empty()) return true;
      if (line.FirstWord.back() == ':') {
        // The word after a label is an instruction, never a directive.
        Define(line, line.FirstWord.substr(0, line.FirstWord.size() - 1), SymbolKind::Label, at,
               depth > 0);
      } else if (line.FirstWord == "INCLUDE") {
        // As in the assembler: past the depth limit, every other INCLUDE
        // under the same module line is refused too, so a file that
        // includes itself twice cannot unfold 2^64 times.
        if (depth >= kMaxIncludeDepth) limitReached_ = true;
        if (limitReached_) return true;
        const std::string path = ResolveInFolder(folder_, SkipBlanks(line.RestOfLine));
        const auto included = ReadFileOrOverlay(path, overlay_);
        if (included) Walk(*included, depth + 1, at, FileIndex(path));
      }
      return true;
    });
  }

 private:
  void Define(const LineContext& line, std::string_view name, SymbolKind kind, std::int32_t at,
              bool included) {
    const auto nameOf = [this](std::size_t i) -> std::string_view { return definitions_[i].Name; };
    if (name.empty() || known_.Find(name, nameOf) != TextIndex::kNone) return;
    SymbolDefinition definition;
    definition.Name.assign(name);
    definition.Kind = kind;
    definition.HasValue = false;
    definition.Where.Line = at;
    definition.Where.FromInclude = included;
    if (!included || file_ != 0) {
      definition.Where.Column = static_cast<std::uint32_t>(line.ColumnOf(name));
      definition.Where.Length = static_cast<std::uint32_t>(name.size());
    }
    if (included && file_ != 0) {
      definition.Where.IncludedFile = file_;
      definition.Where.IncludedLine = fileLine_;
    }
    definitions_.push_back(std::move(definition));
    known_.Insert(definitions_.back().Name, definitions_.size() - 1, nameOf);
  }

  // 1 + the index of path in includedFiles_ (added when new); 0 without them.
  std::uint32_t FileIndex(const std::string& path) {
    return includedFiles_ ? IncludedFileNumber(*includedFiles_, path) : 0;
  }

  std::vector<SymbolDefinition>& definitions_;
  std::string folder_;
  const FileOverlay* overlay_;
  std::vector<std::string>* includedFiles_;
  std::uint32_t file_ = 0;       // the file of the line being read (0: the module's own)
  std::int32_t fileLine_ = 0;    // its line number there
  TextIndex known_;
  std::vector<std::unique_ptr<LineContext>> lines_;  // one per include depth
  bool limitReached_ = false;
};
}  // namespace

std::vector<SymbolDefinition> ScanDefinitions(std::string_view source, std::string_view folder,
                                              const FileOverlay* overlay,
                                              std::vector<std::string>* includedFiles) {
  std::vector<SymbolDefinition> definitions;
  DefinitionScan(definitions, std::string(folder), overlay, includedFiles).Walk(source, 0, 0);
  return definitions;
}

namespace {
// The values an object file's symbol section gives ("NAME = $1234" lines
// up to the first empty line).
void TakeObjectValues(const std::string& objectPath, ModuleKnowledge& module,
                      const FileOverlay* overlay) {
  const auto text = ReadFileOrOverlay(objectPath, overlay);
  if (!text) return;
  std::unordered_map<std::string, std::uint16_t> values;
  bool header = true;
  SourceText(*text).ForEachLine([&](std::string_view line) {
    if (header) {
      header = false;
      return true;  // "// Objects"
    }
    if (line.empty()) return false;
    const auto equals = line.find(" = ");
    if (equals == std::string_view::npos) return true;
    const NumberLiteral value = ReadNumberLiteral(line.substr(equals + 3));
    if (value.Valid)
      values.emplace(FoldCase(line.substr(0, equals)), static_cast<std::uint16_t>(value.Value & 0xFFFF));
    return true;
  });
  for (auto& definition : module.Definitions) {
    const auto found = values.find(FoldCase(definition.Name));
    if (found == values.end()) continue;
    definition.Value = found->second;
    definition.HasValue = true;
  }
}

// The module an @MODULE.NAME reference names, scanned from its source when
// this compile did not assemble it; nothing when its source is not at hand.
ModuleKnowledge* ModuleForExternal(CompileKnowledge& knowledge, const std::string& name,
                                   const std::string& folder, const FileOverlay* overlay) {
  if (ModuleKnowledge* known = knowledge.FindModule(name)) return known;
  const auto source = ReadFileOrOverlay(ResolveInFolder(folder, name + ".qv3"), overlay);
  if (!source) return nullptr;
  ModuleKnowledge scanned;
  scanned.Name = name;
  scanned.Folder = folder;
  scanned.Assembled = false;
  scanned.Definitions = ScanDefinitions(*source, folder, overlay, &scanned.IncludedFiles);
  TakeObjectValues(ResolveInFolder(folder, name + ".qvo"), scanned, overlay);
  knowledge.Modules.push_back(std::move(scanned));
  return &knowledge.Modules.back();
}

void KeepListedDiagnostics(CompileKnowledge& knowledge, const MessageList& status) {
  std::unordered_set<std::string_view> listed;
  for (const StatusLine line : status.Lines())
    if (line.Info) listed.insert(line.Text);
  for (auto& module : knowledge.Modules)
    std::erase_if(module.Diagnostics,
                  [&](const LineDiagnostic& d) { return !listed.contains(d.Text); });
}

void LinkExternalReferences(CompileKnowledge& knowledge, const FileOverlay* overlay) {
  // Each named module is looked up, scanned and indexed once. Scanned
  // modules are appended while the references are walked: walked by index.
  struct Target {
    const ModuleKnowledge* Module = nullptr;  // none: no source at hand
    std::unordered_map<std::string, std::size_t> Definitions;  // folded name -> first index
  };
  std::unordered_map<std::string, Target> targets;
  const std::size_t assembled = knowledge.Modules.size();
  for (std::size_t m = 0; m < assembled; ++m) {
    for (std::size_t r = 0; r < knowledge.Modules[m].References.size(); ++r) {
      if (!knowledge.Modules[m].References[r].External) continue;
      const std::string name = knowledge.Modules[m].References[r].Module;
      auto [entry, fresh] = targets.try_emplace(FoldCase(name));
      Target& target = entry->second;
      if (fresh) {
        const std::string folder = knowledge.Modules[m].Folder;
        if (const ModuleKnowledge* found = ModuleForExternal(knowledge, name, folder, overlay)) {
          target.Module = found;
          const auto& definitions = found->Definitions;
          for (std::size_t d = 0; d < definitions.size(); ++d)
            target.Definitions.try_emplace(FoldCase(definitions[d].Name), d);
        }
      }
      if (!target.Module) continue;
      SymbolReference& reference = knowledge.Modules[m].References[r];
      const auto found = target.Definitions.find(FoldCase(reference.Name));
      if (found != target.Definitions.end()) reference.Definition = found->second;
    }
  }
}
}  // namespace

void FinishKnowledge(CompileKnowledge& knowledge, const MessageList& status,
                     const FileOverlay* overlay) {
  KeepListedDiagnostics(knowledge, status);
  LinkExternalReferences(knowledge, overlay);
}

}  // namespace qv3
