#include "workbench/emulator/launch_settings.h"

#include <QSettings>
#include <array>
#include <utility>

#include "workbench/program_info.h"

namespace {

const QString kEmulatorKey = QStringLiteral("run/emulator");
const QString kCustomKey = QStringLiteral("run/customCommand");

// Stored as words, so the file stays readable and survives reordering.
const std::array<std::pair<EmulatorChoice, const char*>, 5> kChoiceWords{{
    {EmulatorChoice::Automatic, "automatic"},
    {EmulatorChoice::BuiltIn, "built-in"},
    {EmulatorChoice::Xplus4, "xplus4"},
    {EmulatorChoice::Plus4emu, "plus4emu"},
    {EmulatorChoice::Custom, "custom"},
}};

}  // namespace

QSettings* NewWorkbenchSettings() {
  // The file the rest of the workbench keeps its settings in (recent files).
  return new QSettings(QString::fromLatin1(kProgramName), QStringLiteral("qv3"));
}

LaunchPreferences LoadLaunchPreferences(const QSettings& settings) {
  LaunchPreferences preferences;
  const QString word = settings.value(kEmulatorKey).toString();
  for (const auto& [choice, name] : kChoiceWords)
    if (word == QLatin1String(name)) preferences.emulator = choice;
  preferences.customCommand = settings.value(kCustomKey).toString();
  return preferences;
}

void SaveLaunchPreferences(QSettings& settings, const LaunchPreferences& preferences) {
  for (const auto& [choice, name] : kChoiceWords)
    if (choice == preferences.emulator) settings.setValue(kEmulatorKey, QLatin1String(name));
  settings.setValue(kCustomKey, preferences.customCommand);
  settings.sync();
}
