// SPDX-License-Identifier: GPL-3.0-or-later
// The debugger on the Plus/4 machine model, its default machine: a
// breakpoint inside the raster example's interrupt handler with the TED's
// picture in the screen pane and its frame in the stack pane, Step Over and breakpoints while an interrupt
// is pending, a watched TED register, the raster-line stop, edits that go
// through the bus, programs that never end, and the kept machine choice.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTableWidgetItem>
#include <QTemporaryDir>
#include <set>

#include "debugger_fixture.h"
#include "plus4/frame_buffer.h"
#include "plus4/rom.h"
#include "workbench/debugger/memory_pane.h"
#include "workbench/debugger/registers_pane.h"
#include "workbench/debugger/screen_pane.h"
#include "workbench/debugger/stack_pane.h"
#include "workbench/debugger/ted_pane.h"

namespace {

std::string ExampleSource() {
  QFile file(QStringLiteral(QV3_SOURCE_DIR "/examples/raster/raster.qv3"));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  return file.readAll().toStdString();
}

// The 1-based line of the source that starts with text (after blanks).
int LineOf(const std::string& source, const std::string& text) {
  int line = 1;
  for (std::size_t at = 0; at < source.size(); ++line) {
    std::size_t end = source.find('\n', at);
    if (end == std::string::npos) end = source.size();
    const std::string row = source.substr(at, end - at);
    const std::size_t first = row.find_first_not_of(" \t");
    if (first != std::string::npos && row.compare(first, text.size(), text) == 0) return line;
    at = end + 1;
  }
  ADD_FAILURE() << "no line starts with " << text;
  return 0;
}

// The byte after the label's line: the example's tables are one BIN.B line each.
std::vector<int> TableOf(const std::string& source, const std::string& label) {
  std::size_t at = source.find(label + ":\n");
  at = source.find("BIN.B", at) + 5;
  std::vector<int> values;
  for (std::size_t end = source.find('\n', at); at < end;) {
    at = source.find('$', at);
    if (at > end) break;
    values.push_back(std::stoi(source.substr(at + 1, 2), nullptr, 16));
    at += 3;
  }
  return values;
}

// A raster interrupt made pending while I is set, then enabled by CLI.
const std::string kPending =
    " ORIGIN $1000\r\n"                    // 1
    " SEI\r\n"                             // 2
    " LDA #<HANDLER\r\n"                   // 3
    " STA $0314\r\n"                       // 4
    " LDA #>HANDLER\r\n"                   // 5
    " STA $0315\r\n"                       // 6
    " LDA #$02\r\n"                        // 7: the raster interrupt only
    " STA $FF0A\r\n"                       // 8
    "WAITIRQ: LDA $FF09\r\n"               // 9
    " AND #$02\r\n"                        // 10
    " BEQ WAITIRQ\r\n"                     // 11: now it is pending
    " CLI\r\n"                             // 12
    " INX\r\n"                             // 13
    " INY\r\n"                             // 14
    " RTS\r\n"                             // 15
    "HANDLER: INC $2000\r\n"               // 16
    " LDA $FF09\r\n"                       // 17
    " STA $FF09\r\n"                       // 18
    " JMP $FCBE\r\n";                      // 19

class DebuggerPlus4Test : public DebuggerTest {
 protected:
  void stepOver() {
    debugger().StepOver->trigger();
    waitForStop();
  }
  void continueRun() {
    debugger().StartContinue->trigger();
    waitForStop();
  }
  std::uint8_t peek(std::uint16_t address) { return session().machine()->Peek(address); }
};

TEST_F(DebuggerPlus4Test, ABreakpointInsideTheRasterHandlerStopsThereWithTheTedsPicture) {
  const std::string source = ExampleSource();
  TfrmQVEdit& editor = openSource("raster.qv3", source);
  const int handler = LineOf(source, "HANDLER:");
  breakpoints(editor).toggle(handler - 1);
  startAndWait();
  ASSERT_EQ(session().state(), State::Stopped) << debugger().statusText().toStdString();
  EXPECT_EQ(currentLine(editor), handler + 1) << "the mark moved to the handler's first instruction";
  EXPECT_TRUE(debugger().statusText().startsWith("Breakpoint at $")) << debugger().statusText().toStdString();
  EXPECT_TRUE(debugger().registersPane()->fieldText("I") == "1") << "inside the interrupt";
  EXPECT_TRUE(debugger().registersPane()->fieldText("Raster").startsWith("line "));
  // The frame the interrupt pushed, named where it is: under SP the entry's
  // Y X A, then P and the address the RTI returns to.
  const QStringList stack = debugger().stackPane()->toPlainText().split(QLatin1Char('\n'));
  const auto top = std::find_if(stack.begin(), stack.end(), [](const QString& row) { return row.startsWith("SP>"); });
  ASSERT_GE(std::distance(top, stack.end()), 6);
  EXPECT_TRUE(top[3].endsWith("P of an interrupt")) << top[3].toStdString();
  EXPECT_TRUE(top[4].contains(QRegularExpression("interrupted at \\$[0-9A-F]{4} \\(FOREVER\\)$"))) << top[4].toStdString();

  // Eight bars a frame: after two frames of stops the picture has them all,
  // in the model's own colours, and the pane shows the whole 384 x 288.
  for (int hit = 0; hit < 20; ++hit) {
    continueRun();
    ASSERT_EQ(session().lastStop().Kind, qv3::debugger::StopKind::Breakpoint);
    ASSERT_EQ(currentLine(editor), handler + 1);
  }
  const QImage& picture = debugger().screenPane()->image();
  ASSERT_EQ(picture.size(), QSize(qv3::plus4::FrameBuffer::kWidth, qv3::plus4::FrameBuffer::kHeight));
  const qv3::plus4::FrameBuffer& frame = *session().machine()->Frame();
  std::set<int> colours;
  for (int y = 0; y < frame.kHeight; ++y) {
    const qv3::plus4::Rgb rgb = qv3::plus4::PaletteColour(frame.At(4, y));
    ASSERT_EQ(picture.pixel(4, y), qRgb(rgb.R, rgb.G, rgb.B)) << "row " << y;
    colours.insert(frame.At(4, y));
  }
  for (const int colour : TableOf(source, "COLOURS"))
    EXPECT_TRUE(colours.count(colour)) << "the border shows bar colour $" << std::hex << colour;

  // The TED pane shows the model's registers as the CPU reads them, the
  // timers too, which count while the program runs.
  const auto shows = [this](std::uint16_t address) {
    return debugger().tedPane()->toPlainText().contains(
        QStringLiteral("$%1  $%2").arg(address, 4, 16).arg(peek(address), 2, 16, QLatin1Char('0')).toUpper());
  };
  EXPECT_TRUE(shows(0xFF19));
  EXPECT_TRUE(shows(0xFF00));
  const int timer1 = peek(0xFF00) | peek(0xFF01) << 8;

  // The watched border: the handler's store is named, inside the interrupt.
  breakpoints(editor).toggle(handler - 1);
  session().setWatches({{0xFF19, false, true}});
  continueRun();
  ASSERT_EQ(session().lastStop().Kind, qv3::debugger::StopKind::Watch);
  const int store = LineOf(source, "STA BORDER");
  EXPECT_TRUE(debugger().statusText().startsWith("Write of $FF19 at $"))
      << debugger().statusText().toStdString();
  EXPECT_TRUE(debugger().statusText().endsWith(QStringLiteral("line %1)").arg(store)))
      << debugger().statusText().toStdString();
  EXPECT_EQ(currentLine(editor), store + 1);
  EXPECT_NE(peek(0xFF00) | peek(0xFF01) << 8, timer1) << "timer 1 counts";
  EXPECT_TRUE(shows(0xFF00));
}

TEST_F(DebuggerPlus4Test, StepOverAndBreakpointsAreNotLostToAnInterruptTakenBeforeTheInstruction) {
  TfrmQVEdit& editor = openSource("pending.qv3", kPending);
  breakpoints(editor).toggle(12 - 1);
  startAndWait();
  ASSERT_EQ(currentLine(editor), 12);
  ASSERT_TRUE(session().machine()->State().P & 0x04);
  ASSERT_TRUE(peek(0xFF09) & 0x02) << "the raster interrupt waits";
  stepOver();
  EXPECT_EQ(currentLine(editor), 13) << "CLI";
  const std::uint8_t x = session().machine()->State().X;
  stepOver();  // the interrupt comes first, then the INX
  EXPECT_EQ(session().lastStop().Kind, qv3::debugger::StopKind::StepDone);
  EXPECT_EQ(currentLine(editor), 14) << "the step ended after the INX, not back before it";
  EXPECT_EQ(session().machine()->State().X, static_cast<std::uint8_t>(x + 1));
  stepOver();
  EXPECT_EQ(currentLine(editor), 15);
  EXPECT_EQ(peek(0x2000), 1) << "the handler ran once, whole, within the steps";

  // Continue from a breakpoint while the interrupt waits: the handler
  // returns to the breakpoint's instruction, which does not stop it again.
  breakpoints(editor).toggle(13 - 1);
  breakpoints(editor).toggle(15 - 1);
  startAndWait();
  ASSERT_EQ(currentLine(editor), 12);
  stepOver();
  ASSERT_EQ(currentLine(editor), 13);
  continueRun();
  EXPECT_EQ(currentLine(editor), 15) << debugger().statusText().toStdString();
  EXPECT_EQ(peek(0x2000), 1);
  // The RTS returns into BASIC, which goes on (nothing to return to in the
  // debugger) with the program's interrupt served.
  breakpoints(editor).toggle(15 - 1);
  debugger().StartContinue->trigger();
  QTest::qWait(300);
  EXPECT_EQ(session().state(), State::Running) << debugger().statusText().toStdString();
  debugger().Pause->trigger();
  EXPECT_EQ(session().machine()->State().PC, qv3::plus4::kBasicIdleLoop);
  EXPECT_GT(peek(0x2000), 1) << "the handler is called on";

  // Step Into goes where the CPU goes: into the handler.
  startAndWait();
  stepOver();
  debugger().StepInto->trigger();
  waitForStop();
  EXPECT_EQ(currentLine(editor), 16);
}

TEST_F(DebuggerPlus4Test, TheRasterStopAndTedEditsThroughTheBus) {
  const std::string source = ExampleSource();
  openSource("raster.qv3", source);
  session().setRasterBreak(100);
  startAndWait();
  ASSERT_EQ(session().lastStop().Kind, qv3::debugger::StopKind::Raster) << debugger().statusText().toStdString();
  EXPECT_TRUE(debugger().statusText().startsWith("Raster line 100 at $")) << debugger().statusText().toStdString();
  EXPECT_TRUE(debugger().registersPane()->fieldText("Raster").startsWith("line 100, cycle "));
  continueRun();
  EXPECT_EQ(session().lastStop().Kind, qv3::debugger::StopKind::Raster) << "once a frame";
  session().setRasterBreak(std::nullopt);

  // The memory pane shows the TED's registers as the CPU reads them, and an
  // edit there reaches the chip, not the RAM beneath it.
  MemoryPane& memory = *debugger().memoryPane();
  ASSERT_TRUE(memory.goTo(QStringLiteral("$FF10")));
  const std::uint8_t ramBelow = session().machine()->Ram()[0xFF19];
  const std::uint8_t wanted = static_cast<std::uint8_t>((peek(0xFF19) ^ 0x0F) & 0x7F);
  QTableWidgetItem* cell = memory.cellOf(0xFF19);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->text().toUInt(nullptr, 16), peek(0xFF19));
  cell->setText(QStringLiteral("%1").arg(wanted, 2, 16, QLatin1Char('0')));
  EXPECT_EQ(peek(0xFF19) & 0x7F, wanted);
  EXPECT_EQ(session().machine()->Ram()[0xFF19], ramBelow);
  EXPECT_TRUE(debugger().tedPane()->toPlainText().contains(
      QStringLiteral("$FF19  $%1").arg(peek(0xFF19), 2, 16, QLatin1Char('0')).toUpper()));
  // A store to $FF3F, whatever the byte, banks the ROM out: the CPU reads
  // the RAM there now. (The cell shows the ROM's byte: write another one, or
  // the cell would not change.)
  ASSERT_TRUE(memory.goTo(QStringLiteral("$FF30")));
  const unsigned other = peek(0xFF3F) ^ 0xFFu;
  memory.cellOf(0xFF3F)->setText(QStringLiteral("%1").arg(other, 2, 16, QLatin1Char('0')));
  for (const std::uint16_t address : {0x8000, 0xC123, 0xFFFE})
    EXPECT_EQ(peek(address), session().machine()->Ram()[address]) << std::hex << address;
}

