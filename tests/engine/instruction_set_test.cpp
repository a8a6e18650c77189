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

// The undocumented opcodes, likewise from a reference table of the NMOS
// part ("unintended opcodes"), with the names this assembler uses. Several
// bytes do the same (NOP, SBC #, ANC #, JAM): all are listed.
constexpr const char* kUndocumentedCard = R"(
02 JAM imp  03 SLO izx  04 NOP zp   07 SLO zp   0B ANC imm  0C NOP abs  0F SLO abs  12 JAM imp
13 SLO izy  14 NOP zpx  17 SLO zpx  1A NOP imp  1B SLO aby  1C NOP abx  1F SLO abx  22 JAM imp
23 RLA izx  27 RLA zp   2B ANC imm  2F RLA abs  32 JAM imp  33 RLA izy  34 NOP zpx  37 RLA zpx
3A NOP imp  3B RLA aby  3C NOP abx  3F RLA abx  42 JAM imp  43 SRE izx  44 NOP zp   47 SRE zp
4B ALR imm  4F SRE abs  52 JAM imp  53 SRE izy  54 NOP zpx  57 SRE zpx  5A NOP imp  5B SRE aby
5C NOP abx  5F SRE abx  62 JAM imp  63 RRA izx  64 NOP zp   67 RRA zp   6B ARR imm  6F RRA abs
72 JAM imp  73 RRA izy  74 NOP zpx  77 RRA zpx  7A NOP imp  7B RRA aby  7C NOP abx  7F RRA abx
80 NOP imm  82 NOP imm  83 SAX izx  87 SAX zp   89 NOP imm  8B ANE imm  8F SAX abs  92 JAM imp
93 SHA izy  97 SAX zpy  9B TAS aby  9C SHY abx  9E SHX aby  9F SHA aby  A3 LAX izx  A7 LAX zp
AB LXA imm  AF LAX abs  B2 JAM imp  B3 LAX izy  B7 LAX zpy  BB LAS aby  BF LAX aby  C2 NOP imm
C3 DCP izx  C7 DCP zp   CB SBX imm  CF DCP abs  D2 JAM imp  D3 DCP izy  D4 NOP zpx  D7 DCP zpx
DA NOP imp  DB DCP aby  DC NOP abx  DF DCP abx  E2 NOP imm  E3 ISC izx  E7 ISC zp   EB SBC imm
EF ISC abs  F2 JAM imp  F3 ISC izy  F4 NOP zpx  F7 ISC zpx  FA NOP imp  FB ISC aby  FC NOP abx
FF ISC abx
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

// Every byte of the undocumented card decodes to its mnemonic and mode, as
// undocumented; exactly one byte per (mnemonic, mode) is what the assembler
// writes (LAX # writes LXA's $AB, as 64tass does).
TEST(OpcodeMatrix, EveryUndocumentedOpcodeMatchesItsCard) {
  std::istringstream in(kUndocumentedCard);
  std::string opcode, mnemonic, notation;
  std::map<std::pair<int, int>, int> canonicalPerCell;
  int count = 0;
  while (in >> opcode >> mnemonic >> notation) {
    ++count;
    const int value = std::stoi(opcode, nullptr, 16);
    const auto [column, length] = ColumnAndLength(notation);
    const auto decoded = DecodeOpcode(static_cast<std::uint8_t>(value));
    ASSERT_TRUE(decoded) << opcode;
    EXPECT_EQ(Mnemonics[static_cast<std::size_t>(decoded->Row)], mnemonic) << opcode;
    EXPECT_EQ(decoded->Mode, column) << opcode;
    EXPECT_EQ(decoded->Entry.Length, length) << opcode;
    EXPECT_EQ(decoded->Entry.Opcode, value) << opcode;
    EXPECT_TRUE(decoded->Entry.Undocumented) << opcode;
    EXPECT_FALSE(IsDocumentedRow(decoded->Row) && mnemonic != "NOP" && mnemonic != "SBC") << opcode;
    EXPECT_EQ(decoded->Canonical, LookupOpcode(decoded->Row, decoded->Mode).Opcode == value) << opcode;
    if (decoded->Canonical) ++canonicalPerCell[{decoded->Row, decoded->Mode}];
  }
  EXPECT_EQ(count, 105);
  for (const auto& [cell, canonical] : canonicalPerCell) EXPECT_EQ(canonical, 1) << Mnemonics[cell.first];
  EXPECT_EQ(LookupOpcode(FindMnemonic("LAX"), kImmediate).Opcode, 0xAB);
  EXPECT_EQ(LookupOpcode(FindMnemonic("NOP"), kImplied).Opcode, 0xEA);
  EXPECT_EQ(LookupOpcode(FindMnemonic("SBC"), kImmediate).Opcode, 0xE9);
}

