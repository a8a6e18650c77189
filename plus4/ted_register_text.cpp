// SPDX-License-Identifier: GPL-3.0-or-later
#include "plus4/ted_register_text.h"

#include <cstdio>

namespace qv3::plus4 {

namespace {

std::string Hex(unsigned value, int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "$%0*X", digits, value);
  return text;
}

bool Bit(std::uint8_t value, int bit) { return (value >> bit & 1) != 0; }

// The interrupt sources as $FF09 and $FF0A order them.
std::string InterruptSources(std::uint8_t value) {
  static constexpr struct {
    int Bit;
    const char* Name;
  } kSources[] = {{1, "raster"}, {3, "timer 1"}, {4, "timer 2"}, {6, "timer 3"}};
  std::string text;
  for (const auto& source : kSources) {
    if (!Bit(value, source.Bit)) continue;
    if (!text.empty()) text += ", ";
    text += source.Name;
  }
  return text.empty() ? "none" : text;
}

std::string RomOrRam(bool rom) { return rom ? "ROM" : "RAM"; }

std::uint16_t Word(std::uint8_t low, std::uint8_t high, unsigned highMask) {
  return static_cast<std::uint16_t>((high & highMask) << 8 | low);
}

// $FF00-$FF05 and $FF1C/$FF1D as the optional counters make them.
TedRegisters Settled(const TedRegisters& ted) {
  TedRegisters settled = ted;
  if (ted.Timers) {
    for (int timer = 0; timer < 3; ++timer) {
      const std::uint16_t counter = (*ted.Timers)[static_cast<std::size_t>(timer)];
      settled.Bytes[static_cast<std::size_t>(timer * 2)] = static_cast<std::uint8_t>(counter & 0xFF);
      settled.Bytes[static_cast<std::size_t>(timer * 2 + 1)] = static_cast<std::uint8_t>(counter >> 8);
      settled.Unknown.reset(static_cast<std::size_t>(timer * 2));
      settled.Unknown.reset(static_cast<std::size_t>(timer * 2 + 1));
    }
  }
  if (ted.RasterLine) {
    settled.Bytes[0x1C] = static_cast<std::uint8_t>((ted.Bytes[0x1C] & 0xFE) | (*ted.RasterLine >> 8 & 1));
    settled.Bytes[0x1D] = static_cast<std::uint8_t>(*ted.RasterLine & 0xFF);
    settled.Unknown.reset(0x1C);
    settled.Unknown.reset(0x1D);
  }
  return settled;
}

const char* RegisterName(int index) {
  static constexpr const char* kNames[0x20] = {
      "timer 1 low",        "timer 1 high",       "timer 2 low",        "timer 2 high",
      "timer 3 low",        "timer 3 high",       "control 1",          "control 2",
      "keyboard latch",     "interrupt flags",    "interrupt mask",     "raster compare",
      "cursor high",        "cursor low",         "voice 1 frequency",  "voice 2 frequency",
      "voice 2 frequency high", "sound control",  "bitmap / voice 1",   "character base",
      "video matrix",       "background colour",  "colour 1",           "colour 2",
      "colour 3",           "border colour",      "character pos high", "character pos low",
      "raster line high",   "raster line low",    "raster column",      "row line / flash",
  };
  if (index < 0x20) return kNames[index];
  return index == 0x3E ? "ROM on" : "RAM on";
}

std::string RegisterText(const TedRegisters& ted, int index) {
  const auto& r = ted.Bytes;
  const std::uint8_t v = r[static_cast<std::size_t>(index)];
  auto timer = [&](int number) {
    const std::size_t low = static_cast<std::size_t>((number - 1) * 2);
    if (ted.Unknown[low] || ted.Unknown[low + 1]) return std::string("counter not known");
    return "counter " + Hex(Word(r[low], r[low + 1], 0xFF), 4) +
           (number == 1 ? ", reloads from the value written" : ", counts on from $FFFF");
  };
  switch (index) {
    case 0x00: case 0x01: return timer(1);
    case 0x02: case 0x03: return timer(2);
    case 0x04: case 0x05: return timer(3);
    case 0x06:
      return std::string(Bit(v, 6) ? "extended colour, " : "") + (Bit(v, 5) ? "bitmap, " : "") +
             (Bit(v, 4) ? "screen on" : "screen blank") + (Bit(v, 3) ? ", 25 rows" : ", 24 rows") +
             ", scroll y " + std::to_string(v & 7) + (Bit(v, 7) ? ", test bit" : "");
    case 0x07:
      return std::string(Bit(v, 7) ? "256 characters, " : "128 characters + reverse, ") +
             (Bit(v, 6) ? "NTSC, " : "PAL, ") + (Bit(v, 5) ? "frozen, " : "") +
             (Bit(v, 4) ? "multicolour, " : "") + (Bit(v, 3) ? "40 columns" : "38 columns") +
             ", scroll x " + std::to_string(v & 7);
    case 0x08: return "keyboard rows read (0 = key down)";
    case 0x09:
      return std::string(Bit(v, 7) ? "interrupt pending: " : "pending: ") + InterruptSources(v);
    case 0x0A:
      return "enabled: " + InterruptSources(v) + ", compare bit 8 = " + std::to_string(v & 1);
    case 0x0B: return "compare line " + std::to_string(Word(r[0x0B], r[0x0A], 0x01));
    case 0x0C: case 0x0D: {
      const std::uint16_t position = Word(r[0x0D], r[0x0C], 0x03);
      if (position >= 1000) return "cursor off (position " + std::to_string(position) + ")";
      return "cursor at row " + std::to_string(position / 40) + " column " + std::to_string(position % 40);
    }
    case 0x0E: return "voice 1 frequency value " + Hex(Word(r[0x0E], r[0x12], 0x03), 3);
    case 0x0F: case 0x10: return "voice 2 frequency value " + Hex(Word(r[0x0F], r[0x10], 0x03), 3);
    case 0x11:
      return "volume " + std::to_string(v & 15) + (Bit(v, 4) ? ", voice 1 on" : "") +
             (Bit(v, 5) ? ", voice 2 on" : "") + (Bit(v, 6) ? ", voice 2 noise" : "") +
             (Bit(v, 7) ? ", D/A mode" : "");
    case 0x12:
      // Its low bits belong to voice 1's frequency, told with $FF0E.
      return "bitmap " + Hex(TedBitmapBase(v), 4) + ", characters and bitmap from " + RomOrRam(Bit(v, 2)) +
             (ted.Unknown[0x0E] ? "" : ", voice 1 frequency high " + std::to_string(v & 3));
    case 0x13:
      return "characters " + Hex(TedCharacterBase(v), 4) + (Bit(v, 1) ? ", single clock" : ", double clock") +
             ", memory reads " + RomOrRam(Bit(v, 0));
    case 0x14:
      return "colour " + Hex(TedAttributeBase(v), 4) + ", screen " + Hex(TedScreenBase(v), 4);
    case 0x15: case 0x16: case 0x17: case 0x18: case 0x19: return TedColourText(v);
    case 0x1A: case 0x1B: return "character position " + std::to_string(Word(r[0x1B], r[0x1A], 0x03));
    case 0x1C: case 0x1D: return "line " + std::to_string(Word(r[0x1D], r[0x1C], 0x01));
    case 0x1E: return "horizontal position " + std::to_string(v) + " (pixel / 2)";
    case 0x1F: return "line " + std::to_string(v & 7) + " of the row, flash count " + std::to_string(v >> 3 & 15);
    case 0x3E: return "a write maps the ROMs in";
    case 0x3F: return "a write maps RAM in";
    default: return {};
  }
}

// What a register shows when its own byte or one its decoding leans on is
// not known.
bool RowKnown(const TedRegisters& ted, int index) {
  if (ted.Unknown[static_cast<std::size_t>(index)]) return false;
  switch (index) {
    case 0x0B: return !ted.Unknown[0x0A];
    case 0x1C: case 0x1D: return !ted.Unknown[0x1C] && !ted.Unknown[0x1D];
    case 0x1A: case 0x1B: return !ted.Unknown[0x1A] && !ted.Unknown[0x1B];
    default: return true;
  }
}

}  // namespace

