// SPDX-License-Identifier: GPL-3.0-or-later
#include "plus4/keyboard.h"

namespace qv3::plus4 {
namespace {

// PETSCII per matrix position, unshifted and shifted; 0: a modifier key.
constexpr std::uint8_t kUnshifted[8][8] = {
    {0x14, 0x0D, 0x5C, 0x8C, 0x85, 0x86, 0x87, 0x40},  // DEL RETURN POUND HELP F1 F2 F3 @
    {0x33, 0x57, 0x41, 0x34, 0x5A, 0x53, 0x45, 0x00},  // 3 W A 4 Z S E SHIFT
    {0x35, 0x52, 0x44, 0x36, 0x43, 0x46, 0x54, 0x58},  // 5 R D 6 C F T X
    {0x37, 0x59, 0x47, 0x38, 0x42, 0x48, 0x55, 0x56},  // 7 Y G 8 B H U V
    {0x39, 0x49, 0x4A, 0x30, 0x4D, 0x4B, 0x4F, 0x4E},  // 9 I J 0 M K O N
    {0x11, 0x50, 0x4C, 0x91, 0x2E, 0x3A, 0x2D, 0x2C},  // DOWN P L UP . : - ,
    {0x9D, 0x2A, 0x3B, 0x1D, 0x1B, 0x3D, 0x2B, 0x2F},  // LEFT * ; RIGHT ESC = + /
    {0x31, 0x13, 0x00, 0x32, 0x20, 0x00, 0x51, 0x03},  // 1 HOME CTRL 2 SPACE C= Q STOP
};
constexpr std::uint8_t kShifted[8][8] = {
    {0x94, 0x8D, 0xA9, 0x8C, 0x89, 0x8A, 0x8B, 0xBA},
    {0x23, 0xD7, 0xC1, 0x24, 0xDA, 0xD3, 0xC5, 0x00},
    {0x25, 0xD2, 0xC4, 0x26, 0xC3, 0xC6, 0xD4, 0xD8},
    {0x27, 0xD9, 0xC7, 0x28, 0xC2, 0xC8, 0xD5, 0xD6},
    {0x29, 0xC9, 0xCA, 0x5E, 0xCD, 0xCB, 0xCF, 0xCE},
    {0x11, 0xD0, 0xCC, 0x91, 0x3E, 0x5B, 0xDD, 0x3C},
    {0x9D, 0xC0, 0x5D, 0x1D, 0x1B, 0x3D, 0xDB, 0x3F},
    {0x21, 0x93, 0x00, 0x22, 0xA0, 0x00, 0xD1, 0x83},
};

bool Valid(MatrixKey key) { return key.Row >= 0 && key.Row < 8 && key.Column >= 0 && key.Column < 8; }

}  // namespace

void Keyboard::Press(MatrixKey key) {
  if (Valid(key)) rows_[static_cast<std::size_t>(key.Row)] |= static_cast<std::uint8_t>(1 << key.Column);
}

void Keyboard::Release(MatrixKey key) {
  if (Valid(key)) rows_[static_cast<std::size_t>(key.Row)] &= static_cast<std::uint8_t>(~(1 << key.Column));
}

void Keyboard::ReleaseAll() {
  rows_ = {};
  joysticks_ = {};
}

bool Keyboard::IsPressed(MatrixKey key) const {
  return Valid(key) && (rows_[static_cast<std::size_t>(key.Row)] & (1 << key.Column));
}

void Keyboard::SetJoystick(int port, std::uint8_t bits) {
  if (port == 1 || port == 2) joysticks_[static_cast<std::size_t>(port - 1)] = bits & 0x1F;
}

std::uint8_t Keyboard::Joystick(int port) const {
  return (port == 1 || port == 2) ? joysticks_[static_cast<std::size_t>(port - 1)] : 0;
}

// Directions on bits 0-3; fire on bit 6 for joystick 1, bit 7 for joystick 2.
std::uint8_t Keyboard::Read(std::uint8_t rowSelect, std::uint8_t joystickSelect) const {
  unsigned pressed = 0;
  for (int row = 0; row < 8; ++row)
    if (!(rowSelect & (1 << row))) pressed |= rows_[static_cast<std::size_t>(row)];
  const auto joystick = [&](int port, unsigned fireBit) {
    const std::uint8_t bits = joysticks_[static_cast<std::size_t>(port - 1)];
    pressed |= (bits & 0x0F) | ((bits & kJoystickFire) ? fireBit : 0);
  };
  if (!(joystickSelect & 0x04)) joystick(1, 0x40);
  if (!(joystickSelect & 0x02)) joystick(2, 0x80);
  return static_cast<std::uint8_t>(~pressed);
}

std::uint8_t Keyboard::CharacterOf(MatrixKey key, bool shift) {
  if (!Valid(key)) return 0;
  return (shift ? kShifted : kUnshifted)[key.Row][key.Column];
}

std::optional<KeyChord> Keyboard::ChordOf(std::uint8_t petscii) {
  if (petscii >= 'a' && petscii <= 'z') petscii = static_cast<std::uint8_t>(petscii - 0x20);
  if (petscii == '\n') petscii = 0x0D;
  for (const bool shift : {false, true})
    for (int row = 0; row < 8; ++row)
      for (int column = 0; column < 8; ++column)
        if ((shift ? kShifted : kUnshifted)[row][column] == petscii && petscii != 0)
          return KeyChord{{row, column}, shift};
  return std::nullopt;
}

}  // namespace qv3::plus4
