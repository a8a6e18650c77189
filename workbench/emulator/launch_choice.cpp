#include "workbench/emulator/launch_choice.h"

#include <QProcess>

namespace {

QString ChoiceName(EmulatorChoice choice) {
  switch (choice) {
    case EmulatorChoice::Xplus4: return QStringLiteral("xplus4");
    case EmulatorChoice::Plus4emu: return QStringLiteral("plus4emu");
    case EmulatorChoice::BuiltIn: return QStringLiteral("the built-in Plus/4");
    case EmulatorChoice::Custom: return QStringLiteral("the custom command");
    case EmulatorChoice::Automatic: break;
  }
  return {};
}

LaunchCommand ViceCommand(const QString& vice, const QString& programPath, const QString& labels) {
  QStringList arguments;
  if (!labels.isEmpty()) arguments << QStringLiteral("-moncommands") << labels;
  arguments << QStringLiteral("-autostart") << programPath;
  return {vice, arguments};
}

// The automatic order. The note of a refused choice comes first, then what
// is missing when the desktop's opener is all that is left.
LaunchPlan FirstAvailable(const QString& programPath, const QString& labels,
                          const std::function<QString(const QString&)>& findExecutable,
                          const QString& builtInMissing, QString note) {
  if (const QString vice = findExecutable(QStringLiteral("xplus4")); !vice.isEmpty())
    return {LaunchPlan::Target::External, ViceCommand(vice, programPath, labels), note};
  if (const QString emu = findExecutable(QStringLiteral("plus4emu")); !emu.isEmpty())
    return {LaunchPlan::Target::External, {emu, {QStringLiteral("-prg"), programPath}}, note};
  if (builtInMissing.isEmpty()) return {LaunchPlan::Target::BuiltIn, {}, note};
  const QString missing =
      QStringLiteral("No Plus/4 emulator: xplus4 and plus4emu are not on the PATH and %1 "
                     "The program was handed to xdg-open.")
          .arg(builtInMissing);
  if (!note.isEmpty()) note += QLatin1Char(' ');
  return {LaunchPlan::Target::External, {QStringLiteral("xdg-open"), {programPath}}, note + missing};
}

}  // namespace

LaunchCommand ExpandCustomCommand(const QString& commandLine, const QString& programPath) {
  // splitCommand drops an unclosed quote silently; count them first so a
  // typing slip is refused rather than run with a truncated argument.
  if (commandLine.count(QLatin1Char('"')) % 2 != 0) return {};
  QStringList words = QProcess::splitCommand(commandLine);
  if (words.isEmpty()) return {};
  const QString program = words.takeFirst();
  bool placed = false;
  for (QString& word : words) {
    if (word.contains(QStringLiteral("%f"))) {
      word.replace(QStringLiteral("%f"), programPath);
      placed = true;
    }
  }
  if (!placed) words << programPath;
  return {program, words};
}

LaunchPlan ChooseLaunch(const QString& programPath, const QString& debugLabels,
                        const LaunchPreferences& preferences,
                        const std::function<QString(const QString&)>& findExecutable,
                        const QString& builtInMissing) {
  QString refused;
  switch (preferences.emulator) {
    case EmulatorChoice::Automatic:
      break;
    case EmulatorChoice::BuiltIn:
      if (builtInMissing.isEmpty()) return {LaunchPlan::Target::BuiltIn, {}, {}};
      refused = QStringLiteral("The built-in Plus/4 chosen in the Preferences cannot run: %1")
                    .arg(builtInMissing);
      break;
    case EmulatorChoice::Xplus4:
      if (const QString vice = findExecutable(QStringLiteral("xplus4")); !vice.isEmpty())
        return {LaunchPlan::Target::External, ViceCommand(vice, programPath, debugLabels), {}};
      refused = QStringLiteral("xplus4, chosen in the Preferences, is not on the PATH.");
      break;
    case EmulatorChoice::Plus4emu:
      if (const QString emu = findExecutable(QStringLiteral("plus4emu")); !emu.isEmpty())
        return {LaunchPlan::Target::External, {emu, {QStringLiteral("-prg"), programPath}}, {}};
      refused = QStringLiteral("plus4emu, chosen in the Preferences, is not on the PATH.");
      break;
    case EmulatorChoice::Custom: {
      LaunchCommand command = ExpandCustomCommand(preferences.customCommand, programPath);
      if (command.program.isEmpty()) {
        refused = QStringLiteral("The custom emulator command in the Preferences is empty or "
                                 "has an unclosed quote.");
        break;
      }
      const QString found = findExecutable(command.program);
      if (found.isEmpty()) {
        refused = QStringLiteral("The custom emulator command's program \"%1\" is not found.")
                      .arg(command.program);
        break;
      }
      command.program = found;
      return {LaunchPlan::Target::External, command, {}};
    }
  }
  if (!refused.isEmpty() && preferences.emulator != EmulatorChoice::Automatic)
    refused += QStringLiteral(" Used the first emulator found instead of %1.")
                   .arg(ChoiceName(preferences.emulator));
  return FirstAvailable(programPath, debugLabels, findExecutable, builtInMissing, refused);
}
