// SPDX-License-Identifier: GPL-3.0-or-later
// qv3 itself under openbox with real key presses: a key still reaches its
// menu item after a menu was opened and closed with Escape. The fault was
// Qt refusing the key as "Ambiguous shortcut overload" once the menu had
// been open.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "x_tools.h"

namespace {

QString Xdotool(const QStringList& arguments, int timeoutMs = 15000) {
  return RunTool(QStringLiteral("xdotool"), arguments, timeoutMs).trimmed();
}

// The first visible window whose name matches; "" when none shows in time.
QString WaitForWindow(const QString& namePattern, int timeoutMs = 20000) {
  return Xdotool({"search", "--sync", "--onlyvisible", "--name", namePattern}, timeoutMs).section('\n', 0, 0);
}

bool WindowGone(const QString& window) {
  return WaitUntil([&] {
    return !Xdotool({"search", "--onlyvisible", "--name", "^Open$"}).split('\n').contains(window);
  });
}

TEST(MenuKeysUnderOpenbox, F3OpensTheOpenDialogAfterAMenuWasClosedWithEscape) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString source = folder.filePath("keys.asm");
  {
    QFile out(source);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(" LDA #1\n RTS\n");
  }
  QProcess qv3;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "xcb");
  environment.insert("XDG_CONFIG_HOME", folder.filePath("config"));  // its recent files stay here
  qv3.setProcessEnvironment(environment);
  qv3.setWorkingDirectory(folder.path());
  qv3.start(QStringLiteral(QV3_PATH), {source});
  ASSERT_TRUE(qv3.waitForStarted());

  const QString main = WaitForWindow("keys\\.asm");
  ASSERT_FALSE(main.isEmpty()) << "qv3 showed no window with the document";
  Xdotool({"windowactivate", "--sync", main});
  QTest::qWait(300);

  const QString pid = QString::number(qv3.processId());
  const auto visibleWindows = [&] {
    return Xdotool({"search", "--onlyvisible", "--pid", pid}).split('\n', Qt::SkipEmptyParts).size();
  };
  // Each way of leaving a menu, then F3 (File > Open...).
  struct Visit {
    QStringList keys;
    bool dropsMenu;  // the first key opens a drop-down menu
  };
  const std::vector<Visit> visits{
      {{"alt+f", "Escape"}, true},
      {{"alt+f", "Right", "Escape", "Escape"}, true},  // the next menu, then out of the menu bar
      {{"alt", "Escape"}, false},                       // the menu bar alone
  };
  for (const Visit& visit : visits) {
    SCOPED_TRACE(visit.keys.join(' ').toStdString());
    const int before = visibleWindows();
    for (const QString& key : visit.keys) {
      Xdotool({"key", key});
      QTest::qWait(250);
      if (visit.dropsMenu && key == visit.keys.front()) {
        EXPECT_GT(visibleWindows(), before) << "no menu opened";
      }
    }
    Xdotool({"key", "F3"});
    const QString open = WaitForWindow("^Open$", 10000);
    ASSERT_FALSE(open.isEmpty()) << "F3 did not open the Open dialog";
    // To the focus, the modal dialog: a key sent to one window by id can
    // fail half-way and leave the key held down for the next window.
    Xdotool({"key", "Escape"});
    EXPECT_TRUE(WindowGone(open));
    Xdotool({"windowactivate", "--sync", main});
    QTest::qWait(250);
  }

  qv3.terminate();
  qv3.waitForFinished(10000);
  const QString errors = QString::fromLocal8Bit(qv3.readAllStandardError());
  EXPECT_FALSE(errors.contains("Ambiguous shortcut overload")) << errors.toStdString();
}

}  // namespace
