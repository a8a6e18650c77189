// The workbench: the main window with its documents until it closes.
#include <QApplication>

#include "workbench/program_info.h"
#include "workbench/workbench_windows.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(kProgramName));
  WorkbenchWindows windows;
  windows.frmQV3.showMaximized();
  return application.exec();
}
