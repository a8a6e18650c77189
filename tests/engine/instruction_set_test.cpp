#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>

#include "engine/instruction_set.h"

namespace qv3 {
namespace {

// The documented NMOS 6502 opcodes, written out by opcode from a reference
// card rather than copied from the engine's table: opcode, mnemonic and
// addressing mode in the usual notation (imp, imm, zp, zpx, zpy, abs, abx,
// aby, izx = (zp,X), izy = (zp),Y, ind = (abs), rel = branch).
constexpr const char* kReferenceCard = R"(
00 BRK imp  01 ORA izx  05 ORA zp   06 ASL zp   08 PHP imp  09 ORA imm  0A ASL imp  0D ORA abs
0E ASL abs  10 BPL rel  11 ORA izy  15 ORA zpx  16 ASL zpx  18 CLC imp  19 ORA aby  1D ORA abx
1E ASL abx  20 JSR abs  21 AND izx  24 BIT zp   25 AND zp   26 ROL zp   28 PLP imp  29 AND imm
2A ROL imp  2C BIT abs  2D AND abs  2E ROL abs  30 BMI rel  31 AND izy  35 AND zpx  36 ROL zpx
38 SEC imp  39 AND aby  3D AND abx  3E ROL abx  40 RTI imp  41 EOR izx  45 EOR zp   46 LSR zp
48 PHA imp  49 EOR imm  4A LSR imp  4C JMP abs  4D EOR abs  4E LSR abs  50 BVC rel  51 EOR izy
55 EOR zpx  56 LSR zpx  58 CLI imp  59 EOR aby  5D EOR abx  5E LSR abx  60 RTS imp  61 ADC izx
65 ADC zp   66 ROR zp   68 PLA imp  69 ADC imm  6A ROR imp  6C JMP ind  6D ADC abs  6E ROR abs
70 BVS rel  71 ADC izy  75 ADC zpx  76 ROR zpx  78 SEI imp  79 ADC aby  7D ADC abx  7E ROR abx
81 STA izx  84 STY zp   85 STA zp   86 STX zp   88 DEY imp  8A TXA imp  8C STY abs  8D STA abs
8E STX abs  90 BCC rel  91 STA izy  94 STY zpx  95 STA zpx  96 STX zpy  98 TYA imp  99 STA aby
9A TXS imp  9D STA abx  A0 LDY imm  A1 LDA izx  A2 LDX imm  A4 LDY zp   A5 LDA zp   A6 LDX zp
A8 TAY imp  A9 LDA imm  AA TAX imp  AC LDY abs  AD LDA abs  AE LDX abs  B0 BCS rel  B1 LDA izy
B4 LDY zpx  B5 LDA zpx  B6 LDX zpy  B8 CLV imp  B9 LDA aby  BA TSX imp  BC LDY abx  BD LDA abx
BE LDX aby  C0 CPY imm  C1 CMP izx  C4 CPY zp   C5 CMP zp   C6 DEC zp   C8 INY imp  C9 CMP imm
CA DEX imp  CC CPY abs  CD CMP abs  CE DEC abs  D0 BNE rel  D1 CMP izy  D5 CMP zpx  D6 DEC zpx
D8 CLD imp  D9 CMP aby  DD CMP abx  DE DEC abx  E0 CPX imm  E1 SBC izx  E4 CPX zp   E5 SBC zp
E6 INC zp   E8 INX imp  E9 SBC imm  EA NOP imp  EC CPX abs  ED SBC abs  EE INC abs  F0 BEQ rel
F1 SBC izy  F5 SBC zpx  F6 INC zpx  F8 SED imp  F9 SBC aby  FD SBC abx  FE INC abx
)";

struct CardEntry {
  int Opcode;
  int Mode;    // matrix column
  int Length;  // bytes, opcode included
};

// Column and length of each notation; a branch sits in the absolute
// column but is two bytes long.
std::pair<int, int> ColumnAndLength(const std::string& notation) {
  static const std::map<std::string, std::pair<int, int>> table = {
      {"imp", {0, 1}}, {"imm", {1, 2}}, {"zp", {2, 2}},  {"zpx", {3, 2}},
      {"zpy", {4, 2}}, {"abs", {5, 3}}, {"rel", {5, 2}}, {"abx", {6, 3}},
      {"aby", {7, 3}}, {"izx", {8, 2}}, {"izy", {9, 2}}, {"ind", {10, 3}},
  };
  const auto found = table.find(notation);
  EXPECT_NE(found, table.end()) << notation;
  return found == table.end() ? std::pair{-1, 0} : found->second;
}

// (mnemonic, column) -> entry, read from the card.
std::map<std::pair<std::string, int>, CardEntry> ReadCard() {
  std::map<std::pair<std::string, int>, CardEntry> card;
  std::istringstream in(kReferenceCard);
  std::string opcode, mnemonic, notation;
  while (in >> opcode >> mnemonic >> notation) {
    const auto [column, length] = ColumnAndLength(notation);
    const int value = std::stoi(opcode, nullptr, 16);
    const bool fresh = card.emplace(std::pair{mnemonic, column}, CardEntry{value, column, length}).second;
    EXPECT_TRUE(fresh) << "card lists " << mnemonic << " " << notation << " twice";
  }
  return card;
}

TEST(OpcodeMatrix, EveryEntryMatchesTheReferenceCard) {
  const auto card = ReadCard();
  ASSERT_EQ(card.size(), 151u);
  int present = 0;
  for (int row = 0; row < kMnemonicCount; ++row) {
    const std::string mnemonic(Mnemonics[static_cast<std::size_t>(row)]);
    for (int mode = 0; mode < kAddressingModeCount; ++mode) {
      const OpcodeEntry entry = LookupOpcode(row, mode);
      const auto expected = card.find({mnemonic, mode});
      if (expected == card.end()) {
        EXPECT_EQ(entry.Length, 0) << mnemonic << " mode " << mode << " should not exist";
        EXPECT_EQ(entry.Opcode, 0) << mnemonic << " mode " << mode << ": empty cells hold 0/0";
        continue;
      }
      ++present;
      EXPECT_EQ(entry.Opcode, expected->second.Opcode) << mnemonic << " mode " << mode;
      EXPECT_EQ(entry.Length, expected->second.Length) << mnemonic << " mode " << mode;
    }
  }
  EXPECT_EQ(present, 151);
}

TEST(OpcodeMatrix, Holds151EntriesAnd465EmptyCells) {
  int entries = 0, empty = 0;
  std::set<int> opcodes;
  for (const OpcodeEntry& entry : OpcodeMatrix) {
    if (entry.Length == 0) {
      ++empty;
    } else {
      ++entries;
      opcodes.insert(entry.Opcode);
    }
  }
  EXPECT_EQ(OpcodeMatrix.size(), 616u);
  EXPECT_EQ(entries, 151);
  EXPECT_EQ(empty, 465);
  EXPECT_EQ(opcodes.size(), 151u) << "every opcode byte appears once";
}

TEST(OpcodeMatrix, LengthFollowsTheColumnExceptForBranches) {
  const int columnLength[kAddressingModeCount] = {1, 2, 2, 2, 2, 3, 3, 3, 2, 2, 3};
  int branches = 0;
  for (int row = 0; row < kMnemonicCount; ++row)
    for (int mode = 0; mode < kAddressingModeCount; ++mode) {
      const OpcodeEntry entry = LookupOpcode(row, mode);
      if (entry.Length == 0) continue;
      if (IsRelativeBranch(mode, entry)) {
        ++branches;
        EXPECT_GE(row, 47);
        EXPECT_LE(row, 54);
        continue;
      }
      EXPECT_EQ(entry.Length, columnLength[mode]) << Mnemonics[static_cast<std::size_t>(row)];
    }
  EXPECT_EQ(branches, 8);
}

TEST(OpcodeMatrix, BranchRowsHaveOnlyTheirColumnFiveEntry) {
  const std::pair<const char*, int> branches[] = {{"BPL", 0x10}, {"BMI", 0x30}, {"BVC", 0x50},
                                                  {"BVS", 0x70}, {"BCC", 0x90}, {"BCS", 0xB0},
                                                  {"BNE", 0xD0}, {"BEQ", 0xF0}};
  for (const auto& [name, opcode] : branches) {
    const int row = FindMnemonic(name);
    ASSERT_GE(row, 47) << name;
    ASSERT_LE(row, 54) << name;
    for (int mode = 0; mode < kAddressingModeCount; ++mode) {
      const OpcodeEntry entry = LookupOpcode(row, mode);
      if (mode == kAbsolute) {
        EXPECT_EQ(entry.Opcode, opcode) << name;
        EXPECT_EQ(entry.Length, 2) << name;
      } else {
        EXPECT_EQ(entry.Length, 0) << name << " mode " << mode;
      }
    }
  }
}

TEST(OpcodeMatrix, IrregularRows) {
  const int ldx = FindMnemonic("LDX"), stx = FindMnemonic("STX");
  const int ldy = FindMnemonic("LDY"), sty = FindMnemonic("STY");
  EXPECT_EQ(LookupOpcode(ldx, kZeroPageY).Opcode, 0xB6);
  EXPECT_EQ(LookupOpcode(ldx, kAbsoluteY).Opcode, 0xBE);
  EXPECT_EQ(LookupOpcode(ldx, kZeroPageX).Length, 0);
  EXPECT_EQ(LookupOpcode(ldx, kAbsoluteX).Length, 0);
  EXPECT_EQ(LookupOpcode(stx, kAbsoluteY).Length, 0);
  EXPECT_EQ(LookupOpcode(stx, kZeroPageY).Opcode, 0x96);
  EXPECT_EQ(LookupOpcode(ldy, kZeroPageX).Opcode, 0xB4);
  EXPECT_EQ(LookupOpcode(ldy, kAbsoluteX).Opcode, 0xBC);
  EXPECT_EQ(LookupOpcode(ldy, kZeroPageY).Length, 0);
  EXPECT_EQ(LookupOpcode(sty, kAbsoluteX).Length, 0);
  for (const char* name : {"LDA", "STA", "CMP", "AND", "ORA", "EOR", "ADC", "SBC"}) {
    const int row = FindMnemonic(name);
    EXPECT_EQ(LookupOpcode(row, kZeroPageY).Length, 0) << name;
    EXPECT_NE(LookupOpcode(row, kAbsoluteY).Length, 0) << name;
  }
  const int jmp = FindMnemonic("JMP");
  int jmpEntries = 0;
  for (int mode = 0; mode < kAddressingModeCount; ++mode) jmpEntries += LookupOpcode(jmp, mode).Length != 0;
  EXPECT_EQ(jmpEntries, 2);
  EXPECT_EQ(LookupOpcode(jmp, kIndirect).Opcode, 0x6C);
  EXPECT_EQ(LookupOpcode(jmp, kIndirect).Length, 3);
  const int brk = FindMnemonic("BRK");
  EXPECT_EQ(LookupOpcode(brk, kImplied).Opcode, 0x00);
  EXPECT_EQ(LookupOpcode(brk, kImplied).Length, 1);  // opcode 00 is a real entry
}

// Base cycles by opcode as a timing chart prints them, row $x0-$xF per line:
// "." undocumented, "+" one more cycle when the indexed read crosses a page.
constexpr const char* kCycleChart = R"(
7 6  . . .  3 5 . 3 2  2 . .  4  6 .
2 5+ . . .  4 6 . 2 4+ . . .  4+ 7 .
6 6  . . 3  3 5 . 4 2  2 . 4  4  6 .
2 5+ . . .  4 6 . 2 4+ . . .  4+ 7 .
6 6  . . .  3 5 . 3 2  2 . 3  4  6 .
2 5+ . . .  4 6 . 2 4+ . . .  4+ 7 .
6 6  . . .  3 5 . 4 2  2 . 5  4  6 .
2 5+ . . .  4 6 . 2 4+ . . .  4+ 7 .
. 6  . . 3  3 3 . 2 .  2 . 4  4  4 .
2 6  . . 4  4 4 . 2 5  2 . .  5  . .
2 6  2 . 3  3 3 . 2 2  2 . 4  4  4 .
2 5+ . . 4  4 4 . 2 4+ 2 . 4+ 4+ 4+ .
2 6  . . 3  3 5 . 2 2  2 . 4  4  6 .
2 5+ . . .  4 6 . 2 4+ . . .  4+ 7 .
2 6  . . 3  3 5 . 2 2  2 . 4  4  6 .
2 5+ . . .  4 6 . 2 4+ . . .  4+ 7 .
)";

