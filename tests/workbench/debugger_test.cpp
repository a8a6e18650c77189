// The debugger in the workbench, on programs assembled by the real compile
// and run by the real core: breakpoints and where they move, the stepping
// rules (over, out, run to cursor), Pause of a program that never ends, the
// current line in the module's editor, and the menu's keys.
#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTextBlock>

#include "workbench/editor/code_editor.h"
#include "workbench/debugger/breakpoint_store.h"
#include "workbench/debugger/debugger_ui.h"
#include "workbench/debugger/disassembly_pane.h"
#include "workbench/debugger/registers_pane.h"
#include "debugger_fixture.h"

namespace {

// Line numbers (1-based) are given in the comments; tests name them.
const std::string kNested =
    " ORIGIN $1000\r\n"    // 1
    "START: LDX #3\r\n"    // 2
    " JSR OUTER\r\n"       // 3
    " LDA #$42\r\n"        // 4
    " STA $2000\r\n"       // 5
    " RTS\r\n"             // 6
    "OUTER: INX\r\n"       // 7
    " JSR INNER\r\n"       // 8
    " INY\r\n"             // 9
    " RTS\r\n"             // 10
    "\r\n"                 // 11
    "// the inner one\r\n" // 12
    "INNER: LDA #1\r\n"    // 13
    " RTS\r\n";            // 14

// COUNT calls itself until X is 0; every call returns to the INY, which
// counts the returns in Y.
const std::string kRecursive =
    " ORIGIN $1000\r\n"    // 1
    " LDX #3\r\n"          // 2
    " JSR COUNT\r\n"       // 3
    " RTS\r\n"             // 4
    "COUNT: DEX\r\n"       // 5
    " BEQ DONE\r\n"        // 6
    " JSR COUNT\r\n"       // 7
    " INY\r\n"             // 8
    "DONE: RTS\r\n";       // 9

const std::string kEndless =
    " ORIGIN $1000\r\n"    // 1
    "LOOP: INC $2000\r\n"  // 2
    " INC $2001\r\n"       // 3
    " JMP LOOP\r\n";       // 4

TEST_F(DebuggerTest, BreakpointsMoveToTheNextLineWithCodeAndStopTheProgramThere) {
  TfrmQVEdit& editor = openSource("nested.qv3", kNested);
  breakpoints(editor).toggle(10);  // line 11: empty, then a comment, then INNER
  breakpoints(editor).toggle(5);   // line 6: RTS, has code
  startAndWait();

  EXPECT_EQ(breakpoints(editor).lines(), (QList<int>{5, 12})) << "moved to INNER's line";
  EXPECT_TRUE(breakpoints(editor).unplaced().isEmpty());
  EXPECT_EQ(code(editor).gutterMarks(QStringLiteral("breakpoints")).keys(), (QList<int>{5, 12}));
  ASSERT_EQ(session().state(), State::Stopped);
  EXPECT_EQ(session().lastStop().Kind, qv3::debugger::StopKind::Breakpoint);
  EXPECT_EQ(currentLine(editor), 13);
  EXPECT_EQ(cpu().X, 4) << "LDX #3 and OUTER's INX ran before";

  // Continue leaves the breakpoint it stands on and runs to the next one.
  debugger().startOrContinue();
  waitForStop();
  EXPECT_EQ(currentLine(editor), 6);
  EXPECT_EQ(cpu().A, 0x42);
  EXPECT_TRUE(debugger().statusText().startsWith("Breakpoint at $"));

  // One past the last code has nowhere to go: it stays, grey, and stops nothing.
  breakpoints(editor).toggle(14);
  EXPECT_EQ(breakpoints(editor).unplaced(), QList<int>{14});
  EXPECT_EQ(code(editor).gutterMarks(QStringLiteral("breakpoints")).value(14).colour, QColor(0xA0, 0xA0, 0xA0));
  debugger().startOrContinue();
  waitForStop();
  EXPECT_EQ(session().state(), State::Ended);
  EXPECT_EQ(currentLine(editor), 0) << "an ended program has no current line";
  EXPECT_TRUE(debugger().statusText().startsWith("Program ended:"));
}

TEST_F(DebuggerTest, ABreakpointIsToggledByTheGutterAndByItsKeyOnTheCaretLine) {
  TfrmQVEdit& editor = openSource("nested.qv3", kNested);
  CodeEditor& memo = code(editor);
  debugger();  // hooked to the editor as it was activated
  const QTextBlock line4 = memo.document()->findBlockByNumber(3);
  const QPoint inGutter(memo.lineNumberArea()->width() / 2, memo.cursorRect(QTextCursor(line4)).center().y());
  ASSERT_EQ(memo.lineAtGutterPoint(inGutter), 3);
  QTest::mouseClick(memo.lineNumberArea(), Qt::LeftButton, {}, inGutter);
  EXPECT_EQ(breakpoints(editor).lines(), QList<int>{3});

  QTextCursor caret(memo.document()->findBlockByNumber(7));
  memo.setTextCursor(caret);
  memo.setFocus();
  pressKey(debugger().ToggleBreakpoint->shortcut());
  EXPECT_EQ(breakpoints(editor).lines(), (QList<int>{3, 7}));
  pressKey(debugger().ToggleBreakpoint->shortcut());
  EXPECT_EQ(breakpoints(editor).lines(), QList<int>{3});

  // Marks follow their line when lines are inserted above it.
  QTextCursor top(memo.document());
  top.insertText("// added\n// added\n");
  EXPECT_EQ(breakpoints(editor).lines(), QList<int>{5});
  EXPECT_EQ(memo.gutterMarks(QStringLiteral("breakpoints")).keys(), QList<int>{5});
}

TEST_F(DebuggerTest, StepOverRunsANestedCallWholeUnlessABreakpointInsideStopsIt) {
  TfrmQVEdit& editor = openSource("nested.qv3", kNested);
  breakpoints(editor).toggle(2);  // JSR OUTER
  startAndWait();
  ASSERT_EQ(currentLine(editor), 3);
  const std::uint8_t stack = cpu().SP;

  debugger().StepOver->trigger();
  waitForStop();
  EXPECT_EQ(currentLine(editor), 4) << "OUTER and INNER ran within the step";
  EXPECT_EQ(cpu().SP, stack);
  EXPECT_EQ(cpu().X, 4);
  EXPECT_EQ(cpu().Y, 1);

  // Again from the start, now with a breakpoint in the routine OUTER calls.
  breakpoints(editor).toggle(11);  // the comment: moves to INNER
  debugger().startDebugging();
  waitForStop();
  ASSERT_EQ(currentLine(editor), 3);
  debugger().StepOver->trigger();
  waitForStop();
  EXPECT_EQ(session().lastStop().Kind, qv3::debugger::StopKind::Breakpoint);
  EXPECT_EQ(currentLine(editor), 13);

  // A step over an instruction that is not a JSR is one instruction.
  debugger().StepOver->trigger();
  waitForStop();
  EXPECT_EQ(currentLine(editor), 14);
}

TEST_F(DebuggerTest, StepOverOfARecursiveCallWaitsForItsOwnReturn) {
  TfrmQVEdit& editor = openSource("recursive.qv3", kRecursive);
  breakpoints(editor).toggle(6);  // the inner JSR COUNT, first met with X = 2
  startAndWait();
  ASSERT_EQ(currentLine(editor), 7);
  ASSERT_EQ(cpu().X, 2);
  const std::uint8_t stack = cpu().SP;
  breakpoints(editor).toggle(6);

  // The deeper call returns to the same INY first, with the stack deeper.
  debugger().StepOver->trigger();
  waitForStop();
  EXPECT_EQ(currentLine(editor), 8) << debugger().statusText().toStdString();
  EXPECT_EQ(cpu().SP, stack);
  EXPECT_EQ(cpu().X, 0);
  EXPECT_EQ(cpu().Y, 1) << "the deeper call's INY has run, this one's not yet";
}

TEST_F(DebuggerTest, StepOutLeavesTheCurrentRoutineAndStepIntoEntersACall) {
  TfrmQVEdit& editor = openSource("nested.qv3", kNested);
  breakpoints(editor).toggle(7);  // JSR INNER in OUTER
  startAndWait();
  ASSERT_EQ(currentLine(editor), 8);
  const std::uint8_t outerStack = cpu().SP;

  debugger().StepInto->trigger();
  waitForStop();
  EXPECT_EQ(currentLine(editor), 13) << "into INNER";
  EXPECT_EQ(cpu().SP, outerStack - 2);

  debugger().StepOut->trigger();
  waitForStop();
  EXPECT_EQ(currentLine(editor), 9) << "back in OUTER after its JSR INNER";
  EXPECT_EQ(cpu().SP, outerStack);

  // Out of OUTER: its own RTS, not INNER's (already run), ends the step.
  debugger().StepOut->trigger();
  waitForStop();
  EXPECT_EQ(currentLine(editor), 4);
}

TEST_F(DebuggerTest, RunToCursorStopsAtTheCaretsLineOrTheNextWithCode) {
  TfrmQVEdit& editor = openSource("nested.qv3", kNested);
  breakpoints(editor).toggle(1);  // LDX #3
  startAndWait();
  ASSERT_EQ(currentLine(editor), 2);
  breakpoints(editor).toggle(1);

  code(editor).setTextCursor(QTextCursor(code(editor).document()->findBlockByNumber(11)));
  debugger().RunToCursor->trigger();
  waitForStop();
  EXPECT_EQ(currentLine(editor), 13) << "the comment line has no code: INNER's has";
  EXPECT_EQ(breakpoints(editor).lines(), QList<int>{}) << "run to cursor sets no breakpoint";

  // Without a session it starts one and runs from the start to the line.
  debugger().stopDebugging();
  code(editor).setTextCursor(QTextCursor(code(editor).document()->findBlockByNumber(8)));
  debugger().RunToCursor->trigger();
  waitForStop();
  EXPECT_EQ(currentLine(editor), 9);
  EXPECT_EQ(cpu().X, 4);
  EXPECT_EQ(cpu().A, 1) << "INNER ran before OUTER's INY";

  // A line with no code at or after it starts nothing.
  debugger().stopDebugging();
  code(editor).setTextCursor(QTextCursor(code(editor).document()->lastBlock()));
  debugger().RunToCursor->trigger();
  EXPECT_EQ(session().state(), State::NoProgram);
  EXPECT_TRUE(debugger().statusText().startsWith("No code at or after line")) << debugger().statusText().toStdString();
}

TEST_F(DebuggerTest, PauseStopsAProgramThatRunsForeverWhileTheWindowKeepsWorking) {
  TfrmQVEdit& editor = openSource("endless.qv3", kEndless);
  debugger().startDebugging();
  ASSERT_EQ(session().state(), State::Running);
  EXPECT_TRUE(debugger().Pause->isEnabled());
  EXPECT_FALSE(debugger().StepOver->isEnabled());

  // Timers of the window still fire while the program runs.
  int ticks = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
  tick.start(10);
  QTest::qWait(3 * DebugSession::kProgressMilliseconds);
  EXPECT_GE(ticks, 5);
  EXPECT_EQ(session().state(), State::Running);
  // The registers show how far it has got while it runs.
  EXPECT_TRUE(debugger().statusText().startsWith("Running... ($10")) << debugger().statusText().toStdString();
  EXPECT_GT(debugger().registersPane()->fieldText("Cycles").toLongLong(), 0);

  debugger().Pause->trigger();
  ASSERT_EQ(session().state(), State::Stopped);
  EXPECT_EQ(session().lastStop().Kind, qv3::debugger::StopKind::Paused);
  EXPECT_GT(cpu().Cycles, 100000u);
  const int line = currentLine(editor);
  EXPECT_TRUE(line >= 2 && line <= 4) << line;
  EXPECT_TRUE(debugger().statusText().startsWith("Paused at $"));

  debugger().StopDebugging->trigger();
  EXPECT_EQ(session().state(), State::NoProgram);
  EXPECT_EQ(currentLine(editor), 0);
}

TEST_F(DebuggerTest, StartDebuggingCompilesAsCompileDoesAndAFailedCompileRunsNothing) {
  TfrmQVEdit& editor = openSource("nested.qv3", kNested);
  main().Compile2Click();
  QStringList compiled;
  for (int i = 0; i < editor.lbMessy->count(); ++i) compiled << editor.lbMessy->item(i)->text();
  startAndWait();
  QStringList debugged;
  for (int i = 0; i < editor.lbMessy->count(); ++i) debugged << editor.lbMessy->item(i)->text();
  EXPECT_EQ(debugged, compiled);
  EXPECT_EQ(session().state(), State::Ended);

  TfrmQVEdit& broken = openSource("broken.qv3", " ORIGIN $1000\r\n JMP NOWHERE\r\n");
  (void)broken;
  debugger().startDebugging();
  EXPECT_EQ(session().state(), State::NoProgram);
  EXPECT_TRUE(main().compileSession().FatalFlag);
  EXPECT_TRUE(launcher.requests.empty());

  // A source without code compiles to a program file too short to run.
  openSource("empty.qv3", "// only a comment\r\n");
  debugger().startDebugging();
  EXPECT_EQ(session().state(), State::NoProgram);
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(dialogs.errors[0].startsWith("Cannot debug " + QDir(folder.path()).absoluteFilePath("empty.prg")))
      << dialogs.errors[0].toStdString();
  EXPECT_TRUE(dialogs.errors[0].contains("0 byte")) << dialogs.errors[0].toStdString();
}

TEST_F(DebuggerTest, AModuleWithoutALoadAddressNamesTheModuleThatLoadsIt) {
  // game COMPILEs sound and copies its bytes in; sound alone is no program.
  writeBytes(path("game.qv3"), " COMPILE SOUND\r\n ORIGIN $1001\r\n JSR $1100\r\n RTS\r\n");
  writeBytes(path("other.qv3"), " ORIGIN $2000\r\n RTS\r\n");
  TfrmQVEdit& sound = openSource("sound.qv3", " STRIP\r\n ORIGIN $1100\r\n LDA #$0F\r\n STA $FF11\r\n RTS\r\n");
  debugger().startDebugging();
  EXPECT_EQ(session().state(), State::NoProgram);
  EXPECT_EQ(debugger().statusText(),
            "sound has no load address (STRIP): it is no program of its own. game COMPILEs it and loads it: "
            "debug game.");
  EXPECT_TRUE(dialogs.errors.isEmpty());

  // A loader open in a window counts as it shows there; without one the status says so.
  TfrmQVEdit& game = openSource("game.qv3", " COMPILE SOUND\r\n ORIGIN $1001\r\n JSR $1100\r\n RTS\r\n");
  game.mCode->setPlainText(" ORIGIN $1001\n RTS");
  main().mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(sound.parentWidget()));
  ASSERT_EQ(main().activeEditor(), &sound);
  debugger().startDebugging();
  EXPECT_EQ(session().state(), State::NoProgram);
  EXPECT_TRUE(debugger().statusText().endsWith("No module of its folder COMPILEs it; debug the one that loads it."))
      << debugger().statusText().toStdString();
}

