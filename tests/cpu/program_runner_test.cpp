#include "cpu/program_runner.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace qv3::cpu {
namespace {

std::string File(std::initializer_list<int> bytes) {
  std::string file;
  for (int b : bytes) file += static_cast<char>(b);
  return file;
}

ProgramImage Image(std::uint16_t load, std::initializer_list<int> bytes) {
  ProgramImage image{load, {}};
  for (int b : bytes) image.Bytes.push_back(static_cast<std::uint8_t>(b));
  return image;
}

TEST(ParseProgram, LoadAddressFirstAndTheAddressSpaceIsTheLimit) {
  const ParsedProgram good = ParseProgram(File({0x00, 0x20, 0xA9, 0x01}));
  ASSERT_TRUE(good.Image);
  EXPECT_EQ(good.Image->LoadAddress, 0x2000);
  EXPECT_EQ(good.Image->Bytes, (std::vector<std::uint8_t>{0xA9, 0x01}));
  for (const std::string& tooShort : {std::string(), File({0x01})}) {
    const ParsedProgram bad = ParseProgram(tooShort);
    EXPECT_FALSE(bad.Image);
    EXPECT_NE(bad.Error.find("fewer than the 2"), std::string::npos) << bad.Error;
  }
  // The last byte may sit at $FFFF, not beyond.
  EXPECT_TRUE(ParseProgram(File({0xFF, 0xFF, 0x60})).Image);
  const ParsedProgram past = ParseProgram(File({0xFF, 0xFF, 0x60, 0x60}));
  EXPECT_FALSE(past.Image);
  EXPECT_NE(past.Error.find("past $FFFF"), std::string::npos) << past.Error;
  EXPECT_TRUE(ParseProgram(File({0x00, 0x10})).Image) << "an empty program loads";
}

TEST(StartAddress, SysOfABasicLineAtTheBasicStartElseTheLoadAddress) {
  // 10 SYS 4109
  const auto sys = Image(0x1001, {0x0B, 0x10, 0x0A, 0x00, 0x9E, 0x34, 0x31, 0x30, 0x39, 0x00, 0x00, 0x00});
  EXPECT_EQ(StartAddress(sys), 4109);
  // 10 SYS 4109 elsewhere is plain bytes.
  auto moved = sys;
  moved.LoadAddress = 0x2000;
  EXPECT_EQ(StartAddress(moved), 0x2000);
  // 10 PRINT"<SYS>":20 SYS 8192 - a SYS byte inside quotes is text, and
  // the second line is followed by its link.
  const auto quoted = Image(0x1001, {0x0A, 0x10, 0x0A, 0x00, 0x99, '"', 0x9E, '"', 0x00,
                                     0x15, 0x10, 0x14, 0x00, 0x9E, ' ', '8', '1', '9', '2', 0x00,
                                     0x00, 0x00});
  EXPECT_EQ(BasicSysAddress(quoted), 8192);
  // No digits, a number too large, a link running backwards.
  EXPECT_FALSE(BasicSysAddress(Image(0x1001, {0x0B, 0x10, 0x0A, 0x00, 0x9E, 0x41, 0x00, 0x00, 0x00})));
  EXPECT_FALSE(BasicSysAddress(Image(0x1001, {0x0D, 0x10, 0x0A, 0x00, 0x9E, '7', '0', '0', '0', '0', 0x00, 0x00, 0x00})));
  EXPECT_FALSE(BasicSysAddress(Image(0x1001, {0x01, 0x10, 0x0A, 0x00, 0x99, 0x00, 0x00, 0x00})));
  EXPECT_FALSE(BasicSysAddress(Image(0x1001, {0x0B})));
}

class RunnerTest : public ::testing::Test {
 protected:
  ProgramRunner runner;
  std::string printed;
  std::vector<std::uint16_t> notes;

