// SPDX-License-Identifier: GPL-3.0-or-later
// qv3run --plus4 as a separate program: its stop rules on the machine model
// (a jump to itself is a wait loop while interrupts are enabled), frames,
// the screen as PNG and as text, keys typed through the keyboard matrix,
// and bad options.
#include <gtest/gtest.h>

#include <QImage>
#include <fstream>
#include <sstream>

#include "tests/engine/e2e_support.h"

namespace qv3 {
namespace {

using e2e::ScratchFolder;
using e2e::ShellQuote;

struct ProgramRun {
  int Exit = -1;
  std::string Out, Err;
  std::string LastLine() const {
    std::string text = Out;
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text.substr(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
  }
};

// The program's code after the BASIC line "10 SYS 4109".
void WriteProgram(const ScratchFolder& folder, const std::string& name, const std::string& code) {
  folder.Write(name + ".qv3", "        ORIGIN $1001\n"
                              "        BIN.B $0B $10 $0A $00 $9E $34 $31 $30 $39 $00 $00 $00\n" + code);
}

ProgramRun Qv3run(const ScratchFolder& folder, const std::string& arguments) {
  ProgramRun run;
  run.Exit = e2e::RunShell("cd " + ShellQuote(folder.Path()) + " && " + ShellQuote(QV3RUN_PATH) + " " + arguments +
                           " </dev/null >run.out 2>run.err");
  run.Out = folder.Read("run.out").value_or("");
  run.Err = folder.Read("run.err").value_or("");
  return run;
}

// VICE's RGB of a colour byte, from the palette fixture.
QRgb VicePaletteColour(unsigned colour) {
  std::ifstream in(std::string(QV3_SOURCE_DIR) + "/tests/plus4_vice/palette.txt");
  std::string line;
  while (std::getline(in, line))
    if (line.size() >= 11 && line[0] == '$' && std::stoul(line.substr(1, 2), nullptr, 16) == colour)
      return 0xFF000000u | static_cast<QRgb>(std::stoul(line.substr(5, 6), nullptr, 16));
  ADD_FAILURE() << "no colour $" << std::hex << colour << " in palette.txt";
  return 0;
}

TEST(Qv3runPlus4, StopsLikeQv3runExceptThatAJumpToItselfWaitsForInterrupts) {
  ScratchFolder folder;
  WriteProgram(folder, "disabled", "        SEI\nHOLD:   JMP HOLD\n");
  WriteProgram(folder, "enabled", "        CLI\nHOLD:   JMP HOLD\n");
  WriteProgram(folder, "returns", "        LDA #$05\n        RTS\n");
  WriteProgram(folder, "rom", "        JMP $8000\n");
  WriteProgram(folder, "jam", "        NOP\n        BIN.B $02\n");
  struct Case {
    std::string arguments;
    int exit;
    std::string stopStart;
  };
  const Case cases[] = {
      {"disabled.qv3", 0, "stop: loop at $100E "},
      // The KERNAL's raster interrupt ends each wait: the run goes on to the
      // frame or cycle limit.
      {"--frames 3 enabled.qv3", 0, "stop: frames at $"},
      {"--cycles 100000 enabled.qv3", 3, "stop: cycle limit at $"},
      {"returns.qv3", 0, "stop: returned at $FFFF A=$05 "},
      {"rom.qv3", 4, "stop: rom at $8000 "},
      {"jam.qv3", 4, "stop: jam at $100E "},
  };
  for (const Case& c : cases) {
    const ProgramRun run = Qv3run(folder, "--plus4 " + c.arguments);
    SCOPED_TRACE(c.arguments + "\n" + run.Out + run.Err);
    EXPECT_EQ(run.Exit, c.exit);
    EXPECT_EQ(run.LastLine().rfind(c.stopStart, 0), 0u) << run.LastLine();
  }
  // --frames counts frame ends, and SYS comes in the middle of a frame: one
  // more frame is one whole frame of 312 lines of 114 double-clock cycles,
  // of which the CPU gets more than half with the screen on (single clock
  // in the character window, double clock in the border) and never all.
  const auto cyclesAfter = [&](int frames) {
    const ProgramRun run = Qv3run(folder, "--plus4 --frames " + std::to_string(frames) + " enabled.qv3");
    return std::stoull(run.LastLine().substr(run.LastLine().find("cycles=") + 7));
  };
  const auto three = cyclesAfter(3), frame = cyclesAfter(4) - three;
  EXPECT_GT(three, 2u * 312 * 57);
  EXPECT_LT(three, 3u * 312 * 114);
  EXPECT_GT(frame, 312u * 57);
  EXPECT_LT(frame, 312u * 109);  // five refresh cycles a line are the TED's
}

TEST(Qv3runPlus4, TheScreenAsPngAndAsText) {
  ScratchFolder folder;
  WriteProgram(folder, "hello",
               "        LDA #$32\n        STA $FF19\n        LDA #$93\n        JSR $FFD2\n"
               "        LDX #0\nNEXT:   LDA TEXT,X\n        BEQ DONE\n        JSR $FFD2\n        INX\n        BNE NEXT\n"
               "DONE:   JMP DONE\nTEXT:\n        BIN.B $48 $45 $4C $4C $4F $0D $50 $4C $55 $53 $2F $34 $00\n");
  const ProgramRun run = Qv3run(folder, "--plus4 --frames 5 --screen shot.png --screen-text hello.qv3");
  ASSERT_EQ(run.Exit, 0) << run.Out << run.Err;
  std::istringstream lines(run.Out);
  std::vector<std::string> screen;
  for (std::string line; std::getline(lines, line);) screen.push_back(line);
  ASSERT_EQ(screen.size(), 26u) << run.Out;  // 25 screen lines, then the stop line
  EXPECT_EQ(screen[0], "HELLO" + std::string(35, ' '));
  EXPECT_EQ(screen[1], "PLUS/4" + std::string(34, ' '));
  EXPECT_EQ(screen[24], std::string(40, ' '));
  const QImage shot(QString::fromStdString(folder.PathOf("shot.png")));
  ASSERT_FALSE(shot.isNull());
  EXPECT_EQ(shot.size(), QSize(384, 288));
  // The border in VICE's colour of $32, on every side.
  for (const QPoint corner : {QPoint(0, 0), QPoint(383, 0), QPoint(0, 287), QPoint(383, 287)})
    EXPECT_EQ(shot.pixel(corner) | 0xFF000000u, VicePaletteColour(0x32)) << corner.x() << "," << corner.y();
  const ProgramRun unwritable = Qv3run(folder, "--plus4 --frames 1 --screen /nonexistent/shot.png hello.qv3");
  EXPECT_EQ(unwritable.Exit, 2);
  EXPECT_NE(unwritable.Err.find("cannot write the screen"), std::string::npos) << unwritable.Err;
}

TEST(Qv3runPlus4, KeysAreTypedThroughTheMatrixAndReachGetin) {
  ScratchFolder folder;
  // Keeps what GETIN returns at $3000 on, the count at $2FFF.
  WriteProgram(folder, "keys",
               "        LDA #0\n        STA $2FFF\nWAIT:   JSR $FFE4\n        BEQ WAIT\n        LDX $2FFF\n"
               "        STA $3000,X\n        INC $2FFF\n        JMP WAIT\n");
  const ProgramRun run = Qv3run(folder, "--plus4 --frames 80 --keys 'a1 z\n' --dump '$2FFF:6' keys.qv3");
  ASSERT_EQ(run.Exit, 0) << run.Out << run.Err;
  EXPECT_EQ(run.Out.substr(0, 24), "2FFF: 05 41 31 20 5A 0D\n") << run.Out;
}

TEST(Qv3runPlus4, OptionsOfTheModelNeedPlus4AndTypableKeys) {
  ScratchFolder folder;
  WriteProgram(folder, "p", "        RTS\n");
  for (const std::string arguments : {"--frames 3 p.qv3", "--screen x.png p.qv3", "--screen-text p.qv3",
                                      "--plus4 --keys '\t' p.qv3", "--plus4 --frames x p.qv3"}) {
    const ProgramRun run = Qv3run(folder, arguments);
    EXPECT_EQ(run.Exit, 2) << arguments;
    EXPECT_NE(run.Err.find("qv3run: "), std::string::npos) << arguments;
  }
}

}  // namespace
}  // namespace qv3
