// Turns an instruction line into 6502 machine code and its listing line.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qv3 {

struct ModuleAssembly;
struct LineContext;

// Assembles the instruction of the line: the mnemonic is FirstWord, or the
// next word of RestOfLine when the line began with a label (AfterLabel).
// Measures it in pass 1; writes its bytes and listing line in pass 2.
void AssembleInstruction(ModuleAssembly& module, LineContext& line);

// What an instruction line says before any value is known, read the way
// AssembleInstruction reads it: for the editor, which then learns the size
// the assembler chose from what a compile recorded.
struct InstructionForm {
  int Row = -1;                    // the mnemonic's row in OpcodeMatrix
  std::size_t MnemonicColumn = 0;  // 0-based, in the line as written
  std::size_t MnemonicLength = 0;  // the word, postfix included
  std::string Postfix;             // after the mnemonic's ".", upper case
  // The mode the operand's punctuation names; an absolute mode also stands
  // for its zero-page counterpart, which the value decides.
  int WrittenMode = 0;
};
// Nothing for a line that holds no known mnemonic where an instruction
// stands (a constant definition, a directive, a label alone, a comment).
std::optional<InstructionForm> ReadInstructionForm(std::string_view lineText);

}  // namespace qv3
