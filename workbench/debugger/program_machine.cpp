#include "workbench/debugger/program_machine.h"

#include <cstdio>

#include "cpu/program_runner.h"

namespace qv3::debugger {

namespace {

std::string Hex(unsigned value, int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "$%0*X", digits, value);
  return text;
}

class RunnerMachine final : public Machine {
 public:
  explicit RunnerMachine(const cpu::ProgramImage& image) {
    runner_.Load(image);
    runner_.PrepareCall(cpu::StartAddress(image));
  }

  MachineState State() const override {
    const cpu::Cpu6502& core = runner_.Cpu();
    const cpu::Registers& r = core.Registers;
    return {r.PC, r.A, r.X, r.Y, r.SP, r.P, core.Cycles};
  }
  const std::array<std::uint8_t, 0x10000>& Ram() const override { return runner_.Cpu().Memory; }

  std::optional<std::string> Step() override {
    const std::optional<cpu::StopReason> stop = runner_.Step();
    if (!stop) return std::nullopt;
    const std::uint16_t pc = runner_.Cpu().Registers.PC;
    switch (*stop) {
      case cpu::StopReason::Returned: return std::string("returned");
      case cpu::StopReason::Illegal: return "illegal opcode " + Hex(Peek(pc), 2) + " at " + Hex(pc, 4);
      default: return std::string(cpu::StopReasonText(*stop)) + " at " + Hex(pc, 4);
    }
  }

 private:
  cpu::ProgramRunner runner_;
};

}  // namespace

LoadedProgram LoadProgram(const std::string& programBytes) {
  const cpu::ParsedProgram parsed = cpu::ParseProgram(programBytes);
  if (!parsed.Image) return {nullptr, parsed.Error};
  return {std::make_unique<RunnerMachine>(*parsed.Image), {}};
}

}  // namespace qv3::debugger
