// The debugger's rules for running a program: where it stops (breakpoints,
// the end of a step, step over, step out, run to an address) while it runs in
// slices of instructions, so the window can breathe between slices. Plain
// C++ over a small machine interface: the rules can be checked without Qt and
// against any machine that executes one instruction at a time.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "plus4/frame_buffer.h"
#include "plus4/ted_register_text.h"

namespace qv3::debugger {

struct MachineState {
  std::uint16_t PC = 0;
  std::uint8_t A = 0, X = 0, Y = 0, SP = 0, P = 0;
  std::uint64_t Cycles = 0;
};

// A data breakpoint: stop after an instruction that reads or writes Address.
struct Watch {
  std::uint16_t Address = 0;
  bool OnRead = false;
  bool OnWrite = true;
  bool operator==(const Watch&) const = default;
};

// A watched address an instruction touched.
struct WatchedAccess {
  std::uint16_t Address = 0;
  bool Write = false;
};

// What the rules need from a machine.
class Machine {
 public:
  virtual ~Machine() = default;
  virtual MachineState State() const = 0;
  // While stopped, the user edits the machine: PC, A, X, Y, SP and P from
  // state (its Cycles are kept), a byte of the 64 KB.
  virtual void SetState(const MachineState& state) = 0;
  virtual void Poke(std::uint16_t address, std::uint8_t value) = 0;
  // A key typed for the program (PETSCII); what reads the keyboard gets it.
  virtual void TypeKey(std::uint8_t petscii) = 0;
  // Whether Step ends the program at an undocumented opcode instead of
  // running it as the 8501 does (JAM ends it either way).
  virtual void SetStopAtUndocumented(bool /*stop*/) {}
  // The TED's raster line, on a machine that has one.
  virtual std::optional<int> RasterLine() const { return std::nullopt; }
  // The cycle within the raster line, likewise.
  virtual std::optional<int> RasterCycle() const { return std::nullopt; }
  // The TED's registers as the TED pane decodes them.
  virtual plus4::TedRegisters TedState() const = 0;
  // The TED's last complete picture, on a machine that draws one.
  virtual const plus4::FrameBuffer* Frame() const { return nullptr; }
  // Which machine this is, for the status line: "Plus/4 model", "bare 6502".
  virtual std::string Kind() const = 0;
  // Whether the last Step entered an interrupt handler (PC now at the
  // handler, its return frame and whatever the entry code pushed on the
  // stack). The interrupt is left by the first RTI run with SP no deeper
  // than SP right after the entry.
  virtual bool EnteredInterrupt() const { return false; }
  // Whether that entry was all the last Step did: the interrupt was taken
  // before the instruction at PC, which has still to run (as on the Plus/4
  // model); otherwise the instruction ran and the interrupt came after it.
  virtual bool EnteredInsteadOfInstruction() const { return false; }
  // Where the P byte of each interrupt frame still on the stack is ($01xx),
  // on a machine that knows (it took the interrupts).
  virtual std::vector<std::uint16_t> InterruptFrames() const { return {}; }
  // A machine that watches its own bus sees every data access an
  // instruction makes (stack, interrupt entry and indirect pointers too);
  // without that the rules work the access out from the operand.
  virtual bool WatchesItsBus() const { return false; }
  virtual void SetWatches(const std::vector<Watch>& /*watches*/) {}
  // The first watched access of the last Step, a write before a read.
  virtual std::optional<WatchedAccess> WatchHit() const { return std::nullopt; }
  // The 64 KB the program sees.
  virtual const std::array<std::uint8_t, 0x10000>& Ram() const = 0;
  // A byte as the CPU reads it (a machine with banking overrides it).
  virtual std::uint8_t Peek(std::uint16_t address) const { return Ram()[address]; }
  // Whether the program has stored into the TED register $FF00 + reg. The
  // simulator has no TED: its registers are RAM that starts at zero, where a
  // real machine's KERNAL would have set them, so a zero there may mean either.
  virtual bool StoredToTed(std::uint8_t reg) const = 0;
  // Executes one instruction; the text of the reason when the program ended
  // with it (it ran off, hit BRK, a JAM ...). The machine is left as it stopped.
  virtual std::optional<std::string> Step() = 0;
  // The sound samples (16-bit mono at 44100 a second) the machine made since
  // the last call; none on a machine without sound.
  virtual std::vector<std::int16_t> TakeSoundSamples() { return {}; }

  // Frames completed since the start: the TED's on a machine that has one,
  // else the cycles counted in frames of a PAL Plus/4's single clock, so a
  // run at real speed paces both machines alike.
  virtual std::uint64_t FrameCount() const { return State().Cycles / kCyclesPerBareFrame; }
  // A key held down while the program runs (PETSCII, as TypeKey): a program
  // that scans the keyboard sees it down until it is let go. A machine
  // without a keyboard takes its character when it goes down.
  virtual void HoldKey(std::uint8_t petscii, bool down) {
    if (down) TypeKey(petscii);
  }
  // The joystick in port 1 or 2 (plus4::JoystickBit bits), on a machine
  // with joystick ports.
  virtual void SetJoystick(int /*port*/, std::uint8_t /*bits*/) {}

