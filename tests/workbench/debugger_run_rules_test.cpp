// SPDX-License-Identifier: GPL-3.0-or-later
// The run-control rules without Qt, on the project's CPU core with an
// interrupt line and a made-up raster: Step Over across an interrupt entry,
// data breakpoints and what they see through each addressing mode, the
// raster-line stop, Run to's own stop; and the stack rows and the keys for
// GETIN that the panes are built from.
#include <gtest/gtest.h>

#include <Qt>

#include "cpu/cpu6502.h"
#include "workbench/debugger/operand_access.h"
#include "workbench/debugger/run_control.h"
#include "workbench/debugger/screen_keys.h"
#include "workbench/debugger/stack_rows.h"

namespace {

using qv3::debugger::RunControl;
using qv3::debugger::Stop;
using qv3::debugger::StopKind;

// The core with an IRQ line the test raises, and a raster that advances one
// line every 50 cycles of 312 (or none, as on the bare machine).
class CoreMachine final : public qv3::debugger::Machine {
 public:
  explicit CoreMachine(bool hasRaster = false) : hasRaster_(hasRaster) {}
  qv3::cpu::Cpu6502 core;
  bool irqRaised = false;  // taken after the next instruction while I is clear
  // As the Plus/4 model does: the raised IRQ is taken as a step of its own,
  // before the instruction at PC.
  bool irqBeforeInstruction = false;

  qv3::debugger::MachineState State() const override {
    const auto& r = core.Registers;
    return {r.PC, r.A, r.X, r.Y, r.SP, r.P, core.Cycles};
  }
  void SetState(const qv3::debugger::MachineState& s) override {
    core.Registers = {s.PC, s.A, s.X, s.Y, s.SP, s.P};
  }
  void Poke(std::uint16_t address, std::uint8_t value) override { core.Memory[address] = value; }
  void TypeKey(std::uint8_t) override {}
  const std::array<std::uint8_t, 0x10000>& Ram() const override { return core.Memory; }
  bool StoredToTed(std::uint8_t) const override { return false; }
  qv3::plus4::TedRegisters TedState() const override { return {}; }
  std::string Kind() const override { return "test core"; }
  std::optional<int> RasterLine() const override {
    if (!hasRaster_) return std::nullopt;
    return static_cast<int>(core.Cycles / 50 % 312);
  }
  bool EnteredInterrupt() const override { return entered_; }
  bool EnteredInsteadOfInstruction() const override { return irqBeforeInstruction; }
  std::optional<std::string> Step() override {
    entered_ = false;
    if (irqBeforeInstruction && irqRaised && core.Irq()) {
      irqRaised = false;
      entered_ = true;
      return std::nullopt;
    }
    if (core.Step() != qv3::cpu::StepOutcome::Ok) return std::string("stopped");
    if (irqRaised && core.Irq()) {
      irqRaised = false;
      entered_ = true;
    }
    return std::nullopt;
  }
  void load(std::uint16_t at, std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) core.Memory[at++] = b;
  }

 private:
  bool hasRaster_;
  bool entered_ = false;
};

// $1000 CLI; $1001 NOP; $1002 JSR $1100; $1005 NOP; $1006 JMP $1001
// $1100 NOP; $1101 RTS
// IRQ handler at $2000: INC $3000; RTI
void LoadInterruptProgram(CoreMachine& m) {
  m.load(0x1000, {0x58, 0xEA, 0x20, 0x00, 0x11, 0xEA, 0x4C, 0x01, 0x10});
  m.load(0x1100, {0xEA, 0x60});
  m.load(0x2000, {0xEE, 0x00, 0x30, 0x40});
  m.load(qv3::cpu::kIrqVector, {0x00, 0x20});
  m.core.Registers.PC = 0x1000;
  m.core.Registers.SP = 0xFD;
}

Stop RunToStop(RunControl& control, qv3::debugger::Machine& machine) {
  const std::optional<Stop> stop = control.RunSlice(machine, 100000);
  EXPECT_TRUE(stop.has_value()) << "the run did not stop";
  return stop.value_or(Stop{StopKind::Paused, {}});
}

