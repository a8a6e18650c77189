// A program under the debugger: the machine it runs on, the stepping rules,
// and the timer that runs it a slice of instructions at a time so the window
// keeps painting and Pause is heard while it runs: as fast as it goes, or at
// real speed, one emulated frame at a time, 50 a second.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "workbench/debugger/frame_pacer.h"
#include "workbench/debugger/run_control.h"
#include "workbench/debugger/sound_output.h"

class DebugSession : public QObject {
  Q_OBJECT
 public:
  enum class State { NoProgram, Running, Stopped, Ended };
  // About a millisecond of work for the core; small enough that the event
  // loop runs many times a second, large enough that the timer costs nothing.
  static constexpr std::size_t kInstructionsPerSlice = 50000;
  // How often a running program shows how far it has got.
  static constexpr int kProgressMilliseconds = 200;

  explicit DebugSession(QObject* parent = nullptr);
  ~DebugSession() override;

  // Takes the machine, ready at the program's start, and runs it until the
  // first stop (or, with runTo, until it reaches that address).
  void begin(std::unique_ptr<qv3::debugger::Machine> machine,
             std::optional<std::uint16_t> runTo = std::nullopt);
  // Stop: the program is discarded.
  void end();

  void setBreakpoints(const std::vector<std::uint16_t>& addresses);
  bool hasBreakpoint(std::uint16_t address) const { return control_.HasBreakpoint(address); }
  void setWatches(const std::vector<qv3::debugger::Watch>& watches) { control_.SetWatches(watches); }
  const std::vector<qv3::debugger::Watch>& watches() const { return control_.Watches(); }
  void setRasterBreak(std::optional<int> line) { control_.SetRasterBreak(line); }
  std::optional<int> rasterBreak() const { return control_.RasterBreak(); }

  // Edits of the machine, only while Stopped; false otherwise.
  bool setMachineState(const qv3::debugger::MachineState& state);
  bool poke(std::uint16_t address, std::uint8_t value);
  // Whether the machine ends the program at undocumented opcodes; at any time.
  void setStopAtUndocumented(bool stop) {
    if (machine_) machine_->SetStopAtUndocumented(stop);
  }
  // A key for the program, while it runs or is stopped.
  void typeKey(std::uint8_t petscii);
  // A key of the Screen pane going down or up: while the program runs it is
  // held on the machine's keyboard until it goes up; typed while stopped, it
  // waits for the program as typeKey's keys do.
  void keyDown(std::uint8_t petscii);
  void keyUp(std::uint8_t petscii);
  // The joystick in port 1 or 2 as the Screen pane's keys move it.
  void setJoystick(int port, std::uint8_t bits);

  // Real speed or as fast as possible; a running program changes pace at once.
  void setRunSpeed(qv3::debugger::RunSpeed speed);
  qv3::debugger::RunSpeed runSpeed() const { return speed_; }

  // Only while Stopped; ignored otherwise.
  void continueRun();
  void stepInto();
  void stepOver();
  void stepOut();
  void runTo(std::uint16_t address);
  // Only while Running.
  void pause();

  State state() const { return state_; }
  const qv3::debugger::Machine* machine() const { return machine_.get(); }
  // How the last run ended.
  const qv3::debugger::Stop& lastStop() const { return lastStop_; }
  // The machine at the stop before the last (at the start for the first).
  std::optional<qv3::debugger::MachineState> previousStop() const { return previous_; }

 signals:
  void stateChanged();
  // The machine has stopped (State Stopped) or the program has ended.
  void stopped();
  // A running program, every kProgressMilliseconds.
  void progressed();
  // A run at real speed has completed an emulated frame: the one place
  // per frame for what follows the machine's pace (sound, the picture).
  void frameEmulated();

 private:
  bool canCommand() const { return state_ == State::Stopped && machine_; }
  void launch();
  void runSlice();
  // Runs the frames the clock allows, one at a time; the stop if one came.
  std::optional<qv3::debugger::Stop> runFramesDue();
  void scheduleNextSlice();
  void finish(const qv3::debugger::Stop& stop);

  std::unique_ptr<qv3::debugger::Machine> machine_;
  qv3::debugger::RunControl control_;
  QTimer timer_;
  SoundOutput sound_;
  QElapsedTimer sinceProgress_;
  QElapsedTimer clock_;  // the pacer's milliseconds
  qv3::debugger::FramePacer pacer_;
  qv3::debugger::RunSpeed speed_ = qv3::debugger::RunSpeed::Real;
  State state_ = State::NoProgram;
  qv3::debugger::Stop lastStop_;
  std::optional<qv3::debugger::MachineState> previous_;
  std::optional<qv3::debugger::MachineState> atStop_;
};
