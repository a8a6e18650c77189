// SPDX-License-Identifier: GPL-3.0-or-later
// The machine model's rules that are easy to get wrong, each driven by a few
// hand-assembled instructions run from SYS: banking, the raster compare and
// its write-1-clears flags, the timers' restarts, the ROM's stop, CHROUT's
// control codes and scrolling, GETIN from the key buffer, and bad programs
// (a jam, an interrupt that is never acknowledged, writes everywhere) ending
// with a stop instead of a hang.
#include "plus4/plus4_machine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plus4/rom.h"

namespace qv3::plus4 {
namespace {

constexpr std::uint16_t kCode = 0x2000;
constexpr std::uint16_t kData = 0x2100;

// Loads code at $2000 (and data at $2100) and prepares SYS $2000.
void Prepare(Plus4Machine& machine, std::vector<std::uint8_t> code, const std::vector<std::uint8_t>& data = {}) {
  code.resize(kData - kCode, 0xEA);
  code.insert(code.end(), data.begin(), data.end());
  machine.Load({kCode, code});
  machine.PrepareSys(kCode);
}

// Runs until the program's RTS returns from SYS; fails on any other stop.
void RunToReturn(Plus4Machine& machine, std::uint64_t cycles = 2'000'000) {
  const StepOutcome outcome = machine.RunUntilCycle(machine.Cycles() + cycles);
  ASSERT_EQ(outcome, StepOutcome::Returned) << OutcomeText(outcome) << ": " << machine.StopDetail();
}

std::uint8_t Ram(const Plus4Machine& machine, std::uint16_t address) { return machine.Ram()[address]; }

TEST(Plus4Machine, BankingShowsRomOrRamToReadsWhileWritesAlwaysReachRam) {
  Plus4Machine machine;
  Prepare(machine, {
                       0xA9, 0xAA, 0x8D, 0x00, 0x90,  // LDA #$AA / STA $9000 (ROM banked in)
                       0x8D, 0x3F, 0xFF,              // STA $FF3F: RAM
                       0xAD, 0x00, 0x90, 0x8D, 0x00, 0x03,  // LDA $9000 / STA $0300
                       0xAD, 0x3E, 0xFF, 0x8D, 0x01, 0x03,  // LDA $FF3E / STA $0301
                       0x8D, 0x3E, 0xFF,              // STA $FF3E: ROM
                       0xAD, 0x00, 0x90, 0x8D, 0x02, 0x03,  // LDA $9000 / STA $0302
                       0xAD, 0x3E, 0xFF, 0x8D, 0x03, 0x03,  // LDA $FF3E / STA $0303
                       0x60,
                   });
  RunToReturn(machine);
  const RomImage& rom = TheRom();
  EXPECT_EQ(Ram(machine, 0x9000), 0xAA);          // the write under the ROM
  EXPECT_EQ(Ram(machine, 0x0300), 0xAA);          // read back with the RAM banked in
  EXPECT_EQ(Ram(machine, 0x0301), 0xFF);          // $FF3E with the RAM in: the TED's $FF
  EXPECT_EQ(Ram(machine, 0x0302), rom.Bytes[0x9000]);
  EXPECT_EQ(Ram(machine, 0x0303), rom.Bytes[0xFF3E]);  // with the ROM in: the ROM's byte
  EXPECT_TRUE(machine.RomVisible());
  EXPECT_EQ(machine.Peek(0x9000), rom.Bytes[0x9000]);
}

TEST(Plus4Machine, RasterCompareFlagsAreClearedOnlyByWritingOnes) {
  Plus4Machine machine;
  Prepare(machine, {
                       0x78,                          // SEI
                       0xA9, 0x00, 0x8D, 0x0A, 0xFF,  // no source enabled, compare bit 8 clear
                       0xA9, 0x64, 0x8D, 0x0B, 0xFF,  // compare line 100
                       0xA9, 0xFF, 0x8D, 0x09, 0xFF,  // all flags cleared
                       0xAD, 0x09, 0xFF, 0x29, 0x02, 0xF0, 0xF9,  // wait for the raster flag
                       0xAD, 0x1D, 0xFF, 0x8D, 0x00, 0x03,  // the line it came on
                       0xA9, 0xFD, 0x8D, 0x09, 0xFF,  // ones everywhere but the raster bit
                       0xAD, 0x09, 0xFF, 0x8D, 0x01, 0x03,
                       0xA9, 0x02, 0x8D, 0x09, 0xFF,  // a one on the raster bit
                       0xAD, 0x09, 0xFF, 0x8D, 0x02, 0x03,
                       0x60,
                   });
  RunToReturn(machine);
  EXPECT_EQ(Ram(machine, 0x0300), 100);
  EXPECT_EQ(Ram(machine, 0x0301) & 0x02, 0x02);
  EXPECT_EQ(Ram(machine, 0x0302) & 0x02, 0x00);
  EXPECT_FALSE(machine.IrqPending());  // flagged but masked: no interrupt
}

TEST(Plus4Machine, RasterInterruptsGoThroughTheRamVectorToTheProgramsHandler) {
  Plus4Machine machine;
  Prepare(machine,
          {
              0x78,                                      // SEI
              0xA9, 0x00, 0x8D, 0x14, 0x03,              // $0314 = <HANDLER ($2100)
              0xA9, 0x21, 0x8D, 0x15, 0x03,              // $0315 = >HANDLER
              0xA9, 0x00, 0x85, 0xF0,                    // count = 0
              0xA9, 0x64, 0x8D, 0x0B, 0xFF,              // line 100
              0xA9, 0x02, 0x8D, 0x0A, 0xFF,              // raster interrupt only
              0x8D, 0x09, 0xFF,                          // nothing pending
              0x58,                                      // CLI
              0xA5, 0xF0, 0xC9, 0x03, 0xD0, 0xFA,        // wait for three
              0x78, 0x60,                                // SEI / RTS
          },
          {
              0xA6, 0xF0,                                // HANDLER: LDX count
              0xAD, 0x1D, 0xFF, 0x9D, 0x20, 0x03,        // the line at the handler, to $0320+X
              0xAD, 0x09, 0xFF, 0x8D, 0x09, 0xFF,        // acknowledge what is flagged
              0xE6, 0xF0,                                // INC count
              0x4C, 0xBE, 0xFC,                          // JMP $FCBE: the ROM's exit
          });
  RunToReturn(machine, 200'000);
  // One interrupt a frame, seen early on the line after the compare (the
  // entry through the ROM takes that long, as on VICE: raster_irq.txt).
  for (std::uint16_t i = 0; i < 3; ++i) EXPECT_EQ(Ram(machine, 0x0320 + i), 101) << i;
  EXPECT_EQ(machine.Registers().SP, 0xF8);  // every entry's pushes were pulled again
}

TEST(Plus4Machine, TimerOneRestartsFromItsValueTheOthersFromFFFFAndALowByteStops) {
  Plus4Machine machine;
  Prepare(machine, {
                       0x78,                                // SEI
                       0xA9, 0x00, 0x8D, 0x0A, 0xFF,        // no interrupts
                       0xA9, 0xFF, 0x8D, 0x09, 0xFF,        // no flags
                       0xA9, 0x40, 0x8D, 0x00, 0xFF, 0xA9, 0x00, 0x8D, 0x01, 0xFF,  // timer 1 from $0040
                       0xA9, 0x40, 0x8D, 0x02, 0xFF, 0xA9, 0x00, 0x8D, 0x03, 0xFF,  // timer 2 from $0040
                       0xAD, 0x09, 0xFF, 0x29, 0x08, 0xF0, 0xF9,  // timer 1's underflow
                       0xAD, 0x09, 0xFF, 0x29, 0x10, 0xF0, 0xF9,  // timer 2's
                       0xAD, 0x01, 0xFF, 0x8D, 0x00, 0x03,  // timer 1's high byte
                       0xAD, 0x03, 0xFF, 0x8D, 0x01, 0x03,  // timer 2's
                       0xA9, 0x50, 0x8D, 0x04, 0xFF,        // timer 3: a low byte stops it
                       0xAD, 0x04, 0xFF, 0x8D, 0x02, 0x03,
                       0xEA, 0xEA, 0xEA, 0xEA, 0xEA, 0xEA,
                       0xAD, 0x04, 0xFF, 0x8D, 0x03, 0x03,
                       0x60,
                   });
  RunToReturn(machine);
  EXPECT_EQ(Ram(machine, 0x0300), 0x00);  // counting down again from $0040
  EXPECT_EQ(Ram(machine, 0x0301), 0xFF);  // counting down from $FFFF
  EXPECT_EQ(Ram(machine, 0x0302), 0x50);
  EXPECT_EQ(Ram(machine, 0x0303), 0x50);  // still: it stands until its high byte is written
}

TEST(Plus4Machine, AJumpIntoRomTheModelDoesNotServeStopsThere) {
  Plus4Machine machine;
  Prepare(machine, {0x4C, 0x00, 0xE0});  // JMP $E000
  EXPECT_EQ(machine.Step(), StepOutcome::Ok);
  EXPECT_EQ(machine.Step(), StepOutcome::UnservedRom);
  EXPECT_EQ(machine.Registers().PC, 0xE000);
  EXPECT_NE(machine.StopDetail().find("$E000"), std::string::npos) << machine.StopDetail();
  EXPECT_EQ(OutcomeText(StepOutcome::UnservedRom), "rom");
  EXPECT_EQ(machine.Step(), StepOutcome::UnservedRom);  // and stays stopped
}

// Prints the zero-terminated PETSCII text at $2100 through CHROUT.
std::vector<std::uint8_t> PrintLoop() {
  return {0xA2, 0x00,                    // LDX #0
          0xBD, 0x00, 0x21,              // LDA $2100,X
          0xF0, 0x06,                    // BEQ done
          0x20, 0xD2, 0xFF,              // JSR $FFD2
          0xE8,                          // INX
          0xD0, 0xF5,                    // BNE
          0x60};
}

std::vector<std::uint8_t> Text(const std::string& petscii) {
  std::vector<std::uint8_t> bytes(petscii.begin(), petscii.end());
  bytes.push_back(0);
  return bytes;
}

TEST(Plus4Machine, ChroutKeepsColourCursorHomeAndReturnOnTheScreen) {
  Plus4Machine machine;
  Prepare(machine, PrintLoop(), Text("\x93\x1C" "AB\rC\x13" "D"));  // CLR, red, AB, RETURN, C, HOME, D
  RunToReturn(machine);
  EXPECT_EQ(Ram(machine, kScreenMemory), 0x04);  // D over A: HOME went back to the corner
  EXPECT_EQ(Ram(machine, kScreenMemory + 1), 0x02);
  EXPECT_EQ(Ram(machine, kScreenMemory + 2), 0x20);
  EXPECT_EQ(Ram(machine, kScreenMemory + 40), 0x03);  // C at the next line's start
  for (const std::uint16_t cell : {0, 1, 40}) EXPECT_EQ(Ram(machine, kColourMemory + cell), 0x32) << cell;
  EXPECT_EQ(Ram(machine, kCursorColour), 0x32);
  EXPECT_EQ(Ram(machine, kCursorRow), 0);
  EXPECT_EQ(Ram(machine, kCursorColumn), 1);
}

TEST(Plus4Machine, ChroutScrollsScreenAndColoursUpPastTheLastLine) {
  Plus4Machine machine;
  Prepare(machine, PrintLoop(), Text("\x93" "A\r\x1C" "B" + std::string(24, '\r') + "Z"));
  RunToReturn(machine);
  EXPECT_EQ(Ram(machine, kScreenMemory), 0x02);  // B's line is the first now, A's is gone
  EXPECT_EQ(Ram(machine, kColourMemory), 0x32);
  EXPECT_EQ(Ram(machine, kScreenMemory + 24 * 40), 0x1A);
  EXPECT_EQ(Ram(machine, kScreenMemory + 23 * 40), 0x20);
  EXPECT_EQ(Ram(machine, kCursorRow), 24);
}

TEST(Plus4Machine, GetinTakesTheKeyBufferInOrderAndKeysTypedReachIt) {
  Plus4Machine machine;
  const std::vector<std::uint8_t> getThree = {
      0x20, 0xE4, 0xFF, 0x8D, 0x00, 0x03,  // JSR $FFE4 / STA $0300
      0x20, 0xE4, 0xFF, 0x8D, 0x01, 0x03,
      0x20, 0xE4, 0xFF, 0x8D, 0x02, 0x03,
      0x60,
  };
  Prepare(machine, getThree);
  machine.MutableRam()[kKeyBuffer] = 'H';
  machine.MutableRam()[kKeyBuffer + 1] = 'I';
  machine.MutableRam()[kKeyCount] = 2;
  RunToReturn(machine);
  EXPECT_EQ(Ram(machine, 0x0300), 'H');
  EXPECT_EQ(Ram(machine, 0x0301), 'I');
  EXPECT_EQ(Ram(machine, 0x0302), 0);  // empty: GETIN gives 0
  EXPECT_EQ(Ram(machine, kKeyCount), 0);

  // Typed through the matrix, the ROM's interrupt scans it into the buffer.
  Plus4Machine typed;
  Prepare(typed, {0x20, 0xE4, 0xFF, 0xF0, 0xFB, 0x8D, 0x00, 0x03, 0x60});  // wait for a key
  typed.TypeKeys("Q");
  RunToReturn(typed, 1'000'000);
  EXPECT_EQ(Ram(typed, 0x0300), 'Q');
}

TEST(Plus4Machine, TheJiffyClockStartsAgainAfterADay) {
  Plus4Machine machine;
  Prepare(machine, {0x4C, 0x00, 0x20});  // a wait loop: the KERNAL's interrupt runs
  auto& ram = machine.MutableRam();
  ram[kJiffyClock] = 0x4F;  // 5,183,999 sixtieths: the last of the day
  ram[kJiffyClock + 1] = 0x19;
  ram[kJiffyClock + 2] = 0xFF;
  ram[0x07FD] = 3;  // not the fifth frame: one count
  // SYS comes after the frame's interrupt line ($CC): the second frame end
  // is the first with the handler's frame work behind it.
  ASSERT_EQ(machine.RunFrames(2), StepOutcome::Ok);
  EXPECT_EQ(Ram(machine, kJiffyClock), 0);
  EXPECT_EQ(Ram(machine, kJiffyClock + 1), 0);
  EXPECT_EQ(Ram(machine, kJiffyClock + 2), 0);
  EXPECT_EQ(Ram(machine, 0x07FD), 2);
}

// The debug cartridge's register ends a step with the value written; the
// run may go on after it. A debugger's Store there is no exit.
TEST(Plus4Machine, DebugExitReportsTheWrittenValueOnce) {
  Plus4Machine machine;
  Prepare(machine, {0xA9, 0x2A, 0x8D, 0xCF, 0xFD,  // LDA #$2A / STA $FDCF
                    0x8E, 0xCF, 0xFD,              // STX $FDCF
                    0x60});
  EXPECT_FALSE(machine.DebugExitValue());
  machine.Store(kDebugExitRegister, 0x55);
  EXPECT_EQ(machine.Step(), StepOutcome::Ok);  // LDA
  EXPECT_EQ(machine.Step(), StepOutcome::DebugExit);
  EXPECT_EQ(machine.DebugExitValue(), 0x2A);
  EXPECT_EQ(machine.Registers().PC, kCode + 5);
  EXPECT_EQ(OutcomeText(StepOutcome::DebugExit), "debug-exit");
  machine.MutableRegisters().X = 0x00;
  EXPECT_EQ(machine.Step(), StepOutcome::DebugExit);
  EXPECT_EQ(machine.DebugExitValue(), 0x00);
  RunToReturn(machine);
  machine.Reset();
  EXPECT_FALSE(machine.DebugExitValue());
}

TEST(Plus4Machine, BadProgramsEndWithAStopNotAHang) {
  {
    Plus4Machine machine;
    Prepare(machine, {0xEA, 0x02});  // NOP, then a halting opcode
    EXPECT_EQ(machine.RunUntilCycle(10'000), StepOutcome::Jam);
    EXPECT_EQ(machine.StopDetail(), "JAM ($02) at $2001");
  }
  {
    // A handler that never acknowledges: the interrupt comes again at once,
    // for ever, and the machine still moves on frame by frame.
    Plus4Machine machine;
    Prepare(machine,
            {0x78, 0xA9, 0x00, 0x8D, 0x14, 0x03, 0xA9, 0x21, 0x8D, 0x15, 0x03,  // $0314 = $2100
             0xA9, 0x02, 0x8D, 0x0A, 0xFF, 0x58,                                // raster only, CLI
             0x4C, 0x11, 0x20},                                                 // JMP to itself
            {0xE6, 0xF0, 0x4C, 0xBE, 0xFC});                                    // INC $F0 / JMP $FCBE
    const std::uint64_t frames = machine.FrameCount();
    EXPECT_EQ(machine.RunFrames(3), StepOutcome::Ok);
    EXPECT_EQ(machine.FrameCount(), frames + 3);
    EXPECT_NE(Ram(machine, 0xF0), 0);
    EXPECT_GE(machine.Registers().SP, 0xF6 - 6);  // never deeper than one entry's pushes
  }
  {
    // Writes everywhere, the TED's registers, the banking and the program
    // itself included: whatever it runs into, the run ends.
    Plus4Machine machine;
    Prepare(machine, {0xA9, 0x00, 0x85, 0xFB, 0x85, 0xFC, 0xA0, 0x00,  // ($FB) = $0000, Y = 0
                      0x98, 0x91, 0xFB, 0xC8, 0xD0, 0xFA,              // TYA / STA ($FB),Y / INY / BNE
                      0xE6, 0xFC, 0x4C, 0x08, 0x20});                  // INC $FC / JMP
    const StepOutcome outcome = machine.RunUntilCycle(5'000'000);
    // A stop for a cause says which; the same stop comes again.
    if (outcome == StepOutcome::Jam || outcome == StepOutcome::Illegal || outcome == StepOutcome::UnservedRom) {
      EXPECT_FALSE(machine.StopDetail().empty()) << OutcomeText(outcome);
      EXPECT_EQ(machine.Step(), outcome);
    }
    EXPECT_NE(OutcomeText(outcome), "unknown");
  }
}

}  // namespace
}  // namespace qv3::plus4
