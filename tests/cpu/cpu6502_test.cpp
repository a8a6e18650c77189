#include "cpu/cpu6502.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <sstream>
#include <utility>
#include <string>
#include <vector>

#include "cpu/mnemonic_rows.h"
#include "engine/instruction_set.h"

namespace qv3::cpu {
namespace {

class CpuTest : public ::testing::Test {
 protected:
  std::unique_ptr<Cpu6502> cpu = std::make_unique<Cpu6502>();
  Registers& r = cpu->Registers;

  void Load(std::uint16_t address, std::initializer_list<int> bytes) {
    for (int byte : bytes) cpu->Memory[address++] = static_cast<std::uint8_t>(byte);
  }
  // Runs the one instruction at address and answers its cycles.
  std::uint64_t RunAt(std::uint16_t address) {
    r.PC = address;
    const std::uint64_t before = cpu->Cycles;
    EXPECT_EQ(cpu->Step(), StepOutcome::Ok);
    return cpu->Cycles - before;
  }
  bool Flag(std::uint8_t flag) const { return (r.P & flag) != 0; }
};

TEST(MnemonicRows, MatchTheInstructionSet) {
  const int rows[] = {kLda, kSta, kLdx, kStx, kLdy, kSty, kInc, kDec, kCmp, kCpx, kCpy, kAnd, kOra, kEor,
                      kAsl, kLsr, kRol, kRor, kAdc, kSbc, kClc, kSec, kCli, kSei, kClv, kSed, kCld, kTxs,
                      kIny, kDey, kInx, kDex, kTxa, kTax, kTya, kTay, kPha, kPla, kPlp, kPhp, kTsx, kJsr,
                      kJmp, kRts, kRti, kNop, kBrk, kBne, kBeq, kBpl, kBmi, kBcc, kBcs, kBvs, kBvc, kBit,
                      kSlo, kRla, kSre, kRra, kSax, kLax, kDcp, kIsc, kAnc, kAlr, kArr, kSbx, kLas, kSha,
                      kShx, kShy, kTas, kAne, kLxa, kJam};
  std::istringstream names(
      "LDA STA LDX STX LDY STY INC DEC CMP CPX CPY AND ORA EOR ASL LSR ROL ROR ADC SBC CLC SEC CLI SEI CLV "
      "SED CLD TXS INY DEY INX DEX TXA TAX TYA TAY PHA PLA PLP PHP TSX JSR JMP RTS RTI NOP BRK BNE BEQ BPL "
      "BMI BCC BCS BVS BVC BIT SLO RLA SRE RRA SAX LAX DCP ISC ANC ALR ARR SBX LAS SHA SHX SHY TAS ANE LXA JAM");
  std::string name;
  for (const int row : rows) {
    ASSERT_TRUE(names >> name);
    EXPECT_EQ(FindMnemonic(name), row) << name;
  }
  EXPECT_FALSE(names >> name);
}

// The public functional test: every documented opcode and mode, the flags,
// decimal arithmetic, BRK/RTI and the stack. Ends in a jump to itself; the
// success trap is at $3469, any other one names the failed test.
TEST_F(CpuTest, FunctionalTestReachesTheSuccessTrap) {
  // Kept in the repository, so that every clone runs it.
  std::string folder = QV3_SOURCE_DIR "/tests/cpu/6502_functional_test";
  if (const char* overridden = std::getenv("QV3_6502_FUNCTIONAL_TEST")) folder = overridden;
  const std::string image = folder + "/6502_functional_test.bin";
  ASSERT_TRUE(std::filesystem::exists(image)) << "the 6502 functional test is not at " << folder;
  std::ifstream in(image, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), cpu->Memory.size());
  std::copy(bytes.begin(), bytes.end(), cpu->Memory.begin());
  r.PC = 0x0400;
  std::uint16_t previous = 0;
  do {
    previous = r.PC;
    ASSERT_EQ(cpu->Step(), StepOutcome::Ok) << "at $" << std::hex << previous;
    ASSERT_LT(cpu->Cycles, 200'000'000u) << "no trap reached";
  } while (r.PC != previous);
  EXPECT_EQ(r.PC, 0x3469) << "trapped at $" << std::hex << r.PC << ": look it up in the listing";
}

// NMOS decimal mode: A and C are decimal; for ADC, Z follows the binary
// sum and N and V the sum seen between the two nibble corrections; for SBC
// every flag follows the binary difference. The cases are the NMOS examples
// of Bruce Clark's decimal-mode tutorial (6502.org), invalid BCD included.
TEST_F(CpuTest, DecimalArithmeticFlagsFollowTheNmosPart) {
  struct Case {
    int opcode, a, value;
    bool carryIn;
    int result;
    const char* flags;  // the NVZC flags set afterwards
  };
  const Case cases[] = {
      {0x69, 0x00, 0x00, false, 0x00, "Z"},   {0x69, 0x79, 0x00, true, 0x80, "NV"},
      {0x69, 0x24, 0x56, false, 0x80, "NV"},  {0x69, 0x93, 0x82, false, 0x75, "VC"},
      {0x69, 0x89, 0x76, false, 0x65, "C"},   {0x69, 0x89, 0x76, true, 0x66, "ZC"},
      {0x69, 0x80, 0xF0, false, 0xD0, "VC"},  {0x69, 0x80, 0xFA, false, 0xE0, "NC"},
      {0x69, 0x2F, 0x4F, false, 0x74, ""},    {0x69, 0x6F, 0x00, true, 0x76, ""},
      {0x69, 0x99, 0x01, false, 0x00, "NC"},  // the binary $9A leaves Z clear
      {0xE9, 0x00, 0x00, false, 0x99, "N"},   {0xE9, 0x00, 0x00, true, 0x00, "ZC"},
      {0xE9, 0x00, 0x01, true, 0x99, "N"},    {0xE9, 0x0A, 0x00, true, 0x0A, "C"},
      {0xE9, 0x0B, 0x00, false, 0x0A, "C"},   {0xE9, 0x9A, 0x00, true, 0x9A, "NC"},
      {0xE9, 0x9B, 0x00, false, 0x9A, "NC"},  {0xE9, 0x80, 0x01, true, 0x79, "VC"},
  };
  for (const Case& c : cases) {
    Load(0x2000, {c.opcode, c.value});
    r.A = static_cast<std::uint8_t>(c.a);
    r.P = static_cast<std::uint8_t>(kUnused | kDecimal | (c.carryIn ? kCarry : 0));
    RunAt(0x2000);
    std::string flags;
    for (const auto& [flag, letter] : {std::pair{kNegative, 'N'}, {kOverflow, 'V'}, {kZero, 'Z'}, {kCarry, 'C'}})
      if (Flag(flag)) flags += letter;
    EXPECT_EQ(r.A, c.result) << std::hex << c.opcode << " " << c.a << " " << c.value;
    EXPECT_EQ(flags, c.flags) << std::hex << c.opcode << " " << c.a << " " << c.value;
  }
}

TEST_F(CpuTest, IndexedReadsPayForAPageCrossingStoresAlwaysPay) {
  r.X = 1;
  r.Y = 1;
  Load(0x2000, {0xBD, 0xFF, 0x10});  // LDA $10FF,X -> $1100
  EXPECT_EQ(RunAt(0x2000), 5u);
  Load(0x2000, {0xBD, 0xFE, 0x10});  // LDA $10FE,X -> $10FF
  EXPECT_EQ(RunAt(0x2000), 4u);
  Load(0x2000, {0xB9, 0xFF, 0x10});  // LDA $10FF,Y
  EXPECT_EQ(RunAt(0x2000), 5u);
  Load(0x2000, {0xBE, 0xFF, 0x10});  // LDX $10FF,Y
  EXPECT_EQ(RunAt(0x2000), 5u);
  Load(0x2000, {0x9D, 0xFE, 0x10});  // STA $10FE,X: no crossing, still 5
  EXPECT_EQ(RunAt(0x2000), 5u);
  Load(0x2000, {0x9D, 0xFF, 0x10});  // crossing: 5, not 6
  EXPECT_EQ(RunAt(0x2000), 5u);
  Load(0x2000, {0xFE, 0xFF, 0x10});  // INC $10FF,X: 7 either way
  EXPECT_EQ(RunAt(0x2000), 7u);
  Load(0x0040, {0xFF, 0x10});        // pointer $10FF
  Load(0x2000, {0xB1, 0x40});        // LDA ($40),Y -> $1100
  EXPECT_EQ(RunAt(0x2000), 6u);
  Load(0x2000, {0x91, 0x40});        // STA ($40),Y
  EXPECT_EQ(RunAt(0x2000), 6u);
  r.Y = 0;
  Load(0x2000, {0xB1, 0x40});
  EXPECT_EQ(RunAt(0x2000), 5u);
  r.X = 0xFF;                        // wraps within the address space
  Load(0x2000, {0xBD, 0x01, 0xFF});  // LDA $FF01,X -> $0000
  cpu->Memory[0x0000] = 0x5A;
  EXPECT_EQ(RunAt(0x2000), 5u);
  EXPECT_EQ(r.A, 0x5A);
}

TEST_F(CpuTest, BranchCyclesDependOnTakenAndTargetPage) {
  r.P = kUnused;                    // Z clear: BNE taken, BEQ not
  Load(0x2000, {0xF0, 0x10});       // BEQ not taken
  EXPECT_EQ(RunAt(0x2000), 2u);
  EXPECT_EQ(r.PC, 0x2002);
  Load(0x2000, {0xD0, 0x10});       // BNE +$10 -> $2012
  EXPECT_EQ(RunAt(0x2000), 3u);
  EXPECT_EQ(r.PC, 0x2012);
  // The page is that of the next instruction: from $20FD the next is $20FF.
  Load(0x20FD, {0xD0, 0x01});       // -> $2100
  EXPECT_EQ(RunAt(0x20FD), 4u);
  EXPECT_EQ(r.PC, 0x2100);
  Load(0x20FE, {0xD0, 0xFF});       // next $2100, target $20FF
  EXPECT_EQ(RunAt(0x20FE), 4u);
  EXPECT_EQ(r.PC, 0x20FF);
  Load(0x20FE, {0xD0, 0x00});       // next $2100, target $2100: same page
  EXPECT_EQ(RunAt(0x20FE), 3u);
  Load(0x2000, {0xD0, 0xFE});       // a branch to itself
  EXPECT_EQ(RunAt(0x2000), 3u);
  EXPECT_EQ(r.PC, 0x2000);
  Load(0x2000, {0xD0, 0x80});       // -128 from $2002 -> $1F82
  EXPECT_EQ(RunAt(0x2000), 4u);
  EXPECT_EQ(r.PC, 0x1F82);
}

TEST_F(CpuTest, JmpIndirectWrapsWithinThePointersPage) {
  Load(0x10FF, {0x34});
  Load(0x1000, {0x12});
  Load(0x1100, {0x99});
  Load(0x2000, {0x6C, 0xFF, 0x10});  // JMP ($10FF)
  EXPECT_EQ(RunAt(0x2000), 5u);
  EXPECT_EQ(r.PC, 0x1234);
  Load(0x10FE, {0x78, 0x56});
  Load(0x2000, {0x6C, 0xFE, 0x10});
  RunAt(0x2000);
  EXPECT_EQ(r.PC, 0x5678);
}

TEST_F(CpuTest, ZeroPageIndexingWrapsWithinPageZero) {
  Load(0x0001, {0x77});
  Load(0x0100, {0x11});
  r.X = 2;
  Load(0x2000, {0xB5, 0xFF});        // LDA $FF,X -> $01, not $0101
  EXPECT_EQ(RunAt(0x2000), 4u);
  EXPECT_EQ(r.A, 0x77);
  r.Y = 2;
  Load(0x2000, {0xB6, 0xFF});        // LDX $FF,Y
  RunAt(0x2000);
  EXPECT_EQ(r.X, 0x77);
  // (zp,X) and (zp),Y take the pointer's high byte from $00 after $FF.
  Load(0x00FF, {0x00});
  Load(0x0000, {0x30});
  Load(0x3000, {0xAB});
  r.X = 0;
  Load(0x2000, {0xA1, 0xFF});
  EXPECT_EQ(RunAt(0x2000), 6u);
  EXPECT_EQ(r.A, 0xAB);
  r.X = 0x80;
  Load(0x2000, {0xA1, 0x7F});        // $7F + $80 = $FF
  RunAt(0x2000);
  EXPECT_EQ(r.A, 0xAB);
  r.Y = 0;
  Load(0x2000, {0xB1, 0xFF});
  RunAt(0x2000);
  EXPECT_EQ(r.A, 0xAB);
}

TEST_F(CpuTest, BrkPushesPcPlusTwoWithBSetAndRtiReturnsThere) {
  Load(0xFFFE, {0x00, 0x30});
  Load(0x2000, {0x00, 0xEA});
  r.SP = 0xFF;
  r.P = kUnused | kCarry | kDecimal;
  EXPECT_EQ(RunAt(0x2000), 7u);
  EXPECT_EQ(r.PC, 0x3000);
  EXPECT_EQ(r.SP, 0xFC);
  EXPECT_EQ(cpu->Memory[0x01FF], 0x20);
  EXPECT_EQ(cpu->Memory[0x01FE], 0x02);
  EXPECT_EQ(cpu->Memory[0x01FD], kUnused | kBreak | kCarry | kDecimal);
  EXPECT_TRUE(Flag(kInterruptDisable));
  EXPECT_TRUE(Flag(kDecimal)) << "the NMOS part leaves D alone";
  EXPECT_FALSE(Flag(kBreak)) << "B lives only on the stack";
  Load(0x3000, {0x40});  // RTI
  EXPECT_EQ(RunAt(0x3000), 6u);
  EXPECT_EQ(r.PC, 0x2002);
  EXPECT_EQ(r.SP, 0xFF);
  EXPECT_EQ(r.P, kUnused | kCarry | kDecimal);
}

TEST_F(CpuTest, InterruptsPushBClearAndIrqWaitsForI) {
  Load(0xFFFA, {0x00, 0x40, 0x00, 0x00, 0x00, 0x50});
  r.PC = 0x2345;
  r.SP = 0xFF;
  r.P = kUnused | kInterruptDisable;
  EXPECT_FALSE(cpu->Irq());
  EXPECT_EQ(r.PC, 0x2345);
  EXPECT_EQ(cpu->Cycles, 0u);
  r.P = kUnused;
  EXPECT_TRUE(cpu->Irq());
  EXPECT_EQ(r.PC, 0x5000);
  EXPECT_EQ(cpu->Memory[0x01FF], 0x23);
  EXPECT_EQ(cpu->Memory[0x01FE], 0x45) << "an interrupt returns to PC itself";
  EXPECT_EQ(cpu->Memory[0x01FD], kUnused);
  EXPECT_TRUE(Flag(kInterruptDisable));
  cpu->Nmi();  // not masked by I
  EXPECT_EQ(r.PC, 0x4000);
  EXPECT_EQ(r.SP, 0xF9);
  EXPECT_EQ(cpu->Cycles, 14u);
}

TEST_F(CpuTest, StackWrapsWithinPageOne) {
  r.SP = 0x00;
  r.A = 0x42;
  Load(0x2000, {0x48});  // PHA
  EXPECT_EQ(RunAt(0x2000), 3u);
  EXPECT_EQ(cpu->Memory[0x0100], 0x42);
  EXPECT_EQ(r.SP, 0xFF);
  r.A = 0;
  Load(0x2000, {0x68});  // PLA
  EXPECT_EQ(RunAt(0x2000), 4u);
  EXPECT_EQ(r.A, 0x42);
  EXPECT_EQ(r.SP, 0x00);
  // JSR with SP = $00 writes $0100 and $01FF.
  Load(0x2000, {0x20, 0x00, 0x30});
  EXPECT_EQ(RunAt(0x2000), 6u);
  EXPECT_EQ(cpu->Memory[0x0100], 0x20);
  EXPECT_EQ(cpu->Memory[0x01FF], 0x02) << "JSR pushes the address of its last byte";
  EXPECT_EQ(r.SP, 0xFE);
  Load(0x3000, {0x60});  // RTS
  EXPECT_EQ(RunAt(0x3000), 6u);
  EXPECT_EQ(r.PC, 0x2003);
  EXPECT_EQ(r.SP, 0x00);
}

TEST_F(CpuTest, UndocumentedOpcodesStopWithoutRunning) {
  int illegal = 0, jams = 0;
  for (int opcode = 0; opcode < 256; ++opcode) {
    if (!DecodeOpcode(static_cast<std::uint8_t>(opcode))->Entry.Undocumented) continue;
    Load(0x2000, {opcode, 0x00, 0x00});
    r = Registers{};
    r.PC = 0x2000;
    const std::uint64_t cycles = cpu->Cycles;
    const StepOutcome outcome = cpu->Step();
    EXPECT_EQ(r.PC, 0x2000) << opcode;
    EXPECT_EQ(cpu->Cycles, cycles) << opcode;
    EXPECT_EQ(r.SP, 0xFD) << opcode;
    if (outcome == StepOutcome::Jam) ++jams;
    else if (outcome == StepOutcome::IllegalOpcode) ++illegal;
    else ADD_FAILURE() << "opcode " << opcode << " ran";
  }
  EXPECT_EQ(jams, 12);
  EXPECT_EQ(illegal, 93);
}

}  // namespace
}  // namespace qv3::cpu
