// The workbench: the main window with its documents until it closes.
#include <QApplication>
#include <QSettings>
#include <QTimer>

#include "workbench/emulator/emulator_startup.h"
#include "workbench/emulator/run_menu.h"
#include "workbench/command_line_files.h"
#include "workbench/debugger/debugger_ui.h"
#include "workbench/file_change_watch.h"
#include "workbench/message_pane_size.h"
#include "workbench/program_icon.h"
#include "workbench/program_info.h"
#include "workbench/recent_files.h"
#include "workbench/workbench_windows.h"

int main(int argc, char** argv) {
  PrepareEmulatorEnvironment();  // before the application object
  QApplication application(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(kProgramName));
  QApplication::setWindowIcon(ProgramIcon());
  QSettings settings(QString::fromLatin1(kProgramName), QStringLiteral("qv3"));
  WorkbenchWindows windows;
  // All three belong to the main window.
  new RecentFiles(windows.frmQV3, settings);
  new FileChangeWatch(windows.frmQV3);
  new MessagePaneSize(windows.frmQV3, settings);
  if (auto* debugger = windows.frmQV3.findChild<DebuggerUi*>(QStringLiteral("debugger"))) debugger->useSettings(&settings);
  // "Compile && Run" with the Preferences' emulator or the built-in Plus/4.
  const RunWiring run(windows.frmQV3, CreateBuiltInMachine(&windows.frmQV3));
  windows.frmQV3.showMaximized();
  // Once the main window is on screen, so a message about a missing file
  // stands over it.
  const QStringList files = FileArguments(QApplication::arguments());
  QTimer::singleShot(0, &windows.frmQV3, [&] { OpenFilesFromCommandLine(windows.frmQV3, files); });
  return application.exec();
}
