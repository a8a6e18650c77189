// SPDX-License-Identifier: GPL-3.0-or-later
// The TED (7360/8360) of a PAL Plus/4 as far as programs see it: the beam
// (312 lines of 114 double-clock cycles), the clock it gives the CPU, the
// raster compare and the three timers with their interrupts, the keyboard
// latch, the picture, drawn as the beam passes so that mid-line colour
// and mode changes show where the program makes them, and the sound
// (ted_sound.h).
//
// Timing follows VICE's TED (src/plus4/ted*.c, read as the reference, not
// copied), as VICE counts it: per instruction (see ted.cpp). The CPU gets
// every double-clock cycle of a line but five refresh cycles (92-100); on
// the lines of the character window (0-203 with the screen on at line 0)
// every other one from cycle 4 to 100; on the two fetch lines of each
// character row (attributes, then character pointers) 86 fewer from cycle
// 4, less the writes of the instruction that was running; with $FF13 bit 1
// set every other cycle at most. The timers count every other double-clock
// cycle.
//
// The picture's row y shows raster line (276 + y) mod 312 and its column x
// the line's cycle 7 + x / 4, as VICE frames it; a frame is complete when
// the beam reaches line 257 (vertical sync). A write to the raster counter
// ($FF1C/$FF1D) moves the counter, and with it the character fetches and
// raster interrupts, but not the picture: as in VICE the TV's own line count
// goes on, the picture's row y is its line 19 + y, and it syncs when the
// counter reaches line 257 or, if it never does, 40 lines after 312.
//
// Register reads ($FF00 + reg) give what the CPU would read; unused bits
// read as 1 as on the real chip.
#pragma once

#include <array>
#include <cstdint>

#include "plus4/frame_buffer.h"
#include "plus4/keyboard.h"
#include "plus4/ted_sound.h"

namespace qv3::plus4 {

class Ted {
 public:
  static constexpr int kLinesPerFrame = 312;
  static constexpr int kCyclesPerLine = 114;  // double-clock cycles
  static constexpr int kVsyncLine = 257;
  static constexpr int kFirstPictureLine = 276;

  // What the TED fetches from: the 64 KB of RAM and the 64 KB ROM image
  // (only $8000-$FFFF of it is used), both owned by the machine.
  Ted(const std::uint8_t* ram, const std::uint8_t* rom, const Keyboard& keyboard);

  // The 64 registers as reads of $FF00-$FF3F would give them now.
  std::array<std::uint8_t, 64> Registers() const;
  std::uint8_t Register(int reg) const;
  // What the program stored (unused bits as written).
  std::uint8_t StoredRegister(int reg) const { return regs_[static_cast<std::size_t>(reg & 0x3F)]; }

  int RasterLine() const { return line_; }  // 0-311 (to 511 after a write), $FF1C/$FF1D
  int TvLine() const { return tvLine_; }    // lines since the last vertical sync
  std::uint64_t Tick() const { return tick_; }  // double-clock cycles since Reset
  int LineCycle() const { return cycle_; }  // 0-113 double-clock cycles into the line
  std::uint64_t FrameCount() const { return frames_; }

  // Whether an enabled interrupt source is flagged ($FF09 & $FF0A & $5E),
  // and the CPU cycle count when that last began.
  bool IrqActive() const { return (irqStatus_ & regs_[0x0A] & 0x5E) != 0; }
  std::uint64_t IrqActiveSince() const { return irqSince_; }
  std::uint16_t RasterCompareLine() const { return static_cast<std::uint16_t>(regs_[0x0B] | (regs_[0x0A] & 1) << 8); }

  bool RomVisible() const { return romVisible_; }

  // The last complete frame (before the first vertical sync: the one being
  // drawn).
  const FrameBuffer& Frame() const { return frames_ == 0 ? buffers_[drawing_] : buffers_[drawing_ ^ 1]; }

  TedSound& Sound() { return sound_; }
  const TedSound& Sound() const { return sound_; }

  // --- the machine's side ---

