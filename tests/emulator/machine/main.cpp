// The real machine's tests: the web engine's environment first, then one
// QApplication on the X server (the core draws with WebGL, which the
// offscreen platform cannot give it).
#include <gtest/gtest.h>

#include <QApplication>

#include "workbench/emulator/emulator_startup.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "xcb");
  PrepareEmulatorEnvironment();
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
