// SPDX-License-Identifier: GPL-3.0-or-later
// The debug layout: its default proportions in every session, the user's
// arrangement remembered (in the settings too) until "Reset Layout", the
// main window's other docks kept out of it; and what a new session must not
// inherit: the Memory pane's "Go to" text, the data breakpoint dialog's
// note about the raster line.
#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include "debugger_fixture.h"
#include "workbench/debugger/memory_pane.h"
#include "workbench/debugger/watch_dialog.h"

namespace {

const std::string kProgram = " ORIGIN $1000\r\nSTART: LDA #1\r\n RTS\r\n";

class DebugLayoutTest : public DebuggerTest {
 protected:
  void SetUp() override {
    DebuggerTest::SetUp();
    main().resize(1280, 960);
    openSource(QStringLiteral("layout.qv3"), kProgram);
  }
  QDockWidget& dock(const char* name) { return *main().findChild<QDockWidget*>(QString::fromLatin1(name)); }
  QDockWidget& registers() { return dock("registersDock"); }
  QDockWidget& code() { return dock("disassemblyDock"); }
  QDockWidget& references() { return dock("referencesPane"); }
  // A session, and the main window's layout settled around its panes.
  void start() {
    startAndWait();
    QTest::qWait(50);
  }
  void restart() {
    debugger().StopDebugging->trigger();
    start();
  }
  // The registers as tall as their lines; the code with the rest.
  void expectSensibleProportions(const char* when) {
    const int registersNeed = registers().widget()->sizeHint().height();
    EXPECT_LE(registers().widget()->height(), registersNeed + 40) << when << ": the registers take too much";
    EXPECT_GE(registers().widget()->height(), registersNeed - 40) << when << ": the registers are cut";
    EXPECT_GT(code().height(), registers().height()) << when << ": the code has too little room";
    EXPECT_TRUE(main().tabifiedDockWidgets(&code()).contains(&dock("tedDock"))) << when;
    for (const char* pane : {"registersDock", "disassemblyDock", "memoryDock", "screenDock", "stackDock"})
      EXPECT_TRUE(dock(pane).isVisible()) << when << ": " << pane;
  }
};

TEST_F(DebugLayoutTest, EverySessionOpensInSensibleProportions) {
  start();
  expectSensibleProportions("first session");
  const QSize first = code().size();
  restart();
  expectSensibleProportions("second session");
  EXPECT_LE(std::abs(code().height() - first.height()), 4);
  EXPECT_LE(std::abs(code().width() - first.width()), 4);
}

TEST_F(DebugLayoutTest, TheUsersArrangementIsRememberedUntilResetLayout) {
  QTemporaryDir dir;
  QSettings settings(dir.filePath(QStringLiteral("qv3.ini")), QSettings::IniFormat);
  debugger().useSettings(&settings);
  start();
  const int defaultWidth = code().width();
  main().resizeDocks({&code()}, {defaultWidth + 200}, Qt::Horizontal);
  QTest::qWait(50);
  const int usersWidth = code().width();
  ASSERT_GT(usersWidth, defaultWidth + 100);
  restart();
  EXPECT_LE(std::abs(code().width() - usersWidth), 4) << "the user's arrangement is not kept";
  debugger().StopDebugging->trigger();
  const QByteArray kept = settings.value(QStringLiteral("debugger/layout")).toByteArray();
  EXPECT_FALSE(kept.isEmpty()) << "the arrangement is not in the settings";

  // Reset while closed forgets it; a later workbench that finds it in its
  // settings takes it.
  debugger().ResetLayout->trigger();
  EXPECT_FALSE(settings.contains(QStringLiteral("debugger/layout")));
  settings.setValue(QStringLiteral("debugger/layout"), kept);
  debugger().useSettings(&settings);
  start();
  EXPECT_LE(std::abs(code().width() - usersWidth), 4) << "the settings' arrangement is not taken";

  // Reset while open: the default proportions at once.
  debugger().ResetLayout->trigger();
  QTest::qWait(50);
  EXPECT_LE(std::abs(code().width() - defaultWidth), 4);
  expectSensibleProportions("after Reset Layout");
  debugger().useSettings(nullptr);
}

TEST_F(DebugLayoutTest, OtherDocksStayOutOfTheDebugLayoutAndComeBackAfter) {
  references().show();
  start();
  EXPECT_FALSE(references().isVisible()) << "another file's references stay in the debug layout";
  // Opened during the session, they go with it.
  references().show();
  debugger().StopDebugging->trigger();
  EXPECT_TRUE(references().isVisible()) << "the main window's layout is not back";
  start();
  EXPECT_FALSE(references().isVisible()) << "the debug layout remembered a dock not its own";
  debugger().StopDebugging->trigger();
  EXPECT_TRUE(references().isVisible());
}

TEST_F(DebugLayoutTest, ANewSessionStartsWithoutTheLastProgramsGoToOrRasterNote) {
  start();
  MemoryPane& memory = *debugger().memoryPane();
  memory.addressField()->setText(QStringLiteral("START"));
  ASSERT_TRUE(memory.goTo(memory.addressField()->text()));
  openSource(QStringLiteral("other.qv3"), " ORIGIN $2000\r\n RTS\r\n");
  start();
  EXPECT_TRUE(memory.addressField()->text().isEmpty()) << "the label of the last program is still there";

  // The note about the raster line only where it holds: the bare 6502.
  const auto noteShown = [this] {
    std::optional<bool> shown;
    QTimer::singleShot(0, [&] {
      if (auto* dialog = qobject_cast<WatchDialog*>(QApplication::activeModalWidget())) {
        shown = dialog->rasterNoteShown();
        dialog->accept();
      }
    });
    debugger().DataBreakpoints->trigger();
    EXPECT_TRUE(shown.has_value()) << "no dialog";
    return shown.value_or(false);
  };
  EXPECT_FALSE(noteShown()) << "the model is running";
  debugger().StopDebugging->trigger();
  EXPECT_FALSE(noteShown()) << "the next session runs on the model";
  runOnBareMachine();
  EXPECT_TRUE(noteShown()) << "the next session runs on the bare 6502";
  start();
  EXPECT_TRUE(noteShown()) << "the bare 6502 is running";
}

}  // namespace
