// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/debugger/operand_access.h"

#include <string_view>

#include "engine/instruction_set.h"

namespace qv3::debugger {

namespace {

enum class Kind { None, Read, Write, Modify };

Kind KindOf(int row, int mode) {
  const std::string_view name = Mnemonics[static_cast<std::size_t>(row)];
  if (mode == kImplied || mode == kImmediate || mode == kIndirect) return Kind::None;
  if (name == "JMP" || name == "JSR" || IsRelativeBranch(mode, LookupOpcode(row, mode))) return Kind::None;
  if (name == "STA" || name == "STX" || name == "STY" || name == "SAX" || name == "SHA" || name == "SHX" ||
      name == "SHY" || name == "TAS")
    return Kind::Write;
  if (name == "ASL" || name == "LSR" || name == "ROL" || name == "ROR" || name == "INC" || name == "DEC" ||
      name == "SLO" || name == "RLA" || name == "SRE" || name == "RRA" || name == "DCP" || name == "ISC")
    return Kind::Modify;
  return Kind::Read;
}

}  // namespace

std::optional<OperandAccess> AccessOf(const std::array<std::uint8_t, 0x10000>& memory,
                                      const MachineState& state) {
  const std::optional<DecodedOpcode> decoded = DecodeOpcode(memory[state.PC]);
  if (!decoded) return std::nullopt;
  const Kind kind = KindOf(decoded->Row, decoded->Mode);
  if (kind == Kind::None) return std::nullopt;

  const auto at = [&memory](unsigned address) { return memory[address & 0xFFFF]; };
  const std::uint8_t low = at(state.PC + 1u);
  const unsigned word = low | at(state.PC + 2u) << 8;
  // Pointers in the zero page wrap within it.
  const auto zeroPageWord = [&at](unsigned pointer) { return at(pointer & 0xFF) | at((pointer + 1) & 0xFF) << 8; };
  unsigned address = 0;
  switch (decoded->Mode) {
    case kZeroPage: address = low; break;
    case kZeroPageX: address = (low + state.X) & 0xFF; break;
    case kZeroPageY: address = (low + state.Y) & 0xFF; break;
    case kAbsolute: address = word; break;
    case kAbsoluteX: address = word + state.X; break;
    case kAbsoluteY: address = word + state.Y; break;
    case kIndexedIndirect: address = zeroPageWord(low + state.X); break;
    case kIndirectIndexed: address = zeroPageWord(low) + state.Y; break;
    default: return std::nullopt;
  }
  return OperandAccess{static_cast<std::uint16_t>(address), kind != Kind::Write, kind != Kind::Read};
}

}  // namespace qv3::debugger
