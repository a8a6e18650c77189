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
// Where the beam was when those registers were read.
inline constexpr int kStartRasterLine = 0xDB;
inline constexpr int kStartLineCycle = 88;

}  // namespace qv3::plus4
