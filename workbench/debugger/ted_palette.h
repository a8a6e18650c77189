// An approximation of the TED's colours for the screen pane. A colour
// attribute (colour memory at $0800, the background register $FF15) holds
// the hue in bits 0-3 and the luminance in bits 4-6; bit 7 (flash) is
// ignored. Hue 0 is black at every luminance, hue 1 a grey.
#pragma once

#include <cstdint>

namespace qv3::debugger {

struct Rgb {
  std::uint8_t R = 0, G = 0, B = 0;
  bool operator==(const Rgb&) const = default;
};

Rgb TedColour(std::uint8_t attribute);

}  // namespace qv3::debugger