TEST(OpcodeTiming, CyclesAndPageCrossingMatchTheChart) {
  std::istringstream in(kCycleChart);
  std::string cell;
  int opcode = 0, documented = 0;
  while (in >> cell) {
    ASSERT_LT(opcode, 256);
    const auto decoded = DecodeOpcode(static_cast<std::uint8_t>(opcode));
    if (cell == ".") {
      EXPECT_FALSE(decoded) << "opcode " << opcode << " is undocumented";
    } else if (decoded) {
      ++documented;
      EXPECT_EQ(decoded->Entry.Cycles, cell[0] - '0') << "opcode " << opcode;
      EXPECT_EQ(decoded->Entry.PageCrossCycle, cell.size() == 2) << "opcode " << opcode;
    } else {
      ADD_FAILURE() << "opcode " << opcode << " should decode";
    }
    ++opcode;
  }
  EXPECT_EQ(opcode, 256);
  EXPECT_EQ(documented, 151);
}

TEST(OpcodeTiming, OnlyIndexedReadsPayForAPageCrossing) {
  for (const char* name : {"STA", "STX", "STY", "INC", "DEC", "ASL", "LSR", "ROL", "ROR", "JMP", "JSR"})
    for (int mode = 0; mode < kAddressingModeCount; ++mode)
      EXPECT_FALSE(LookupOpcode(FindMnemonic(name), mode).PageCrossCycle) << name << " mode " << mode;
  for (const OpcodeEntry& entry : OpcodeMatrix)
    if (entry.PageCrossCycle) {
      EXPECT_EQ(entry.Length == 3 ? 4 : 5, entry.Cycles);
    }
  // Branches: 2 base cycles; the taken penalties are the core's business.
  for (const char* name : {"BPL", "BMI", "BVC", "BVS", "BCC", "BCS", "BNE", "BEQ"})
    EXPECT_EQ(LookupOpcode(FindMnemonic(name), kAbsolute).Cycles, 2) << name;
}