  // 312 lines of 57 single-clock cycles.
  static constexpr std::uint64_t kCyclesPerBareFrame = 312 * 57;
};

enum class StopKind {
  Breakpoint,  // PC reached a breakpoint
  Reached,     // PC reached the target of Run to
  StepDone,    // a step, step over or step out has finished
  Paused,      // the user asked
  Watch,       // an instruction read or wrote a watched address
  Raster,      // the raster reached the line asked for
  Ended,       // the program ended; Reason says how
};

struct Stop {
  StopKind Kind = StopKind::StepDone;
  std::string Reason;  // for Ended: the machine's text
  // For Watch: the access and the instruction that made it.
  std::uint16_t Address = 0;
  bool Write = false;
  std::uint16_t By = 0;
};

class RunControl {
 public:
  // The addresses where a run stops before executing the instruction there.
  void SetBreakpoints(const std::vector<std::uint16_t>& addresses);
  bool HasBreakpoint(std::uint16_t address) const { return breakpoints_.test(address); }
  void SetWatches(const std::vector<Watch>& watches);
  const std::vector<Watch>& Watches() const { return watches_; }
  // Stops when the raster counter turns to line (none: never); on a machine
  // without a raster it never stops.
  void SetRasterBreak(std::optional<int> line) { rasterBreak_ = line; }
  std::optional<int> RasterBreak() const { return rasterBreak_; }

  // Each command below sets up a run; RunSlice carries it out. A run that
  // starts on a breakpoint executes that instruction before looking again,
  // except the first run of a program (Start): a breakpoint on the first
  // instruction stops it at once.
  void Start();
  void Continue();
  void StepInto();
  // A JSR runs until it has returned to the instruction after it with the
  // stack as it was (so a recursive call returning to the same address does
  // not end the step early); any other instruction is a step into. An
  // interrupt taken on the way runs whole, up to the RTI that leaves it.
  void StepOver(const Machine& machine);
  // Runs until the RTS (or RTI) that leaves the routine the program is in now:
  // one executed with the stack no deeper than now.
  void StepOut(const Machine& machine);
  // Runs until PC reaches address (breakpoints on the way stop it first).
  void RunTo(std::uint16_t address);
  // Start, but running to address as RunTo does.
  void StartTo(std::uint16_t address);

  bool IsRunning() const { return mode_ != Mode::Idle; }
  // Ends the run where it is; the stop to report.
  Stop Pause();

  // Executes at most maxInstructions of the current run. The stop when the run
  // ended in this slice; nothing while it goes on (call again) or when idle.
  std::optional<Stop> RunSlice(Machine& machine, std::size_t maxInstructions);
  // The same, ending the slice early (without a stop) as soon as the
  // machine's FrameCount() has reached frameLimit: a run at real speed
  // runs one frame at a time.
  std::optional<Stop> RunSlice(Machine& machine, std::size_t maxInstructions, std::uint64_t frameLimit);

 private:
  enum class Mode { Idle, Free, Into, Over, Out, To };
  void begin(Mode mode, bool mayStopAtFirst);
  bool stopsBefore(std::uint16_t pc) const;
  std::optional<Stop> predictedWatchHit(const Machine& machine, std::uint16_t pc) const;

  std::bitset<65536> breakpoints_;
  std::vector<Watch> watches_;
  std::bitset<65536> watchedReads_, watchedWrites_;
  std::optional<int> rasterBreak_;
  // Over: SP right after the entry of each interrupt entered during the
  // step and not yet left.
  std::vector<std::uint8_t> interruptFrames_;
  Mode mode_ = Mode::Idle;
  bool firstInstruction_ = false;  // the next instruction is the run's first
  bool mayStopAtFirst_ = false;
  // Where the run began (PC, SP) while that instruction has not run yet: an
  // interrupt taken before it must not stop the run at its breakpoint again
  // when the handler returns there.
  std::optional<std::pair<std::uint16_t, std::uint8_t>> notYetRun_;
  // Over: the instruction stepped over has run (at the step's own level).
  bool stepRan_ = false;
  bool watchesChanged_ = true;  // the machine has still to be told
  static constexpr std::uint64_t kNoFrameLimit = ~std::uint64_t{0};
  static constexpr std::int32_t kNoReturn = -1;  // Over of an instruction that is no JSR
  std::int32_t returnAddress_ = kNoReturn;  // Over: where the JSR returns to
  std::uint8_t frameStack_ = 0;      // Over, Out: SP when the step began
  std::uint16_t target_ = 0;         // To
};

// Opcodes the rules look at.
inline constexpr std::uint8_t kJsrOpcode = 0x20;
inline constexpr std::uint8_t kRtsOpcode = 0x60;
inline constexpr std::uint8_t kRtiOpcode = 0x40;

}  // namespace qv3::debugger
