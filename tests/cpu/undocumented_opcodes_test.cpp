// The undocumented opcodes as the core runs them: one table of cases, each
// an instruction with the registers and memory before and what must follow.
// The values are worked out by hand from the NMOS part's rules (and VICE's
// constants for ANE and LXA), not taken from the core.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cpu/cpu6502.h"

namespace qv3::cpu {
namespace {

constexpr std::uint8_t C = kCarry, Z = kZero, D = kDecimal, V = kOverflow, N = kNegative, U = kUnused;

struct MemoryByte {
  std::uint16_t Address;
  std::uint8_t Value;
};

struct Case {
  const char* Name;
  std::vector<std::uint8_t> Code;  // at $1000
  std::uint8_t A, X, Y, P;
  std::vector<MemoryByte> Before;
  // Expected afterwards.
  std::uint8_t ExpectA, ExpectX, ExpectP;
  std::optional<MemoryByte> Written;
  int Cycles;
  std::uint8_t ExpectSP = 0xFD;
  std::uint8_t SP = 0xFD;
};

// P is given without bit 5; the core keeps it set.
const Case kCases[] = {
    // Read-modify-write, then the accumulator operation on the result.
    {"SLO zp: ASL, then ORA", {0x07, 0x40}, 0x01, 0, 0, 0, {{0x40, 0x81}}, 0x03, 0, C, MemoryByte{0x40, 0x02}, 5},
    {"RLA abs: ROL with carry in, then AND", {0x2F, 0x00, 0x20}, 0xFF, 0, 0, C, {{0x2000, 0x40}}, 0x81, 0, N,
     MemoryByte{0x2000, 0x81}, 6},
    {"SRE zp,X: LSR, then EOR", {0x57, 0x3F}, 0xFF, 0x01, 0, 0, {{0x40, 0x03}}, 0xFE, 0x01, C | N,
     MemoryByte{0x40, 0x01}, 6},
    {"RRA (zp,X): ROR, then ADC with the carry ROR left", {0x63, 0x10}, 0x10, 0x00, 0, 0,
     {{0x10, 0x00}, {0x11, 0x30}, {0x3000, 0x03}}, 0x12, 0x00, 0, MemoryByte{0x3000, 0x01}, 8},
    {"RRA in decimal mode adds decimally", {0x67, 0x40}, 0x19, 0, 0, D, {{0x40, 0x02}}, 0x20, 0, D,
     MemoryByte{0x40, 0x01}, 5},
    {"DCP abs,X: DEC, then CMP (equal)", {0xDF, 0xF0, 0x20}, 0x41, 0x20, 0, 0, {{0x2110, 0x42}}, 0x41, 0x20, Z | C,
     MemoryByte{0x2110, 0x41}, 7},
    {"ISC (zp),Y: INC, then SBC", {0xF3, 0x20}, 0x10, 0, 0x10, C, {{0x20, 0xF8}, {0x21, 0x20}, {0x2108, 0x04}},
     0x0B, 0, C, MemoryByte{0x2108, 0x05}, 8},
    {"ISC in decimal mode subtracts decimally", {0xE7, 0x40}, 0x20, 0, 0, C | D, {{0x40, 0x00}}, 0x19, 0, C | D,
     MemoryByte{0x40, 0x01}, 5},
    // Loads and stores.
    {"SAX zp,Y: stores A AND X, flags untouched", {0x97, 0xF0}, 0xF0, 0x3C, 0x20, Z, {}, 0xF0, 0x3C, Z,
     MemoryByte{0x10, 0x30}, 4},
    {"LAX abs,Y across a page: A and X, one more cycle", {0xBF, 0xF0, 0x20}, 0, 0, 0x20, 0, {{0x2110, 0x80}}, 0x80,
     0x80, N, std::nullopt, 5},
    {"LAX (zp),Y within the page", {0xB3, 0x20}, 0, 0, 0x01, 0, {{0x20, 0x00}, {0x21, 0x30}, {0x3001, 0x00}}, 0x00,
     0x00, Z, std::nullopt, 5},
    {"LAS abs,Y: memory AND SP into A, X and SP", {0xBB, 0x00, 0x20}, 0, 0, 0, 0, {{0x2000, 0x0F}}, 0x0D, 0x0D, 0,
     std::nullopt, 4, 0x0D},
    // Immediate operations.
    {"ANC: AND, C copies N", {0x0B, 0x80}, 0xC0, 0, 0, 0, {}, 0x80, 0, N | C, std::nullopt, 2},
    {"ANC $2B does the same", {0x2B, 0x0F}, 0xC0, 0, 0, C, {}, 0x00, 0, Z, std::nullopt, 2},
    {"ALR: AND, then LSR", {0x4B, 0x03}, 0xFF, 0, 0, 0, {}, 0x01, 0, C, std::nullopt, 2},
    {"ARR binary: C from bit 6, V from bit 6 xor bit 5", {0x6B, 0xFF}, 0x40, 0, 0, C, {}, 0xA0, 0, N | V,
     std::nullopt, 2},
    {"ARR binary: both bits set, C without V", {0x6B, 0xFF}, 0xC0, 0, 0, 0, {}, 0x60, 0, C, std::nullopt, 2},
    {"ARR decimal: nibbles corrected, N from the old carry", {0x6B, 0xFF}, 0xFE, 0, 0, C | D, {}, 0x55, 0,
     N | C | D, std::nullopt, 2},
    {"SBX: X = (A AND X) - value, carry as CMP, decimal ignored", {0xCB, 0x10}, 0x3F, 0x1F, 0, D, {}, 0x3F, 0x0F,
     C | D, std::nullopt, 2},
    {"SBX borrowing", {0xCB, 0x20}, 0xFF, 0x10, 0, C, {}, 0xFF, 0xF0, N, std::nullopt, 2},
    {"SBC $EB is SBC #", {0xEB, 0x01}, 0x00, 0, 0, C, {}, 0xFF, 0, N, std::nullopt, 2},
    {"ANE: (A OR $EF) AND X AND value", {0x8B, 0xFF}, 0x00, 0x3C, 0, 0, {}, 0x2C, 0x3C, 0, std::nullopt, 2},
    {"LXA: (A OR $EE) AND value into A and X", {0xAB, 0xFF}, 0x01, 0x00, 0, 0, {}, 0xEF, 0xEF, N, std::nullopt, 2},
    {"LAX # assembles to LXA's $AB and runs as LXA", {0xAB, 0x11}, 0x00, 0x00, 0, 0, {}, 0x00, 0x00, Z,
     std::nullopt, 2},
    // The stores AND the high byte of the base address + 1; a carry into
    // the high byte puts the stored value there instead.
    {"SHA abs,Y", {0x9F, 0x00, 0x20}, 0xFF, 0xF3, 0x05, 0, {}, 0xFF, 0xF3, 0, MemoryByte{0x2005, 0x21}, 5},
    {"SHA abs,Y across a page", {0x9F, 0xF0, 0x20}, 0xFF, 0x0F, 0x20, 0, {}, 0xFF, 0x0F, 0,
     MemoryByte{0x0110, 0x01}, 5},
    {"SHA (zp),Y across a page: the value becomes the high byte", {0x93, 0x30}, 0x1F, 0xFF, 0x20,
     0, {{0x30, 0xF0}, {0x31, 0x47}}, 0x1F, 0xFF, 0, MemoryByte{0x0810, 0x08}, 6},
    {"SHX abs,Y", {0x9E, 0x00, 0x7E}, 0, 0xFF, 0x02, 0, {}, 0, 0xFF, 0, MemoryByte{0x7E02, 0x7F}, 5},
    {"SHY abs,X across a page", {0x9C, 0x80, 0x30}, 0, 0x80, 0x03, 0, {}, 0, 0x80, 0, MemoryByte{0x0100, 0x01}, 5},
    {"TAS abs,Y: SP = A AND X, stores SP AND (H+1)", {0x9B, 0x00, 0x20}, 0x37, 0x1F, 0x00, 0, {}, 0x37, 0x1F, 0,
     MemoryByte{0x2000, 0x01}, 5, 0x17},
    // NOPs with operands read and skip them.
    {"NOP abs,X across a page", {0x1C, 0xFF, 0x20}, 0x12, 0x01, 0, 0, {}, 0x12, 0x01, 0, std::nullopt, 5},
    {"NOP zp,X", {0xF4, 0x10}, 0x12, 0, 0, N, {}, 0x12, 0, N, std::nullopt, 4},
    {"NOP #", {0x89, 0x10}, 0, 0, 0, 0, {}, 0, 0, 0, std::nullopt, 2},
    {"NOP $FA", {0xFA}, 0, 0, 0, 0, {}, 0, 0, 0, std::nullopt, 2},
};

TEST(UndocumentedOpcodes, RunAsTheNmosPartRunsThem) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.Name);
    auto cpu = std::make_unique<Cpu6502>();
    cpu->SetStopAtUndocumented(false);
    // What was at a stored-to address cannot pass for the result.
    if (c.Written) cpu->Memory[c.Written->Address] = static_cast<std::uint8_t>(~c.Written->Value);
    for (std::size_t i = 0; i < c.Code.size(); ++i) cpu->Memory[0x1000 + i] = c.Code[i];
    for (const MemoryByte& byte : c.Before) cpu->Memory[byte.Address] = byte.Value;
    Registers& r = cpu->Registers;
    r = Registers{0x1000, c.A, c.X, c.Y, c.SP, static_cast<std::uint8_t>(c.P | U)};
    ASSERT_EQ(cpu->Step(), StepOutcome::Ok);
    EXPECT_EQ(r.A, c.ExpectA);
    EXPECT_EQ(r.X, c.ExpectX);
    EXPECT_EQ(r.Y, c.Y);
    EXPECT_EQ(r.P, c.ExpectP | U);
    EXPECT_EQ(r.SP, c.ExpectSP);
    EXPECT_EQ(r.PC, 0x1000 + c.Code.size());
    EXPECT_EQ(cpu->Cycles, static_cast<std::uint64_t>(c.Cycles));
    if (c.Written) {
      EXPECT_EQ(cpu->Memory[c.Written->Address], c.Written->Value);
    }
  }
}