  // Runs the beam until the CPU has had cpuCycles cycles in total (no
  // further than that: a halted CPU waits with the beam at the halt).
  // The last trailingWrites of those cycles are write accesses: the TED's
  // halt on a fetch line stops the CPU at its next read only, so writes
  // already under way still get their cycles (as in VICE).
  void CatchUp(std::uint64_t cpuCycles, int trailingWrites = 0) {
    if (cpuCycles_ < cpuCycles) Run(cpuCycles, trailingWrites);
  }
  void Write(int reg, std::uint8_t value);
  // The keyboard port $FD30 that $FF08 latches with.
  void SetKeyboardRows(std::uint8_t rows) { keyboardRows_ = rows; }
  std::uint8_t KeyboardRows() const { return keyboardRows_; }

  // Where the beam and the timers are when the machine starts.
  struct StartPosition {
    int Line = 0;
    int Cycle = 0;
    std::array<std::uint16_t, 3> TimerCounts{};  // all three running
    std::uint16_t Timer1Reload = 0;               // 0: it restarts from $FFFF
  };
  // The start state: registers as a program reads them at SYS (less the
  // timers and the beam, which StartPosition gives).
  void Reset(const std::array<std::uint8_t, 64>& readValues, const StartPosition& start);

 private:
  struct Timer {
    bool Running = false;
    std::uint16_t Start = 0;   // the value written (timer 1 reloads from it)
    std::uint16_t Value = 0;   // the count while stopped
    std::uint64_t ZeroTick = 0;  // while running: the tick of the next underflow
  };

  void Run(std::uint64_t cpuCycles, int trailingWrites);
  // The beam on by ticks double-clock cycles (the CPU's, or the TED's own).
  void Advance(std::uint64_t ticks, bool cpuRuns);
  void AtCycle4();
  void NextLine();
  void TimerEvents();
  void ScheduleTimers();
  std::uint16_t TimerValue(const Timer& timer) const;
  void SetIrqFlag(std::uint8_t flag);
  void UpdateIrq();
  void RasterCompareChanged(std::uint16_t before);

  // The picture (ted_picture.cpp).
  void DrawUpTo(int x);
  void DrawStartPicture();
  void DrawGraphics(int first, int last, std::uint8_t* out);
  int BeamX() const { return cycle_ * 4 - 28; }
  std::uint8_t FetchByte(std::uint16_t address, bool romSelected) const {
    return (romSelected && address >= 0x8000) ? rom_[address] : ram_[address];
  }

  const std::uint8_t* ram_;
  const std::uint8_t* rom_;
  const Keyboard& keyboard_;

  std::array<std::uint8_t, 64> regs_{};
  int line_ = 0;
  int tvLine_ = 0;
  int cycle_ = 0;
  std::uint64_t tick_ = 0;
  std::uint64_t cpuCycles_ = 0;
  std::uint64_t frames_ = 0;
  bool fetchPending_ = false;  // its 86 cycles are still to be taken from the CPU
  std::uint64_t fetchTick_ = 0;  // the tick it began
  int oldCycle_ = 0;  // where the beam was when the CPU's cycles were last counted
  bool fetchDecided_ = false;  // this line's cycle 4 has passed

  std::uint8_t irqStatus_ = 0;
  std::uint64_t irqSince_ = 0;
  std::array<Timer, 3> timers_{};
  std::uint64_t nextTimerTick_ = ~0ull;

  bool romVisible_ = true;
  std::uint8_t keyboardRows_ = 0xFF;
  std::uint8_t keyboardLatch_ = 0xFF;
  int cursorPhase_ = 0;

  // Fetching: the character window of this frame.
  bool fetchLines_ = false;   // lines 0-203 with the screen on at line 0
  bool badLinesAllowed_ = false;
  bool windowOpen_ = false;   // the vertical display window (24/25 rows)
  bool idle_ = true;          // no character row fetched yet / any more
  int rowsFetched_ = 0;
  int row_ = 0;               // the row on display, 0-24 (more in tricks)
  int rowLine_ = 0;           // its pixel line, 0-7
  std::array<std::uint8_t, 40> characters_{};
  std::array<std::uint8_t, 40> attributes_{};
  std::array<std::uint8_t, 40> nextAttributes_{};

  // Drawing: the line's pixels left of drawnX_ are done.
  int drawnX_ = 0;
  int borderGlitchX_ = -1;
  int backgroundGlitchX_ = -1;
  std::array<FrameBuffer, 2> buffers_{};
  int drawing_ = 0;

  TedSound sound_;
};

}  // namespace qv3::plus4
