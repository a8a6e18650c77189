// SPDX-License-Identifier: GPL-3.0-or-later
// The debugger at real speed: the pace of frames against the clock, the
// once-a-frame signal, and keys and joystick from the Screen pane reaching a
// program that scans the keyboard matrix while it runs.
#include <QAction>
#include <QElapsedTimer>
#include <QFocusEvent>

#include "debugger_fixture.h"
#include "workbench/debugger/frame_pacer.h"
#include "workbench/debugger/run_options_menu.h"
#include "workbench/debugger/screen_pane.h"

namespace {

using qv3::debugger::FramePacer;
using qv3::debugger::RunSpeed;

TEST(FramePacer, AllowsAFrameEvery20MillisecondsAndGivesUpABacklog) {
  FramePacer pacer;
  pacer.restart(100, 1000);
  struct Case {
    std::uint64_t done;
    std::int64_t now;
    std::uint64_t due;
    int wait;  // milliseconds until the frame after done
  };
  // In order: framesDue may move the clock's zero.
  const Case cases[] = {
      {100, 1000, 101, 0},   // the frame in progress at once
      {101, 1019, 101, 1},   // the next one not before 20 ms
      {101, 1020, 102, 0},
      {102, 1105, 106, 0},   // behind by 4: all of them, no more
      {106, 1105, 106, 15},
      {106, 1400, 107, 0},   // behind by 15: given up, the clock starts again
      {107, 1410, 107, 10},
      {107, 1420, 108, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(pacer.framesDue(c.done, c.now), c.due) << "done " << c.done << " at " << c.now;
    EXPECT_EQ(pacer.millisecondsUntilDue(c.done, c.now), c.wait) << "done " << c.done << " at " << c.now;
  }
}

class DebuggerSpeedTest : public DebuggerTest {
 protected:
  std::uint8_t peek(std::uint16_t address) { return session().machine()->Peek(address); }
  // Whether the byte at address reads value within the time (the program
  // keeps running meanwhile).
  bool waitFor(std::uint16_t address, std::uint8_t value, int milliseconds = 2000) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
      if (session().machine() && peek(address) == value) return true;
      QTest::qWait(2);
    }
    return false;
  }
  ScreenPane& screen() { return *debugger().screenPane(); }
};

TEST_F(DebuggerSpeedTest, RealSpeedRunsFiftyFramesASecondAndSignalsEachFrame) {
  openSource(QStringLiteral("wait.qv3"), " ORIGIN $1000\r\nWAIT: JMP WAIT\r\n");
  session().setRunSpeed(RunSpeed::Real);
  int signalled = 0;
  QObject::connect(&session(), &DebugSession::frameEmulated, &session(), [&] { ++signalled; });
  debugger().startDebugging();
  ASSERT_EQ(session().state(), State::Running);
  const std::uint64_t firstFrame = session().machine()->FrameCount();
  signalled = 0;  // the start ran its first frame already
  QElapsedTimer clock;
  clock.start();
  QTest::qWait(600);
  const std::uint64_t frames = session().machine()->FrameCount() - firstFrame;
  const qint64 elapsed = clock.elapsed();
  // Never ahead of the clock (one frame runs at once, one may be under
  // way); behind only as far as a loaded host lags.
  EXPECT_LE(frames, static_cast<std::uint64_t>(elapsed / 20 + 2)) << frames << " frames in " << elapsed << " ms";
  EXPECT_GE(frames, static_cast<std::uint64_t>(elapsed / 20 / 4)) << frames << " frames in " << elapsed << " ms";
  EXPECT_EQ(static_cast<std::uint64_t>(signalled), frames) << "one signal a frame";

  // As fast as possible: no frame signals, and Pause still stops it.
  session().setRunSpeed(RunSpeed::Fastest);
  signalled = 0;
  QTest::qWait(200);
  EXPECT_EQ(signalled, 0);
  debugger().Pause->trigger();
  EXPECT_EQ(session().state(), State::Stopped);
}

// Reads the keyboard as games do: joystick 2 into $2000, the matrix row of
// A, W, S ... into $2001, round and round with interrupts off.
const std::string kScanner =
    " ORIGIN $1000\r\n SEI\r\n"
    "LOOP: LDA #$FF\r\n STA $FD30\r\n LDA #$FD\r\n STA $FF08\r\n LDA $FF08\r\n STA $2000\r\n"
    " LDA #$FD\r\n STA $FD30\r\n LDA #$FF\r\n STA $FF08\r\n LDA $FF08\r\n STA $2001\r\n JMP LOOP\r\n";
constexpr std::uint8_t kNothing = 0xFF;
constexpr std::uint8_t kKeyA = 0xFB;          // row 1, column 2
constexpr std::uint8_t kJoystickRight = 0xF7;  // bit 3

TEST_F(DebuggerSpeedTest, KeysAreHeldWhileHeldAndTheCursorKeysPlayTheChosenJoystick) {
  openSource(QStringLiteral("scan.qv3"), kScanner);
  session().setRunSpeed(RunSpeed::Real);
  debugger().startDebugging();
  ASSERT_TRUE(waitFor(0x2001, kNothing));
  screen().setFocus();

  // Held: down for as long as the key is.
  QTest::keyPress(&screen(), Qt::Key_A);
  ASSERT_TRUE(waitFor(0x2001, kKeyA)) << "the key does not reach the matrix";
  QTest::qWait(300);
  EXPECT_EQ(peek(0x2001), kKeyA) << "a held key stays down";
  QTest::keyRelease(&screen(), Qt::Key_A);
  EXPECT_TRUE(waitFor(0x2001, kNothing)) << "a key let go stays down";

  // A tap quicker than a frame is still seen by a scan.
  QTest::keyClick(&screen(), Qt::Key_A);
  EXPECT_TRUE(waitFor(0x2001, kKeyA, 500)) << "a tap is lost";
  EXPECT_TRUE(waitFor(0x2001, kNothing));

  // Leaving the pane lets go of what is held there.
  QTest::keyPress(&screen(), Qt::Key_A);
  ASSERT_TRUE(waitFor(0x2001, kKeyA));
  QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(&screen(), &leave);
  EXPECT_TRUE(waitFor(0x2001, kNothing)) << "the key stuck after the focus left";

  // Joystick 2: the cursor keys move it and are no keys of the matrix.
  debugger().runOptions()->JoystickPort2->trigger();
  screen().setFocus();
  QTest::keyPress(&screen(), Qt::Key_Right);
  ASSERT_TRUE(waitFor(0x2000, kJoystickRight)) << "the joystick does not move";
  QTest::keyPress(&screen(), Qt::Key_Space);
  EXPECT_TRUE(waitFor(0x2000, kJoystickRight & ~0x80)) << "fire is bit 7 on port 2";
  QTest::keyRelease(&screen(), Qt::Key_Space);
  QTest::keyRelease(&screen(), Qt::Key_Right);
  EXPECT_TRUE(waitFor(0x2000, kNothing));
  EXPECT_EQ(peek(0x2001), kNothing);
  debugger().runOptions()->NoJoystick->trigger();
  debugger().StopDebugging->trigger();
}

}  // namespace