TEST_F(DebuggerPlus4Test, ProgramsThatNeverEndFloodInterruptsOrJamStayInterruptible) {
  // The handler never acknowledges: the interrupt is taken again at once,
  // for ever; and a wait loop with interrupts on is no end either.
  const std::string flood =
      " ORIGIN $1000\r\n SEI\r\n LDA #<FLOOD\r\n STA $0314\r\n LDA #>FLOOD\r\n STA $0315\r\n"
      " LDA #$02\r\n STA $FF0A\r\n CLI\r\nLOOP: JMP LOOP\r\nFLOOD: INC $2000\r\n JMP $FCBE\r\n";
  for (const std::string& program : {flood, std::string(" ORIGIN $1000\r\nWAIT: JMP WAIT\r\n")}) {
    openSource(QStringLiteral("endless.qv3"), program);
    debugger().startDebugging();
    QTest::qWait(300);
    ASSERT_EQ(session().state(), State::Running) << program;
    EXPECT_TRUE(debugger().statusText().startsWith("Running...")) << "the window kept working";
    debugger().Pause->trigger();
    EXPECT_EQ(session().state(), State::Stopped) << program;
    EXPECT_TRUE(debugger().statusText().startsWith("Paused at $")) << debugger().statusText().toStdString();
    if (program == flood) EXPECT_GT(peek(0x2000), 0) << "the handler was flooded";
    debugger().StopDebugging->trigger();
  }

  // What does end, ends with its reason, as on the bare 6502 (an undocumented
  // opcode only where the user asked to stop at them).
  debugger().StopAtUndocumented->trigger();
  ASSERT_TRUE(debugger().StopAtUndocumented->isChecked());
  const std::pair<std::string, QString> endings[] = {
      {" ORIGIN $1000\r\n LDA #5\r\n BIN.B $02\r\n", "Program ended: jam at $1002"},
      {" ORIGIN $1000\r\n LDA #5\r\n BIN.B $FF\r\n", "Program ended: illegal opcode $FF at $1002"},
      {" ORIGIN $1000\r\n SEI\r\nSTAY: JMP STAY\r\n", "Program ended: loop at $1001"},
      {" ORIGIN $1000\r\n JMP $E000\r\n", "Program ended: rom at $E000"},
  };
  for (const auto& [program, ending] : endings) {
    openSource(QStringLiteral("ends.qv3"), program);
    startAndWait();
    EXPECT_EQ(session().state(), State::Ended) << program;
    EXPECT_TRUE(debugger().statusText().startsWith(ending)) << debugger().statusText().toStdString();
  }
}

