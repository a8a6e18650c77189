// Which program "Compile && Run" starts, by what is installed.
#include <gtest/gtest.h>

#include "workbench/launcher.h"

namespace {

QString OnlyVice(const QString& name) { return name == "xplus4" ? "/usr/bin/xplus4" : QString(); }
QString OnlyPlus4emu(const QString& name) { return name == "plus4emu" ? "/usr/bin/plus4emu" : QString(); }
QString Nothing(const QString&) { return {}; }

TEST(LaunchCommand, ViceAutostartsWithTheLabelFileForItsMonitor) {
  const LaunchCommand command = ChooseLaunchCommand("/p/game.prg", "/run/qv3/game.lbl", OnlyVice);
  EXPECT_EQ(command.program, "/usr/bin/xplus4");
  EXPECT_EQ(command.arguments,
            (QStringList{"-moncommands", "/run/qv3/game.lbl", "-autostart", "/p/game.prg"}));
  EXPECT_EQ(ChooseLaunchCommand("/p/game.prg", "", OnlyVice).arguments,
            (QStringList{"-autostart", "/p/game.prg"}))
      << "no label file, no monitor commands";
}

TEST(LaunchCommand, Plus4emuThenTheDesktop) {
  const LaunchCommand emu = ChooseLaunchCommand("/p/game.prg", "/l.lbl", OnlyPlus4emu);
  EXPECT_EQ(emu.program, "/usr/bin/plus4emu");
  EXPECT_EQ(emu.arguments, (QStringList{"-prg", "/p/game.prg"}));
  const LaunchCommand desktop = ChooseLaunchCommand("/p/game.prg", "/l.lbl", Nothing);
  EXPECT_EQ(desktop.program, "xdg-open");
  EXPECT_EQ(desktop.arguments, QStringList{"/p/game.prg"});
}

}  // namespace
