// SPDX-License-Identifier: GPL-3.0-or-later
// The debugger as a user meets it at a stop: registers, flags and memory
// edited in place, the Stack pane, keys typed for GETIN, Run to Cursor's
// own report, breakpoints that never land on data, a breakpoint mark unlike
// an error's, data breakpoints named in the status line, and Stop giving
// the main window its layout back.
#include <QCheckBox>
#include <QDockWidget>
#include <QListWidget>
#include <QLineEdit>
#include <QTableWidget>
#include <QToolButton>

#include "debugger_fixture.h"
#include "workbench/debugger/memory_pane.h"
#include "workbench/debugger/registers_pane.h"
#include "workbench/debugger/screen_pane.h"
#include "workbench/debugger/stack_pane.h"
#include "workbench/debugger/watch_dialog.h"
#include "workbench/editor/diagnostic_marks.h"

namespace {

const std::string kCopy =
    " ORIGIN $1000\r\n"    // 1
    "START: LDA #1\r\n"    // 2
    " STA $2000\r\n"       // 3
    " LDA $2001\r\n"       // 4
    " STA $2002\r\n"       // 5
    " BCS SKIP\r\n"        // 6
    " INC $2003\r\n"       // 7
    "SKIP: RTS\r\n";       // 8

class DebuggerEditTest : public DebuggerTest {
 protected:
  void stopAtLine(TfrmQVEdit& editor, int line) {
    breakpoints(editor).toggle(line - 1);
    startAndWait();
    ASSERT_EQ(currentLine(editor), line);
    breakpoints(editor).toggle(line - 1);
  }
  void step() {
    debugger().StepInto->trigger();
    waitForStop();
  }
  void typeInto(const QString& field, const QString& text) {
    auto* edit = qobject_cast<QLineEdit*>(debugger().registersPane()->editorOf(field));
    ASSERT_NE(edit, nullptr) << field.toStdString();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }
  std::uint8_t ram(std::uint16_t address) { return session().machine()->Peek(address); }
};

TEST_F(DebuggerEditTest, RegistersFlagsAndMemoryAreEditedInPlaceWhileStopped) {
  runOnBareMachine();  // the bare 6502's start state and screen are what is checked
  TfrmQVEdit& editor = openSource("copy.qv3", kCopy);
  stopAtLine(editor, 3);
  RegistersPane& registers = *debugger().registersPane();

  typeInto("A", "$7F");
  EXPECT_EQ(cpu().A, 0x7F);
  EXPECT_EQ(registers.fieldText("A"), "$7F");
  typeInto("X", "300");  // more than a byte: refused, the field shows X again
  EXPECT_EQ(cpu().X, 0);
  EXPECT_EQ(registers.fieldText("X"), "$00");
  step();
  EXPECT_EQ(ram(0x2000), 0x7F) << "the program runs on with the edited A";

  // A byte edited in its cell, then read by the program.
  MemoryPane& memory = *debugger().memoryPane();
  ASSERT_TRUE(memory.goTo("$2001"));
  EXPECT_EQ(memory.firstRowAddress(), 0x2000);
  memory.cellOf(0x2001)->setText("ab");
  EXPECT_EQ(ram(0x2001), 0xAB);
  EXPECT_TRUE(memory.rowsText().startsWith("2000: 7F AB")) << memory.rowsText().left(20).toStdString();
  memory.cellOf(0x2001)->setText("1G");  // not hex: refused
  EXPECT_EQ(ram(0x2001), 0xAB);
  EXPECT_EQ(memory.cellOf(0x2001)->text(), "AB");
  step();
  step();
  EXPECT_EQ(ram(0x2002), 0xAB);

  // A flag flips with a click: C set makes the BCS skip the INC.
  ASSERT_EQ(currentLine(editor), 6);
  auto* carry = qobject_cast<QToolButton*>(registers.editorOf("C"));
  ASSERT_NE(carry, nullptr);
  ASSERT_EQ(registers.fieldText("C"), "0");
  carry->click();
  EXPECT_EQ(registers.fieldText("C"), "1");
  step();
  EXPECT_EQ(currentLine(editor), 8) << "the branch was taken";

  // PC moves the current line with it.
  typeInto("PC", "$1000");
  EXPECT_EQ(cpu().PC, 0x1000);
  EXPECT_EQ(currentLine(editor), 2);
  EXPECT_EQ(ram(0x2003), 0);

  // While the program runs nothing is taken.
  debugger().startOrContinue();
  waitForStop();
  EXPECT_FALSE(session().setMachineState(cpu()));
  EXPECT_TRUE(qobject_cast<QLineEdit*>(registers.editorOf("A"))->isReadOnly());
  EXPECT_FALSE(memory.cellOf(0x2001)->flags() & Qt::ItemIsEditable);
}

TEST_F(DebuggerEditTest, TheStackPaneNamesReturnAddressesByLabel) {
  runOnBareMachine();  // the bare 6502's start state and screen are what is checked
  const std::string nested =
      " ORIGIN $1000\r\n"   // 1
      "START: LDX #3\r\n"   // 2: $1000
      " JSR OUTER\r\n"      // 3: $1002, returns to $1005
      " RTS\r\n"            // 4
      "OUTER: PHA\r\n"      // 5: $1006, pushes A = 0
      " JSR INNER\r\n"      // 6: $1007, returns to $100A
      " PLA\r\n"            // 7
      " RTS\r\n"            // 8
      "INNER: RTS\r\n";     // 9: $100C
  TfrmQVEdit& editor = openSource("stack.qv3", nested);
  stopAtLine(editor, 9);
  const QStringList rows = debugger().stackPane()->rows();
  const auto find = [&rows](const QString& text) {
    for (const QString& row : rows)
      if (row.contains(text)) return row;
    return QString();
  };
  // The call pushed $FFFE at $01FE; JSR OUTER $1004 at $01FC, PHA a 0 at
  // $01FB, JSR INNER $1009 at $01F9.
  EXPECT_TRUE(find("SP>").contains("01F9")) << rows.join('\n').toStdString();
  EXPECT_TRUE(find("01F9").contains("return to $100A (OUTER+4)")) << rows.join('\n').toStdString();
  EXPECT_TRUE(find("01FB").contains("00")) << "the pushed A";
  EXPECT_FALSE(find("01FB").contains("return"));
  EXPECT_TRUE(find("01FC").contains("return to $1005 (START+5)")) << rows.join('\n').toStdString();
  EXPECT_FALSE(find("01FE").contains("return")) << "the call from outside the program has no JSR";
  EXPECT_TRUE(find("01F8").contains("(free)"));
}

TEST_F(DebuggerEditTest, KeysTypedIntoTheScreenPaneWhileRunningReachGetin) {
  TfrmQVEdit& editor = openSource("keys.qv3",
                                  " ORIGIN $1000\r\n"
                                  "WAIT: JSR $FFE4\r\n"
                                  " BEQ WAIT\r\n"
                                  " STA $2000\r\n"
                                  "NEXT: JSR $FFE4\r\n"
                                  " BEQ NEXT\r\n"
                                  " STA $2001\r\n"
                                  " RTS\r\n");
  (void)editor;
  debugger().startDebugging();
  ASSERT_EQ(session().state(), State::Running);
  QTest::qWait(50);
  ScreenPane& screen = *debugger().screenPane();
  QTest::keyClick(&screen, Qt::Key_H);
  QTest::keyClick(&screen, Qt::Key_I, Qt::ShiftModifier);
  waitForStop();
  EXPECT_EQ(session().state(), State::Ended) << debugger().statusText().toStdString();
  EXPECT_EQ(ram(0x2000), 0x48) << "H, unshifted";
  EXPECT_EQ(ram(0x2001), 0xC9) << "I, shifted";
}

TEST_F(DebuggerEditTest, RunToCursorSaysSoAndBreakpointsPassOverDataLines) {
  TfrmQVEdit& editor = openSource("data.qv3",
                                  " ORIGIN $1000\r\n"     // 1
                                  " JMP CODE\r\n"         // 2
                                  "// a table\r\n"        // 3
                                  " BIN.B 1 2 3\r\n"      // 4
                                  "CODE: LDA #1\r\n"      // 5
                                  " RTS\r\n");            // 6
  breakpoints(editor).toggle(2);  // the comment before the data
  startAndWait();
  EXPECT_EQ(breakpoints(editor).lines(), QList<int>{4}) << "past BIN.B onto CODE";
  EXPECT_EQ(cpu().PC, 0x1006);
  EXPECT_TRUE(debugger().statusText().startsWith("Breakpoint at $1006"));

  debugger().stopDebugging();
  breakpoints(editor).toggle(4);
  code(editor).setTextCursor(QTextCursor(code(editor).document()->findBlockByNumber(3)));  // on BIN.B
  debugger().RunToCursor->trigger();
  waitForStop();
  EXPECT_EQ(cpu().PC, 0x1006);
  EXPECT_TRUE(debugger().statusText().startsWith("Run to cursor at $1006")) << debugger().statusText().toStdString();
  EXPECT_EQ(session().lastStop().Kind, qv3::debugger::StopKind::Reached);

  // From a stop as well.
  debugger().stopDebugging();
  breakpoints(editor).toggle(1);
  startAndWait();
  breakpoints(editor).toggle(1);
  code(editor).setTextCursor(QTextCursor(code(editor).document()->findBlockByNumber(5)));
  debugger().RunToCursor->trigger();
  waitForStop();
  EXPECT_TRUE(debugger().statusText().startsWith("Run to cursor at $1008")) << debugger().statusText().toStdString();
}

TEST_F(DebuggerEditTest, ABreakpointsMarkLooksNothingLikeAFatalDiagnosticsDot) {
  TfrmQVEdit& editor = openSource("broken.qv3", " ORIGIN $1000\r\n JMP NOWHERE\r\n RTS\r\n");
  CodeEditor& memo = code(editor);
  // The live check marks it while the editor is open.
  EXPECT_TRUE(QTest::qWaitFor([&memo] { return !memo.gutterMarks(kDiagnosticsLayer).isEmpty(); }, 5000));
  const QMap<int, CodeEditor::GutterMark> fatal = memo.gutterMarks(kDiagnosticsLayer);
  ASSERT_TRUE(fatal.contains(1)) << fatal.keys().size();
  breakpoints(editor).toggle(2);
  const CodeEditor::GutterMark breakpoint = memo.gutterMarks(QStringLiteral("breakpoints")).value(2);
  EXPECT_NE(breakpoint.shape, fatal.value(1).shape);

  // As painted: the two rows' mark cells differ in many pixels.
  const auto rowImage = [&memo](int line) {
    const QRect row = memo.cursorRect(QTextCursor(memo.document()->findBlockByNumber(line)));
    const QImage gutter = memo.lineNumberArea()->grab().toImage();
    return gutter.copy(0, row.top(), gutter.width(), row.height());
  };
  memo.resize(400, 300);
  memo.show();
  // The same line number, so only the mark tells them apart: line 2 with the
  // error, then the error gone and a breakpoint there.
  const QImage error = rowImage(1);
  memo.setGutterMarks(kDiagnosticsLayer, {});
  breakpoints(editor).toggle(1);
  const QImage stop = rowImage(1);
  ASSERT_EQ(error.size(), stop.size());
  int different = 0;
  for (int y = 0; y < error.height(); ++y)
    for (int x = 0; x < error.width(); ++x) {
      const QColor a = error.pixelColor(x, y), b = stop.pixelColor(x, y);
      if (std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) > 90)
        ++different;
    }
  EXPECT_GT(different, 20);
}