TEST(DebuggerRunRules, StepOverRunsAnInterruptTakenOnTheWayWholeAndStepIntoEntersIt) {
  CoreMachine m;
  LoadInterruptProgram(m);
  RunControl control;
  control.SetBreakpoints({0x1001});
  control.Start();
  ASSERT_EQ(RunToStop(control, m).Kind, StopKind::Breakpoint);
  control.SetBreakpoints({});

  // A plain instruction, and the IRQ arrives right after it.
  m.irqRaised = true;
  control.StepOver(m);
  EXPECT_EQ(RunToStop(control, m).Kind, StopKind::StepDone);
  EXPECT_EQ(m.core.Registers.PC, 0x1002) << "stopped after the NOP, not in the handler";
  EXPECT_EQ(m.core.Memory[0x3000], 1) << "the handler ran within the step";
  EXPECT_EQ(m.core.Registers.SP, 0xFD);

  // A JSR whose routine is interrupted: still one step, back after the JSR.
  m.irqRaised = true;
  control.StepOver(m);
  EXPECT_EQ(RunToStop(control, m).Kind, StopKind::StepDone);
  EXPECT_EQ(m.core.Registers.PC, 0x1005);
  EXPECT_EQ(m.core.Memory[0x3000], 2);

  // Step Into goes where the CPU goes: into the handler; Step Out leaves it.
  m.irqRaised = true;
  control.StepInto();
  EXPECT_EQ(RunToStop(control, m).Kind, StopKind::StepDone);
  EXPECT_EQ(m.core.Registers.PC, 0x2000);
  control.StepOut(m);
  EXPECT_EQ(RunToStop(control, m).Kind, StopKind::StepDone);
  EXPECT_EQ(m.core.Registers.PC, 0x1006) << "the RTI returned to the interrupted program";

  // A breakpoint inside the handler stops a Step Over there.
  control.SetBreakpoints({0x2000});
  m.irqRaised = true;
  control.StepOver(m);  // JMP $1001, then the IRQ
  EXPECT_EQ(RunToStop(control, m).Kind, StopKind::Breakpoint);
  EXPECT_EQ(m.core.Registers.PC, 0x2000);
}

TEST(DebuggerRunRules, AnInterruptTakenBeforeTheInstructionNeitherEndsAStepNorRepeatsABreakpoint) {
  CoreMachine m;
  m.irqBeforeInstruction = true;
  LoadInterruptProgram(m);
  RunControl control;
  control.SetBreakpoints({0x1001});
  control.Start();
  ASSERT_EQ(RunToStop(control, m).Kind, StopKind::Breakpoint);

  // The handler runs first, whole; the step ends after the NOP it was for.
  m.irqRaised = true;
  control.StepOver(m);
  EXPECT_EQ(RunToStop(control, m).Kind, StopKind::StepDone);
  EXPECT_EQ(m.core.Registers.PC, 0x1002);
  EXPECT_EQ(m.core.Memory[0x3000], 1);
  // Over a JSR alike.
  m.irqRaised = true;
  control.StepOver(m);
  EXPECT_EQ(RunToStop(control, m).Kind, StopKind::StepDone);
  EXPECT_EQ(m.core.Registers.PC, 0x1005);
  EXPECT_EQ(m.core.Memory[0x3000], 2);
  // Step Into stops at the handler's first instruction, the NOP still to run.
  m.irqRaised = true;
  control.StepInto();
  EXPECT_EQ(RunToStop(control, m).Kind, StopKind::StepDone);
  EXPECT_EQ(m.core.Registers.PC, 0x2000);
  control.StepOut(m);
  EXPECT_EQ(RunToStop(control, m).Kind, StopKind::StepDone);
  EXPECT_EQ(m.core.Registers.PC, 0x1005) << "back before the NOP";

  // Continue from a breakpoint: the handler returns to its instruction,
  // which is not a stop again; the next time round it is.
  control.SetBreakpoints({0x1005});
  m.irqRaised = true;
  control.Continue();
  const std::uint64_t cycles = m.core.Cycles;
  EXPECT_EQ(RunToStop(control, m).Kind, StopKind::Breakpoint);
  EXPECT_EQ(m.core.Registers.PC, 0x1005);
  EXPECT_EQ(m.core.Memory[0x3000], 4);
  EXPECT_GT(m.core.Cycles, cycles + 20) << "it went round the loop, not straight back";
}

TEST(DebuggerRunRules, RunToReportsReachingItsTargetApartFromABreakpointOnTheWay) {
  CoreMachine m;
  LoadInterruptProgram(m);
  RunControl control;
  control.SetBreakpoints({0x1100});
  control.StartTo(0x1005);
  EXPECT_EQ(RunToStop(control, m).Kind, StopKind::Breakpoint);
  control.RunTo(0x1005);
  EXPECT_EQ(RunToStop(control, m).Kind, StopKind::Reached);
  EXPECT_EQ(m.core.Registers.PC, 0x1005);
  // A breakpoint on the target itself: the run was to there.
  control.SetBreakpoints({0x1001});
  control.RunTo(0x1001);
  EXPECT_EQ(RunToStop(control, m).Kind, StopKind::Reached);
}

