// The debugger on code that macros made: a breakpoint in a macro's body
// stops at every expansion, Step Over on an invocation runs the whole
// expansion, Step Into shows the body's lines one by one.
#include <QAction>

#include "workbench/debugger/debugger_ui.h"
#include "debugger_fixture.h"

namespace {

// Line numbers (1-based) are given in the comments; tests name them.
const std::string kBumps =
    " ORIGIN $1000\r\n"    // 1
    "MACRO BUMP\r\n"       // 2
    " INX\r\n"             // 3
    " INY\r\n"             // 4
    "ENDMACRO\r\n"         // 5
    " LDX #0\r\n"          // 6
    " LDY #0\r\n"          // 7
    " BUMP\r\n"            // 8
    " BUMP\r\n"            // 9
    " LDA #$42\r\n"        // 10
    " RTS\r\n";            // 11

TEST_F(DebuggerTest, ABreakpointInAMacroBodyStopsAtEachExpansion) {
  runOnBareMachine();
  TfrmQVEdit& editor = openSource("bumps.qv3", kBumps);
  breakpoints(editor).toggle(3);  // line 4: INY
  startAndWait();
  EXPECT_EQ(breakpoints(editor).lines(), QList<int>{3}) << "a body line keeps its breakpoint";
  ASSERT_EQ(session().state(), State::Stopped);
  EXPECT_EQ(currentLine(editor), 4);
  EXPECT_EQ(cpu().X, 1);
  EXPECT_EQ(cpu().Y, 0);

  debugger().startOrContinue();  // the second expansion
  waitForStop();
  ASSERT_EQ(session().state(), State::Stopped);
  EXPECT_EQ(currentLine(editor), 4);
  EXPECT_EQ(cpu().X, 2);
  EXPECT_EQ(cpu().Y, 1);

  debugger().startOrContinue();
  waitForStop();
  EXPECT_EQ(session().state(), State::Ended);
}

TEST_F(DebuggerTest, StepOverRunsAWholeMacroAndStepIntoWalksItsBody) {
  runOnBareMachine();
  TfrmQVEdit& editor = openSource("bumps.qv3", kBumps);
  breakpoints(editor).toggle(7);  // line 8: the first BUMP
  startAndWait();
  ASSERT_EQ(currentLine(editor), 8);

  debugger().StepOver->trigger();
  waitForStop();
  EXPECT_EQ(currentLine(editor), 9) << "both of BUMP's instructions ran in one step";
  EXPECT_EQ(cpu().X, 1);
  EXPECT_EQ(cpu().Y, 1);

  debugger().StepInto->trigger();  // enters the body: nothing runs yet
  EXPECT_EQ(currentLine(editor), 3);
  EXPECT_EQ(cpu().X, 1);
  debugger().StepInto->trigger();
  waitForStop();
  EXPECT_EQ(currentLine(editor), 4);
  EXPECT_EQ(cpu().X, 2);
  debugger().StepInto->trigger();  // out of the body, back to the module's lines
  waitForStop();
  EXPECT_EQ(currentLine(editor), 10);
  EXPECT_EQ(cpu().Y, 2);
}

}  // namespace
