// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/debugger/plus4_program_machine.h"

#ifdef QV3_HAVE_PLUS4_MODEL

#include <cstdio>
#include <deque>

#include "plus4/plus4_machine.h"

namespace qv3::debugger {

namespace {

std::string Hex(unsigned value, int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "$%0*X", digits, value);
  return text;
}

// A typed key is held for kHoldFrames frames, then all keys are up for
// kGapFrames: long enough for the ROM's scan (once a frame) to see each.
constexpr std::uint64_t kHoldFrames = 2;
constexpr std::uint64_t kGapFrames = 1;

class Plus4ProgramMachine final : public Machine {
 public:
  explicit Plus4ProgramMachine(const cpu::ProgramImage& image) {
    machine_.Load(image);
    machine_.PrepareSys(cpu::StartAddress(image));
  }

  MachineState State() const override {
    const cpu::Registers& r = machine_.Registers();
    return {r.PC, r.A, r.X, r.Y, r.SP, r.P, machine_.Cycles()};
  }
  void SetState(const MachineState& state) override {
    cpu::Registers& r = machine_.MutableRegisters();
    r.PC = state.PC;
    r.A = state.A;
    r.X = state.X;
    r.Y = state.Y;
    r.SP = state.SP;
    r.P = static_cast<std::uint8_t>(state.P | 0x20);
  }
  // The RAM; a TED register is changed by the program, not by poking its RAM.
  void Poke(std::uint16_t address, std::uint8_t value) override { machine_.MutableRam()[address] = value; }
  void TypeKey(std::uint8_t petscii) override { typed_.push_back(petscii); }
  const std::array<std::uint8_t, 0x10000>& Ram() const override { return machine_.Ram(); }
  std::uint8_t Peek(std::uint16_t address) const override { return machine_.Peek(address); }
  bool StoredToTed(std::uint8_t reg) const override { return machine_.StoredToTed(reg); }
  std::optional<int> RasterLine() const override { return machine_.Ted().RasterLine(); }
  std::optional<int> RasterCycle() const override { return machine_.Ted().LineCycle(); }
  plus4::TedRegisters TedState() const override {
    plus4::TedRegisters ted;
    ted.Bytes = machine_.Ted().Registers();
    ted.RasterLine = static_cast<std::uint16_t>(machine_.Ted().RasterLine());
    return ted;
  }
  const plus4::FrameBuffer* Frame() const override { return &machine_.Frame(); }
  std::string Kind() const override { return "Plus/4 model"; }
  bool EnteredInterrupt() const override { return entered_; }

  std::optional<std::string> Step() override {
    typeKeys();
    const cpu::Registers before = machine_.Registers();
    // The model takes a pending IRQ as a step of its own.
    entered_ = machine_.IrqPending() && machine_.InterruptsEnabled();
    const plus4::StepOutcome outcome = machine_.Step();
    const std::uint16_t pc = machine_.Registers().PC;
    switch (outcome) {
      case plus4::StepOutcome::Ok: break;
      case plus4::StepOutcome::Returned: return std::string("returned");
      default: {
        std::string text = std::string(plus4::OutcomeText(outcome)) + " at " + Hex(pc, 4);
        if (!machine_.StopDetail().empty()) text += ": " + machine_.StopDetail();
        return text;
      }
    }
    // With interrupts off nothing ends a jump to itself: the program hangs.
    if (!entered_ && pc == before.PC && !machine_.InterruptsEnabled()) return "loop at " + Hex(pc, 4);
    return std::nullopt;
  }

 private:
  void typeKeys() {
    const std::uint64_t frame = machine_.FrameCount();
    if (holding_) {
      if (frame < until_) return;
      machine_.Keyboard().ReleaseAll();
      holding_ = false;
      until_ = frame + kGapFrames;
      return;
    }
    if (typed_.empty() || frame < until_) return;
    const std::optional<plus4::KeyChord> chord = plus4::Keyboard::ChordOf(typed_.front());
    typed_.pop_front();
    if (!chord) return;  // no key types it
    if (chord->Shift) machine_.Keyboard().Press(plus4::kShiftKey);
    machine_.Keyboard().Press(chord->Key);
    holding_ = true;
    until_ = frame + kHoldFrames;
  }

  plus4::Plus4Machine machine_;
  std::deque<std::uint8_t> typed_;
  bool holding_ = false;
  std::uint64_t until_ = 0;
  bool entered_ = false;
};

}  // namespace

bool HavePlus4Model() { return true; }

LoadedProgram LoadPlus4Program(const std::string& programBytes) {
  const cpu::ParsedProgram parsed = cpu::ParseProgram(programBytes);
  if (!parsed.Image) return {nullptr, parsed.Error};
  return {std::make_unique<Plus4ProgramMachine>(*parsed.Image), {}};
}

}  // namespace qv3::debugger

#else

namespace qv3::debugger {

bool HavePlus4Model() { return false; }

LoadedProgram LoadPlus4Program(const std::string&) {
  return {nullptr, "this build has no Plus/4 machine model"};
}

}  // namespace qv3::debugger

#endif