TEST_F(DebuggerTest, AnEndedProgramSaysHowItEndedAndKeepsItsLastState) {
  runOnBareMachine();  // its ends; the model's are in debugger_plus4_test.cpp
  const std::pair<std::string, QString> endings[] = {
      {" ORIGIN $1000\r\n LDA #5\r\n RTS\r\n", "Program ended: returned"},
      {" ORIGIN $1000\r\n LDA #5\r\n BRK\r\n", "Program ended: brk at $1002"},
      {" ORIGIN $1000\r\n LDA #5\r\n BIN.B $FF\r\n", "Program ended: illegal opcode $FF at $1002"},
      {" ORIGIN $1000\r\n LDA #5\r\n BIN.B $02\r\n", "Program ended: jam at $1002"},
      {" ORIGIN $1000\r\n LDA #5\r\nSTAY: JMP STAY\r\n", "Program ended: loop at $1002"},
  };
  int number = 0;
  for (const auto& [source, ending] : endings) {
    openSource(QStringLiteral("end%1.qv3").arg(++number), source);
    startAndWait();
    EXPECT_EQ(session().state(), State::Ended) << source;
    EXPECT_EQ(debugger().statusText(), ending) << source;
    EXPECT_EQ(debugger().registersPane()->fieldText("A"), "$05") << "the panes keep the last state";
    EXPECT_FALSE(debugger().StepInto->isEnabled());
    EXPECT_TRUE(debugger().StartContinue->isEnabled()) << "an ended program can be started again";
  }
}

