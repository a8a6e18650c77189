// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/debugger/screen_keys.h"

#include <Qt>

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

}  // namespace qv3::debugger