// Stopping is a choice made per CPU; JAM halts either way, with PC on it.
TEST(UndocumentedOpcodes, StoppingAtThemIsAChoiceJamAlwaysHalts) {
  auto cpu = std::make_unique<Cpu6502>();
  EXPECT_TRUE(cpu->StopsAtUndocumented());
  cpu->Memory[0x1000] = 0xA7;  // LAX $10
  cpu->Memory[0x1001] = 0x10;
  cpu->Memory[0x1002] = 0x52;  // JAM
  cpu->Memory[0x10] = 0x44;
  cpu->Registers.PC = 0x1000;
  EXPECT_EQ(cpu->Step(), StepOutcome::IllegalOpcode);
  EXPECT_EQ(cpu->Registers.PC, 0x1000);
  EXPECT_EQ(cpu->Cycles, 0u);
  cpu->SetStopAtUndocumented(false);
  EXPECT_EQ(cpu->Step(), StepOutcome::Ok);
  EXPECT_EQ(cpu->Registers.X, 0x44);
  EXPECT_EQ(cpu->Step(), StepOutcome::Jam);
  EXPECT_EQ(cpu->Registers.PC, 0x1002);
  EXPECT_EQ(cpu->Step(), StepOutcome::Jam);
  cpu->SetStopAtUndocumented(true);
  EXPECT_EQ(cpu->Step(), StepOutcome::Jam);
  EXPECT_EQ(cpu->Cycles, 3u);
}

}  // namespace
}  // namespace qv3::cpu