TEST_F(DebuggerTest, TheCurrentLineOpensTheModuleWhoseCodeRuns) {
  // main copies lib's program to $1100 and calls it there; lib's code maps
  // to lib's own lines, not to main's BINARY line.
  writeBytes(path("lib.qv3"),
             " STRIP\r\n"              // 1
             " ORIGIN $1100\r\n"       // 2
             "SETA: LDA #7\r\n"        // 3
             " RTS\r\n");              // 4
  TfrmQVEdit& top = openSource("main.qv3",
                               " COMPILE LIB, MAIN\r\n"  // 1: MAIN again, now with lib.prg
                               " ORIGIN $1000\r\n"      // 2
                               " JSR @LIB.SETA\r\n"     // 3
                               " RTS\r\n"               // 4
                               " ORIGIN $1100\r\n"      // 5
                               " BINARY LIB.PRG\r\n");  // 6
  breakpoints(top).toggle(2);
  startAndWait();
  ASSERT_EQ(currentLine(top), 3);
  debugger().StepInto->trigger();
  waitForStop();
  ASSERT_EQ(cpu().PC, 0x1100);
  TfrmQVEdit* lib = main().activeEditor();
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(lib->caption(), "lib.qv3") << "opened as the diagnostic jump opens a module";
  EXPECT_EQ(currentLine(*lib), 3);
  EXPECT_EQ(currentLine(top), 0) << "one current line at a time";

  // A breakpoint in lib's window stops the program there.
  debugger().stopDebugging();
  breakpoints(top).toggle(2);
  breakpoints(*lib).toggle(3);  // RTS
  main().mdiArea()->setActiveSubWindow(main().mdiArea()->subWindowList().front());
  ASSERT_EQ(main().activeEditor(), &top);
  startAndWait();
  EXPECT_EQ(cpu().PC, 0x1102);
  EXPECT_EQ(currentLine(*lib), 4);

  // Setting a breakpoint in the other window while stopped leaves that
  // window in front; the disassembly marks the new address.
  main().mdiArea()->setActiveSubWindow(main().mdiArea()->subWindowList().front());
  breakpoints(top).toggle(3);  // RTS at $1003
  EXPECT_EQ(main().activeEditor(), &top);
  EXPECT_TRUE(session().hasBreakpoint(0x1003));
  debugger().startOrContinue();
  waitForStop();
  EXPECT_EQ(cpu().PC, 0x1003);
  EXPECT_EQ(currentLine(top), 4);
}

TEST_F(DebuggerTest, TheDebugMenuFollowsCompileAndItsKeysClashWithNoOther) {
  const QList<QAction*> bar = main().menuBar()->actions();
  QStringList titles;
  for (QAction* menu : bar) titles << menu->text();
  const qsizetype compile = titles.indexOf("&Compile");
  ASSERT_GE(compile, 0);
  ASSERT_LT(compile + 1, titles.size());
  EXPECT_EQ(titles[compile + 1], "&Debug");

  QMap<QString, QString> owner;
  for (QAction* menu : bar) {
    if (!menu->menu()) continue;
    for (QAction* item : menu->menu()->actions())
      for (const QKeySequence& key : item->shortcuts()) {
        const QString text = key.toString();
        EXPECT_FALSE(owner.contains(text)) << text.toStdString() << " on " << item->text().toStdString()
                                          << " and " << owner.value(text).toStdString();
        owner.insert(text, item->text());
      }
  }
  for (const char* specified : {"F2", "F3", "F9", "Ctrl+F9", "Ctrl+F", "Ctrl+L", "Ctrl+R"})
    EXPECT_TRUE(owner.contains(specified)) << specified << " is still the specified item's";
}

}  // namespace
