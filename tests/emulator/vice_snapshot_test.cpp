// Reading the machine from the core's saved state: a state taken from the
// real VICE xplus4 core while examples/hello waited for a key, and damaged
// variants of it.
#include <gtest/gtest.h>

#include <QFile>
#include <span>

#include "workbench/emulator/machine_program.h"
#include "workbench/emulator/vice_snapshot.h"

namespace {

std::vector<std::uint8_t> RealState() {
  QFile file(QStringLiteral(QV3_SOURCE_DIR "/tests/emulator/data/hello_running.state.qz"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = qUncompress(file.readAll());
  return {bytes.begin(), bytes.end()};
}

std::variant<MachineSnapshot, std::string> Read(const std::vector<std::uint8_t>& bytes) {
  return ReadViceSnapshot(std::span(bytes.data(), bytes.size()));
}

TEST(ViceSnapshot, TheRealCoresStateOfHelloWaitingForAKey) {
  const std::vector<std::uint8_t> state = RealState();
  ASSERT_FALSE(state.empty()) << "test data missing";
  const auto result = Read(state);
  ASSERT_TRUE(std::holds_alternative<MachineSnapshot>(result)) << std::get<std::string>(result);
  const MachineSnapshot& machine = std::get<MachineSnapshot>(result);
  EXPECT_EQ(machine.Machine, "PLUS4");
  ASSERT_EQ(machine.Ram.size(), 65536u);
  // hello.prg is in RAM from its load address $1001 on: "10 SYS 4109".
  const std::uint8_t basic[] = {0x0B, 0x10, 0x0A, 0x00, 0x9E, '4', '1', '0', '9', 0x00};
  EXPECT_TRUE(std::equal(std::begin(basic), std::end(basic), machine.Ram.begin() + 0x1001));
  // It waits in its GETIN loop after copying the 33 characters (X = $21).
  EXPECT_GE(machine.Cpu.PC, 0x100D);
  EXPECT_LT(machine.Cpu.PC, 0x1060);
  EXPECT_EQ(machine.Cpu.X, 0x21);
  EXPECT_EQ(machine.Cpu.P & 0x20, 0x20) << "the unused flag bit reads as set";
  // Its colours: background $00, border $46; the screen at $0C00.
  EXPECT_EQ(machine.Ted[0x15], 0x00);
  EXPECT_EQ(machine.Ted[0x19], 0x46);
  EXPECT_EQ(ScreenAddress(machine.Ted), 0x0C00);
  EXPECT_LT(machine.RasterLine, 312) << "a PAL frame has 312 lines";
  const std::string screen = ScreenText(machine.Ram, ScreenAddress(machine.Ted), LowerCaseCharacters(machine.Ted));
  EXPECT_EQ(screen.substr(0, 41), "HELLO, PLUS/4 WORLD! PRESS A KEY.       \n");
  EXPECT_EQ(std::count(screen.begin(), screen.end(), '\n'), 25);
}

TEST(ViceSnapshot, DamagedStatesAreReportedNotMisread) {
  const std::vector<std::uint8_t> state = RealState();
  ASSERT_FALSE(state.empty());
  EXPECT_NE(std::get<std::string>(Read({})).find("not a VICE snapshot"), std::string::npos);
  // Cut at every kind of place: inside the wrapper, the header, a module,
  // the zero padding at the end of the wrapper's chunk.
  for (std::size_t length : {std::size_t{10}, std::size_t{40}, std::size_t{100}, std::size_t{70000}, state.size() - 20}) {
    std::vector<std::uint8_t> cut(state.begin(), state.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_TRUE(std::holds_alternative<std::string>(Read(cut))) << "cut at " << length;
  }
  // A module whose size points past the end.
  std::vector<std::uint8_t> bad = state;
  const auto cpu = std::search(bad.begin(), bad.end(), std::begin("MAINCPU"), std::end("MAINCPU") - 1);
  ASSERT_NE(cpu, bad.end());
  cpu[18] = cpu[19] = cpu[20] = cpu[21] = 0xFF;
  EXPECT_TRUE(std::holds_alternative<std::string>(Read(bad)));
  // Without the memory module it is not a Plus/4 state.
  bad = state;
  const auto memory = std::search(bad.begin(), bad.end(), std::begin("PLUS4MEM"), std::end("PLUS4MEM") - 1);
  memory[0] = 'X';
  EXPECT_NE(std::get<std::string>(Read(bad)).find("lacks"), std::string::npos);
}

TEST(ScreenCodes, BothCharacterSetsAndReverseVideo) {
  EXPECT_EQ(ScreenCodeCharacter(0, false), '@');
  EXPECT_EQ(ScreenCodeCharacter(1, false), 'A');
  EXPECT_EQ(ScreenCodeCharacter(1, true), 'a');
  EXPECT_EQ(ScreenCodeCharacter(65, true), 'A') << "shifted letters in the lower-case set";
  EXPECT_EQ(ScreenCodeCharacter(65, false), '\xB7') << "a graphics character";
  EXPECT_EQ(ScreenCodeCharacter(0x80 | 8, false), 'H') << "reverse video reads as the character";
  EXPECT_EQ(ScreenCodeCharacter(28, false), '\xA3');
  EXPECT_EQ(ScreenCodeCharacter(48, false), '0');
  std::array<std::uint8_t, 64> ted{};
  ted[0x14] = 0x18;
  ted[0x13] = 0xD5;
  EXPECT_EQ(ScreenAddress(ted), 0x1C00);
  EXPECT_TRUE(LowerCaseCharacters(ted));
}

TEST(MachineProgram, StartAddressCommandFileAndRefusedFiles) {
  const std::vector<std::uint8_t> hello = {0x01, 0x10, 0x0B, 0x10, 0x0A, 0x00, 0x9E, ' ', '4', '1', '0', '9', 0, 0, 0, 0x60};
  const MachineProgram basic = DescribeProgram(hello);
  EXPECT_TRUE(basic.BasicStart);
  EXPECT_EQ(basic.StartAddress, 4109);
  // The core drops the first character of the line, and reads paths with
  // a dot but no slash as relative to the command file.
  EXPECT_EQ(AutostartCommandFile(basic, "/program.prg"), " xplus4 -autostart-delay 1 \"/program.prg\"\n");
  const std::vector<std::uint8_t> code = {0x00, 0x30, 0xEE, 0x19, 0xFF, 0x60};
  const MachineProgram machineCode = DescribeProgram(code);
  EXPECT_FALSE(machineCode.BasicStart);
  EXPECT_EQ(machineCode.StartAddress, 0x3000);
  const std::string command = AutostartCommandFile(machineCode, "/program.prg");
  EXPECT_NE(command.find("-keybuf \"sys12288\\n\""), std::string::npos) << command;
  EXPECT_NE(command.find("-autoload \"/program.prg\""), std::string::npos) << command;
  // A $1001 program without SYS starts at its load address (RUN runs it).
  EXPECT_EQ(DescribeProgram(std::vector<std::uint8_t>{0x01, 0x10, 0, 0, 0, 0}).StartAddress, 0x1001);
  // A SYS beyond 65535 is no address.
  EXPECT_EQ(DescribeProgram(std::vector<std::uint8_t>{0x01, 0x10, 0, 0, 0, 0, 0x9E, '9', '9', '9', '9', '9', '9'}).StartAddress, 0x1001);

  EXPECT_TRUE(ProgramProblem(std::vector<std::uint8_t>{0x01, 0x10}));
  EXPECT_TRUE(ProgramProblem(std::vector<std::uint8_t>{}));
  std::vector<std::uint8_t> tooLong(2 + 0x100, 0);
  tooLong[0] = 0x01;
  tooLong[1] = 0xFF;  // $FF01 + 256 bytes passes $FFFF
  EXPECT_TRUE(ProgramProblem(tooLong));
  tooLong.pop_back();  // now it ends exactly at $FFFF
  EXPECT_FALSE(ProgramProblem(tooLong));
}

}  // namespace
