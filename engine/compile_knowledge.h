// What a compile learnt about the sources it assembled, as plain data for
// the editor (underlines, hover, go to definition, references, outline) and
// the debugger (breakpoints, current line, labels). Filled only when a
// CompileSession points Knowledge at an instance; otherwise nothing of this
// is touched and the assembler pays nothing for it.
//
//   From the "Compile" command:  CompileKnowledge known; session.Knowledge = &known;
//                                RunCompileCommand(session, ...);   // known is filled
//   From a check while editing:  CheckCompile(text, module, folder).Knowledge
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/diagnostics.h"

namespace qv3 {

enum class SymbolKind : std::uint8_t { Label, Constant };

// A place in a module's source. Line is 1-based; Column (0-based) and Length
// count bytes of the line as the editor shows it: TABs, letter case and
// comments as written. Text that came from an INCLUDEd file is placed on
// the module's INCLUDE line (as diagnostics are) with FromInclude set; its
// place in the included file itself is IncludedFile (1 + an index into
// ModuleKnowledge::IncludedFiles, 0 when not known) and IncludedLine, and
// Column and Length then count in that file's line.
struct SourceSpan {
  std::int32_t Line = 0;
  std::uint32_t Column = 0;
  std::uint32_t Length = 0;
  bool FromInclude = false;
  std::uint32_t IncludedFile = 0;
  std::int32_t IncludedLine = 0;
};

struct SymbolDefinition {
  std::string Name;  // as the assembler keys it: upper case outside tildes
  SymbolKind Kind = SymbolKind::Label;
  std::uint16_t Value = 0;  // as pass 2 left it (labels move to where pass 2 met them)
  bool HasValue = true;     // false for a module only scanned, whose object file gave none
  SourceSpan Where;         // the name, without a label's ":"
};

struct SymbolReference {
  std::string Name;    // the symbol's name as the assembler read it (no "@MODULE.")
  std::string Module;  // the module that defines it: this module's name, or the one of @MODULE.NAME
  bool External = false;  // written as @MODULE.NAME
  bool Anonymous = false;  // "-", "--", "+", ...: Value is the anonymous label's address
  SourceSpan Where;       // the whole term, "@MODULE." included
  // Index into Definitions of the defining module (CompileKnowledge::FindModule(Module)),
  // when that module's definition is known.
  std::optional<std::size_t> Definition;
  // The value the term gave in pass 2; nothing for an unknown symbol or a
  // constant the object file did not hold.
  std::optional<std::int32_t> Value;
};

// Bytes one line put into the program: Size bytes from origin Address. A line
// may have several (an INCLUDE line, a line that includes code after an
// ORIGIN). Address is the origin as the assembler counted it and may lie past
// $FFFF in a program too large.
struct AssembledRange {
  std::int32_t Line = 0;
  std::int32_t Address = 0;
  std::uint32_t Size = 0;
  // An instruction has a range of its own, with the opcode the assembler
  // chose (so its addressing mode, DecodeOpcode); data and runs of data
  // lines of an INCLUDEd file are joined while they follow each other.
  bool Instruction = false;
  std::uint8_t Opcode = 0;
  // For bytes a macro or a REPEAT block made: the module line of the body
  // line that made them (Line is then the invocation's, or for a REPEAT
  // block of the module's own text the body line itself); 0 otherwise.
  std::int32_t MacroLine = 0;
};

// An IF ... ENDIF, REPEAT ... ENDREPEAT or MACRO ... ENDMACRO block of the
// module's own text (the editor folds it).
enum class BlockKind : std::uint8_t { Condition, Repeat, Macro };
struct BlockSpan {
  BlockKind Kind = BlockKind::Condition;
  std::int32_t FirstLine = 0;  // the opening keyword's line
  std::int32_t LastLine = 0;   // the closing keyword's line
};

// A macro defined in the module's own text.
struct MacroInfo {
  std::string Name;                     // upper case
  std::vector<std::string> Parameters;  // upper case
  SourceSpan Where;                     // the name on the MACRO line
  std::int32_t LastLine = 0;            // the ENDMACRO line
};

// A diagnostic of a line as the Status list shows it (after a module compiled
// twice has had its first compile's diagnostics withdrawn).
struct LineDiagnostic {
  std::int32_t Line = 0;  // 0 for a diagnostic not tied to a line
  ErrorCode Code = 0;
  bool Fatal = false;
  std::uint8_t Pass = 1;
  std::string Text;  // the Status line
};

struct ModuleKnowledge {
  std::string Name;    // as diagnostics name it (lower case, no folder, no extension)
  std::string Folder;  // ends in "/"
  bool IsTopModule = false;
  // false when the module was not assembled by this compile but its source
  // was read for the definitions an @MODULE.NAME reference names.
  bool Assembled = true;

