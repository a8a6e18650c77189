// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/debugger/stack_rows.h"

#include <algorithm>

#include "workbench/debugger/run_control.h"

namespace qv3::debugger {

std::vector<StackRow> StackRows(const std::array<std::uint8_t, 0x10000>& memory, std::uint8_t sp,
                                const std::function<std::string(std::uint16_t)>& names, int freeRows,
                                int maxRows, const std::vector<std::uint16_t>& interruptFrames) {
  std::vector<StackRow> rows;
  const int top = sp + 1;
  for (int offset = std::max(0, top - freeRows); offset <= 0xFF && static_cast<int>(rows.size()) < maxRows;
       ++offset) {
    StackRow row;
    row.Address = static_cast<std::uint16_t>(0x100 + offset);
    row.Value = memory[row.Address];
    row.Free = offset < top;
    row.IsTop = offset == top;
    rows.push_back(row);
  }
  // The interrupts' frames first: P, then the address the RTI returns to.
  for (std::size_t i = 0; i + 2 < rows.size(); ++i) {
    if (rows[i].Free || std::find(interruptFrames.begin(), interruptFrames.end(), rows[i].Address) == interruptFrames.end())
      continue;
    rows[i].InterruptFlags = true;
    rows[i + 1].InterruptReturn = true;
    rows[i + 1].ReturnsTo = static_cast<std::uint16_t>(rows[i + 1].Value | rows[i + 2].Value << 8);
    if (names) rows[i + 1].Name = names(rows[i + 1].ReturnsTo);
    i += 2;
  }
  // Return addresses only in the used part; a pair needs both of its bytes there.
  for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
    if (rows[i].Free) continue;
    if (rows[i].InterruptFlags || rows[i].InterruptReturn) {
      i += rows[i].InterruptFlags ? 2 : 1;
      continue;
    }
    const auto pushed = static_cast<std::uint16_t>(rows[i].Value | rows[i + 1].Value << 8);
    const auto jsr = static_cast<std::uint16_t>(pushed - 2);
    if (memory[jsr] != kJsrOpcode) continue;
    rows[i].ReturnAddress = true;
    rows[i].ReturnsTo = static_cast<std::uint16_t>(pushed + 1);
    if (names) rows[i].Name = names(rows[i].ReturnsTo);
    ++i;  // the high byte belongs to it
  }
  return rows;
}

}  // namespace qv3::debugger