TEST(OpcodeMatrix, EveryEntryMatchesTheReferenceCard) {
  const auto card = ReadCard();
  ASSERT_EQ(card.size(), 151u);
  int present = 0;
  for (int row = 0; row < kMnemonicCount; ++row) {
    const std::string mnemonic(Mnemonics[static_cast<std::size_t>(row)]);
    for (int mode = 0; mode < kAddressingModeCount; ++mode) {
      const OpcodeEntry entry = LookupOpcode(row, mode);
      if (entry.Undocumented) continue;  // the undocumented card's business
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

TEST(OpcodeMatrix, Holds151DocumentedAnd71UndocumentedEntries) {
  int documented = 0, undocumented = 0, empty = 0;
  std::set<int> documentedOpcodes, undocumentedOpcodes;
  for (const OpcodeEntry& entry : OpcodeMatrix) {
    if (entry.Length == 0) {
      ++empty;
    } else if (entry.Undocumented) {
      ++undocumented;
      undocumentedOpcodes.insert(entry.Opcode);
    } else {
      ++documented;
      documentedOpcodes.insert(entry.Opcode);
    }
  }
  EXPECT_EQ(OpcodeMatrix.size(), 76u * 11u);
  EXPECT_EQ(documented, 151);
  EXPECT_EQ(documentedOpcodes.size(), 151u) << "every documented opcode byte appears once";
  EXPECT_EQ(undocumented, 71);
  EXPECT_EQ(undocumentedOpcodes.size(), 70u) << "only $AB serves two rows (LAX #, LXA #)";
  EXPECT_EQ(empty, 76 * 11 - 222);
  for (const int opcode : undocumentedOpcodes) EXPECT_EQ(documentedOpcodes.count(opcode), 0u) << opcode;
  // The documented rows keep only documented entries apart from NOP's forms
  // with an operand.
  for (int row = 0; row < kDocumentedMnemonicCount; ++row)
    for (int mode = 0; mode < kAddressingModeCount; ++mode)
      if (LookupOpcode(row, mode).Undocumented) {
        EXPECT_EQ(Mnemonics[static_cast<std::size_t>(row)], "NOP");
      }
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
// "u" undocumented, "+" one more cycle when the indexed read crosses a page,
// "J" a JAM (it never completes).
constexpr const char* kCycleChart = R"(
7 6  J  8u 3u  3 5 5u 3 2  2  2u 4u  4  6  6u
2 5+ J  8u 4u  4 6 6u 2 4+ 2u 7u 4+u 4+ 7  7u
6 6  J  8u 3   3 5 5u 4 2  2  2u 4   4  6  6u
2 5+ J  8u 4u  4 6 6u 2 4+ 2u 7u 4+u 4+ 7  7u
6 6  J  8u 3u  3 5 5u 3 2  2  2u 3   4  6  6u
2 5+ J  8u 4u  4 6 6u 2 4+ 2u 7u 4+u 4+ 7  7u
6 6  J  8u 3u  3 5 5u 4 2  2  2u 5   4  6  6u
2 5+ J  8u 4u  4 6 6u 2 4+ 2u 7u 4+u 4+ 7  7u
2u 6 2u 6u 3   3 3 3u 2 2u 2  2u 4   4  4  4u
2 6  J  6u 4   4 4 4u 2 5  2  5u 5u  5  5u 5u
2 6  2  6u 3   3 3 3u 2 2  2  2u 4   4  4  4u
2 5+ J  5+u 4  4 4 4u 2 4+ 2  4+u 4+ 4+ 4+ 4+u
2 6  2u 8u 3   3 5 5u 2 2  2  2u 4   4  6  6u
2 5+ J  8u 4u  4 6 6u 2 4+ 2u 7u 4+u 4+ 7  7u
2 6  2u 8u 3   3 5 5u 2 2  2  2u 4   4  6  6u
2 5+ J  8u 4u  4 6 6u 2 4+ 2u 7u 4+u 4+ 7  7u
)";

TEST(OpcodeTiming, CyclesAndPageCrossingMatchTheChart) {
  std::istringstream in(kCycleChart);
  std::string cell;
  int opcode = 0, documented = 0;
  while (in >> cell) {
    ASSERT_LT(opcode, 256);
    const auto decoded = DecodeOpcode(static_cast<std::uint8_t>(opcode));
    ASSERT_TRUE(decoded) << "opcode " << opcode << " should decode";
    const bool undocumented = cell[0] == 'J' || cell.find('u') != std::string::npos;
    EXPECT_EQ(decoded->Entry.Undocumented, undocumented) << "opcode " << opcode;
    if (!undocumented) ++documented;
    EXPECT_EQ(decoded->Entry.Cycles, cell[0] == 'J' ? 0 : cell[0] - '0') << "opcode " << opcode;
    EXPECT_EQ(decoded->Entry.PageCrossCycle, cell.find('+') != std::string::npos) << "opcode " << opcode;
    EXPECT_EQ(IsJamOpcode(static_cast<std::uint8_t>(opcode)), cell[0] == 'J') << "opcode " << opcode;
    ++opcode;
  }
  EXPECT_EQ(opcode, 256);
  EXPECT_EQ(documented, 151);
}

TEST(OpcodeTiming, OnlyIndexedReadsPayForAPageCrossing) {
  for (const char* name : {"STA", "STX", "STY", "INC", "DEC", "ASL", "LSR", "ROL", "ROR", "JMP", "JSR", "SLO",
                           "DCP", "ISC", "RRA", "SAX", "SHA", "SHX", "SHY", "TAS"})
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
      if (Mnemonics[static_cast<std::size_t>(row)] == "LAX" && mode == kImmediate) {
        EXPECT_EQ(Mnemonics[static_cast<std::size_t>(decoded->Row)], "LXA");  // LAX # writes LXA's $AB
        continue;
      }
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
    if (DecodeOpcode(byte)->Entry.Undocumented) ++undocumented;
    EXPECT_EQ(DecodeOpcode(byte)->Row == FindMnemonic("JAM"), jams.count(opcode) == 1) << opcode;
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
      {"SAX", ""},    {"LAX", "NZ"},  {"DCP", "NZC"}, {"ISC", "NVZC"},  {"RRA", "NVZC"},
      {"ARR", "NVZC"}, {"SBX", "NZC"}, {"LAS", "NZ"},  {"TAS", ""},     {"JAM", ""},
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
      "TSX JSR JMP RTS RTI NOP BRK BNE BEQ BPL BMI BCC BCS BVS BVC BIT "
      "SLO RLA SRE RRA SAX LAX DCP ISC ANC ALR ARR SBX LAS SHA SHX SHY TAS ANE LXA JAM";
  std::istringstream in(expected);
  std::string word;
  int index = 0;
  while (in >> word) {
    ASSERT_LT(index, kMnemonicCount);
    EXPECT_EQ(Mnemonics[static_cast<std::size_t>(index)], word);
    EXPECT_EQ(FindMnemonic(word), index);
    ++index;
  }
  EXPECT_EQ(index, kMnemonicCount);
  EXPECT_EQ(kDocumentedMnemonicCount, 56);
}

// 64tass's names and the Lorenz suite's find the same rows; AXS is 64tass's
// SBX, not the Lorenz suite's SAX.
TEST(FindMnemonic, OtherNamesOfUndocumentedInstructions) {
  const std::pair<const char*, const char*> aliases[] = {
      {"ASO", "SLO"}, {"LSE", "SRE"}, {"DCM", "DCP"}, {"ISB", "ISC"}, {"INS", "ISC"}, {"ASR", "ALR"},
      {"AXS", "SBX"}, {"LDS", "LAS"}, {"LAE", "LAS"}, {"AHX", "SHA"}, {"SHS", "TAS"}, {"XAA", "ANE"},
      {"KIL", "JAM"}};
  for (const auto& [alias, name] : aliases) EXPECT_EQ(FindMnemonic(alias), FindMnemonic(name)) << alias;
  EXPECT_EQ(std::size(aliases), MnemonicAliases.size());
  for (const char* unknown : {"XAS", "SAY", "AAX", "DOP", "TOP", "isb"}) EXPECT_EQ(FindMnemonic(unknown), -1) << unknown;
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
  EXPECT_EQ(FindMnemonic("LAX"), 61);
  EXPECT_EQ(FindMnemonic("STZ"), -1);  // later family members' additions are not part of the set
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