TEST(DecodeOpcode, EveryEntryDecodesBackToItsRowAndMode) {
  for (int row = 0; row < kMnemonicCount; ++row)
    for (int mode = 0; mode < kAddressingModeCount; ++mode) {
      const OpcodeEntry entry = LookupOpcode(row, mode);
      if (entry.Length == 0) continue;
      const auto decoded = DecodeOpcode(entry.Opcode);
      ASSERT_TRUE(decoded) << Mnemonics[static_cast<std::size_t>(row)];
      EXPECT_EQ(decoded->Row, row);
      EXPECT_EQ(decoded->Mode, mode);
      EXPECT_EQ(decoded->Entry.Opcode, entry.Opcode);
      EXPECT_EQ(decoded->Entry.Length, entry.Length);
    }
}

TEST(DecodeOpcode, TheTwelveJamOpcodesAreUndocumented) {
  const std::set<int> jams = {0x02, 0x12, 0x22, 0x32, 0x42, 0x52, 0x62, 0x72, 0x92, 0xB2, 0xD2, 0xF2};
  int undocumented = 0;
  for (int opcode = 0; opcode < 256; ++opcode) {
    const auto byte = static_cast<std::uint8_t>(opcode);
    EXPECT_EQ(IsJamOpcode(byte), jams.count(opcode) == 1) << opcode;
    if (!DecodeOpcode(byte)) ++undocumented;
    if (IsJamOpcode(byte)) {
      EXPECT_FALSE(DecodeOpcode(byte)) << opcode;
    }
  }
  EXPECT_EQ(undocumented, 105);
  EXPECT_FALSE(IsJamOpcode(0x82));  // two-byte NOPs, not halts
  EXPECT_FALSE(IsJamOpcode(0xC2));
  EXPECT_FALSE(IsJamOpcode(0xE2));
}

