#include "workbench/debugger/program_machine.h"

#include <bitset>
#include <cstdio>
#include <deque>

#include "cpu/program_runner.h"

namespace qv3::debugger {

namespace {

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

  bool StoredToTed(std::uint8_t reg) const override { return reg < tedStores_.size() && tedStores_.test(reg); }

  void SetState(const MachineState& state) override { SetRegisters(runner_.Cpu().Registers, state); }
  plus4::TedRegisters TedState() const override {
    // No TED here: the registers are RAM, known only where the program stored.
    plus4::TedRegisters ted;
    for (int reg = 0; reg < 64; ++reg) {
      ted.Bytes[reg] = Peek(static_cast<std::uint16_t>(kTedFirst + reg));
      ted.Unknown.set(reg, !tedStores_.test(reg));
    }
    return ted;
  }
  std::string Kind() const override { return "bare 6502"; }
  void SetStopAtUndocumented(bool stop) override { runner_.Cpu().SetStopAtUndocumented(stop); }
  void Poke(std::uint16_t address, std::uint8_t value) override { runner_.Cpu().Memory[address] = value; }
  void TypeKey(std::uint8_t petscii) override { typed_.push_back(petscii); }

  std::optional<std::string> Step() override {
    noteTedStore();
    // GETIN takes the keys typed so far, one a call, 0 when none waits.
    if (runner_.Cpu().Registers.PC == cpu::kGetin) {
      runner_.SetKeys(typed_.empty() ? std::string() : std::string(1, static_cast<char>(typed_.front())));
      if (!typed_.empty()) typed_.pop_front();
    }
    const std::optional<cpu::StopReason> stop = runner_.Step();
    if (!stop) return std::nullopt;
    const std::uint16_t pc = runner_.Cpu().Registers.PC;
    switch (*stop) {
      case cpu::StopReason::Returned: return std::string("returned");
      case cpu::StopReason::Illegal: return "illegal opcode " + DollarHex(Peek(pc), 2) + " at " + DollarHex(pc, 4);
      default: return std::string(cpu::StopReasonText(*stop)) + " at " + DollarHex(pc, 4);
    }
  }

 private:
  // TED registers are set with absolute stores (and flashed with INC/DEC);
  // those are the forms looked at before each instruction.
  void noteTedStore() {
    const cpu::Cpu6502& core = runner_.Cpu();
    const cpu::Registers& r = core.Registers;
    const std::uint8_t opcode = core.Memory[r.PC];
    std::uint8_t index = 0;
    switch (opcode) {
      case 0x8D: case 0x8E: case 0x8C: case 0xEE: case 0xCE: break;  // STA STX STY INC DEC abs
      case 0x9D: case 0xFE: case 0xDE: index = r.X; break;            // STA INC DEC abs,X
      case 0x99: index = r.Y; break;                                   // STA abs,Y
      default: return;
    }
    const std::uint16_t address =
        static_cast<std::uint16_t>(core.ReadWord(static_cast<std::uint16_t>(r.PC + 1)) + index);
    if (address >= kTedFirst && address < kTedFirst + tedStores_.size()) tedStores_.set(address - kTedFirst);
  }

  static constexpr std::uint16_t kTedFirst = 0xFF00;
  cpu::ProgramRunner runner_;
  std::bitset<0x40> tedStores_;
  std::deque<std::uint8_t> typed_;
};

}  // namespace

std::string DollarHex(unsigned value, int digits) {
  char text[12];
  std::snprintf(text, sizeof text, "$%0*X", digits, value);
  return text;
}

void SetRegisters(cpu::Registers& registers, const MachineState& state) {
  registers.PC = state.PC;
  registers.A = state.A;
  registers.X = state.X;
  registers.Y = state.Y;
  registers.SP = state.SP;
  registers.P = static_cast<std::uint8_t>(state.P | 0x20);  // bit 5 reads as 1 always
}

LoadedProgram LoadProgram(const std::string& programBytes) {
  const cpu::ParsedProgram parsed = cpu::ParseProgram(programBytes);
  if (!parsed.Image) return {nullptr, parsed.Error};
  return {std::make_unique<RunnerMachine>(*parsed.Image), {}};
}

}  // namespace qv3::debugger
