// The program's windows with scripted dialogs in a scratch folder, and the
// file and keyboard helpers the workbench tests share.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>

#include "scripted_dialogs.h"
#include "workbench/editor_window.h"
#include "workbench/workbench_windows.h"

class WorkbenchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    windows = std::make_unique<WorkbenchWindows>(&dialogs);
    main().show();
    main().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main()));
  }
  void TearDown() override {
    windows.reset();
    EXPECT_TRUE(dialogs.yesNoAnswers.empty()) << "scripted answers left over";
    EXPECT_TRUE(dialogs.saveAnswers.empty()) << "scripted answers left over";
    EXPECT_TRUE(dialogs.openAnswers.empty()) << "scripted answers left over";
  }

  TfrmQV3& main() { return windows->frmQV3; }
  QString path(const QString& name) const { return folder.filePath(name); }

  static void writeBytes(const QString& file, const std::string& bytes) {
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    ASSERT_EQ(out.write(bytes.data(), static_cast<qint64>(bytes.size())),
              static_cast<qint64>(bytes.size()));
  }
  static std::string readBytes(const QString& file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) return "<unreadable>";
    return in.readAll().toStdString();
  }

  // A key pressed in the focused widget of the main window, through the
  // shortcut machinery as a real key press would go.
  void press(QKeySequence key) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &main();
    QTest::keySequence(target, key);
  }

  QTemporaryDir folder;
  ScriptedDialogs dialogs;
  std::unique_ptr<WorkbenchWindows> windows;
};
