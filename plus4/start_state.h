// SPDX-License-Identifier: GPL-3.0-or-later
// The machine at SYS, as measured on VICE (start_state.cpp says how).
#pragma once

#include <array>
#include <cstdint>

namespace qv3::plus4 {

// $FF00-$FF3F as a program reads them at SYS.
extern const std::array<std::uint8_t, 64> kStartTedRegisters;
extern const std::array<std::uint8_t, 0x100> kStartZeroPage;
extern const std::array<std::uint8_t, 0x600> kStartPages2To7;  // $0200-$07FF

inline constexpr std::uint8_t kStartA = 0x00, kStartX = 0x00, kStartY = 0x00;
inline constexpr std::uint8_t kStartP = 0x20;  // I clear: the KERNAL's interrupts run
inline constexpr std::uint8_t kStartSP = 0xF6;
inline constexpr std::uint8_t kStartColour = 0x10;  // colour memory and the cursor colour
// Where the beam and the timers are at SYS. Not the values the registers
// read in the start-state program (it reads them some hundred cycles after
// SYS, $FF1D=$DB $FF1E=$90 there) but the position those reads come back
// to: with the beam here the model reads what VICE read, at the same
// instructions, and its raster interrupts come at the same cycles. The
// timer counts likewise give back timer_start.qv3's first reads ($0D01,
// $3F9F, $3FA6 six to 38 cycles after SYS); boot leaves timer 1 restarting
// from a reload value of about $39F0 (the values read just after two
// restarts, $39E6 and $39E1, are it less the counts the watching loop took).
inline constexpr int kStartRasterLine = 0xD7;
inline constexpr int kStartLineCycle = 8;
inline constexpr std::array<std::uint16_t, 3> kStartTimerCounts = {0x0D04, 0x3FA6, 0x3FB7};
inline constexpr std::uint16_t kStartTimer1Reload = 0x39F4;

}  // namespace qv3::plus4
