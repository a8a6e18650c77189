// The Preferences: kept in QSettings, shown and edited in the dialog, and
// read at every "Compile && Run".
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>

#include "workbench/emulator/launch_settings.h"
#include "workbench/emulator/preferences_dialog.h"
#include "workbench/emulator/workbench_launcher.h"

namespace {

class Settings : public ::testing::Test {
 protected:
  QTemporaryDir folder;
  QSettings settings{folder.filePath("qv3.conf"), QSettings::IniFormat};
};

TEST_F(Settings, EveryChoiceSurvivesSavingAndLoading) {
  for (EmulatorChoice choice : {EmulatorChoice::Automatic, EmulatorChoice::BuiltIn, EmulatorChoice::Xplus4,
                                EmulatorChoice::Plus4emu, EmulatorChoice::Custom}) {
    SaveLaunchPreferences(settings, {choice, "emu \"a b\" %f"});
    QSettings again(settings.fileName(), QSettings::IniFormat);
    const LaunchPreferences loaded = LoadLaunchPreferences(again);
    EXPECT_EQ(loaded.emulator, choice);
    EXPECT_EQ(loaded.customCommand, "emu \"a b\" %f");
  }
}

TEST_F(Settings, NothingStoredOrAnUnknownWordMeansAutomatic) {
  EXPECT_EQ(LoadLaunchPreferences(settings).emulator, EmulatorChoice::Automatic);
  settings.setValue("run/emulator", "commodore-dream-machine");
  EXPECT_EQ(LoadLaunchPreferences(settings).emulator, EmulatorChoice::Automatic);
}

TEST(PreferencesDialog, ShowsEditsAndRefusesAnUnusableCustomCommand) {
  PreferencesDialog dialog({EmulatorChoice::Plus4emu, ""});
  EXPECT_EQ(dialog.choices()->checkedId(), static_cast<int>(EmulatorChoice::Plus4emu));
  EXPECT_FALSE(dialog.customCommand()->isEnabled());
  dialog.choices()->button(static_cast<int>(EmulatorChoice::Custom))->click();
  EXPECT_TRUE(dialog.customCommand()->isEnabled());
  dialog.customCommand()->setText("  ");
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Rejected) << "an empty command is not accepted";
  dialog.customCommand()->setText("  myemu --autostart %f ");
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.preferences().emulator, EmulatorChoice::Custom);
  EXPECT_EQ(dialog.preferences().customCommand, "myemu --autostart %f");
}

// The built-in machine as the launcher sees it.
class FakeMachine final : public BuiltInMachine {
 public:
  QString missing;
  QStringList runs;
  QString missingParts() const override { return missing; }
  void runProgram(const QString& program, const QString& labels) override { runs << program + "|" + labels; }
};

TEST(WorkbenchLauncher, ReadsThePreferencesAtEveryStartAndReportsWhatFailed) {
  FakeMachine machine;
  LaunchPreferences preferences{EmulatorChoice::BuiltIn, {}};
  QStringList started;
  bool startWorks = true;
  WorkbenchLauncher launcher(
      &machine, [&] { return preferences; }, [](const QString& name) { return name == "xplus4" ? "/bin/xplus4" : QString(); },
      [&](const LaunchCommand& command, const QString& folder) {
        started << command.program + " in " + folder;
        return startWorks;
      });
  launcher.openProgram("/p/a.prg", "/p", "/l/a.lbl");
  EXPECT_EQ(machine.runs, QStringList{"/p/a.prg|/l/a.lbl"});
  EXPECT_TRUE(started.isEmpty());
  EXPECT_TRUE(launcher.takeStatusNote().isEmpty());

  preferences.emulator = EmulatorChoice::Xplus4;  // changed in the dialog since
  startWorks = false;
  launcher.openProgram("/p/a.prg", "/p", "");
  EXPECT_EQ(started, QStringList{"/bin/xplus4 in /p"});
  const QString note = launcher.takeStatusNote();
  EXPECT_TRUE(note.contains("Could not start") && note.contains("/bin/xplus4")) << note.toStdString();
  EXPECT_TRUE(launcher.takeStatusNote().isEmpty()) << "a note is given once";
}

TEST(WorkbenchLauncher, WithoutABuiltInMachineSaysHowToGetOne) {
  QStringList started;
  WorkbenchLauncher launcher(
      nullptr, [] { return LaunchPreferences{EmulatorChoice::BuiltIn, {}}; }, [](const QString&) { return QString(); },
      [&](const LaunchCommand& command, const QString&) {
        started << command.program;
        return true;
      });
  launcher.openProgram("/p/a.prg", "/p", "");
  EXPECT_EQ(started, QStringList{"xdg-open"});
  EXPECT_TRUE(launcher.takeStatusNote().contains("qt6-webengine-dev"));
}

}  // namespace
