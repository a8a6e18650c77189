// SPDX-License-Identifier: GPL-3.0-or-later
// The ROM's traps: the KERNAL routines behind the jump table and the default
// interrupt handler, written for the model (no Commodore code), keeping the
// KERNAL's variables where programs read them: the cursor ($CA column, $CD
// row, $C8/$C9 and $EA/$EB its screen and colour line), the colour ($053B),
// reverse ($C2), the key buffer ($0527, count $EF), the last key ($C6) and
// the jiffy clock ($A3-$A5).
#include <algorithm>

#include "cpu/program_runner.h"
#include "plus4/machine_core.h"
#include "plus4/rom.h"

namespace qv3::plus4 {
namespace {

constexpr int kColumns = 40, kRows = 25;
constexpr std::uint16_t kScreenLine = 0x00C8, kColourLine = 0x00EA, kLastKey = 0x00C6;
constexpr std::uint8_t kNoKey = 0x40;
constexpr int kServiceCycles = 6;  // the RTS that ends a served call
// $FF13 bit 2: the character set's second kilobyte (lower case).
constexpr std::uint8_t kLowerCaseBit = 0x04;
// What the real handler costs from $CE0E to its exit at $FCBE, in CPU
// cycles: on the split line, and at the frame's end (the jiffy clock and
// the keyboard scan with no key down). Found by running kernal_timing.qv3
// on the model until the beam after each return is where VICE had it, in
// steps of an average instruction.
constexpr int kHandlerStepCycles = 4;
constexpr int kSplitLineCycles = 101;
constexpr int kFrameWorkCycles = 415;
constexpr std::uint16_t kJiffyFrameCounter = 0x07FD;
constexpr std::uint32_t kJiffiesPerDay = 60u * 60 * 60 * 24;
// The KERNAL's two raster lines: the split-screen line and the frame's end.
constexpr std::uint8_t kSplitLine = 0xA1, kFrameLine = 0xCC;

// The colours the PETSCII colour codes select.
struct ColourCode {
  std::uint8_t Petscii, Colour;
};
constexpr ColourCode kColourCodes[] = {
    {0x90, 0x00}, {0x05, 0x71}, {0x1C, 0x32}, {0x9F, 0x63}, {0x9C, 0x44}, {0x1E, 0x35}, {0x1F, 0x46}, {0x9E, 0x77},
    {0x81, 0x48}, {0x95, 0x29}, {0x96, 0x5A}, {0x97, 0x6B}, {0x98, 0x5C}, {0x99, 0x6D}, {0x9A, 0x2E}, {0x9B, 0x5F},
};

}  // namespace

void Plus4Machine::ReturnFromService(int cycles) {
  cpu::Registers& r = cpu_->Registers;
  const std::uint8_t low = ram_[0x100u | ++r.SP];
  const std::uint8_t high = ram_[0x100u | ++r.SP];
  r.PC = static_cast<std::uint16_t>((low | high << 8) + 1);
  cpu_->Cycles += static_cast<std::uint64_t>(cycles);
}

StepOutcome Plus4Machine::ServeTrap(std::uint16_t pc) {
  const RomImage& rom = TheRom();
  cpu::Registers& r = cpu_->Registers;
  const auto clearCarry = [&] { r.P = static_cast<std::uint8_t>(r.P & ~cpu::kCarry); };
  switch (rom.TrapAt(pc)) {
    case Trap::DefaultBrk:
      return Stop(StepOutcome::Brk, "the ROM's BRK handler reached");
    case Trap::DefaultIrq:
      DefaultIrqHandler();
      r.PC = kIrqExit;
      SyncTed();
      return StepOutcome::Ok;
    case Trap::Chrout:
      PrintCharacter(r.A);
      clearCarry();
      SpendCycles(r.A == 0x0D ? kChroutReturnCycles : kChroutCycles);
      break;
    case Trap::Getin:
    case Trap::Chrin: {
      std::uint8_t& count = ram_[kKeyCount];
      r.A = 0;
      if (count > 0 && count <= kKeyBufferSize) {
        r.A = ram_[kKeyBuffer];
        std::copy(ram_.begin() + kKeyBuffer + 1, ram_.begin() + kKeyBuffer + kKeyBufferSize, ram_.begin() + kKeyBuffer);
        --count;
      }
      cpu::core::SetNZ(r, r.A);
      clearCarry();
      break;
    }
    case Trap::Stop: {
      const bool stop = keyboard_.IsPressed(kRunStopKey);
      r.P = static_cast<std::uint8_t>(stop ? r.P | cpu::kZero : r.P & ~cpu::kZero);
      if (stop) r.A = 0x7F;
      break;
    }
    case Trap::Plot:
      if (r.P & cpu::kCarry) {
        r.X = ram_[kCursorRow];
        r.Y = ram_[kCursorColumn];
      } else {
        MoveCursor(std::min<int>(r.X, kRows - 1), std::min<int>(r.Y, kColumns - 1));
      }
      break;
    case Trap::Scnkey:
      ScanKeyboard();
      break;
    case Trap::Rdtim:
      r.A = ram_[kJiffyClock + 2];
      r.X = ram_[kJiffyClock + 1];
      r.Y = ram_[kJiffyClock];
      break;
    case Trap::Settim:
      ram_[kJiffyClock + 2] = r.A;
      ram_[kJiffyClock + 1] = r.X;
      ram_[kJiffyClock] = r.Y;
      break;
    case Trap::Screen:
      r.X = kColumns;
      r.Y = kRows;
      break;
    case Trap::ReturnWithNote: {
      const std::uint16_t entry = rom.TableEntry[pc - 0x8000u];
      const std::size_t index = static_cast<std::size_t>(entry - 0xFF81u) & 0x7F;
      if (!noted_.test(index)) {
        noted_.set(index);
        if (NoteSink) NoteSink(entry);
      }
      break;
    }
    case Trap::BasicIdle:
      ServeBasicIdle();
      SyncTed();
      return StepOutcome::Ok;
    case Trap::None:
      break;
  }
  ReturnFromService(kServiceCycles);
  SyncTed();
  return StepOutcome::Ok;
}

// The KERNAL's handler: on its split-screen line it only moves the compare
// to the frame's end; there it counts the jiffy clock, scans the keyboard
// and moves the compare back. It acknowledges the raster interrupt only.
void Plus4Machine::DefaultIrqHandler() {
  ted_->CatchUp(cpu_->Cycles);
  if (!(ted_->Register(0x09) & 0x02)) return;
  int cycles = kSplitLineCycles;
  if (ted_->StoredRegister(0x0B) == kSplitLine) {
    ted_->Write(0x0B, kFrameLine);
  } else {
    ted_->Write(0x0B, kSplitLine);
    CountJiffies();
    ScanKeyboard();
    cycles = kFrameWorkCycles;
  }
  ted_->Write(0x09, 0x02);
  SpendCycles(cycles);
}

// The time a real routine's instructions take, in steps of an average
// instruction, so that the TED shares the bus with them as it would.
void Plus4Machine::SpendCycles(int cycles) {
  for (int step; cycles > 0; cycles -= step) {
    step = std::min(cycles, kHandlerStepCycles);
    cpu_->Cycles += static_cast<std::uint64_t>(step);
    ted_->CatchUp(cpu_->Cycles);
  }
}

// The jiffy clock counts sixtieths of a second at 50 frames a second: a
// frame counter at $07FD runs down from 4, and the frame it would go below
// 0 counts two jiffies (as VICE showed, jiffy_clock.qv3). It starts again
// after 24 hours.
void Plus4Machine::CountJiffies() {
  int jiffies = 1;
  std::uint8_t& frames = ram_[kJiffyFrameCounter];
  if (frames == 0) {
    frames = 4;
    jiffies = 2;
  } else {
    --frames;
  }
  std::uint32_t clock = static_cast<std::uint32_t>(ram_[kJiffyClock] << 16 | ram_[kJiffyClock + 1] << 8 |
                                                   ram_[kJiffyClock + 2]);
  clock += static_cast<std::uint32_t>(jiffies);
  if (clock >= kJiffiesPerDay) clock = 0;
  ram_[kJiffyClock] = static_cast<std::uint8_t>(clock >> 16);
  ram_[kJiffyClock + 1] = static_cast<std::uint8_t>(clock >> 8);
  ram_[kJiffyClock + 2] = static_cast<std::uint8_t>(clock);
}

// A key newly down (not the one held since the last scan) goes into the
// buffer, shifted while SHIFT is held.
void Plus4Machine::ScanKeyboard() {
  const bool shift = keyboard_.IsPressed(kShiftKey);
  for (int row = 0; row < 8; ++row) {
    for (int column = 0; column < 8; ++column) {
      const MatrixKey key{row, column};
      const std::uint8_t character = Keyboard::CharacterOf(key, shift);
      if (!keyboard_.IsPressed(key) || character == 0) continue;
      const auto index = static_cast<std::uint8_t>(row * 8 + column);
      if (ram_[kLastKey] == index) return;
      ram_[kLastKey] = index;
      std::uint8_t& count = ram_[kKeyCount];
      if (count < kKeyBufferSize) ram_[static_cast<std::size_t>(kKeyBuffer + count++)] = character;
      return;
    }
  }
  ram_[kLastKey] = kNoKey;
}

void Plus4Machine::MoveCursor(int row, int column) {
  ram_[kCursorRow] = static_cast<std::uint8_t>(row);
  ram_[kCursorColumn] = static_cast<std::uint8_t>(column);
  const int screenLine = kScreenMemory + row * kColumns, colourLine = kColourMemory + row * kColumns;
  ram_[kScreenLine] = static_cast<std::uint8_t>(screenLine);
  ram_[kScreenLine + 1] = static_cast<std::uint8_t>(screenLine >> 8);
  ram_[kColourLine] = static_cast<std::uint8_t>(colourLine);
  ram_[kColourLine + 1] = static_cast<std::uint8_t>(colourLine >> 8);
}

void Plus4Machine::ScrollScreen() {
  SpendCycles(kChroutScrollCycles);
  for (const std::uint16_t base : {kScreenMemory, kColourMemory}) {
    auto area = ram_.begin() + base;
    std::copy(area + kColumns, area + kColumns * kRows, area);
  }
  std::fill_n(ram_.begin() + kScreenMemory + kColumns * (kRows - 1), kColumns, std::uint8_t{0x20});
  std::fill_n(ram_.begin() + kColourMemory + kColumns * (kRows - 1), kColumns, ram_[kCursorColour]);
}

void Plus4Machine::PrintCharacter(std::uint8_t petscii) {
  if (CharacterSink) CharacterSink(petscii);
  int row = std::min<int>(ram_[kCursorRow], kRows - 1);
  int column = std::min<int>(ram_[kCursorColumn], kColumns - 1);
  const auto colour = std::find_if(std::begin(kColourCodes), std::end(kColourCodes),
                                   [&](const ColourCode& code) { return code.Petscii == petscii; });
  if (colour != std::end(kColourCodes)) {
    ram_[kCursorColour] = colour->Colour;
  } else if (petscii == 0x93) {  // CLR
    std::fill_n(ram_.begin() + kScreenMemory, kColumns * kRows, std::uint8_t{0x20});
    std::fill_n(ram_.begin() + kColourMemory, kColumns * kRows, ram_[kCursorColour]);
    row = column = 0;
  } else if (petscii == 0x13) {  // HOME
    row = column = 0;
  } else if (petscii == 0x0D || petscii == 0x8D) {  // RETURN ends reverse too
    column = 0;
    ++row;
    ram_[kReverseFlag] = 0;
  } else if (petscii == 0x12 || petscii == 0x92) {
    ram_[kReverseFlag] = petscii == 0x12 ? 1 : 0;
  } else if (petscii == 0x0E || petscii == 0x8E) {  // lower case / upper case and graphics
    const std::uint8_t charset = ted_->StoredRegister(0x13);
    ted_->Write(0x13, static_cast<std::uint8_t>(petscii == 0x0E ? charset | kLowerCaseBit : charset & ~kLowerCaseBit));
  } else if (petscii == 0x11) {
    ++row;
  } else if (petscii == 0x91) {
    row = std::max(0, row - 1);
  } else if (petscii == 0x1D) {
    if (++column == kColumns) column = 0, ++row;
  } else if (petscii == 0x9D) {
    if (column > 0) --column;
    else if (row > 0) column = kColumns - 1, --row;
  } else if (petscii == 0x14) {  // DEL: the rest of the line moves left
    if (column > 0) {
      auto line = ram_.begin() + kScreenMemory + row * kColumns;
      std::copy(line + column, line + kColumns, line + column - 1);
      line[kColumns - 1] = 0x20;
      --column;
    }
  } else if (const auto code = cpu::ScreenCodeOf(petscii)) {
    const int cell = row * kColumns + column;
    ram_[static_cast<std::size_t>(kScreenMemory + cell)] =
        static_cast<std::uint8_t>(*code | (ram_[kReverseFlag] ? 0x80 : 0));
    ram_[static_cast<std::size_t>(kColourMemory + cell)] = ram_[kCursorColour];
    if (++column == kColumns) column = 0, ++row;
  }
  if (row >= kRows) {
    ScrollScreen();
    row = kRows - 1;
  }
  MoveCursor(row, column);
}

}  // namespace qv3::plus4
