#include "workbench/debugger/debug_session.h"

#include "plus4/ted_sound.h"

DebugSession::DebugSession(QObject* parent) : QObject(parent), sound_(qv3::plus4::TedSound::kSampleRate) {
  timer_.setInterval(0);
  // A coarse timer would let real speed stutter by several milliseconds.
  timer_.setTimerType(Qt::PreciseTimer);
  clock_.start();
  connect(&timer_, &QTimer::timeout, this, &DebugSession::runSlice);
}

DebugSession::~DebugSession() = default;

void DebugSession::begin(std::unique_ptr<qv3::debugger::Machine> machine,
                         std::optional<std::uint16_t> runTo) {
  end();
  machine_ = std::move(machine);
  if (!machine_) return;
  atStop_ = machine_->State();
  previous_.reset();
  if (runTo)
    control_.StartTo(*runTo);
  else
    control_.Start();
  launch();
}

void DebugSession::end() {
  timer_.stop();
  sound_.stop();
  control_.Pause();
  machine_.reset();
  previous_.reset();
  atStop_.reset();
  if (state_ != State::NoProgram) {
    state_ = State::NoProgram;
    emit stateChanged();
  }
}

void DebugSession::setBreakpoints(const std::vector<std::uint16_t>& addresses) {
  control_.SetBreakpoints(addresses);
}

bool DebugSession::setMachineState(const qv3::debugger::MachineState& state) {
  if (!canCommand()) return false;
  machine_->SetState(state);
  return true;
}

bool DebugSession::poke(std::uint16_t address, std::uint8_t value) {
  if (!canCommand()) return false;
  machine_->Poke(address, value);
  return true;
}

void DebugSession::typeKey(std::uint8_t petscii) {
  if (machine_ && (state_ == State::Running || state_ == State::Stopped)) machine_->TypeKey(petscii);
}

void DebugSession::keyDown(std::uint8_t petscii) {
  if (!machine_) return;
  if (state_ == State::Running)
    machine_->HoldKey(petscii, true);
  else if (state_ == State::Stopped)
    machine_->TypeKey(petscii);
}

void DebugSession::keyUp(std::uint8_t petscii) {
  // Also after a stop: a key held while the program ran must not stay down.
  if (machine_) machine_->HoldKey(petscii, false);
}

void DebugSession::setJoystick(int port, std::uint8_t bits) {
  if (machine_) machine_->SetJoystick(port, bits);
}

void DebugSession::setRunSpeed(qv3::debugger::RunSpeed speed) {
  if (speed == speed_) return;
  speed_ = speed;
  if (state_ != State::Running || !machine_) return;
  pacer_.restart(machine_->FrameCount(), clock_.elapsed());
  scheduleNextSlice();
}

void DebugSession::continueRun() {
  if (!canCommand()) return;
  control_.Continue();
  launch();
}

void DebugSession::stepInto() {
  if (!canCommand()) return;
  control_.StepInto();
  launch();
}

void DebugSession::stepOver() {
  if (!canCommand()) return;
  control_.StepOver(*machine_);
  launch();
}

void DebugSession::stepOut() {
  if (!canCommand()) return;
  control_.StepOut(*machine_);
  launch();
}

void DebugSession::runTo(std::uint16_t address) {
  if (!canCommand()) return;
  control_.RunTo(address);
  launch();
}

void DebugSession::pause() {
  if (state_ != State::Running) return;
  finish(control_.Pause());
}

void DebugSession::launch() {
  state_ = State::Running;
  emit stateChanged();
  // The first slice runs at once: a single step then stops before the event
  // loop is even asked.
  sinceProgress_.start();
  pacer_.restart(machine_->FrameCount(), clock_.elapsed());
  runSlice();
}

void DebugSession::runSlice() {
  if (state_ != State::Running || !machine_) return;
  const std::optional<qv3::debugger::Stop> stop = speed_ == qv3::debugger::RunSpeed::Real
                                                      ? runFramesDue()
                                                      : control_.RunSlice(*machine_, kInstructionsPerSlice);
  // Sound is heard at real speed only; a faster run drops what it made.
  const std::vector<std::int16_t> samples = machine_->TakeSoundSamples();
  if (speed_ == qv3::debugger::RunSpeed::Real) sound_.pushFrameSamples(samples);
  if (stop) {
    finish(*stop);
    return;
  }
  if (sinceProgress_.elapsed() >= kProgressMilliseconds) {
    sinceProgress_.restart();
    emit progressed();
  }
  if (state_ == State::Running) scheduleNextSlice();
}

std::optional<qv3::debugger::Stop> DebugSession::runFramesDue() {
  const std::uint64_t due = pacer_.framesDue(machine_->FrameCount(), clock_.elapsed());
  for (std::uint64_t frames = 0; frames <= qv3::debugger::FramePacer::kMostFramesBehind; ++frames) {
    const std::uint64_t before = machine_->FrameCount();
    if (before >= due) break;
    const std::optional<qv3::debugger::Stop> stop = control_.RunSlice(*machine_, kInstructionsPerSlice, before + 1);
    // The instruction that completed the frame may also be the one that
    // stops the run (a watched store): the frame is still complete.
    const bool frameDone = machine_->FrameCount() > before;
    if (frameDone) emit frameEmulated();
    if (stop) return stop;
    // A slice's instructions without the frame's end: the rest next time,
    // so the window still breathes.
    if (!frameDone) break;
  }
  return std::nullopt;
}

void DebugSession::scheduleNextSlice() {
  // As fast as possible: the next slice as soon as the events are handled;
  // at real speed, when the next frame is due.
  int wait = 0;
  if (speed_ == qv3::debugger::RunSpeed::Real)
    wait = pacer_.millisecondsUntilDue(machine_->FrameCount(), clock_.elapsed());
  timer_.setSingleShot(true);
  timer_.start(wait);
}

void DebugSession::finish(const qv3::debugger::Stop& stop) {
  timer_.stop();
  sound_.stop();
  lastStop_ = stop;
  previous_ = atStop_;
  atStop_ = machine_->State();
  state_ = stop.Kind == qv3::debugger::StopKind::Ended ? State::Ended : State::Stopped;
  emit stateChanged();
  emit stopped();
}
