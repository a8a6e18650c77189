// SPDX-License-Identifier: GPL-3.0-or-later
// The TED's registers $FF00-$FF3F named and decoded as text, for every view
// that shows the chip: the built-in Plus/4's Inside view (from a VICE
// snapshot) and the debugger's TED pane (from the machine model). Standard
// C++ only.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv3::plus4 {

struct TedRegisters {
  // $FF00-$FF3F as a read of each address would give them (unused bits set
  // as the chip sets them).
  std::array<std::uint8_t, 64> Bytes{};
  // Registers the source cannot tell (a snapshot that does not save them):
  // shown as unknown rather than as a made-up 0.
  std::bitset<64> Unknown;
  // The counters of timers 1-3; when given they are what $FF00-$FF05 show.
  std::optional<std::array<std::uint16_t, 3>> Timers;
  // The raster line (0-311 PAL); when given it is what $FF1C/$FF1D show.
  std::optional<std::uint16_t> RasterLine;
};

struct TedRegisterRow {
  std::uint16_t Address = 0;  // $FF00-$FF1F, $FF3E, $FF3F
  std::string Name;           // "border colour"
  std::uint8_t Value = 0;     // meaningless when !Known
  bool Known = true;
  std::string Text;           // "red, luminance 4"
};

// One row for every register the chip has: $FF00-$FF1F and the two ROM/RAM
// switches $FF3E/$FF3F ($FF20-$FF3D decode to nothing).
std::vector<TedRegisterRow> TedRegisterRows(const TedRegisters& ted);

// A few lines (each ending in "\n") a person reads first: the display mode,
// the columns/rows/scroll/blanking, the memory bases, the colours, the
// interrupts, the raster compare and the timers.
std::string TedSummary(const TedRegisters& ted);

// "red" for colour 2 of the 16 (the low nibble of a colour register).
std::string TedColourName(std::uint8_t colour);
// "red, luminance 4" for a colour register's value.
std::string TedColourText(std::uint8_t value);

// The display mode $FF06/$FF07 select: "text", "multicolour text",
// "bitmap", "multicolour bitmap", "extended colour text" or
// "invalid (black)" for the combinations with extended colour.
std::string TedModeText(std::uint8_t ff06, std::uint8_t ff07);

// Where the chip fetches from: the video matrix ($FF14; colour attributes
// first, screen codes $400 after), the character set ($FF13) and the bitmap
// ($FF12).
std::uint16_t TedAttributeBase(std::uint8_t ff14);
std::uint16_t TedScreenBase(std::uint8_t ff14);
std::uint16_t TedCharacterBase(std::uint8_t ff13);
std::uint16_t TedBitmapBase(std::uint8_t ff12);

}  // namespace qv3::plus4
