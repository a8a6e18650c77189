#include "workbench/launcher.h"

#include <QProcess>
#include <QStandardPaths>

namespace {
QString FindOnPath(const QString& name) { return QStandardPaths::findExecutable(name); }
}  // namespace

LaunchCommand ChooseLaunchCommand(const QString& programPath, const QString& debugLabels,
                                  QString (*findExecutable)(const QString& name)) {
  // Both emulators load the file and type RUN, so a program that starts
  // with a BASIC SYS line runs at once.
  if (const QString vice = findExecutable(QStringLiteral("xplus4")); !vice.isEmpty()) {
    QStringList arguments;
    if (!debugLabels.isEmpty()) arguments << QStringLiteral("-moncommands") << debugLabels;
    arguments << QStringLiteral("-autostart") << programPath;
    return {vice, arguments};
  }
  if (const QString plus4emu = findExecutable(QStringLiteral("plus4emu")); !plus4emu.isEmpty())
    return {plus4emu, {QStringLiteral("-prg"), programPath}};
  return {QStringLiteral("xdg-open"), {programPath}};
}

void DesktopLauncher::openProgram(const QString& programPath, const QString& workingFolder,
                                  const QString& debugLabels) {
  const LaunchCommand command = ChooseLaunchCommand(programPath, debugLabels, FindOnPath);
  // Detached: the emulator outlives the request and its result is not looked at.
  QProcess::startDetached(command.program, command.arguments, workingFolder);
}