TEST_F(DebuggerEditTest, StopClosesThePanesAndTheLayoutComesBack) {
  openSource("copy.qv3", kCopy);
  main().resize(1000, 700);
  main().show();
  QTest::qWait(20);
  const QByteArray before = main().saveState();
  const QSize editors = main().centralWidget()->size();
  for (QDockWidget* dock : debugger().docks()) ASSERT_FALSE(dock->isVisible());

  startAndWait();  // the program ends: the panes stay to show its last state
  for (QDockWidget* dock : debugger().docks()) EXPECT_TRUE(dock->isVisible()) << dock->objectName().toStdString();
  EXPECT_NE(main().centralWidget()->size(), editors);

  debugger().StopDebugging->trigger();
  QTest::qWait(20);
  for (QDockWidget* dock : debugger().docks()) EXPECT_FALSE(dock->isVisible()) << dock->objectName().toStdString();
  EXPECT_EQ(main().saveState(), before);
  EXPECT_EQ(main().centralWidget()->size(), editors);

  // A second session places the panes again, and Stop again restores.
  startAndWait();
  EXPECT_TRUE(debugger().docks().front()->isVisible());
  debugger().StopDebugging->trigger();
  QTest::qWait(20);
  EXPECT_EQ(main().centralWidget()->size(), editors);
}