  void SetUp() override {
    runner.CharacterSink = [this](std::uint8_t c) { printed += static_cast<char>(c); };
    runner.NoteSink = [this](std::uint16_t address) { notes.push_back(address); };
  }
  StopReason Run(std::initializer_list<int> code, std::uint64_t limit = 1'000'000) {
    runner.Load(Image(0x2000, code));
    runner.PrepareCall(0x2000);
    return runner.Run(limit);
  }
  const Registers& R() { return runner.Cpu().Registers; }
  std::uint8_t ScreenAt(int row, int column) {
    return runner.Cpu().Memory[kScreenMemory + row * kScreenColumns + column];
  }
};

TEST_F(RunnerTest, ChroutPrintsAndWritesTheScreen) {
  // CLR, "AB", RETURN, "C", then a tail call of CHROUT with "D": its return
  // is the routine's.
  EXPECT_EQ(Run({0xA9, 0x93, 0x20, 0xD2, 0xFF, 0xA9, 0x41, 0x20, 0xD2, 0xFF, 0xA9, 0x42, 0x20, 0xD2, 0xFF,
                 0xA9, 0x0D, 0x20, 0xD2, 0xFF, 0xA9, 0x43, 0x20, 0xD2, 0xFF, 0xA9, 0x44, 0x4C, 0xD2, 0xFF}),
            StopReason::Returned);
  EXPECT_EQ(printed, "\x93" "AB\rCD");
  EXPECT_EQ(ScreenAt(0, 0), 0x01);
  EXPECT_EQ(ScreenAt(0, 1), 0x02);
  EXPECT_EQ(ScreenAt(0, 2), 0x20) << "CLR fills the screen with spaces";
  EXPECT_EQ(ScreenAt(1, 0), 0x03);
  EXPECT_EQ(ScreenAt(1, 1), 0x04);
  EXPECT_EQ(ScreenAt(24, 39), 0x20);
  EXPECT_EQ(runner.CursorRow(), 1);
  EXPECT_EQ(runner.CursorColumn(), 2);
  EXPECT_TRUE(notes.empty());
}

TEST_F(RunnerTest, TheScreenScrollsBelowItsLastLine) {
  // 25 RETURNs put the cursor below the last line: one scroll.
  runner.Load(Image(0x2000, {0xA9, 0x58, 0x20, 0xD2, 0xFF,               // "X" at the top
                             0xA2, 0x19, 0xA9, 0x0D, 0x20, 0xD2, 0xFF, 0xCA, 0xD0, 0xF8,
                             0xA9, 0x59, 0x20, 0xD2, 0xFF, 0x60}));      // "Y"
  runner.PrepareCall(0x2000);
  EXPECT_EQ(runner.Run(100000), StopReason::Returned);
  EXPECT_EQ(ScreenAt(0, 0), 0x00) << "the zeroed second line moved up";
  EXPECT_EQ(ScreenAt(24, 0), 0x19);
  EXPECT_EQ(runner.CursorRow(), 24);
  EXPECT_EQ(ScreenCodeOf(0x58), 0x18);
  EXPECT_EQ(ScreenCodeOf(0xC1), 0x41);
  EXPECT_EQ(ScreenCodeOf(0x61), 0x41);
  EXPECT_EQ(ScreenCodeOf(0xFF), 0x5E);
  EXPECT_FALSE(ScreenCodeOf(0x05));  // a colour code
}

TEST_F(RunnerTest, GetinHandsOutTheKeysThenZeroAndOtherCallsAreNotedOnce) {
  // Loop: JSR GETIN, BEQ out, STA $3000,X, INX, JMP loop; out: JSR $FFE1
  // twice, JSR $FF90, RTS.
  runner.SetKeys("HI");
  EXPECT_EQ(Run({0x20, 0xE4, 0xFF, 0xF0, 0x07, 0x9D, 0x00, 0x30, 0xE8, 0x4C, 0x00, 0x20,
                 0x20, 0xE1, 0xFF, 0x20, 0xE1, 0xFF, 0x20, 0x90, 0xFF, 0x60}),
            StopReason::Returned);
  EXPECT_EQ(runner.Cpu().Memory[0x3000], 'H');
  EXPECT_EQ(runner.Cpu().Memory[0x3001], 'I');
  EXPECT_EQ(R().X, 2);
  EXPECT_EQ(notes, (std::vector<std::uint16_t>{0xFFE1, 0xFF90}));
  // JSR 6 + trapped call 6 for each KERNAL call.
  EXPECT_EQ(runner.Cpu().Cycles, 2u * (6 + 6 + 2 + 5 + 2 + 3) + (6 + 6 + 3) + 3u * 12 + 6);
}

TEST_F(RunnerTest, AReturnLandingOnItselfIsNoLoop) {
  // LDX #3, JSR COUNT, RTS; COUNT: DEX, BEQ DONE, JSR COUNT; DONE: RTS. The
  // inner calls return to DONE, which is the RTS that returns.
  EXPECT_EQ(Run({0xA2, 0x03, 0x20, 0x06, 0x20, 0x60, 0xCA, 0xF0, 0x03, 0x20, 0x06, 0x20, 0x60}),
            StopReason::Returned);
  EXPECT_EQ(R().X, 0);
  EXPECT_EQ(R().SP, 0xFF) << "every call returned";
}

}  // namespace
}  // namespace qv3::cpu
