// Which reading an instruction operand gets. Today's reading (at most two
// terms around the first "+" or "-", or one term after "<" or ">") stands
// wherever it gives the operand a meaning; the expression grammar reads
// only operands that today's reading refuses, so every source that
// assembled before assembles exactly as before.
#pragma once

#include <cstdint>
#include <string_view>

namespace qv3 {

struct ModuleAssembly;

// Whether today's reading of the operand's expression (its mode marks
// taken out) gives it a value. The answer is the same in both passes: a
// name with operator characters counts as defined in pass 1 when the
// module defines it anywhere, as it is in pass 2.
bool TodaysReadingHolds(ModuleAssembly& module, std::string_view expression, bool hasPlus,
                        bool hasMinus, bool isPass1);

struct ReadOperand {
  int Mode = 0;
  std::int64_t Value = 0;
  bool Valid = false;
  std::string_view Expression;  // the operand without its mode marks
};

// The operand as written (blanks kept), read with the expression grammar:
// "#E", "(E,X)", "(E),Y", "(E)", "E,X", "E,Y" or "E". A leading "(" always
// means indirect addressing; [ ] group inside. Faults are reported in pass
// 2 only; pass 1 then sizes the operand as a forward reference.
ReadOperand ReadOperandWithExpressions(ModuleAssembly& module, std::string_view operand, bool isPass1);

}  // namespace qv3
