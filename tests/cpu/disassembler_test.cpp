#include "cpu/disassembler.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/instruction_set.h"
#include "engine/compile_command.h"
#include "engine/session.h"
#include "tests/engine/test_support.h"

namespace qv3::cpu {
namespace {

// Lays every opcode the assembler writes (documented and undocumented) out
// from $1000 with the given operand bytes, disassembles each, assembles the
// lines with the engine and compares the program file with the laid-out
// bytes.
void ExpectEveryOpcodeAssemblesBack(std::uint8_t low, std::uint8_t high, std::int8_t branch) {
  auto memory = std::make_unique<Memory>();
  std::vector<std::string> lines = {"        ORIGIN $1000"};
  std::uint16_t address = 0x1000;
  for (int opcode = 0; opcode < 256; ++opcode) {
    const auto decoded = DecodeOpcode(static_cast<std::uint8_t>(opcode));
    if (!decoded->Canonical) continue;
    (*memory)[address] = static_cast<std::uint8_t>(opcode);
    (*memory)[address + 1u] = IsRelativeBranch(decoded->Mode, decoded->Entry) ? static_cast<std::uint8_t>(branch) : low;
    (*memory)[address + 2u] = high;
    const DisassembledLine line = Disassemble(*memory, address);
    EXPECT_EQ(line.Documented, !decoded->Entry.Undocumented);
    EXPECT_TRUE(line.Canonical);
    EXPECT_EQ(line.Length, decoded->Entry.Length);
    lines.push_back("        " + line.Text);
    address = static_cast<std::uint16_t>(address + line.Length);
  }
  test::TempDir folder;
  CompileSession session;
  session.CurrentDirectory = folder.Path();
  RunCompileCommand(session, lines, "ROUNDTRIP", folder.Path());
  std::string status;
  for (const auto& message : session.StatusList.Lines()) {
    status += message.Text;
    status += "\n";
  }
  ASSERT_FALSE(session.FatalFlag) << status;
  const std::vector<std::uint8_t> program = test::ReadFileAsBytes(folder / "roundtrip.prg");
  ASSERT_EQ(program.size(), 2u + (address - 0x1000u)) << status;
  for (std::uint16_t at = 0x1000; at < address; ++at)
    ASSERT_EQ(program[2u + (at - 0x1000u)], (*memory)[at])
        << "at $" << std::hex << at << ": " << lines[1] << " ... " << status;
}

TEST(Disassembler, EveryOpcodeAssemblesBackToItsBytes) {
  ExpectEveryOpcodeAssemblesBack(0x34, 0x12, 5);
  // Absolute operands below $100 and a branch back over the instruction.
  ExpectEveryOpcodeAssemblesBack(0x80, 0x00, -128);
  ExpectEveryOpcodeAssemblesBack(0xFF, 0xFF, 127);
}

TEST(Disassembler, NotationOfTheModes) {
  auto memory = std::make_unique<Memory>();
  struct Case {
    std::vector<std::uint8_t> bytes;
    const char* text;
  };
  const Case cases[] = {
      {{0xBD, 0x34, 0x12}, "LDA $1234,X"},   {{0xB9, 0x34, 0x12}, "LDA $1234,Y"},
      {{0xB5, 0x12}, "LDA $12,X"},           {{0xB6, 0x12}, "LDX $12,Y"},
      {{0xA1, 0x12}, "LDA ($12,X)"},         {{0xB1, 0x12}, "LDA ($12),Y"},
      {{0x6C, 0xFF, 0x10}, "JMP ($10FF)"},   {{0xA9, 0x05}, "LDA #$05"},
      {{0x0A}, "ASL"},                       {{0xD0, 0x03}, "BNE $1005"},
      {{0x20, 0x12, 0x00}, "JSR.16 $0012"},  {{0xAD, 0x00, 0x00}, "LDA.16 $0000"},
      {{0x02}, "JAM"},                       {{0xFF, 0x34, 0x12}, "ISC $1234,X"},
      {{0xB3, 0x12}, "LAX ($12),Y"},         {{0x9C, 0x10, 0x00}, "SHY.16 $0010,X"},
      // Duplicates: the same instruction, which assembles to its canonical opcode.
      {{0xEB, 0x05}, "SBC #$05"},            {{0x3A}, "NOP"},
      {{0xF4, 0x12}, "NOP $12,X"},           {{0x2B, 0x01}, "ANC #$01"},
      {{0x92}, "JAM"},
  };
  for (const Case& c : cases) {
    for (std::size_t i = 0; i < c.bytes.size(); ++i) (*memory)[0x1000 + i] = c.bytes[i];
    const DisassembledLine line = Disassemble(*memory, 0x1000);
    EXPECT_EQ(line.Text, c.text);
    EXPECT_EQ(line.Length, static_cast<int>(c.bytes.size())) << c.text;
    const bool duplicate = c.bytes[0] == 0xEB || c.bytes[0] == 0x3A || c.bytes[0] == 0xF4 || c.bytes[0] == 0x2B ||
                           c.bytes[0] == 0x92;
    EXPECT_EQ(line.Canonical, !duplicate) << c.text;
  }
}

TEST(Disassembler, NamesOperandsThroughTheCallbackAndReadsAcrossTheTop) {
  auto memory = std::make_unique<Memory>();
  const auto names = [](std::uint16_t address) -> std::string {
    if (address == 0x1234) return "TABLE";
    if (address == 0x00FB) return "POINTER";
    if (address == 0x1000) return "LOOP";
    return {};
  };
  const auto at = [&](std::initializer_list<int> bytes) {
    std::uint16_t a = 0x1000;
    for (int b : bytes) (*memory)[a++] = static_cast<std::uint8_t>(b);
    return Disassemble(*memory, 0x1000, names);
  };
  EXPECT_EQ(at({0xBD, 0x34, 0x12}).Text, "LDA TABLE,X");
  EXPECT_EQ(at({0xB1, 0xFB}).Text, "LDA (POINTER),Y");
  EXPECT_EQ(at({0xD0, 0xFE}).Text, "BNE LOOP");
  EXPECT_EQ(at({0xD0, 0xFE}).OperandAddress, 0x1000);
  EXPECT_EQ(at({0xA9, 0x34}).Text, "LDA #$34") << "immediate values are not addresses";
  EXPECT_FALSE(at({0xA9, 0x34}).OperandAddress);
  EXPECT_EQ(at({0xAD, 0x35, 0x12}).Text, "LDA $1235");
  // An instruction at $FFFE takes its operand from $FFFF and $0000.
  (*memory)[0xFFFE] = 0xAD;
  (*memory)[0xFFFF] = 0x34;
  (*memory)[0x0000] = 0x12;
  const DisassembledLine top = Disassemble(*memory, 0xFFFE, names);
  EXPECT_EQ(top.Text, "LDA TABLE");
  EXPECT_EQ(top.Bytes[2], 0x12);
}

}  // namespace
}  // namespace qv3::cpu
