// The documented NMOS 6502 instruction set: mnemonics, addressing modes and
// the opcode matrix the instruction assembler works from.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
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

// Cycles are the documented base count. PageCrossCycle marks the reads through
// abs,X / abs,Y / (zp),Y, which take one cycle more when the indexed address
// lies on another page than the base; stores and read-modify-write
// instructions always take their fixed count. A branch takes its 2 base
// cycles when not taken, 3 when taken to the same page as the instruction
// after it, 4 when taken to another page.
struct OpcodeEntry {
  std::uint8_t Opcode = 0;
  std::uint8_t Length = 0;  // 0: the mnemonic has no such mode
  std::uint8_t Cycles = 0;
  bool PageCrossCycle = false;
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

// The status flags the mnemonic of a row changes, as letters in NV-BDIZC
// order: "NZ" for LDA, "NVZC" for ADC, "" for STA. PLP and RTI give
// "NVDIZC": they load every flag there is; B exists only in the copy pushed
// on the stack. BRK gives "BI": it pushes B set and sets I. Rows outside the
// table give "".
std::string_view FlagsChanged(int row);

struct DecodedOpcode {
  int Row;
  int Mode;
  OpcodeEntry Entry;
};

// The matrix read backwards: the row, mode and entry of a documented opcode;
// nothing for the 105 undocumented ones.
std::optional<DecodedOpcode> DecodeOpcode(std::uint8_t opcode);

// The twelve undocumented opcodes that halt an NMOS 6502 ($02, $12, ... $F2
// apart from $82, $C2 and $E2).
bool IsJamOpcode(std::uint8_t opcode);

}  // namespace qv3