TEST(DebuggerRunRules, DataBreakpointsStopAfterTheInstructionThatTouchedTheAddress) {
  CoreMachine m;
  // $1000 LDX #$19; LDA $FF19 (read); STA $FF00,X (write through an index);
  // LDY #$02; STA ($FB),Y with $FB/$FC = $FF17; INC $FF19; JAM
  m.load(0x1000, {0xA2, 0x19, 0xAD, 0x19, 0xFF, 0x9D, 0x00, 0xFF, 0xA0, 0x02, 0x91, 0xFB, 0xEE, 0x19, 0xFF, 0x02});
  m.load(0xFB, {0x17, 0xFF});
  m.core.Registers.PC = 0x1000;
  RunControl control;
  control.SetWatches({{0xFF19, false, true}});
  control.Start();
  Stop stop = RunToStop(control, m);
  EXPECT_EQ(stop.Kind, StopKind::Watch);
  EXPECT_TRUE(stop.Write);
  EXPECT_EQ(stop.Address, 0xFF19);
  EXPECT_EQ(stop.By, 0x1005) << "the read by LDA did not stop a write watch";
  EXPECT_EQ(m.core.Registers.PC, 0x1008) << "the store has run";

  control.Continue();
  stop = RunToStop(control, m);
  EXPECT_EQ(stop.By, 0x100A) << "(zp),Y reaches $FF17 + 2";
  control.Continue();
  stop = RunToStop(control, m);
  EXPECT_EQ(stop.By, 0x100C) << "INC writes";
  EXPECT_TRUE(stop.Write);

  // A read watch from the start: the LDA, and INC's read of the same byte.
  m.core.Registers.PC = 0x1000;
  control.SetWatches({{0xFF19, true, false}});
  control.Continue();
  stop = RunToStop(control, m);
  EXPECT_EQ(stop.By, 0x1002);
  EXPECT_FALSE(stop.Write);
  control.Continue();
  EXPECT_EQ(RunToStop(control, m).By, 0x100C);
  control.SetWatches({});
  control.Continue();
  EXPECT_EQ(RunToStop(control, m).Kind, StopKind::Ended);
}

TEST(DebuggerRunRules, OperandAccessFollowsEachAddressingModeAndItsWraps) {
  std::array<std::uint8_t, 0x10000> memory{};
  const auto at = [&memory](std::uint16_t pc, std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) memory[pc++] = b;
  };
  qv3::debugger::MachineState state;
  state.PC = 0x1000;
  state.X = 0x10;
  state.Y = 0x20;
  const auto access = [&] { return qv3::debugger::AccessOf(memory, state); };

  at(0x1000, {0xB5, 0xF8});  // LDA $F8,X: wraps in the zero page to $08
  EXPECT_EQ(access()->Address, 0x0008);
  EXPECT_TRUE(access()->Reads && !access()->Writes);
  at(0x1000, {0xBD, 0xF8, 0xFF});  // LDA $FFF8,X: wraps past $FFFF
  EXPECT_EQ(access()->Address, 0x0008);
  at(0x1000, {0x81, 0xEF});  // STA ($EF,X): pointer at $FF, high byte from $00
  memory[0xFF] = 0x34;
  memory[0x00] = 0x12;
  EXPECT_EQ(access()->Address, 0x1234);
  EXPECT_TRUE(access()->Writes && !access()->Reads);
  at(0x1000, {0x1E, 0x00, 0x30});  // ASL $3000,X: reads and writes
  EXPECT_TRUE(access()->Reads && access()->Writes);
  for (const std::uint8_t noData : {0x0A, 0xA9, 0x4C, 0x20, 0x6C, 0xD0, 0xEA})  // ASL A, LDA #, JMP, JSR, JMP (), BNE, NOP
  {
    at(0x1000, {noData, 0x00, 0x30});
    EXPECT_FALSE(access().has_value()) << int(noData);
  }
}

