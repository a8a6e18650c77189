// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/debugger/screen_keys.h"

#include <Qt>

#include "plus4/keyboard.h"

namespace qv3::debugger {

std::optional<std::uint8_t> PetsciiOfKey(int key, const std::string& text, bool shift) {
  switch (key) {
    case Qt::Key_Return: case Qt::Key_Enter: return 0x0D;
    case Qt::Key_Backspace: case Qt::Key_Delete: return shift ? 0x94 : 0x14;  // INST with Shift
    case Qt::Key_Up: return 0x91;
    case Qt::Key_Down: return 0x11;
    case Qt::Key_Left: return 0x9D;
    case Qt::Key_Right: return 0x1D;
    case Qt::Key_Home: return shift ? 0x93 : 0x13;  // CLR with Shift
    case Qt::Key_Escape: return 0x1B;
    default: break;
  }
  if (text.size() != 1) return std::nullopt;
  const auto c = static_cast<unsigned char>(text[0]);
  // ASCII lower case is the unshifted letter, upper case (or Shift held:
  // some input methods keep the text lower case) the shifted one.
  if (c >= 'a' && c <= 'z') return static_cast<std::uint8_t>(c - 'a' + (shift ? 0xC1 : 0x41));
  if (c >= 'A' && c <= 'Z') return static_cast<std::uint8_t>(c - 'A' + 0xC1);
  if (c >= 0x20 && c < 0x60 && c != '\\') return c;
  return std::nullopt;
}

std::uint8_t JoystickBitsOfKey(int key, bool keypad) {
  using namespace qv3::plus4;
  switch (key) {
    case Qt::Key_Up: return kJoystickUp;
    case Qt::Key_Down: return kJoystickDown;
    case Qt::Key_Left: return kJoystickLeft;
    case Qt::Key_Right: return kJoystickRight;
    case Qt::Key_Space: case Qt::Key_Control: return kJoystickFire;
    default: break;
  }
  if (!keypad) return 0;
  switch (key) {
    case Qt::Key_8: return kJoystickUp;
    case Qt::Key_2: return kJoystickDown;
    case Qt::Key_4: return kJoystickLeft;
    case Qt::Key_6: return kJoystickRight;
    case Qt::Key_7: return kJoystickUp | kJoystickLeft;
    case Qt::Key_9: return kJoystickUp | kJoystickRight;
    case Qt::Key_1: return kJoystickDown | kJoystickLeft;
    case Qt::Key_3: return kJoystickDown | kJoystickRight;
    case Qt::Key_0: case Qt::Key_5: case Qt::Key_Insert: case Qt::Key_Clear: return kJoystickFire;
    // With Num Lock off the keypad sends its cursor keys.
    case Qt::Key_Home: return kJoystickUp | kJoystickLeft;
    case Qt::Key_PageUp: return kJoystickUp | kJoystickRight;
    case Qt::Key_End: return kJoystickDown | kJoystickLeft;
    case Qt::Key_PageDown: return kJoystickDown | kJoystickRight;
    default: return 0;
  }
}

}  // namespace qv3::debugger
