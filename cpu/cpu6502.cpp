#include "cpu/cpu6502.h"

#include "cpu/cpu_core.h"

namespace qv3::cpu {

Cpu6502::Cpu6502() : dispatch_(core::SharedDispatchTable<Cpu6502>(true)) {}

void Cpu6502::SetStopAtUndocumented(bool stop) {
  stopAtUndocumented_ = stop;
  dispatch_ = core::SharedDispatchTable<Cpu6502>(stop);
}

bool Cpu6502::Irq() {
  if (Registers.P & kInterruptDisable) return false;
  core::Interrupt(*this, kIrqVector);
  return true;
}

void Cpu6502::Nmi() { core::Interrupt(*this, kNmiVector); }

void Cpu6502::Reset() {
  Registers.SP = static_cast<std::uint8_t>(Registers.SP - 3);
  Registers.P |= kInterruptDisable | kUnused;
  Registers.PC = ReadWord(kResetVector);
  Cycles += 7;
}

}  // namespace qv3::cpu
