// SPDX-License-Identifier: GPL-3.0-or-later
// BASIC after the program's return, for runs measured in frames: it prints
// READY. as BASIC does when a program ends, and its editor then waits for
// keys with the cursor shown and the interrupts served, putting each key
// typed on the screen. The model has no BASIC interpreter: a line typed
// and ended with RETURN is not run.
#include <algorithm>
#include <string_view>

#include "plus4/machine_core.h"
#include "plus4/rom.h"

namespace qv3::plus4 {
namespace {

constexpr std::string_view kReady = "\rREADY.\r";
// BASIC's work from the SYS call's return to READY. (the rest of the line,
// the program's end), in CPU cycles, and one round of the editor's wait:
// estimates, not measured (no program can see them to the cycle but by
// the beam, and the fixture of a returning program does not need them).
constexpr int kProgramEndCycles = 600;
constexpr int kIdleRoundCycles = 20;
constexpr int kColumns = 40;

}  // namespace

void Plus4Machine::EnterBasic() {
  returnArmed_ = false;
  inBasic_ = true;
  SpendCycles(kProgramEndCycles);
  for (const char c : kReady) {
    PrintCharacter(static_cast<std::uint8_t>(c));
    SpendCycles(c == '\r' ? kChroutReturnCycles : kChroutCycles);
  }
  ShowCursor();
  cpu::Registers& r = cpu_->Registers;
  r.P = static_cast<std::uint8_t>(r.P & ~cpu::kInterruptDisable);
  r.PC = kBasicIdleLoop;
}

// One round of the editor's wait: a key from the buffer goes on the screen.
void Plus4Machine::ServeBasicIdle() {
  std::uint8_t& count = ram_[kKeyCount];
  if (count > 0 && count <= kKeyBufferSize) {
    const std::uint8_t key = ram_[kKeyBuffer];
    std::copy(ram_.begin() + kKeyBuffer + 1, ram_.begin() + kKeyBuffer + kKeyBufferSize, ram_.begin() + kKeyBuffer);
    --count;
    PrintCharacter(key);
    ShowCursor();
    SpendCycles(kChroutCycles);
  }
  SpendCycles(kIdleRoundCycles);
}

// The TED's hardware cursor ($FF0C/$FF0D) at the KERNAL's cursor.
void Plus4Machine::ShowCursor() {
  const int position = ram_[kCursorRow] * kColumns + ram_[kCursorColumn];
  ted_->Write(0x0C, static_cast<std::uint8_t>(position >> 8));
  ted_->Write(0x0D, static_cast<std::uint8_t>(position));
}

}  // namespace qv3::plus4
