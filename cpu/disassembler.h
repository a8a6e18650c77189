// One instruction at an address, written in the assembler's own notation so
// that the line assembles back to the same instruction: "LDA $1234,X",
// "BNE $1005", "LDA.16 $0012" for an absolute operand below $100 (the
// assembler would pick the zero-page form otherwise), "LAX ($12),Y" for an
// undocumented opcode. The opcodes that duplicate another (SBC # $EB, the
// NOPs other than $EA, $80, $04, $14, $0C, $1C, ANC # $2B, the JAMs other
// than $02) are written with their mnemonic too and assemble to the
// canonical opcode; Canonical says which lines do not come back byte for
// byte.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "cpu/cpu6502.h"

namespace qv3::cpu {

struct DisassembledLine {
  std::uint16_t Address = 0;
  int Length = 1;                     // 1 to 3 bytes
  std::array<std::uint8_t, 3> Bytes{};  // Length of them used; read wrapping at $FFFF
  std::string Text;
  bool Documented = false;
  bool Canonical = true;  // the assembler writes this opcode for Text
  // The address the operand names (memory operand, jump or branch target);
  // none for implied, accumulator and immediate operands.
  std::optional<std::uint16_t> OperandAddress;
};

// Gives a label for an address, or an empty text to keep the number.
using AddressNamer = std::function<std::string(std::uint16_t address)>;

DisassembledLine Disassemble(const Memory& memory, std::uint16_t address,
                             const AddressNamer& name = {});

// "$0F" / "$1234": the assembler's hex literals with a fixed digit count.
std::string HexByteText(std::uint8_t value);
std::string HexWordText(std::uint16_t value);

}  // namespace qv3::cpu
