// SPDX-License-Identifier: GPL-3.0-or-later
// Rules of the machine model beyond what VICE's fixtures show: the frame
// count goes on when a program keeps the raster counter from its sync line,
// a run stopped before its first frame shows the start picture, BASIC after
// the program's return echoes keys and ends nothing, a program running in a
// cartridge bank stops instead of running the model's traps, and the
// sound's rules (nothing made while off, silence at volume 0, the held
// value, the pending samples bounded).
#include <gtest/gtest.h>

#include <vector>

#include "plus4/plus4_machine.h"
#include "plus4/rom.h"

namespace qv3::plus4 {
namespace {

constexpr std::uint16_t kCode = 0x2000;

void Prepare(Plus4Machine& machine, const std::vector<std::uint8_t>& code) {
  machine.Load({kCode, code});
  machine.PrepareSys(kCode);
}

TEST(Plus4ModelDetails, CounterKeptFromItsSyncLineStillGivesFramesThatRoll) {
  Plus4Machine machine;
  // SEI; each time the counter reaches 250, back to 200: line 257 never comes.
  Prepare(machine, {
                       0x78,                    // SEI
                       0xA9, 0xFA,              // LDA #250
                       0xCD, 0x1D, 0xFF,        // CMP $FF1D
                       0xD0, 0xFB,              // BNE -5
                       0xA9, 0xC8,              // LDA #200
                       0x8D, 0x1D, 0xFF,        // STA $FF1D
                       0x4C, 0x01, 0x20,        // JMP $2001
                   });
  ASSERT_EQ(machine.RunFrames(3), StepOutcome::Ok);
  const std::uint64_t cycles = machine.Cycles();
  ASSERT_EQ(machine.RunFrames(2), StepOutcome::Ok);
  // A rolling frame is 353 lines of the TV, longer than the 312 of a frame.
  EXPECT_GT(machine.Cycles() - cycles, 2u * 312 * 57);
  EXPECT_LT(machine.Ted().RasterLine(), 251);
}

TEST(Plus4ModelDetails, RunStoppedBeforeItsFirstFrameShowsTheStartPicture) {
  Plus4Machine machine;
  // LDA #$02 / STA $FF19 (border red) / 256 rounds of DEX, BNE / RTS
  Prepare(machine, {0xA9, 0x02, 0x8D, 0x19, 0xFF, 0xA2, 0x00, 0xCA, 0xD0, 0xFD, 0x60});
  const std::uint8_t startBorder = machine.Ted().StoredRegister(0x19);
  ASSERT_EQ(machine.RunUntilCycle(1'000'000), StepOutcome::Returned);
  ASSERT_EQ(machine.FrameCount(), 0u);
  const FrameBuffer& frame = machine.Frame();
  EXPECT_EQ(frame.At(0, 0), startBorder) << "the top border, drawn before the run";
  // The beam started at line $D7 (picture row 251): the rows it passed
  // after the store are red.
  EXPECT_EQ(frame.At(0, 255), 0x02);
  EXPECT_EQ(frame.At(192, 144), machine.Ted().StoredRegister(0x15)) << "the blank screen's background";
}

TEST(Plus4ModelDetails, BasicEchoesKeysAndKeepsRunningAfterTheReturn) {
  Plus4Machine machine;
  Prepare(machine, {0x60});  // RTS
  machine.SetContinueAfterReturn(true);
  const int row = machine.Ram()[kCursorRow];  // where boot and RUN left it
  machine.TypeKeys("HI\r");
  ASSERT_EQ(machine.RunFrames(40), StepOutcome::Ok);
  EXPECT_TRUE(machine.InBasic());
  EXPECT_EQ(machine.Registers().PC, kBasicIdleLoop);
  const auto screenLine = [&](int row) {
    std::string text;
    for (int column = 0; column < 6; ++column) text += static_cast<char>(machine.Ram()[kScreenMemory + row * 40 + column]);
    return text;
  };
  EXPECT_EQ(screenLine(row + 1), std::string("\x12\x05\x01\x04\x19\x2E", 6)) << "READY. after a blank line";
  EXPECT_EQ(screenLine(row + 2).substr(0, 2), std::string("\x08\x09", 2)) << "HI echoed";
  EXPECT_EQ(machine.Ram()[kCursorRow], row + 3) << "RETURN moved the cursor on";
  // The hardware cursor follows the KERNAL's.
  EXPECT_EQ(machine.Ted().StoredRegister(0x0C) << 8 | machine.Ted().StoredRegister(0x0D), (row + 3) * 40);
}

TEST(Plus4ModelDetails, CodeInAnEmptyCartridgeBankRunsItsBytesNotTheModelsTraps) {
  Plus4Machine machine;
  // SEI; STA $FDD8 (cartridge 1 at $C000); JSR $FFD2: $FF bytes there, not
  // CHROUT. $FF is an undocumented opcode: stopping there shows it was fetched.
  Prepare(machine, {0x78, 0x8D, 0xD8, 0xFD, 0x20, 0xD2, 0xFF, 0x60});
  machine.SetStopAtUndocumented(true);
  const StepOutcome outcome = machine.RunUntilCycle(10'000);
  EXPECT_EQ(outcome, StepOutcome::Illegal);
  EXPECT_EQ(machine.Registers().PC, 0xFFD2);
  EXPECT_EQ(machine.RomBank(), 8);
  EXPECT_EQ(machine.Peek(0xFFD2), 0xFF);
  EXPECT_EQ(machine.Peek(0xFCB3), TheRom().Bytes[0xFCB3]) << "the KERNAL's page stays";
}

TEST(Plus4ModelDetails, SoundRules) {
  TedSound sound;
  sound.Write(0x11, 0x18, 0);
  sound.RunTo(100'000);
  EXPECT_EQ(sound.PendingSamples(), 0u) << "made while off";

  sound.SetEnabled(true);
  sound.Reset();
  sound.Write(0x0E, 0x00, 0);
  sound.Write(0x12, 0x03, 0);
  sound.Write(0x11, 0x10, 0);  // voice 1 on at volume 0
  sound.RunTo(TedSound::kClock / 10);
  const std::vector<std::int16_t> quiet = sound.TakeSamples();
  EXPECT_NEAR(static_cast<double>(quiet.size()), TedSound::kSampleRate / 10.0, 1.0);
  for (const std::int16_t sample : quiet) ASSERT_EQ(sample, 0);

  sound.Write(0x0E, 0xFE, TedSound::kClock / 10);  // $3FE: held high
  sound.Write(0x11, 0x18, TedSound::kClock / 10);
  sound.RunTo(TedSound::kClock / 5);
  for (const std::int16_t sample : sound.TakeSamples()) ASSERT_EQ(sample, TedSound::kVoiceAmplitude);
  EXPECT_EQ(TedSound::ToneFrequency(0x3FE), 0.0);

  sound.RunTo(TedSound::kClock * 60ull);
  EXPECT_EQ(sound.PendingSamples(), TedSound::kMaxPendingSamples) << "samples nobody takes are bounded";
}

}  // namespace
}  // namespace qv3::plus4
