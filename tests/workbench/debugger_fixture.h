// The workbench with a debugging session: the debugger of the main window,
// sources opened from the scratch folder, and waiting for a run to stop.
#pragma once

#include <QElapsedTimer>
#include <QTextBlock>

#include "workbench/editor/code_editor.h"
#include "workbench/debugger/breakpoint_store.h"
#include "workbench/debugger/debugger_ui.h"
#include "workbench_fixture.h"

class DebuggerTest : public WorkbenchTest {
 protected:
  using State = DebugSession::State;
  // The run rules are checked as fast as the host goes; real speed has
  // tests of its own.
  void SetUp() override {
    WorkbenchTest::SetUp();
    session().setRunSpeed(qv3::debugger::RunSpeed::Fastest);
  }
  DebuggerUi& debugger() { return *main().findChild<DebuggerUi*>(QStringLiteral("debugger")); }
  DebugSession& session() { return debugger().session(); }

  TfrmQVEdit& openSource(const QString& name, const std::string& text) {
    writeBytes(path(name), text);
    TfrmQVEdit* editor = main().OpenSourceFile(path(name));
    EXPECT_NE(editor, nullptr);
    return *editor;
  }
  static CodeEditor& code(TfrmQVEdit& editor) { return *qobject_cast<CodeEditor*>(editor.mCode); }
  static BreakpointStore& breakpoints(TfrmQVEdit& editor) { return BreakpointStore::Of(code(editor)); }

  // The Debug menu's machine choice; the Plus/4 model unless chosen.
  void runOnBareMachine() { debugger().BareMachine->setChecked(true); }

  qv3::debugger::MachineState cpu() { return session().machine()->State(); }
  // The 1-based line the editor shows as the current one; 0 when none.
  static int currentLine(TfrmQVEdit& editor) {
    const QList<QTextEdit::ExtraSelection> shown = code(editor).selectionLayer(QStringLiteral("debugger"));
    if (shown.size() != 1) return 0;
    const QMap<int, CodeEditor::GutterMark> arrow = code(editor).gutterMarks(QStringLiteral("debugger"));
    EXPECT_EQ(arrow.keys(), QList<int>{shown[0].cursor.blockNumber()}) << "the arrow and the highlight agree";
    return shown[0].cursor.blockNumber() + 1;
  }
  // Waits for a run to stop, with a deadline so a rule that never stops fails.
  void waitForStop() {
    QElapsedTimer clock;
    clock.start();
    while (session().state() == State::Running && clock.elapsed() < 5000) QTest::qWait(5);
    ASSERT_NE(session().state(), State::Running) << "the run did not stop";
  }
  void startAndWait() {
    debugger().startDebugging();
    waitForStop();
  }
};
