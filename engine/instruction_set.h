// The NMOS 6502 instruction set as the Plus/4's 7501/8501 runs it: mnemonics,
// addressing modes and the opcode matrix the instruction assembler works
// from. The first 56 rows are the documented instructions (listings print
// their names from here, so their order is fixed); the undocumented ones
// follow, and the NOP row carries the undocumented NOP forms with operands.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace qv3 {

inline constexpr int kDocumentedMnemonicCount = 56;
inline constexpr int kMnemonicCount = 76;
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
  bool Undocumented = false;
};

// kMnemonicCount rows by 11 columns, row after row. Each (row, mode) holds
// the one opcode the assembler writes; where the 6502 has several opcodes for
// the same operation (NOP, SBC #, ANC #, JAM) the others are decoded only
// (DecodeOpcode). LAX # and LXA # both write $AB, which decodes as LXA.
extern const std::array<OpcodeEntry, kMnemonicCount * kAddressingModeCount> OpcodeMatrix;

inline OpcodeEntry LookupOpcode(int row, int mode) {
  return OpcodeMatrix[static_cast<std::size_t>(row * kAddressingModeCount + mode)];
}

// A column-5 entry of length 2 marks a relative branch.
inline bool IsRelativeBranch(int mode, OpcodeEntry entry) {
  return mode == kAbsolute && entry.Length == 2;
}

// The row of the mnemonic equal to text (exact, case-sensitive), or -1.
// Undocumented instructions are also found by their common other names
// (MnemonicAliases).
int FindMnemonic(std::string_view text);

struct MnemonicAlias {
  std::string_view Name;
  int Row;
};
// The other names of undocumented instructions: 64tass's (ISB, DCM, ASR,
// AXS, LDS, LAE, SHS, AHX, XAA), the Lorenz test suite's (ASO, LSE) and
// INS, KIL. AXS means SBX as in 64tass; Lorenz's AXS (a store of A AND X)
// is written SAX here.
extern const std::array<MnemonicAlias, 13> MnemonicAliases;

inline bool IsDocumentedRow(int row) { return row >= 0 && row < kDocumentedMnemonicCount; }

// The status flags the mnemonic of a row changes, as letters in NV-BDIZC
// order: "NZ" for LDA, "NVZC" for ADC, "" for STA. PLP and RTI give
// "NVDIZC": they load every flag there is; B exists only in the copy pushed
// on the stack. BRK gives "BI": it pushes B set and sets I. Rows outside the
// table give "".
std::string_view FlagsChanged(int row);

struct DecodedOpcode {
  int Row;
  int Mode;
  OpcodeEntry Entry;  // Entry.Opcode is the decoded byte
  // Whether the assembler writes this byte for (Row, Mode); false for the
  // duplicates such as SBC # $EB or the NOPs other than $EA, $80, $04,
  // $14, $0C and $1C.
  bool Canonical;
};

// The matrix read backwards, with the duplicate opcodes: every one of the
// 256 bytes decodes (151 documented, 105 with Entry.Undocumented set).
std::optional<DecodedOpcode> DecodeOpcode(std::uint8_t opcode);

// The twelve undocumented opcodes that halt an NMOS 6502 ($02, $12, ... $F2
// apart from $82, $C2 and $E2).
bool IsJamOpcode(std::uint8_t opcode);

}  // namespace qv3
