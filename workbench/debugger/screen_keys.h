// SPDX-License-Identifier: GPL-3.0-or-later
// A key pressed in the Screen pane as the Plus/4's keyboard would give it to
// GETIN: PETSCII, letters unshifted as capitals ($41-$5A) and shifted as
// $C1-$DA, RETURN 13, DEL $14, the cursor keys, CLR/HOME. Nothing for keys
// the machine has no code for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qv3::debugger {

// key: a Qt::Key value; text: the key's text as Latin-1; shift: Shift held.
std::optional<std::uint8_t> PetsciiOfKey(int key, const std::string& text, bool shift);

// The joystick bits (plus4::JoystickBit) a key moves while the Screen pane
// plays a joystick: the cursor keys and the keypad's 8 4 6 2 (7 9 1 3 the
// diagonals) the directions, Space, Ctrl and the keypad's 0 and 5 fire; 0
// for any other key. keypad: the key is on the numeric keypad.
std::uint8_t JoystickBitsOfKey(int key, bool keypad);

}  // namespace qv3::debugger
