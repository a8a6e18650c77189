// Program start: the four windows, and the program itself under the
// offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>

#include "scripted_dialogs.h"
#include "workbench/workbench_windows.h"

namespace {

TEST(ProgramStart, FourWindowsInOrderOnlyTheMainOneShown) {
  ScriptedDialogs dialogs;
  WorkbenchWindows windows(&dialogs);
  windows.frmQV3.show();
  const QObjectList children = windows.frmQV3.children();
  const auto position = [&](const QObject& child) { return children.indexOf(&child); };
  EXPECT_LT(position(windows.frmProcess), position(windows.frmAbout));
  EXPECT_LT(position(windows.frmAbout), position(windows.frmSearch));
  EXPECT_FALSE(windows.frmProcess.isVisible());
  EXPECT_FALSE(windows.frmAbout.isVisible());
  EXPECT_FALSE(windows.frmSearch.isVisible());
  EXPECT_EQ(windows.frmQV3.activeEditor(), nullptr);
}

TEST(ProgramStart, ClosingTheMainWindowEndsTheMessageLoopWhileOthersAreOpen) {
  ScriptedDialogs dialogs;
  WorkbenchWindows windows(&dialogs);
  windows.frmQV3.show();
  windows.frmProcess.show();  // a failed compile leaves it open
  QTimer::singleShot(0, &windows.frmQV3, [&] { windows.frmQV3.close(); });
  QTimer safety;  // ends the loop with a failure code if closing did not
  safety.setSingleShot(true);
  QObject::connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  safety.start(5000);
  EXPECT_EQ(QApplication::exec(), 0);
}

TEST(ProgramStart, ProgressWindowHasNoTitleButtonsAndCloses) {
  TfrmProcess frmProcess;
  EXPECT_EQ(frmProcess.windowTitle(), "Compiling...");
  EXPECT_EQ(frmProcess.lbWhat->text(), "lbWhat");
  EXPECT_EQ(frmProcess.lbProgress->text(), "-");
  EXPECT_EQ(frmProcess.BitBtn1->text(), "&Close");
  EXPECT_FALSE(frmProcess.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(frmProcess.windowFlags() & Qt::WindowMinMaxButtonsHint);
  EXPECT_EQ(frmProcess.minimumSize(), frmProcess.maximumSize());
  frmProcess.show();
  frmProcess.BitBtn1->click();
  EXPECT_FALSE(frmProcess.isVisible());
}

TEST(ProgramStart, ProgramRunsUntilItIsEnded) {
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  program.setProcessEnvironment(environment);
  program.start(QV3_PATH, {});
  ASSERT_TRUE(program.waitForStarted(5000));
  EXPECT_FALSE(program.waitForFinished(1000)) << "the program must wait in its message loop: "
                                              << program.readAllStandardError().toStdString();
  program.kill();
  EXPECT_TRUE(program.waitForFinished(5000));
}

}  // namespace
