// The documented NMOS 6502 instruction set: mnemonics, addressing modes and
// the opcode matrix the instruction assembler works from.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace qv3 {

inline constexpr int kMnemonicCount = 56;
inline constexpr int kAddressingModeCount = 11;

// Addressing mode numbers are the matrix columns. Each zero-page mode is its
// absolute counterpart minus 3; the assembler relies on that.
enum AddressingMode : int {
  kImplied = 0,
  kImmediate = 1,
  kZeroPage = 2,
  kZeroPageX = 3,
  kZeroPageY = 4,
  kAbsolute = 5,  // relative for the eight branches
  kAbsoluteX = 6,
  kAbsoluteY = 7,
  kIndexedIndirect = 8,
  kIndirectIndexed = 9,
  kIndirect = 10,
};

extern const std::array<std::string_view, kMnemonicCount> Mnemonics;
// The notation text of each mode ("", "#$nn", "$nn", ...).
extern const std::array<std::string_view, kAddressingModeCount> AddressingModeNotations;

struct OpcodeEntry {
  std::uint8_t Opcode = 0;
  std::uint8_t Length = 0;  // 0: the mnemonic has no such mode
};

// 56 rows by 11 columns, row after row.
extern const std::array<OpcodeEntry, kMnemonicCount * kAddressingModeCount> OpcodeMatrix;

inline OpcodeEntry LookupOpcode(int row, int mode) {
  return OpcodeMatrix[static_cast<std::size_t>(row * kAddressingModeCount + mode)];
}

// A column-5 entry of length 2 marks a relative branch.
inline bool IsRelativeBranch(int mode, OpcodeEntry entry) {
  return mode == kAbsolute && entry.Length == 2;
}

// The row of the mnemonic equal to text (exact, case-sensitive), or -1.
int FindMnemonic(std::string_view text);

}  // namespace qv3
