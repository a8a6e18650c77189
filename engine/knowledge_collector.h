// The hooks through which a module's assembly fills its ModuleKnowledge.
// The assembler calls them only when ModuleAssembly::Knowledge is set, so a
// compile that asks for nothing pays a null test per hook.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <tuple>
#include <string>
#include <string_view>
#include <vector>

#include "engine/compile_knowledge.h"

namespace qv3 {

struct ModuleAssembly;
struct LineContext;
class MessageList;
struct FileOverlay;

class KnowledgeCollector {
 public:
  explicit KnowledgeCollector(ModuleKnowledge& target) : target_(target) {}
  KnowledgeCollector(const KnowledgeCollector&) = delete;
  KnowledgeCollector& operator=(const KnowledgeCollector&) = delete;

  // Pass 1: the symbol just added to the module's table; name is a view
  // into the line context of the current include depth.
  // keyedAs: the name the table keeps it under, when not the name as
  // written (a local label defined in a second scope).
  void Definition(const ModuleAssembly& module, const LineContext& line, std::string_view name,
                  SymbolKind kind, std::string_view keyedAs = {});
  // Pass 2: an operand term naming a symbol of this module (symbol: its
  // index, nothing when unknown), or an @MODULE.NAME term. term is a view
  // into the module's operand scratch text.
  void Reference(const ModuleAssembly& module, std::string_view term,
                 std::optional<std::size_t> symbol, std::optional<std::int32_t> value);
  // Pass 2: an anonymous label's reference ("-", "++", ...) and its target.
  void AnonymousReference(const ModuleAssembly& module, std::string_view term, std::int32_t target);
  void ExternalReference(const ModuleAssembly& module, std::string_view term,
                         std::string_view moduleName, std::string_view symbolName,
                         std::optional<std::int32_t> value);
  // Pass 2: the current line put size bytes at address (data), or one
  // instruction.
  void Assembled(const ModuleAssembly& module, std::int32_t address, std::uint64_t size);
  void Instruction(const ModuleAssembly& module, std::int32_t address, std::uint8_t opcode,
                   std::uint32_t length);
  // Pass 2: around a run of BIN.B / BIN.W values, whose count is known
  // only at its end.
  void DataStart(std::int32_t origin) { dataStart_ = origin; }
  void DataEnd(const ModuleAssembly& module);
  // Pass 2, after each line of the module itself: the references it made
  // are placed in its text as written.
  void EndOfLine(std::string_view text);
  // Both passes, around an INCLUDEd file (path as opened) and before each of
  // its lines; pass 2 also after each of its lines, as EndOfLine.
  void EnterInclude(std::string_view path);
  void IncludedLine() { ++includes_.back().Line; }
  void LeaveInclude() { includes_.pop_back(); }
  // Pass 2, after each line a macro or REPEAT block made: the references
  // found in its body line (text, on module line moduleLine) are placed
  // there, each place once however often it was expanded; references the
  // body line does not hold (arguments) stay for the invocation's line.
  // file and fileLine: the body line's INCLUDEd file (empty for the module's
  // own text) and its line there.
  void ExpandedLine(std::string_view text, std::int32_t moduleLine, std::string_view file,
                    std::int32_t fileLine);
  // Pass 2: a line of the module's own text left out by a condition.
  void InactiveLine(std::int32_t line);
  // Pass 2: a block of the module's own text closed; a macro defined there.
  void Block(BlockKind kind, std::int32_t firstLine, std::int32_t lastLine) {
    target_.Blocks.push_back({kind, firstLine, lastLine});
  }
  void Macro(MacroInfo macro) { target_.Macros.push_back(std::move(macro)); }
  void MacroUse(std::string name, std::int32_t line, std::uint32_t column, std::uint32_t length) {
    SourceSpan where;
    where.Line = line;
    where.Column = column;
    where.Length = length;
    target_.MacroUses.emplace_back(std::move(name), where);
  }
  // After pass 2: the definitions take the values pass 2 left.
  void Finish(const ModuleAssembly& module);

 private:
  struct Pending {
    SymbolReference Reference;
    std::string Term;          // as written, letter case aside ("@A.B" for externals)
    std::size_t Order = 0;     // position in the operand: terms are not met in text order
    std::size_t From = 0;      // where the operand starts in the line
  };
  void Add(const ModuleAssembly& module, SymbolReference reference, std::string_view term);
  void PlaceInInclude(SourceSpan& where) const;

  struct IncludeFrame {
    std::uint32_t File = 0;  // 1 + index into IncludedFiles
    std::int32_t Line = 0;
  };
  std::vector<IncludeFrame> includes_;

  ModuleKnowledge& target_;
  std::vector<Pending> pending_;
  // The places references in expanded lines were put, so a body line
  // expanded many times lists each reference once.
  std::set<std::tuple<std::uint32_t, std::int32_t, std::uint32_t, std::string>> expandedPlaces_;
  std::int32_t dataStart_ = 0;
};

// Starts the knowledge of a module's compile: a fresh entry, or the entry of
// its earlier compile emptied (a module compiled twice keeps its last).
ModuleKnowledge& StartModuleKnowledge(CompileKnowledge& knowledge, std::string_view name,
                                      std::string_view folder, bool isTopModule);

// Ends a compile's knowledge: keeps the diagnostics the Status list still
// shows, and resolves @MODULE.NAME references to the named module's
// definitions, reading the sources of modules this compile did not
// assemble (the module's ".qv3" in the referring module's folder, found as
// the assembler finds files, values from its object file).
void FinishKnowledge(CompileKnowledge& knowledge, const MessageList& status,
                     const FileOverlay* overlay = nullptr);

// The definitions of a module's source, without assembling it: labels and
// constants, those of INCLUDEd files (found in folder, "/"-terminated) placed
// on the including line and, given includedFiles (the module's
// IncludedFiles), in the included file as well. Values are not known
// (HasValue false).
std::vector<SymbolDefinition> ScanDefinitions(std::string_view source, std::string_view folder,
                                              const FileOverlay* overlay = nullptr,
                                              std::vector<std::string>* includedFiles = nullptr);

}  // namespace qv3
