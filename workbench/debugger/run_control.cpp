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
  watchesChanged_ = true;
}

void RunControl::begin(Mode mode, bool mayStopAtFirst) {
  mode_ = mode;
  interruptFrames_.clear();
  firstInstruction_ = true;
  mayStopAtFirst_ = mayStopAtFirst;
  notYetRun_.reset();
  stepRan_ = false;
  // A new program's machine knows no watches yet; telling it again is cheap.
  if (mayStopAtFirst) watchesChanged_ = true;
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

std::optional<Stop> RunControl::predictedWatchHit(const Machine& machine, std::uint16_t pc) const {
  if (watches_.empty() || machine.WatchesItsBus()) return std::nullopt;
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
  return RunSlice(machine, maxInstructions, kNoFrameLimit);
}

std::optional<Stop> RunControl::RunSlice(Machine& machine, std::size_t maxInstructions, std::uint64_t frameLimit) {
  if (watchesChanged_ && mode_ != Mode::Idle) {
    machine.SetWatches(watches_);
    watchesChanged_ = false;
  }
  const bool limited = frameLimit != kNoFrameLimit;
  for (std::size_t executed = 0; executed < maxInstructions && mode_ != Mode::Idle; ++executed) {
    if (limited && machine.FrameCount() >= frameLimit) break;
    const MachineState before = machine.State();
    const std::pair<std::uint16_t, std::uint8_t> here{before.PC, before.SP};
    if (firstInstruction_ && !mayStopAtFirst_) notYetRun_ = here;
    firstInstruction_ = false;
    if (notYetRun_ != here && stopsBefore(before.PC)) {
      const bool reached = mode_ == Mode::To && before.PC == target_;
      mode_ = Mode::Idle;
      return Stop{reached ? StopKind::Reached : StopKind::Breakpoint, {}};
    }
    // Decided before the instruction runs: afterwards PC and SP no longer
    // tell which frame it left, nor which address its operand named.
    const std::uint8_t opcode = machine.Peek(before.PC);
    bool leavesFrame = false;
    if (mode_ == Mode::Out) leavesFrame = (opcode == kRtsOpcode || opcode == kRtiOpcode) && before.SP >= frameStack_;
    const bool inInterrupt = !interruptFrames_.empty();
    if (mode_ == Mode::Over && opcode == kRtiOpcode && inInterrupt && before.SP >= interruptFrames_.back())
      interruptFrames_.pop_back();
    std::optional<Stop> watched = predictedWatchHit(machine, before.PC);
    const std::optional<int> lineBefore = rasterBreak_ ? machine.RasterLine() : std::nullopt;

    if (std::optional<std::string> ended = machine.Step()) {
      mode_ = Mode::Idle;
      return Stop{StopKind::Ended, std::move(*ended)};
    }
    const bool entered = machine.EnteredInterrupt();
    // An interrupt taken in place of the instruction leaves it still to run
    // (the Plus/4 takes a pending IRQ before the next opcode fetch).
    const bool instructionRan = !(entered && machine.EnteredInsteadOfInstruction());
    if (instructionRan && notYetRun_ == here) notYetRun_.reset();
    if (mode_ == Mode::Over) {
      if (instructionRan && !inInterrupt) stepRan_ = true;
      if (entered) interruptFrames_.push_back(machine.State().SP);
    }

    if (machine.WatchesItsBus() && !watches_.empty()) {
      if (const std::optional<WatchedAccess> hit = machine.WatchHit()) {
        watched = Stop{StopKind::Watch, {}};
        watched->Address = hit->Address;
        watched->Write = hit->Write;
        watched->By = before.PC;
      }
    }
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
        done = stepRan_ && interruptFrames_.empty() &&
               (returnAddress_ == kNoReturn || (after.PC == returnAddress_ && after.SP >= frameStack_));
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