TEST(FlagsChanged, EasilyConfusedRows) {
  const std::pair<const char*, const char*> expected[] = {
      {"LDA", "NZ"},  {"STA", ""},   {"ADC", "NVZC"}, {"SBC", "NVZC"},  {"BIT", "NVZ"},
      {"CMP", "NZC"}, {"CPY", "NZC"}, {"ROR", "NZC"},  {"PLP", "NVDIZC"}, {"RTI", "NVDIZC"},
      {"PHP", ""},    {"PLA", "NZ"},  {"TXS", ""},    {"TSX", "NZ"},    {"BRK", "BI"},
      {"CLV", "V"},   {"SED", "D"},   {"CLI", "I"},   {"JSR", ""},      {"BEQ", ""},
  };
  for (const auto& [name, flags] : expected) EXPECT_EQ(FlagsChanged(FindMnemonic(name)), flags) << name;
  EXPECT_EQ(FlagsChanged(-1), "");
  EXPECT_EQ(FlagsChanged(kMnemonicCount), "");
  // Letters always appear in register order.
  const std::string_view order = "NV-BDIZC";
  for (int row = 0; row < kMnemonicCount; ++row) {
    std::size_t last = 0;
    for (char letter : FlagsChanged(row)) {
      const auto at = order.find(letter);
      ASSERT_NE(at, std::string_view::npos) << Mnemonics[static_cast<std::size_t>(row)];
      EXPECT_GE(at, last) << Mnemonics[static_cast<std::size_t>(row)];
      last = at;
    }
  }
}

