// SPDX-License-Identifier: GPL-3.0-or-later
// The TED's picture, drawn a piece of a line at a time: up to the beam
// before a register that changes the picture is written, the rest at the
// line's end. Colours and modes as VICE draws them (src/plus4/ted-draw.c was
// the reference): a colour written to $FF19 or $FF15 shows one pixel of $7F
// at the beam first, as VICE shows it.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "plus4/ted.h"

namespace qv3::plus4 {
namespace {

constexpr int kWindowLeft40 = 32, kWindowRight40 = 352;
constexpr int kWindowLeft38 = 39, kWindowRight38 = 343;
constexpr std::uint8_t kGlitchColour = 0x7F;

// For each byte of graphics, its eight pixels as a mask of 8 bytes, the
// leftmost pixel first in memory: a cell is then three operations on 64
// bits, not eight choices (drawing is most of the model's time).
static_assert(std::endian::native == std::endian::little);
constexpr auto kPixelMasks = [] {
  std::array<std::uint64_t, 256> masks{};
  for (int data = 0; data < 256; ++data)
    for (int bit = 0; bit < 8; ++bit)
      if (data & (0x80 >> bit)) masks[static_cast<std::size_t>(data)] |= 0xFFull << (8 * bit);
  return masks;
}();
constexpr std::uint64_t kEveryByte = 0x0101010101010101ull;

// A cell's eight pixels, the leftmost in the lowest byte.
inline std::uint64_t Hires(std::uint8_t data, std::uint8_t foreground, std::uint8_t background) {
  const std::uint64_t mask = kPixelMasks[data];
  return (mask & (foreground * kEveryByte)) | (~mask & (background * kEveryByte));
}

inline std::uint64_t Multicolour(std::uint8_t data, const std::uint8_t colours[4]) {
  std::uint64_t pixels = 0;
  for (int pair = 0; pair < 4; ++pair)
    pixels |= static_cast<std::uint64_t>(colours[(data >> (6 - 2 * pair)) & 3]) * 0x0101u << (16 * pair);
  return pixels;
}

}  // namespace

void Ted::DrawUpTo(int x) {
  x = std::min(x, FrameBuffer::kWidth);
  if (x <= drawnX_) return;
  const int y = tvLine_ - (kFirstPictureLine - kVsyncLine);
  if (y >= 0 && y < FrameBuffer::kHeight) {
    std::uint8_t* out = buffers_[static_cast<std::size_t>(drawing_)].Line(y);
    const std::uint8_t border = regs_[0x19];
    const bool graphics = windowOpen_ && (regs_[0x06] & 0x10);
    const bool columns40 = regs_[0x07] & 0x08;
    const int left = graphics ? (columns40 ? kWindowLeft40 : kWindowLeft38) : FrameBuffer::kWidth;
    const int right = graphics ? (columns40 ? kWindowRight40 : kWindowRight38) : FrameBuffer::kWidth;
    const int a = drawnX_;
    if (a < std::min(x, left)) std::memset(out + a, border, static_cast<std::size_t>(std::min(x, left) - a));
    if (std::max(a, left) < std::min(x, right)) DrawGraphics(std::max(a, left), std::min(x, right), out);
    if (std::max(a, right) < x) std::memset(out + std::max(a, right), border, static_cast<std::size_t>(x - std::max(a, right)));
    if (borderGlitchX_ >= a && borderGlitchX_ < x && (borderGlitchX_ < left || borderGlitchX_ >= right))
      out[borderGlitchX_] = kGlitchColour;
  }
  drawnX_ = x;
}

// The picture the screen shows when the machine starts: every line drawn as
// the registers and memory have it now, so that a run stopped before its
// first frame is complete shows what it drew over what was there.
void Ted::DrawStartPicture() {
  const int line = line_, tvLine = tvLine_, row = row_, rowLine = rowLine_;
  const bool windowOpen = windowOpen_, idle = idle_;
  const auto characters = characters_, attributes = attributes_;
  const bool screenOn = regs_[0x06] & 0x10, rows25 = regs_[0x06] & 0x08;
  const int fetchPhase = ((regs_[0x06] & 7) + 1) & 7;
  const auto matrix = static_cast<std::uint16_t>((regs_[0x14] & 0xF8) << 8);
  for (int y = 0; y < FrameBuffer::kHeight; ++y) {
    line_ = (kFirstPictureLine + y) % kLinesPerFrame;
    tvLine_ = y + kFirstPictureLine - kVsyncLine;
    windowOpen_ = screenOn && line_ >= (rows25 ? 4 : 8) && line_ < (rows25 ? 204 : 200);
    // The row on display: the last one whose pointers were fetched.
    int fetched = 0, lastFetch = 0;
    for (int l = 1; l <= std::min(line_, 0xCB); ++l)
      if ((l & 7) == fetchPhase) ++fetched, lastFetch = l;
    idle_ = !screenOn || fetched == 0 || line_ > 0xCB;
    row_ = std::max(0, fetched - 1);
    rowLine_ = (line_ - lastFetch) & 7;
    for (int c = 0; c < 40; ++c) {
      const int cell = (row_ * 40 + c) & 0x3FF;
      attributes_[static_cast<std::size_t>(c)] = FetchByte(static_cast<std::uint16_t>(matrix + cell), romVisible_);
      characters_[static_cast<std::size_t>(c)] = FetchByte(static_cast<std::uint16_t>(matrix + 0x400 + cell), romVisible_);
    }
    drawnX_ = 0;
    borderGlitchX_ = backgroundGlitchX_ = -1;
    DrawUpTo(FrameBuffer::kWidth);
  }
  buffers_[1] = buffers_[0];
  line_ = line;
  tvLine_ = tvLine;
  row_ = row;
  rowLine_ = rowLine;
  windowOpen_ = windowOpen;
  idle_ = idle;
  characters_ = characters;
  attributes_ = attributes;
}

// Pixels [first, last) of the display window.
void Ted::DrawGraphics(int first, int last, std::uint8_t* out) {
  const std::uint8_t background = regs_[0x15];
  const int origin = kWindowLeft40 + (regs_[0x07] & 7);
  const int cellsFrom = std::max(first, origin), cellsTo = std::min(last, origin + 320);
  // Left of the scrolled graphics, right of the 40th cell, and with no
  // row fetched: the background.
  if (idle_ || cellsFrom >= cellsTo) {
    std::fill(out + first, out + last, background);
  } else {
    std::fill(out + first, out + cellsFrom, background);
    std::fill(out + cellsTo, out + last, background);
    const int mode = ((regs_[0x06] & 0x60) | (regs_[0x07] & 0x10)) >> 4;
    const bool fullCharset = regs_[0x07] & 0x80;  // 256 characters, no reverse
    const bool charsetRom = regs_[0x12] & 0x04;
    const auto charset = static_cast<std::uint16_t>(
        (regs_[0x13] & (((regs_[0x06] & 0x40) || fullCharset) ? 0xF8 : 0xFC)) << 8);
    const auto bitmap = static_cast<std::uint16_t>((regs_[0x12] & 0x38) << 10);
    const bool cursorOn = cursorPhase_ & 0x10;
    const int cursorColumn = (((regs_[0x0C] & 3) << 8) | regs_[0x0D]) - row_ * 40;
    const int position = row_ * 40;
    for (int column = (cellsFrom - origin) >> 3; column <= (cellsTo - 1 - origin) >> 3; ++column) {
      const std::uint8_t code = characters_[static_cast<std::size_t>(column)];
      const std::uint8_t attribute = attributes_[static_cast<std::size_t>(column)];
      const auto charByte = [&](std::uint8_t character) {
        return FetchByte(static_cast<std::uint16_t>(charset + character * 8 + rowLine_), charsetRom);
      };
      const auto bitmapByte = [&] {
        return FetchByte(static_cast<std::uint16_t>(bitmap + (((position + column) * 8 + rowLine_) & 0x1FFF)), charsetRom);
      };
      std::uint64_t pixels = 0;  // the invalid combinations show black
      switch (mode) {
        case 0: {  // text: reverse above code $80, flashing attributes, the cursor
          std::uint8_t data;
          const bool reversed = !fullCharset && (code & 0x80);
          if ((attribute & 0x80) && !cursorOn) data = reversed ? 0xFF : 0x00;
          else data = static_cast<std::uint8_t>(charByte(fullCharset ? code : code & 0x7F) ^ (reversed ? 0xFF : 0));
          if (cursorOn && column == cursorColumn) data ^= 0xFF;
          pixels = Hires(data, attribute & 0x7F, background);
          break;
        }
        case 1: {  // multicolour text: attribute bit 3 chooses per character
          const std::uint8_t data = charByte(fullCharset ? code : code & 0x7F);
          const auto foreground = static_cast<std::uint8_t>(attribute & 0x77);
          if (attribute & 0x08) {
            const std::uint8_t colours[4] = {background, regs_[0x16], regs_[0x17], foreground};
            pixels = Multicolour(data, colours);
          } else {
            pixels = Hires(data, foreground, background);
          }
          break;
        }
        case 2:  // hires bitmap: colours from the character and attribute bytes
          pixels = Hires(bitmapByte(), static_cast<std::uint8_t>((attribute & 0x07) << 4 | code >> 4),
                         static_cast<std::uint8_t>((attribute & 0x70) | (code & 0x0F)));
          break;
        case 3: {  // multicolour bitmap
          const std::uint8_t colours[4] = {background, static_cast<std::uint8_t>((attribute & 0x07) << 4 | code >> 4),
                                           static_cast<std::uint8_t>((attribute & 0x70) | (code & 0x0F)), regs_[0x16]};
          pixels = Multicolour(bitmapByte(), colours);
          break;
        }
        case 4: {  // extended colour text: the code's top bits pick the background
          const std::uint8_t backgrounds[4] = {background, regs_[0x16], regs_[0x17], regs_[0x18]};
          pixels = Hires(charByte(code & 0x3F), attribute & 0x7F, backgrounds[code >> 6]);
          break;
        }
        default:
          break;
      }
      const int cellX = origin + column * 8;
      if (cellX >= cellsFrom && cellX + 8 <= cellsTo) {
        std::memcpy(out + cellX, &pixels, sizeof pixels);
      } else {
        std::uint8_t px[8];
        std::memcpy(px, &pixels, sizeof px);
        const int from = std::max(cellX, cellsFrom), to = std::min(cellX + 8, cellsTo);
        std::memcpy(out + from, px + (from - cellX), static_cast<std::size_t>(to - from));
      }
    }
  }
  if (backgroundGlitchX_ >= first && backgroundGlitchX_ < last && out[backgroundGlitchX_] == background)
    out[backgroundGlitchX_] = kGlitchColour;
}

}  // namespace qv3::plus4