  std::vector<SymbolDefinition> Definitions;  // in order of definition
  std::vector<SymbolReference> References;    // in source order
  std::vector<AssembledRange> Ranges;         // in source order, so by Line
  std::vector<LineDiagnostic> Diagnostics;    // in Status list order
  // The paths of the INCLUDEd files, as the assembler opened them, each once.
  std::vector<std::string> IncludedFiles;
  // The module's own lines that a condition left out (IF branches not
  // taken), ascending.
  std::vector<std::int32_t> InactiveLines;
  std::vector<BlockSpan> Blocks;  // in the order they close
  std::vector<MacroInfo> Macros;  // in order of definition
  // Invocations of those macros in the module's own lines: name (upper
  // case) and where it is written.
  std::vector<std::pair<std::string, SourceSpan>> MacroUses;
  // The macro whose name (on its MACRO line or in an invocation) holds the
  // column of the line; nothing elsewhere.
  const MacroInfo* MacroAt(std::int32_t line, std::uint32_t column) const;

  // The first definition of a name, letter case ignored; nothing when unknown.
  std::optional<std::size_t> FindDefinition(std::string_view name) const;
  // The ranges of one line (a contiguous run of Ranges).
  std::vector<AssembledRange> RangesOfLine(std::int32_t line) const;
  // The first line at or after line that put bytes into the program.
  std::optional<std::int32_t> NextLineWithCode(std::int32_t line) const;
  // The line whose byte sits at address (the last writer, as in the
  // program file); nothing when no line put a byte there.
  std::optional<std::int32_t> LineAtAddress(std::uint16_t address) const;
  // Expansions (macros, REPEAT blocks). The instructions a body line made,
  // one per expansion: where a breakpoint on that line stops.
  std::vector<std::uint16_t> AddressesOfBodyLine(std::int32_t line) const;
  // The body line (module line) of the expanded instruction at address;
  // nothing for an instruction no expansion made.
  std::optional<std::int32_t> BodyLineAt(std::uint16_t address) const;
  // Past the last byte of the expansion the instruction at address belongs
  // to (the run of expanded ranges of its invocation line that holds it):
  // where a step over the whole invocation ends.
  std::optional<std::uint16_t> ExpansionEndAt(std::uint16_t address) const;
  // The diagnostics of one line.
  std::vector<const LineDiagnostic*> DiagnosticsOfLine(std::int32_t line) const;
  // The path of the included file a span lies in; empty for the module's own text.
  std::string_view IncludedFileOf(const SourceSpan& span) const;
  // What stands at a column of a line (0-based, as SourceSpan counts): the
  // reference whose span holds it, or the definition whose name does.
  const SymbolReference* ReferenceAt(std::int32_t line, std::uint32_t column) const;
  std::optional<std::size_t> DefinitionAt(std::int32_t line, std::uint32_t column) const;
};

// A byte of a program traced back to its source.
struct CodeLocation {
  const ModuleKnowledge* Module = nullptr;
  std::int32_t Line = 0;
};

// A definition with the module it lives in.
struct DefinitionPlace {
  const ModuleKnowledge* Module = nullptr;
  const SymbolDefinition* Definition = nullptr;
};

struct CompileKnowledge {
  // The top module first, then its dependents in compile order (a module
  // compiled twice keeps what its last compile learnt), then modules only
  // scanned for @MODULE.NAME definitions. A deque: a module's entry stays
  // where it is while others are added.
  std::deque<ModuleKnowledge> Modules;

  const ModuleKnowledge* FindModule(std::string_view name) const;
  ModuleKnowledge* FindModule(std::string_view name);
  const ModuleKnowledge* TopModule() const;
  // The line that put the byte at address, searched in the top module
  // first, then in the other assembled modules.
  std::optional<CodeLocation> LineAtAddress(std::uint16_t address) const;
  // Where a reference's symbol is defined, when known.
  std::optional<DefinitionPlace> DefinitionOf(const SymbolReference& reference) const;
  // Every reference to one definition, in every module.
  std::vector<std::pair<const ModuleKnowledge*, const SymbolReference*>> ReferencesTo(
      const ModuleKnowledge& module, std::size_t definition) const;
};

}  // namespace qv3
