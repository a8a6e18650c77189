// Turns an instruction line into 6502 machine code and its listing line.
#pragma once

namespace qv3 {

struct ModuleAssembly;
struct LineContext;

// Assembles the instruction of the line: the mnemonic is FirstWord, or the
// next word of RestOfLine when the line began with a label (AfterLabel).
// Measures it in pass 1; writes its bytes and listing line in pass 2.
void AssembleInstruction(ModuleAssembly& module, LineContext& line);

}  // namespace qv3
