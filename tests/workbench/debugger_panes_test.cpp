// What the debugger's panes show at a stop: registers with the changed ones
// marked, memory from an address or a label, the disassembly with labels,
// the screen in the colours of colour memory; and the glyph and colour rules
// the screen is drawn with.
#include <QLineEdit>
#include <QRegularExpression>

#include "debugger_fixture.h"
#include "workbench/debugger/disassembly_pane.h"
#include "workbench/debugger/memory_pane.h"
#include "workbench/debugger/registers_pane.h"
#include "plus4/screen_glyphs.h"
#include "workbench/debugger/screen_pane.h"
#include "workbench/debugger/ted_palette.h"

namespace {

const std::string kProgram =
    " ORIGIN $1000\r\n"       // 1
    "CHROUT = $FFD2\r\n"      // 2
    "START: LDX #$00\r\n"     // 3
    " LDA #$80\r\n"           // 4
    " JSR SHOW\r\n"           // 5
    " RTS\r\n"                // 6
    "SHOW: LDA #$08\r\n"      // 7: "H"
    " STA $0C28\r\n"          // 8
    " LDA #$89\r\n"           // 9: "I" in reverse
    " STA $0C29\r\n"          // 10
    " LDA #$32\r\n"           // 11: red, luminance 3
    " STA $0828\r\n"          // 12
    " STA $0829\r\n"          // 13
    " LDA #$41\r\n"           // 14: "A"
    " JSR CHROUT\r\n"         // 15
    " RTS\r\n"                // 16
    "DATA:\r\n"              // 17: $1020
    " BIN.B $DE $AD\r\n";    // 18

class DebuggerPanesTest : public DebuggerTest {
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
};

TEST_F(DebuggerPanesTest, RegistersShowTheStopAndMarkWhatTheStepChanged) {
  runOnBareMachine();  // the bare 6502's start state and screen are what is checked
  TfrmQVEdit& editor = openSource("panes.qv3", kProgram);
  stopAtLine(editor, 4);
  const RegistersPane& registers = *debugger().registersPane();
  EXPECT_EQ(registers.fieldText("PC"), "$1002");
  EXPECT_EQ(registers.fieldText("SP"), "$FD");
  EXPECT_EQ(registers.fieldText("Z"), "1") << "LDX #$00 set Z";
  EXPECT_TRUE(registers.isMarked("Z")) << "P was $24 at the start";
  EXPECT_EQ(registers.fieldText("I"), "1");

  step();  // LDA #$80
  EXPECT_EQ(registers.fieldText("A"), "$80");
  EXPECT_TRUE(registers.isMarked("A"));
  EXPECT_FALSE(registers.isMarked("X"));
  EXPECT_FALSE(registers.isMarked("SP"));
  EXPECT_TRUE(registers.isMarked("PC"));
  EXPECT_EQ(registers.fieldText("N"), "1");
  EXPECT_TRUE(registers.isMarked("N"));
  EXPECT_EQ(registers.fieldText("Z"), "0");
  EXPECT_TRUE(registers.isMarked("Z"));
  EXPECT_FALSE(registers.isMarked("I"));
  EXPECT_FALSE(registers.isMarked("C"));
  EXPECT_EQ(registers.fieldText("Cycles"), "4  (+2)") << "LDX and LDA immediate: 2 cycles each";

  step();  // JSR SHOW
  EXPECT_EQ(registers.fieldText("SP"), "$FB");
  EXPECT_TRUE(registers.isMarked("SP"));
  EXPECT_FALSE(registers.isMarked("A"));
  EXPECT_FALSE(registers.isMarked("N"));
  EXPECT_EQ(registers.fieldText("Cycles"), "10  (+6)");
}

TEST_F(DebuggerPanesTest, MemoryGoesToAnAddressOrALabelAndRefusesOtherText) {
  TfrmQVEdit& editor = openSource("panes.qv3", kProgram);
  stopAtLine(editor, 4);
  MemoryPane& memory = *debugger().memoryPane();

  ASSERT_TRUE(memory.goTo("start"));  // label names ignore letter case
  EXPECT_EQ(memory.address(), 0x1000);
  const QStringList rows = memory.rowsText().split('\n');
  ASSERT_EQ(rows.size(), MemoryPane::kRows);
  EXPECT_TRUE(rows[0].startsWith("1000: A2 00 A9 80 20")) << rows[0].toStdString();
  EXPECT_TRUE(rows[1].startsWith("1010:"));

  ASSERT_TRUE(memory.goTo("DATA"));
  EXPECT_TRUE(memory.rowsText().startsWith("1020: DE AD")) << memory.rowsText().left(30).toStdString();
  ASSERT_TRUE(memory.goTo("$FFF8"));
  EXPECT_TRUE(memory.rowsText().startsWith("FFF0:")) << "rows start on 16-byte boundaries";
  EXPECT_TRUE(memory.rowsText().split('\n')[1].startsWith("0000:")) << "the window wraps past $FFFF";
  ASSERT_TRUE(memory.goTo("3072"));
  EXPECT_EQ(memory.address(), 0x0C00);

  for (const char* wrong : {"NOWHERE", "$10000", "$12G4", "", "65536"}) {
    EXPECT_FALSE(memory.goTo(wrong)) << wrong;
    EXPECT_EQ(memory.address(), 0x0C00) << wrong;
    EXPECT_FALSE(memory.noteText().isEmpty()) << wrong;
  }
  // Typed into the field, as a user does.
  memory.addressField()->setText("show");
  QTest::keyClick(memory.addressField(), Qt::Key_Return);
  EXPECT_EQ(memory.address(), 0x1008);
}

TEST_F(DebuggerPanesTest, DisassemblyShowsLabelsAndMarksPcAndBreakpoints) {
  TfrmQVEdit& editor = openSource("panes.qv3", kProgram);
  breakpoints(editor).toggle(5);  // RTS at $1007
  stopAtLine(editor, 5);          // JSR SHOW at $1004
  const DisassemblyPane& code = *debugger().disassemblyPane();
  const QStringList rows = code.rows();
  ASSERT_GE(code.pcRow(), 0);
  EXPECT_EQ(rows[code.pcRow()], "=> 1004  20 08 10  JSR SHOW");
  EXPECT_TRUE(rows.contains("START:"));
  EXPECT_TRUE(rows.contains(" * 1007  60        RTS"));
  EXPECT_TRUE(rows.contains("SHOW:"));
  EXPECT_TRUE(rows.contains("   101C  20 D2 FF  JSR CHROUT")) << "a constant names a KERNAL address";
  EXPECT_LT(rows.indexOf("START:"), code.pcRow()) << "the code before PC is shown";
  // The program's data is the BIN.B it was written as, not decoded as code.
  const int data = rows.indexOf("DATA:");
  ASSERT_GT(data, code.pcRow());
  EXPECT_TRUE(rows[data + 1].contains(QRegularExpression("^   1020 +BIN\\.B \\$DE \\$AD$"))) << rows[data + 1].toStdString();
}

TEST_F(DebuggerPanesTest, TheScreenShowsScreenCodesInTheirColoursReverseVideoIncluded) {
  runOnBareMachine();  // the bare 6502's start state and screen are what is checked
  openSource("panes.qv3", kProgram);
  startAndWait();
  ASSERT_EQ(session().state(), State::Ended);
  const ScreenPane& screen = *debugger().screenPane();
  const QStringList lines = screen.screenText().split('\n');
  ASSERT_EQ(lines.size(), 25);
  // Fresh memory holds screen code 0, "@"; no KERNAL cleared it.
  EXPECT_TRUE(lines[0].startsWith("A@")) << "CHROUT printed at the cursor";
  EXPECT_TRUE(lines[1].startsWith("HI@")) << lines[1].toStdString();

  const QImage& image = screen.image();
  ASSERT_EQ(image.size(), QSize(320, 200));
  const QRgb red = qRgb(qv3::debugger::TedColour(0x32).R, qv3::debugger::TedColour(0x32).G,
                        qv3::debugger::TedColour(0x32).B);
  const QRgb white = qRgb(qv3::debugger::TedColour(0x71).R, qv3::debugger::TedColour(0x71).G,
                          qv3::debugger::TedColour(0x71).B);
  // "H" on the second row of the screen: .##..##. on its first pixel row.
  EXPECT_EQ(image.pixel(0, 8), white) << "untouched $FF15: the start-up background";
  EXPECT_EQ(image.pixel(1, 8), red);
  EXPECT_EQ(image.pixel(3, 8), white);
  // Reverse "I" (..####..): the ink fills what the glyph leaves empty.
  EXPECT_EQ(image.pixel(8 + 0, 8), red);
  EXPECT_EQ(image.pixel(8 + 3, 8), white);
  EXPECT_EQ(image.pixel(8 + 0, 15), red) << "the empty bottom row, reversed";

  // A program that sets the background to black, the value fresh memory
  // holds, gets black, and white text shows on it.
  openSource("black.qv3",
             " ORIGIN $1000\r\n LDA #$00\r\n STA $FF15\r\n LDA #$71\r\n STA $0800\r\n RTS\r\n");
  startAndWait();
  ASSERT_EQ(session().state(), State::Ended);
  const QImage& black = debugger().screenPane()->image();
  EXPECT_EQ(black.pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_EQ(black.pixel(2, 0), white) << "the @ of screen code 0 in white";
}

TEST(DebuggerScreenRules, ColourAttributesAndGlyphs) {
  using qv3::debugger::TedColour;
  const auto brightness = [](qv3::debugger::Rgb c) { return c.R * 299 + c.G * 587 + c.B * 114; };
  for (int luminance = 0; luminance < 8; ++luminance)
    EXPECT_EQ(TedColour(static_cast<std::uint8_t>(luminance << 4)), qv3::debugger::Rgb{}) << "hue 0 is black";
  for (int hue = 1; hue < 16; ++hue)
    for (int luminance = 1; luminance < 8; ++luminance)
      EXPECT_GT(brightness(TedColour(static_cast<std::uint8_t>(luminance << 4 | hue))),
                brightness(TedColour(static_cast<std::uint8_t>((luminance - 1) << 4 | hue))))
          << "hue " << hue << " luminance " << luminance;
  const qv3::debugger::Rgb grey = TedColour(0x51);
  EXPECT_TRUE(grey.R == grey.G && grey.G == grey.B) << "hue 1 is a grey";
  const qv3::debugger::Rgb red = TedColour(0x32);
  EXPECT_GT(red.R, red.G);
  EXPECT_GT(red.R, red.B);
  EXPECT_EQ(TedColour(0xB2), red) << "the flash bit changes no colour";

  EXPECT_EQ(qv3::plus4::TextOfScreenCode(0x01), 'A');
  EXPECT_EQ(qv3::plus4::TextOfScreenCode(0x1A), 'Z');
  EXPECT_EQ(qv3::plus4::TextOfScreenCode(0x30), '0');
  EXPECT_EQ(qv3::plus4::TextOfScreenCode(0xA0), ' ') << "reverse space";
  for (int code = 0; code < 0x80; ++code) {
    qv3::plus4::Glyph inverted = qv3::plus4::GlyphOfScreenCode(static_cast<std::uint8_t>(code));
    for (std::uint8_t& row : inverted) row = static_cast<std::uint8_t>(~row);
    EXPECT_EQ(qv3::plus4::GlyphOfScreenCode(static_cast<std::uint8_t>(code | 0x80)), inverted) << code;
  }
  EXPECT_NE(qv3::plus4::GlyphOfScreenCode(0x01), qv3::plus4::GlyphOfScreenCode(0x02));
}

}  // namespace
