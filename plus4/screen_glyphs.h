// SPDX-License-Identifier: GPL-3.0-or-later
// The project's own character set, 8x8 glyphs for the Plus/4 screen codes
// drawn here rather than taken from the Commodore character ROM (which is not
// ours to ship): the machine model's ROM carries them at $D000 and the
// debugger draws with them. Letters, digits and punctuation ($00-$3F) follow
// the machine's upper-case set; the lines and blocks of the graphics half are
// drawn where they are simple, the other graphics show as a dotted box. Codes
// from $80 are the same glyphs in reverse video.
#pragma once

#include <array>
#include <cstdint>

namespace qv3::plus4 {

// Row 0 is the top; bit 7 of a row is its leftmost pixel.
using Glyph = std::array<std::uint8_t, 8>;

Glyph GlyphOfScreenCode(std::uint8_t code);

// The character a screen code stands for in text (for reading a screen as
// text): letters, digits, punctuation and space; the pound sign in Latin-1,
// the arrows as '^' and '_', '.' for graphics. Reverse video changes nothing.
char TextOfScreenCode(std::uint8_t code);

}  // namespace qv3::plus4
