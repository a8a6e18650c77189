// The state of assembling one module over both passes, shared by the driver,
// the line processor, the instruction assembler and the operand evaluator.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/label_scopes.h"
#include "engine/line_context.h"
#include "engine/source_text_lines.h"
#include "engine/symbol_table.h"

namespace qv3 {

struct CompileSession;
class KnowledgeCollector;
class OutputFile;
struct LineSourceState;

// The ".prg" file's bytes, gathered in memory and written once at the end.
// Addresses cover 64 KB plus the two header bytes; a write past that is
// refused (the caller reports the program as too large).
class ProgramImage {
 public:
  static constexpr std::int64_t kMaxSize = 65538;
  std::size_t Size() const { return bytes_.size(); }
  void Seek(std::int64_t position) { position_ = position; }
  std::int64_t Position() const { return position_; }
  // Writes at the position and advances it; false when beyond kMaxSize.
  bool Put(std::uint8_t byte);
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::int64_t position_ = 0;
};

struct ModuleAssembly {
  ModuleAssembly(CompileSession& session, SourceText source);
  // Lines held as strings are seen through views kept here (of the lines
  // as they are when the assembly is made).
  ModuleAssembly(CompileSession& session, const std::vector<std::string>& sourceLines);
  ~ModuleAssembly();
  ModuleAssembly(const ModuleAssembly&) = delete;
  ModuleAssembly& operator=(const ModuleAssembly&) = delete;

  CompileSession& Session;

 private:
  LineViews lineViews_;

 public:
  SourceText Source;
  std::string ModuleName;  // lower-cased file name without folder and extension
  bool IsTopModule = true;
  std::string Directory;  // ends in "/": dependents, includes, outputs
  // The COMPILE lines found by the pre-scan (views of the source's lines).
  // The dependent files are named from them when the dependents are
  // assembled, so a very long list is never held as a list of full names.
  std::vector<std::string_view> CompileLines;
  std::size_t LineCount = 0;  // counted by the pre-scan

  std::int32_t Origin = 0;
  std::uint16_t LoadAddress = 0;
  std::int32_t HeaderSize = 2;
  bool Stripped = false;
  bool CodeListing = false;
  SymbolTable Symbols;

  // Pass 2 output: created before the pass, written when the module ends.
  ProgramImage ProgramFile;
  // The object file's text not yet passed on: all of it while no output
  // is attached (pass 1, tests), else at most about one chunk.
  std::string ObjectFile;
  OutputFile* ObjectOutput = nullptr;
  // Set when no object file is written: its text is dropped as it grows.
  bool DiscardObjectText = false;
  std::string ProgramPath;
  std::string ObjectPath;

  int IncludeDepth = 0;
  // One line context per include depth, reused from line to line so that
  // handling a line does not allocate its texts anew.
  std::vector<std::unique_ptr<LineContext>> LineContexts;
  // Scratch space of the instruction assembler, reused for the same reason.
  std::string OperandScratch;
  // Set when an INCLUDE of the module line being handled ran into the depth
  // limit; the line's remaining INCLUDEs are then refused as well.
  bool IncludeLimitReached = false;
  // The names the module defines that hold operator characters (case
  // folded, sorted), found when pass 1 first needs them.
  std::optional<std::vector<std::string>> OperatorNames;
  // Set when the session collects what the compile knew.
  KnowledgeCollector* Knowledge = nullptr;

  // Local and anonymous labels of the pass.
  LabelScopes Scopes;
  // Open IF, REPEAT and MACRO blocks, the macros and the expansion under
  // way; made when the first of them is met, so a module without them
  // pays one test per line (engine/line_source.h).
  std::unique_ptr<LineSourceState> Blocks;
};

// Adds to Origin with 32-bit wrap-around.
inline void AdvanceOrigin(ModuleAssembly& module, std::int64_t amount) {
  module.Origin = static_cast<std::int32_t>(static_cast<std::uint32_t>(module.Origin) +
                                            static_cast<std::uint32_t>(amount));
}

// Writes the load address into a still empty program file (unless stripped).
void WriteLoadAddress(ModuleAssembly& module);
// Positions the program file at the byte that belongs to Origin.
void SeekOrigin(ModuleAssembly& module);
// Writes one byte at the program file's position. A position before the
// file's start abandons the compile; one beyond 64 KB is refused and, with
// reportRefusal, reported (code 14). Returns whether the byte was stored.
// Writers of many bytes on one line report only the first refusal: the
// later ones would repeat its text, at the cost of the line's length each.
bool WriteProgramByte(ModuleAssembly& module, std::uint8_t byte, bool reportRefusal = true);
// The object file's symbol section: "// Objects", the symbols, "", "// Code".
void WriteObjectHeader(ModuleAssembly& module);
// Appends one line and CR LF to the object file.
void WriteObjectLine(ModuleAssembly& module, std::string_view line);
// Origin in upper-case hex with at least 4 digits, as listings show addresses.
std::string ListingAddress(std::int32_t origin);

}  // namespace qv3
