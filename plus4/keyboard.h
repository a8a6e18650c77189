// SPDX-License-Identifier: GPL-3.0-or-later
// The Plus/4 keyboard matrix and the two joysticks, as the TED reads them.
//
// The program selects matrix rows by writing zeros into the keyboard port
// $FD30; a write to the TED's $FF08 latches that selection together with the
// joystick selection (bit 1 clear: joystick 2, bit 2 clear: joystick 1, the
// written value itself). A read of $FF08 then gives a 0 bit for each column
// with a pressed key in a selected row, and for each pressed direction or
// fire button of a selected joystick.
//
// The matrix (row = $FD30 bit, column = $FF08 bit):
//   row 0: INST/DEL RETURN POUND HELP F1 F2 F3 @
//   row 1: 3 W A 4 Z S E SHIFT
//   row 2: 5 R D 6 C F T X
//   row 3: 7 Y G 8 B H U V
//   row 4: 9 I J 0 M K O N
//   row 5: DOWN P L UP . : - ,
//   row 6: LEFT * ; RIGHT ESC = + /
//   row 7: 1 CLR/HOME CTRL 2 SPACE C= Q RUN/STOP
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace qv3::plus4 {

struct MatrixKey {
  int Row = 0;     // 0-7, the $FD30 bit
  int Column = 0;  // 0-7, the $FF08 bit
  bool operator==(const MatrixKey&) const = default;
};

inline constexpr MatrixKey kShiftKey{1, 7};
inline constexpr MatrixKey kReturnKey{0, 1};
inline constexpr MatrixKey kSpaceKey{7, 4};
inline constexpr MatrixKey kRunStopKey{7, 7};

// A character typed as keys: the key, with SHIFT held or not.
struct KeyChord {
  MatrixKey Key;
  bool Shift = false;
};

// Joystick bits (set = pressed).
enum JoystickBit : std::uint8_t {
  kJoystickUp = 0x01,
  kJoystickDown = 0x02,
  kJoystickLeft = 0x04,
  kJoystickRight = 0x08,
  kJoystickFire = 0x10,
};

class Keyboard {
 public:
  void Press(MatrixKey key);
  void Release(MatrixKey key);
  void ReleaseAll();
  bool IsPressed(MatrixKey key) const;

  // port 1 or 2; bits from JoystickBit.
  void SetJoystick(int port, std::uint8_t bits);
  std::uint8_t Joystick(int port) const;

  // What $FF08 reads with this row selection ($FD30 value, 0 bits select)
  // and latched joystick selection (the value written to $FF08).
  std::uint8_t Read(std::uint8_t rowSelect, std::uint8_t joystickSelect) const;

  // The keys that type a PETSCII character (ASCII letters and digits are
  // PETSCII already; lower-case ASCII letters type as unshifted letters);
  // nothing for a character no key types.
  static std::optional<KeyChord> ChordOf(std::uint8_t petscii);
  // The PETSCII character a key types (with SHIFT held or not), 0 for
  // SHIFT, CTRL and C=.
  static std::uint8_t CharacterOf(MatrixKey key, bool shift);

 private:
  std::array<std::uint8_t, 8> rows_{};  // bit c set: key (row, c) pressed
  std::array<std::uint8_t, 2> joysticks_{};
};

}  // namespace qv3::plus4
