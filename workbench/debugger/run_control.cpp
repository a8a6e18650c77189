#include "workbench/debugger/run_control.h"

#include "workbench/debugger/operand_access.h"

namespace qv3::debugger {

void RunControl::SetBreakpoints(const std::vector<std::uint16_t>& addresses) {
  breakpoints_.reset();
  for (const std::uint16_t address : addresses) breakpoints_.set(address);
}

void RunControl::SetWatches(const std::vector<Watch>& watches) {
  watches_ = watches;
  watchedReads_.reset();
  watchedWrites_.reset();
  for (const Watch& watch : watches) {
    if (watch.OnRead) watchedReads_.set(watch.Address);
    if (watch.OnWrite) watchedWrites_.set(watch.Address);
  }
}

void RunControl::begin(Mode mode, bool mayStopAtFirst) {
  mode_ = mode;
  interruptFrames_.clear();
  firstInstruction_ = true;
  mayStopAtFirst_ = mayStopAtFirst;
}

void RunControl::Start() { begin(Mode::Free, true); }
void RunControl::Continue() { begin(Mode::Free, false); }
void RunControl::StepInto() { begin(Mode::Into, false); }

void RunControl::StepOver(const Machine& machine) {
  const MachineState state = machine.State();
  returnAddress_ = kNoReturn;
  if (machine.Peek(state.PC) == kJsrOpcode) returnAddress_ = static_cast<std::int32_t>((state.PC + 3) & 0xFFFF);
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

std::optional<Stop> RunControl::watchHit(const Machine& machine, std::uint16_t pc) const {
  if (watches_.empty()) return std::nullopt;
  const MachineState state = machine.State();
  const std::optional<OperandAccess> access = AccessOf(machine.Ram(), state);
  if (!access) return std::nullopt;
  // A read-modify-write reports its write: that is what changes the byte.
  const bool write = access->Writes && watchedWrites_.test(access->Address);
  const bool read = access->Reads && watchedReads_.test(access->Address);
  if (!write && !read) return std::nullopt;
  Stop stop{StopKind::Watch, {}};
  stop.Address = access->Address;
  stop.Write = write;
  stop.By = pc;
  return stop;
}

std::optional<Stop> RunControl::RunSlice(Machine& machine, std::size_t maxInstructions) {
  for (std::size_t executed = 0; executed < maxInstructions && mode_ != Mode::Idle; ++executed) {
    const MachineState before = machine.State();
    const bool looks = !firstInstruction_ || mayStopAtFirst_;
    if (looks && stopsBefore(before.PC)) {
      const bool reached = mode_ == Mode::To && before.PC == target_;
      mode_ = Mode::Idle;
      return Stop{reached ? StopKind::Reached : StopKind::Breakpoint, {}};
    }
    // Decided before the instruction runs: afterwards PC and SP no longer
    // tell which frame it left, nor which address its operand named.
    const std::uint8_t opcode = machine.Peek(before.PC);
    bool leavesFrame = false;
    if (mode_ == Mode::Out) leavesFrame = (opcode == kRtsOpcode || opcode == kRtiOpcode) && before.SP >= frameStack_;
    if (mode_ == Mode::Over && opcode == kRtiOpcode && !interruptFrames_.empty() &&
        before.SP >= interruptFrames_.back())
      interruptFrames_.pop_back();
    std::optional<Stop> watched = watchHit(machine, before.PC);
    const std::optional<int> lineBefore = rasterBreak_ ? machine.RasterLine() : std::nullopt;
    firstInstruction_ = false;

    if (std::optional<std::string> ended = machine.Step()) {
      mode_ = Mode::Idle;
      return Stop{StopKind::Ended, std::move(*ended)};
    }
    if (mode_ == Mode::Over && machine.EnteredInterrupt()) interruptFrames_.push_back(machine.State().SP);

    if (watched) {
      mode_ = Mode::Idle;
      return watched;
    }
    if (rasterBreak_) {
      const std::optional<int> line = machine.RasterLine();
      if (line && *line == *rasterBreak_ && lineBefore != line) {
        mode_ = Mode::Idle;
        return Stop{StopKind::Raster, {}};
      }
    }

    bool done = false;
    switch (mode_) {
      case Mode::Into:
        done = true;
        break;
      case Mode::Over: {
        const MachineState after = machine.State();
        done = interruptFrames_.empty() && (returnAddress_ == kNoReturn || (after.PC == returnAddress_ && after.SP >= frameStack_));
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
