// SPDX-License-Identifier: GPL-3.0-or-later
// A PNG file of an 8-bit palette picture, written without a compression
// library: the image data goes into stored (uncompressed) deflate blocks,
// which every PNG reader accepts. Standard C++.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qv3 {

struct PaletteEntry {
  std::uint8_t R = 0, G = 0, B = 0;
};

// The PNG bytes of a width x height picture of palette indices (row-major),
// with the palette (at most 256 entries, every index must have one).
std::string EncodePalettePng(int width, int height, std::span<const std::uint8_t> indices,
                             std::span<const PaletteEntry> palette);

}  // namespace qv3
