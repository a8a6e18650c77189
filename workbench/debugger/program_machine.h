// The debugger's machine: the headless Plus/4 program runner (64 KB of RAM,
// the KERNAL traps, the stop rules qv3run uses) behind the stepping rules'
// machine interface.
#pragma once

#include <memory>
#include <string>

#include "workbench/debugger/run_control.h"

namespace qv3::cpu {
struct Registers;
}

namespace qv3::debugger {

struct LoadedProgram {
  std::unique_ptr<Machine> Loaded;  // null when the program could not be loaded
  std::string Error;                // why not
};

// A ".prg" file's bytes, loaded and ready at its start address.
LoadedProgram LoadProgram(const std::string& programBytes);

// "$" and value in upper-case hex, at least digits wide: the addresses and
// bytes of the stop texts ("jam at $1002").
std::string DollarHex(unsigned value, int digits);

// The user's edit of the registers, as both machines take it: PC, A, X, Y,
// SP and P from state (bit 5 of P is 1 always).
void SetRegisters(cpu::Registers& registers, const MachineState& state);

}  // namespace qv3::debugger
