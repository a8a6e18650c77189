#include "workbench/debugger/run_control.h"

namespace qv3::debugger {

void RunControl::SetBreakpoints(const std::vector<std::uint16_t>& addresses) {
  breakpoints_.reset();
  for (const std::uint16_t address : addresses) breakpoints_.set(address);
}

void RunControl::begin(Mode mode, bool mayStopAtFirst) {
  mode_ = mode;
  firstInstruction_ = true;
  mayStopAtFirst_ = mayStopAtFirst;
}

void RunControl::Start() { begin(Mode::Free, true); }
void RunControl::Continue() { begin(Mode::Free, false); }
void RunControl::StepInto() { begin(Mode::Into, false); }

void RunControl::StepOver(const Machine& machine) {
  const MachineState state = machine.State();
  if (machine.Peek(state.PC) != kJsrOpcode) {
    StepInto();
    return;
  }
  returnAddress_ = static_cast<std::uint16_t>(state.PC + 3);
  frameStack_ = state.SP;
  begin(Mode::Over, false);
}

void RunControl::StepOut(const Machine& machine) {
  frameStack_ = machine.State().SP;
  begin(Mode::Out, false);
}

void RunControl::RunTo(std::uint16_t address) {
  target_ = address;
  begin(Mode::To, false);
}

void RunControl::StartTo(std::uint16_t address) {
  target_ = address;
  begin(Mode::To, true);
}

Stop RunControl::Pause() {
  mode_ = Mode::Idle;
  return {StopKind::Paused, {}};
}

bool RunControl::stopsBefore(std::uint16_t pc) const {
  return breakpoints_.test(pc) || (mode_ == Mode::To && pc == target_);
}

std::optional<Stop> RunControl::RunSlice(Machine& machine, std::size_t maxInstructions) {
  for (std::size_t executed = 0; executed < maxInstructions && mode_ != Mode::Idle; ++executed) {
    const MachineState before = machine.State();
    const bool looks = !firstInstruction_ || mayStopAtFirst_;
    if (looks && stopsBefore(before.PC)) {
      mode_ = Mode::Idle;
      return Stop{StopKind::Breakpoint, {}};
    }
    // Decided before the instruction runs: afterwards PC and SP no longer
    // tell which frame it left.
    bool leavesFrame = false;
    if (mode_ == Mode::Out) {
      const std::uint8_t opcode = machine.Peek(before.PC);
      leavesFrame = (opcode == kRtsOpcode || opcode == kRtiOpcode) && before.SP >= frameStack_;
    }
    firstInstruction_ = false;

    if (std::optional<std::string> ended = machine.Step()) {
      mode_ = Mode::Idle;
      return Stop{StopKind::Ended, std::move(*ended)};
    }

    bool done = false;
    switch (mode_) {
      case Mode::Into:
        done = true;
        break;
      case Mode::Over: {
        const MachineState after = machine.State();
        done = after.PC == returnAddress_ && after.SP >= frameStack_;
        break;
      }
      case Mode::Out:
        done = leavesFrame;
        break;
      default:
        break;
    }
    if (done) {
      mode_ = Mode::Idle;
      return Stop{StopKind::StepDone, {}};
    }
  }
  return std::nullopt;
}

}  // namespace qv3::debugger
