// SPDX-License-Identifier: GPL-3.0-or-later
// The workbench on a real X server under a real window manager
// (run_under_openbox.sh): frames, focus and keys as a desktop gives them.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "xcb");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
