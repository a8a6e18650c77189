// SPDX-License-Identifier: GPL-3.0-or-later
// The X tools the window manager tests ask (xprop, xdotool): what the
// manager says about a window comes from outside the program under test.
#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>
#include <functional>

// Standard output of a tool; the event loop keeps running meanwhile, so the
// program's own windows answer the X server while the tool waits.
inline QString RunTool(const QString& tool, const QStringList& arguments, int timeoutMs = 15000) {
  QProcess process;
  process.start(tool, arguments);
  QElapsedTimer clock;
  clock.start();
  while (process.state() != QProcess::NotRunning && clock.elapsed() < timeoutMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    process.waitForFinished(10);
  }
  if (process.state() != QProcess::NotRunning) {
    process.kill();
    process.waitForFinished();
  }
  return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// Polls until the condition holds or the time is up; gives the last answer.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > timeoutMs) return false;
    QTest::qWait(50);
  }
  return true;
}

// The value part of `xprop -id WINDOW PROPERTY` ("" when not set).
inline QString WindowProperty(unsigned long window, const QString& property) {
  const QString line = RunTool(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window), property});
  const int at = line.indexOf(QLatin1Char('='));
  return at < 0 ? QString() : line.mid(at + 1).trimmed();
}