TEST(DebuggerRunRules, TheRasterStopComesWhenTheLineTurnsAndNeverWithoutARaster) {
  CoreMachine m(true);
  m.load(0x1000, {0xEA, 0x4C, 0x00, 0x10});  // NOP; JMP $1000: 5 cycles a round
  m.core.Registers.PC = 0x1000;
  RunControl control;
  control.SetRasterBreak(7);
  control.Start();
  EXPECT_EQ(RunToStop(control, m).Kind, StopKind::Raster);
  EXPECT_EQ(m.RasterLine(), 7);
  const std::uint64_t first = m.core.Cycles;
  // Still on line 7: Continue goes on to line 7 of the next frame.
  control.Continue();
  EXPECT_EQ(RunToStop(control, m).Kind, StopKind::Raster);
  EXPECT_GE(m.core.Cycles - first, 312u * 50 - 5);

  CoreMachine bare(false);
  bare.load(0x1000, {0xEA, 0x4C, 0x00, 0x10});
  bare.core.Registers.PC = 0x1000;
  control.Start();
  EXPECT_FALSE(control.RunSlice(bare, 50000).has_value()) << "no raster, no raster stop";
  EXPECT_TRUE(control.IsRunning());
}

TEST(DebuggerRunRules, StackRowsFindReturnAddressesOnlyWhereAJsrPrecedesThem) {
  std::array<std::uint8_t, 0x10000> memory{};
  memory[0x1003] = 0x20;  // JSR at $1003: pushes $1005, returns to $1006
  // SP = $F9: the top is $01FA. $01FA/$01FB hold a pushed $42 and $10,
  // $01FC/$01FD the JSR's $1005, $01FE/$01FF a pair with no JSR before it.
  const std::uint8_t stack[] = {0x42, 0x10, 0x05, 0x10, 0x05, 0x20};
  for (int i = 0; i < 6; ++i) memory[0x1FA + i] = stack[i];
  memory[0x1F8] = 0x05;  // below the top: free, never a return address
  memory[0x1F9] = 0x10;
  const auto rows = qv3::debugger::StackRows(memory, 0xF9, [](std::uint16_t a) {
    return a == 0x1006 ? std::string("MAIN+3") : std::string();
  });
  ASSERT_EQ(rows.size(), 4u + 6u);
  EXPECT_EQ(rows.front().Address, 0x1F6);
  EXPECT_TRUE(rows[3].Free);
  EXPECT_FALSE(rows[3].ReturnAddress);
  EXPECT_TRUE(rows[4].IsTop);
  EXPECT_EQ(rows[4].Address, 0x1FA);
  // $42 $10 is $1042, with no JSR at $1040; the JSR pair starts one byte on.
  EXPECT_FALSE(rows[4].ReturnAddress);
  EXPECT_FALSE(rows[5].ReturnAddress) << "$10 $05 is $0510: no JSR at $050E";
  EXPECT_TRUE(rows[6].ReturnAddress);
  EXPECT_EQ(rows[6].ReturnsTo, 0x1006);
  EXPECT_EQ(rows[6].Name, "MAIN+3");
  EXPECT_FALSE(rows[7].ReturnAddress) << "the high byte belongs to the pair";
  EXPECT_FALSE(rows[8].ReturnAddress);

  // An empty stack lists only free bytes.
  for (const auto& row : qv3::debugger::StackRows(memory, 0xFF, {})) EXPECT_TRUE(row.Free);
}

TEST(DebuggerRunRules, KeysForGetinAreThePlus4sPetscii) {
  using qv3::debugger::PetsciiOfKey;
  EXPECT_EQ(PetsciiOfKey(Qt::Key_A, "a", false), 0x41) << "an unshifted letter";
  EXPECT_EQ(PetsciiOfKey(Qt::Key_A, "A", true), 0xC1) << "a shifted letter";
  EXPECT_EQ(PetsciiOfKey(Qt::Key_1, "1", false), '1');
  EXPECT_EQ(PetsciiOfKey(Qt::Key_Return, "\r", false), 0x0D);
  EXPECT_EQ(PetsciiOfKey(Qt::Key_Backspace, "\b", false), 0x14);
  EXPECT_EQ(PetsciiOfKey(Qt::Key_Home, "", false), 0x13);
  EXPECT_EQ(PetsciiOfKey(Qt::Key_Home, "", true), 0x93) << "Shift+Home clears";
  EXPECT_EQ(PetsciiOfKey(Qt::Key_Left, "", false), 0x9D);
  EXPECT_FALSE(PetsciiOfKey(Qt::Key_F7, "", false).has_value()) << "left to the Debug menu";
  EXPECT_FALSE(PetsciiOfKey(Qt::Key_unknown, "\xE9", false).has_value());
}

}  // namespace