std::string TedColourName(std::uint8_t colour) {
  static constexpr const char* kNames[16] = {
      "black",  "white",  "red",         "cyan", "purple",     "green",      "blue",      "yellow",
      "orange", "brown",  "yellow-green", "pink", "blue-green", "light blue", "dark blue", "light green"};
  return kNames[colour & 15];
}

std::string TedColourText(std::uint8_t value) {
  // Black has no luminance: every luminance of colour 0 is the same black.
  if ((value & 15) == 0) return "black";
  return TedColourName(value) + ", luminance " + std::to_string(value >> 4 & 7);
}

std::string TedModeText(std::uint8_t ff06, std::uint8_t ff07) {
  const bool extended = Bit(ff06, 6), bitmap = Bit(ff06, 5), multicolour = Bit(ff07, 4);
  if (extended) return bitmap || multicolour ? "invalid (black)" : "extended colour text";
  if (bitmap) return multicolour ? "multicolour bitmap" : "bitmap";
  return multicolour ? "multicolour text" : "text";
}

std::uint16_t TedAttributeBase(std::uint8_t ff14) { return static_cast<std::uint16_t>((ff14 & 0xF8) << 8); }
std::uint16_t TedScreenBase(std::uint8_t ff14) { return static_cast<std::uint16_t>(TedAttributeBase(ff14) + 0x400); }
std::uint16_t TedCharacterBase(std::uint8_t ff13) { return static_cast<std::uint16_t>((ff13 & 0xFC) << 8); }
std::uint16_t TedBitmapBase(std::uint8_t ff12) { return static_cast<std::uint16_t>((ff12 >> 3 & 7) << 13); }

