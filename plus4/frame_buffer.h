// SPDX-License-Identifier: GPL-3.0-or-later
// The TED's picture: 384 x 288 pixels, borders included, framed as VICE
// frames a PAL Plus/4, one TED colour byte per pixel; and the palette that
// turns a colour byte into RGB.
//
// A colour byte is what the TED's colour registers hold: hue in bits 0-3,
// luminance in bits 4-6 (bit 7, flash, is resolved before a pixel is
// stored, so stored pixels are 0-127). Hue 0 is black at every luminance,
// which leaves 121 distinct colours.
#pragma once

#include <array>
#include <cstdint>

namespace qv3::plus4 {

struct Rgb {
  std::uint8_t R = 0, G = 0, B = 0;
  bool operator==(const Rgb&) const = default;
};

// RGB of each colour byte 0-127 as VICE draws it (bit 7 ignored).
const std::array<Rgb, 128>& Palette();
inline Rgb PaletteColour(std::uint8_t colour) { return Palette()[colour & 0x7F]; }

class FrameBuffer {
 public:
  static constexpr int kWidth = 384;
  static constexpr int kHeight = 288;

  std::uint8_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y * kWidth + x)]; }
  const std::uint8_t* Line(int y) const { return Pixels.data() + y * kWidth; }
  std::uint8_t* Line(int y) { return Pixels.data() + y * kWidth; }

  // Row-major, top-left first.
  std::array<std::uint8_t, kWidth * kHeight> Pixels{};
};

}  // namespace qv3::plus4
