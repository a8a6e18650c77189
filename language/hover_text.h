// The texts of the editor's tooltips: what the word under the mouse means
// to the assembler. Plain C++ over the engine's data, no widgets; every fact
// comes from the last check (symbols, the size the assembler chose for an
// instruction, diagnostics) or from the instruction-set tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv3 {
struct CompileKnowledge;
struct ModuleKnowledge;
}  // namespace qv3

// A word of a line as the editor shows it: [Begin, End) in bytes.
struct WordSpan {
  std::size_t Begin = 0;
  std::size_t End = 0;
};

// The word at column: a run of letters, digits and "_ $ % @ . ~" (so
// "LDA.16", "@GFX.INIT", "$1F" and "~name~" are one word each). Nothing on a blank, and nothing
// inside a "//" comment.
std::optional<WordSpan> WordAtColumn(std::string_view line, std::size_t column);

// A number literal's value as "$hex = decimal = %binary", read as the
// assembler reads it: upper case outside tildes only, so "$~ff~" is an
// invalid number (and "~$ff~", starting with "~", is a name, no literal).
// Empty when the word at column is no literal.
std::string NumberLiteralHover(std::string_view line, std::size_t column);

// The instruction of the line when column is on its mnemonic: the addressing
// mode the assembler used, its opcode, bytes and cycles, and the flags the
// instruction changes. module and lineNumber (1-based) say what the last
// check assembled there; without them (or for a line it did not assemble)
// the forms the operand can take are listed.
std::string MnemonicHover(std::string_view line, std::size_t column,
                          const qv3::ModuleKnowledge* module, std::int32_t lineNumber);

// The symbol reference or definition at column of the 1-based line of
// module: its value and where it is defined.
std::string SymbolHover(const qv3::CompileKnowledge& knowledge, const qv3::ModuleKnowledge& module,
                        std::int32_t lineNumber, std::size_t column);

// The Status texts of the line's diagnostics, one a line.
std::string DiagnosticsHover(const qv3::ModuleKnowledge& module, std::int32_t lineNumber);

// Everything the tooltip at column of the 1-based line shows: the line's
// diagnostics, then the word's meaning (symbol, mnemonic or literal) and
// the value of the expression around it.
// knowledge may be null (nothing checked yet).
std::string HoverText(const qv3::CompileKnowledge* knowledge, std::string_view line,
                      std::int32_t lineNumber, std::size_t column);
