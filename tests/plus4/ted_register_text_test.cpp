// SPDX-License-Identifier: GPL-3.0-or-later
// The TED's registers as text: which rows there are, where the raster line
// and the timers come from, and the decodings that are easy to get wrong
// (9-bit values split over two registers, bases, mode combinations).
#include "plus4/ted_register_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace qv3::plus4 {
namespace {

// The registers as the KERNAL leaves them on a text screen: $FF06 $1B,
// $FF07 $08, video matrix $0800, characters from ROM at $D000.
TedRegisters TextScreen() {
  TedRegisters ted;
  ted.Bytes[0x06] = 0x1B;
  ted.Bytes[0x07] = 0x08;
  ted.Bytes[0x0A] = 0x02;
  ted.Bytes[0x0B] = 0xA1;
  ted.Bytes[0x12] = 0xC4;
  ted.Bytes[0x13] = 0xD1;
  ted.Bytes[0x14] = 0x08;
  ted.Bytes[0x15] = 0xF1;
  ted.Bytes[0x19] = 0xEE;
  return ted;
}

const TedRegisterRow& Row(const std::vector<TedRegisterRow>& rows, std::uint16_t address) {
  for (const TedRegisterRow& row : rows)
    if (row.Address == address) return row;
  throw std::runtime_error("no row for the address");
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(TedRegisterText, RowsAreTheRegistersTheChipHasAndNoMore) {
  const auto rows = TedRegisterRows(TextScreen());
  ASSERT_EQ(rows.size(), 0x22u);
  for (int index = 0; index < 0x20; ++index) EXPECT_EQ(rows[static_cast<std::size_t>(index)].Address, 0xFF00 + index);
  EXPECT_EQ(rows[0x20].Address, 0xFF3E);
  EXPECT_EQ(rows[0x21].Address, 0xFF3F);
  for (const TedRegisterRow& row : rows) {
    EXPECT_FALSE(row.Name.empty()) << row.Address;
    EXPECT_FALSE(row.Text.empty()) << row.Address;
  }
}

TEST(TedRegisterText, TheRasterLineGivenIsWhatFF1CAndFF1DShow) {
  TedRegisters ted = TextScreen();
  ted.Bytes[0x1C] = 0xFE;  // stale bytes the source saved; bits 1-7 kept
  ted.Bytes[0x1D] = 0x00;
  ted.RasterLine = 300;  // beyond 255: bit 8 in $FF1C
  const auto rows = TedRegisterRows(ted);
  EXPECT_EQ(Row(rows, 0xFF1C).Value, 0xFF);
  EXPECT_EQ(Row(rows, 0xFF1D).Value, 300 & 0xFF);
  EXPECT_EQ(Row(rows, 0xFF1D).Text, "line 300");
  EXPECT_TRUE(Contains(TedSummary(ted), "raster line 300"));

  ted.RasterLine.reset();
  ted.Unknown.set(0x1C);
  EXPECT_EQ(Row(TedRegisterRows(ted), 0xFF1D).Text, "not known") << "one half alone is no line";
  EXPECT_TRUE(Contains(TedSummary(ted), "raster line not known"));
}

TEST(TedRegisterText, TimersShowTheirCountersOrSayTheyAreNotKnown) {
  TedRegisters ted = TextScreen();
  for (int index = 0; index < 6; ++index) ted.Unknown.set(static_cast<std::size_t>(index));
  auto rows = TedRegisterRows(ted);
  EXPECT_FALSE(Row(rows, 0xFF00).Known);
  EXPECT_EQ(Row(rows, 0xFF03).Text, "counter not known");
  EXPECT_TRUE(Contains(TedSummary(ted), "timers 1 not known, 2 not known, 3 not known"));

  ted.Timers = std::array<std::uint16_t, 3>{0x1234, 0xFFFF, 0x00FF};
  rows = TedRegisterRows(ted);
  EXPECT_TRUE(Row(rows, 0xFF00).Known);
  EXPECT_EQ(Row(rows, 0xFF00).Value, 0x34);
  EXPECT_EQ(Row(rows, 0xFF01).Value, 0x12);
  EXPECT_EQ(Row(rows, 0xFF04).Value, 0xFF);
  EXPECT_EQ(Row(rows, 0xFF05).Value, 0x00);
  EXPECT_TRUE(Contains(Row(rows, 0xFF02).Text, "counter $FFFF"));
  EXPECT_TRUE(Contains(TedSummary(ted), "timers 1 $1234, 2 $FFFF, 3 $00FF"));
}

TEST(TedRegisterText, ModesFromBothControlRegisters) {
  EXPECT_EQ(TedModeText(0x1B, 0x08), "text");
  EXPECT_EQ(TedModeText(0x1B, 0x18), "multicolour text");
  EXPECT_EQ(TedModeText(0x3B, 0x08), "bitmap");
  EXPECT_EQ(TedModeText(0x3B, 0x18), "multicolour bitmap");
  EXPECT_EQ(TedModeText(0x5B, 0x08), "extended colour text");
  EXPECT_EQ(TedModeText(0x7B, 0x08), "invalid (black)");
  EXPECT_EQ(TedModeText(0x5B, 0x18), "invalid (black)");

  TedRegisters ted = TextScreen();
  ted.Bytes[0x06] = 0x03;  // blank, 24 rows, scroll y 3
  ted.Bytes[0x07] = 0x35;  // frozen, multicolour, 38 columns, scroll x 5
  const std::string first = TedSummary(ted).substr(0, TedSummary(ted).find('\n'));
  EXPECT_EQ(first, "multicolour text, 38 columns, 24 rows, scroll x 5 y 3, screen blank, frozen");
}

TEST(TedRegisterText, BasesAndNineBitValuesSplitOverTwoRegisters) {
  EXPECT_EQ(TedAttributeBase(0x08), 0x0800);
  EXPECT_EQ(TedScreenBase(0x08), 0x0C00);
  EXPECT_EQ(TedScreenBase(0xFF), 0xFC00) << "the low three bits do not count";
  EXPECT_EQ(TedCharacterBase(0xD1), 0xD000) << "bit 0 is the ROM/RAM state, not an address bit";
  EXPECT_EQ(TedCharacterBase(0xD6), 0xD400);
  EXPECT_EQ(TedBitmapBase(0xC4), 0x0000);
  EXPECT_EQ(TedBitmapBase(0x08), 0x2000);
  EXPECT_EQ(TedBitmapBase(0x38), 0xE000);

  TedRegisters ted = TextScreen();
  ted.Bytes[0x0A] = 0x03;  // raster enabled, compare bit 8
  ted.Bytes[0x0B] = 0x10;
  ted.Bytes[0x0C] = 0xFF;  // cursor $3FF: off (bits 2-7 read as 1)
  ted.Bytes[0x0D] = 0xFF;
  auto rows = TedRegisterRows(ted);
  EXPECT_EQ(Row(rows, 0xFF0B).Text, "compare line 272");
  EXPECT_TRUE(Contains(TedSummary(ted), "raster compare 272"));
  EXPECT_TRUE(Contains(Row(rows, 0xFF0C).Text, "cursor off"));
  ted.Bytes[0x0C] = 0xFD;  // position $155 = 341: row 8, column 21
  ted.Bytes[0x0D] = 0x55;
  EXPECT_EQ(Row(TedRegisterRows(ted), 0xFF0D).Text, "cursor at row 8 column 21");
}

TEST(TedRegisterText, ColoursInterruptsAndTheSummary) {
  EXPECT_EQ(TedColourText(0x46), "blue, luminance 4");
  EXPECT_EQ(TedColourText(0x70), "black") << "black has no luminance";
  EXPECT_EQ(TedColourText(0xF1), "white, luminance 7") << "bit 7 is unused";
  EXPECT_EQ(TedColourName(0x0E), "dark blue");

  TedRegisters ted = TextScreen();
  ted.Bytes[0x09] = 0xCA;  // pending: timer 3, timer 1, raster, and the IRQ bit
  const auto rows = TedRegisterRows(ted);
  EXPECT_EQ(Row(rows, 0xFF09).Text, "interrupt pending: raster, timer 1, timer 3");
  EXPECT_EQ(Row(rows, 0xFF0A).Text, "enabled: raster, compare bit 8 = 0");
  EXPECT_TRUE(Contains(Row(rows, 0xFF12).Text, "from ROM"));
  EXPECT_TRUE(Contains(Row(rows, 0xFF13).Text, "memory reads ROM"));

  const std::string summary = TedSummary(ted);
  EXPECT_TRUE(Contains(summary, "screen $0C00, colour $0800, characters $D000, bitmap $0000 (from ROM)"));
  EXPECT_TRUE(Contains(summary, "border dark blue, luminance 6; background white, luminance 7"));
  EXPECT_TRUE(Contains(summary, "interrupts pending: raster, timer 1, timer 3; enabled: raster; raster compare 161"));
  EXPECT_EQ(std::count(summary.begin(), summary.end(), '\n'), 5);
}

}  // namespace
}  // namespace qv3::plus4