std::vector<TedRegisterRow> TedRegisterRows(const TedRegisters& source) {
  const TedRegisters ted = Settled(source);
  std::vector<TedRegisterRow> rows;
  rows.reserve(0x22);
  auto add = [&](int index) {
    TedRegisterRow row;
    row.Address = static_cast<std::uint16_t>(0xFF00 + index);
    row.Name = RegisterName(index);
    row.Value = ted.Bytes[static_cast<std::size_t>(index)];
    row.Known = !ted.Unknown[static_cast<std::size_t>(index)];
    row.Text = RowKnown(ted, index) || index <= 0x05 ? RegisterText(ted, index) : "not known";
    rows.push_back(std::move(row));
  };
  for (int index = 0; index < 0x20; ++index) add(index);
  add(0x3E);
  add(0x3F);
  return rows;
}

std::string TedSummary(const TedRegisters& source) {
  const TedRegisters ted = Settled(source);
  const auto& r = ted.Bytes;
  std::string text = TedModeText(r[0x06], r[0x07]) + ", " + (Bit(r[0x07], 3) ? "40" : "38") + " columns, " +
                     (Bit(r[0x06], 3) ? "25" : "24") + " rows, scroll x " + std::to_string(r[0x07] & 7) +
                     " y " + std::to_string(r[0x06] & 7) + ", " + (Bit(r[0x06], 4) ? "screen on" : "screen blank") +
                     (Bit(r[0x07], 5) ? ", frozen" : "") + "\n";
  text += "screen " + Hex(TedScreenBase(r[0x14]), 4) + ", colour " + Hex(TedAttributeBase(r[0x14]), 4) +
          ", characters " + Hex(TedCharacterBase(r[0x13]), 4) + ", bitmap " + Hex(TedBitmapBase(r[0x12]), 4) +
          " (from " + RomOrRam(Bit(r[0x12], 2)) + ")\n";
  text += "border " + TedColourText(r[0x19]) + "; background " + TedColourText(r[0x15]) + "\n";
  text += "interrupts pending: " + (ted.Unknown[0x09] ? std::string("not known") : InterruptSources(r[0x09])) +
          "; enabled: " + InterruptSources(r[0x0A]) + "; raster compare " +
          std::to_string(Word(r[0x0B], r[0x0A], 0x01)) + "\n";
  if (!RowKnown(ted, 0x1D)) {
    text += "raster line not known; ";
  } else {
    text += "raster line " + std::to_string(Word(r[0x1D], r[0x1C], 0x01)) + "; ";
  }
  text += "timers";
  for (int timer = 0; timer < 3; ++timer) {
    const std::size_t low = static_cast<std::size_t>(timer * 2);
    text += (timer == 0 ? " " : ", ") + std::to_string(timer + 1) + " " +
            (ted.Unknown[low] || ted.Unknown[low + 1] ? std::string("not known")
                                                      : Hex(Word(r[low], r[low + 1], 0xFF), 4));
  }
  return text + "\n";
}

}  // namespace qv3::plus4
