// SPDX-License-Identifier: GPL-3.0-or-later
// The TED (7360/8360) of a PAL Plus/4 as far as programs see it: the beam
// (312 lines of 114 double-clock cycles), the clock it gives the CPU, the
// raster compare and the three timers with their interrupts, the keyboard
// latch, and the picture, drawn line by line as the beam passes so that
// mid-frame colour and mode changes show where the program makes them.
// Sound registers are stored and read back; no sound is made.
//
// Register reads ($FF00 + reg) give what the CPU would read; unused bits
// read as 1 as on the real chip.
#pragma once

#include <array>
#include <cstdint>

namespace qv3::plus4 {

class Ted {
 public:
  static constexpr int kLinesPerFrame = 312;
  static constexpr int kCyclesPerLine = 114;  // double-clock cycles

  // The 64 registers as reads of $FF00-$FF3F would give them now.
  std::array<std::uint8_t, 64> Registers() const;
  std::uint8_t Register(int reg) const;

  int RasterLine() const { return line_; }    // 0-311, $FF1C/$FF1D
  int LineCycle() const { return cycle_; }    // 0-113 double-clock cycles into the line
  std::uint64_t FrameCount() const { return frames_; }
  // Whether an enabled interrupt source is flagged ($FF09 & $FF0A & $5E).
  bool IrqActive() const;

 private:
  friend class Plus4Machine;
  int line_ = 0;
  int cycle_ = 0;
  std::uint64_t frames_ = 0;
  std::array<std::uint8_t, 64> regs_{};
};

}  // namespace qv3::plus4