TEST(Mnemonics, OrderAndIndices) {
  const char* expected =
      "LDA STA LDX STX LDY STY INC DEC CMP CPX CPY AND ORA EOR ASL LSR ROL ROR ADC SBC "
      "CLC SEC CLI SEI CLV SED CLD TXS INY DEY INX DEX TXA TAX TYA TAY PHA PLA PLP PHP "
      "TSX JSR JMP RTS RTI NOP BRK BNE BEQ BPL BMI BCC BCS BVS BVC BIT";
  std::istringstream in(expected);
  std::string word;
  int index = 0;
  while (in >> word) {
    ASSERT_LT(index, kMnemonicCount);
    EXPECT_EQ(Mnemonics[static_cast<std::size_t>(index)], word);
    EXPECT_EQ(FindMnemonic(word), index);
    ++index;
  }
  EXPECT_EQ(index, 56);
}

TEST(FindMnemonic, ExactAndCaseSensitive) {
  EXPECT_EQ(FindMnemonic("LDA"), 0);
  EXPECT_EQ(FindMnemonic("BIT"), 55);
  EXPECT_EQ(FindMnemonic("BRK"), 46);
  EXPECT_EQ(FindMnemonic("lda"), -1);
  EXPECT_EQ(FindMnemonic("Lda"), -1);
  EXPECT_EQ(FindMnemonic("LDA "), -1);
  EXPECT_EQ(FindMnemonic(" LDA"), -1);
  EXPECT_EQ(FindMnemonic("LDAX"), -1);
  EXPECT_EQ(FindMnemonic("LD"), -1);
  EXPECT_EQ(FindMnemonic(""), -1);
  EXPECT_EQ(FindMnemonic(std::string_view("LDA\0", 4)), -1);
  EXPECT_EQ(FindMnemonic("LAX"), -1);  // undocumented opcodes are not part of the set
  EXPECT_EQ(FindMnemonic("STZ"), -1);  // nor are later family members' additions
}

TEST(AddressingModes, NotationTexts) {
  const char* expected[] = {"", "#$nn", "$nn", "$nn,X", "$nn,Y", "$nnnn",
                            "$nnnn,X", "$nnnn,Y", "($nn,X)", "($nn),Y", "($nnnn)"};
  for (int mode = 0; mode < kAddressingModeCount; ++mode)
    EXPECT_EQ(AddressingModeNotations[static_cast<std::size_t>(mode)], expected[mode]);
  // The assembler turns an absolute mode into its zero-page one by subtracting 3.
  EXPECT_EQ(kAbsolute - 3, kZeroPage);
  EXPECT_EQ(kAbsoluteX - 3, kZeroPageX);
  EXPECT_EQ(kAbsoluteY - 3, kZeroPageY);
}

}  // namespace
}  // namespace qv3
