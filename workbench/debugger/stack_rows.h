// SPDX-License-Identifier: GPL-3.0-or-later
// The stack page as the Stack pane lists it: the bytes from SP+1 (the top)
// up to $01FF, a few free bytes below, and the return addresses in it. A
// pair of bytes is taken for a JSR's return address when the three bytes
// before the address it returns to hold a JSR: a value a program merely
// pushed seldom looks like that. An interrupt's frame is not guessed: the
// machine that took the interrupt says where its P byte is.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qv3::debugger {

struct StackRow {
  std::uint16_t Address = 0;  // $0100-$01FF
  std::uint8_t Value = 0;
  bool Free = false;          // below the top of the stack
  bool IsTop = false;         // SP+1, the byte PLA would pull
  // On the low byte of a return address: where the RTS will go, its name.
  bool ReturnAddress = false;
  std::uint16_t ReturnsTo = 0;
  std::string Name;
  // An interrupt's frame: P as the CPU pushed it, and on the low byte of
  // its return address (then ReturnsTo is where the RTI goes, Name its name).
  bool InterruptFlags = false;
  bool InterruptReturn = false;
};

// names: a label for an address (LABEL or LABEL+n), or "".
std::vector<StackRow> StackRows(const std::array<std::uint8_t, 0x10000>& memory, std::uint8_t sp,
                                const std::function<std::string(std::uint16_t)>& names, int freeRows = 4,
                                int maxRows = 64, const std::vector<std::uint16_t>& interruptFrames = {});

}  // namespace qv3::debugger