TEST_F(DebuggerEditTest, ADataBreakpointNamesTheAccessAndTheInstructionThatMadeIt) {
  TfrmQVEdit& editor = openSource("border.qv3",
                                  " ORIGIN $1000\r\n"       // 1
                                  "BORDER = $FF19\r\n"      // 2
                                  " LDA BORDER\r\n"         // 3: $1000
                                  " LDA #2\r\n"             // 4: $1003
                                  " STA BORDER\r\n"         // 5: $1005
                                  " RTS\r\n");              // 6
  startAndWait();  // a first run: the dialog knows the program's names
  WatchDialog dialog(session(), [this](const std::string& name) { return debugger().valueOfName(name); });
  dialog.addressField()->setText("$FF19");
  ASSERT_TRUE(dialog.addFromFields());
  EXPECT_EQ(dialog.list()->count(), 1);
  EXPECT_EQ(dialog.list()->item(0)->text(), "Write of $FF19");
  dialog.writeBox()->setChecked(false);
  dialog.addressField()->setText("$FF19");
  EXPECT_FALSE(dialog.addFromFields()) << "neither read nor write";
  dialog.writeBox()->setChecked(true);
  dialog.addressField()->setText("NOTHING");
  EXPECT_FALSE(dialog.addFromFields());
  EXPECT_TRUE(dialog.noteText().contains("NOTHING"));

  debugger().startDebugging();
  waitForStop();
  EXPECT_EQ(session().lastStop().Kind, qv3::debugger::StopKind::Watch);
  EXPECT_TRUE(debugger().statusText().startsWith("Write of $FF19 at $1005 (border, line 5)"))
      << debugger().statusText().toStdString();
  EXPECT_EQ(currentLine(editor), 6) << "stopped after the store";

  // Read and write: the LDA stops it first.
  dialog.readBox()->setChecked(true);
  dialog.addressField()->setText("BORDER");
  ASSERT_TRUE(dialog.addFromFields());
  EXPECT_EQ(dialog.list()->item(0)->text(), "Read or write of $FF19") << "one entry an address";
  debugger().startDebugging();
  waitForStop();
  EXPECT_TRUE(debugger().statusText().startsWith("Read of $FF19 at $1000")) << debugger().statusText().toStdString();
  dialog.list()->setCurrentRow(0);
  dialog.removeSelected();
  debugger().startDebugging();
  waitForStop();
  EXPECT_EQ(session().state(), State::Ended);
}

}  // namespace