TEST_F(DebuggerPlus4Test, TheMachineChoiceIsTheModelUnlessTheBare6502IsCheckedAndItIsKept) {
  QTemporaryDir dir;
  QSettings settings(dir.filePath(QStringLiteral("qv3.ini")), QSettings::IniFormat);
  debugger().useSettings(&settings);
  EXPECT_FALSE(debugger().BareMachine->isChecked());
  openSource(QStringLiteral("rts.qv3"), " ORIGIN $1000\r\n BRK\r\n");
  startAndWait();
  EXPECT_EQ(session().machine()->Kind(), "Plus/4 model");
  debugger().BareMachine->setChecked(true);
  startAndWait();
  EXPECT_EQ(session().machine()->Kind(), "bare 6502");

  settings.sync();

  // A later workbench reads the choice back.
  debugger().useSettings(nullptr);
  debugger().BareMachine->setChecked(false);
  QSettings later(dir.filePath(QStringLiteral("qv3.ini")), QSettings::IniFormat);
  debugger().useSettings(&later);
  EXPECT_TRUE(debugger().BareMachine->isChecked());
}

// Undocumented opcodes run on the model and stop the bare 6502 unless the
// user chooses otherwise; each machine keeps its own choice.
TEST_F(DebuggerPlus4Test, StopAtUndocumentedOpcodesIsAChoiceEachMachineKeeps) {
  QTemporaryDir dir;
  QSettings settings(dir.filePath(QStringLiteral("qv3.ini")), QSettings::IniFormat);
  debugger().useSettings(&settings);
  openSource(QStringLiteral("lax.qv3"), " ORIGIN $1000\r\n LAX $10\r\n RTS\r\n");
  EXPECT_FALSE(debugger().StopAtUndocumented->isChecked());
  startAndWait();
  EXPECT_TRUE(debugger().statusText().startsWith("Program ended: returned")) << debugger().statusText().toStdString();
  debugger().StopAtUndocumented->trigger();
  startAndWait();
  EXPECT_TRUE(debugger().statusText().startsWith("Program ended: illegal opcode $A7 at $1000"))
      << debugger().statusText().toStdString();

  debugger().BareMachine->setChecked(true);
  EXPECT_TRUE(debugger().StopAtUndocumented->isChecked()) << "the bare 6502 stops unless told otherwise";
  debugger().StopAtUndocumented->trigger();
  startAndWait();
  EXPECT_EQ(session().machine()->Kind(), "bare 6502");
  EXPECT_TRUE(debugger().statusText().startsWith("Program ended: returned")) << debugger().statusText().toStdString();
  debugger().BareMachine->setChecked(false);
  EXPECT_TRUE(debugger().StopAtUndocumented->isChecked()) << "the model's own choice";
  settings.sync();

  debugger().useSettings(nullptr);
  QSettings later(dir.filePath(QStringLiteral("qv3.ini")), QSettings::IniFormat);
  debugger().useSettings(&later);
  EXPECT_TRUE(debugger().StopAtUndocumented->isChecked());
  debugger().BareMachine->setChecked(true);
  EXPECT_FALSE(debugger().StopAtUndocumented->isChecked());
}

}  // namespace
