// SPDX-License-Identifier: GPL-3.0-or-later
// Which byte of memory the instruction at PC reads or writes through its
// operand, worked out from the registers before it runs: what a data
// breakpoint looks at. Stack pushes, vector fetches and the second byte of
// an indirect pointer are not operand accesses and are not reported.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "workbench/debugger/run_control.h"

namespace qv3::debugger {

struct OperandAccess {
  std::uint16_t Address = 0;
  bool Reads = false;
  bool Writes = false;  // a read-modify-write (INC, ASL ...) does both
};

std::optional<OperandAccess> AccessOf(const std::array<std::uint8_t, 0x10000>& memory,
                                      const MachineState& state);

}  // namespace qv3::debugger
