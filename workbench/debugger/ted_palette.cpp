#include "workbench/debugger/ted_palette.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace qv3::debugger {

namespace {

// Brightness of the eight luminance steps, darkest first.
constexpr std::array<double, 8> kLuminance = {0.10, 0.16, 0.22, 0.30, 0.44, 0.56, 0.72, 0.90};
// The hues 2-15 as angles in the colour plane (degrees from the blue-yellow
// axis, as a PAL encoder places them): red, cyan, purple, green, blue,
// yellow, orange, brown, yellow-green, pink, blue-green, light blue,
// dark blue, light green.
constexpr std::array<double, 16> kHueAngle = {0,   0,   103, 283, 61,  241, 347, 167,
                                              123, 146, 190, 83,  259, 319, 5,   213};
constexpr double kSaturation = 0.19;

std::uint8_t Channel(double value) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

}  // namespace

Rgb TedColour(std::uint8_t attribute) {
  const int hue = attribute & 0x0F;
  if (hue == 0) return {};
  const double y = kLuminance[(attribute >> 4) & 0x07];
  double u = 0, v = 0;
  if (hue != 1) {
    const double angle = kHueAngle[hue] * std::numbers::pi / 180.0;
    u = kSaturation * std::cos(angle);
    v = kSaturation * std::sin(angle);
  }
  return {Channel(y + 1.140 * v), Channel(y - 0.395 * u - 0.581 * v), Channel(y + 2.032 * u)};
}

}  // namespace qv3::debugger
