#include "workbench/debugger/debug_session.h"

#include "plus4/ted_sound.h"

DebugSession::DebugSession(QObject* parent) : QObject(parent), sound_(qv3::plus4::TedSound::kSampleRate) {
  timer_.setInterval(0);
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
  runSlice();
  if (state_ == State::Running) timer_.start();
}

void DebugSession::runSlice() {
  if (state_ != State::Running || !machine_) return;
  std::optional<qv3::debugger::Stop> stop = control_.RunSlice(*machine_, kInstructionsPerSlice);
  sound_.pushFrameSamples(machine_->TakeSoundSamples());
  if (stop) {
    finish(*stop);
  } else if (sinceProgress_.elapsed() >= kProgressMilliseconds) {
    sinceProgress_.restart();
    emit progressed();
  }
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
