#include "workbench/emulator/workbench_launcher.h"

#include <QProcess>
#include <QStandardPaths>

WorkbenchLauncher::WorkbenchLauncher(BuiltInMachine* machine,
                                     std::function<LaunchPreferences()> preferences,
                                     Finder findExecutable, Starter start)
    : machine_(machine), preferences_(std::move(preferences)),
      findExecutable_(std::move(findExecutable)), start_(std::move(start)) {
  if (!findExecutable_)
    findExecutable_ = [](const QString& name) { return QStandardPaths::findExecutable(name); };
  if (!start_)
    start_ = [](const LaunchCommand& command, const QString& folder) {
      // Detached: the emulator outlives the request.
      return QProcess::startDetached(command.program, command.arguments, folder);
    };
}

void WorkbenchLauncher::openProgram(const QString& programPath, const QString& workingFolder,
                                    const QString& debugLabels) {
  const QString missing =
      machine_ ? machine_->missingParts()
               : QStringLiteral("this workbench was built without the built-in Plus/4 "
                                "(Qt WebEngine was not found; install qt6-webengine-dev and "
                                "build again).");
  const LaunchPreferences preferences = preferences_ ? preferences_() : LaunchPreferences{};
  const LaunchPlan plan =
      ChooseLaunch(programPath, debugLabels, preferences, findExecutable_, missing);
  note_ = plan.statusNote;
  if (plan.target == LaunchPlan::Target::BuiltIn) {
    machine_->runProgram(programPath, debugLabels);
    return;
  }
  if (!start_(plan.command, workingFolder)) {
    if (!note_.isEmpty()) note_ += QLatin1Char(' ');
    note_ += QStringLiteral("Could not start \"%1\".").arg(plan.command.program);
  }
}

QString WorkbenchLauncher::takeStatusNote() {
  QString note;
  note.swap(note_);
  return note;
}
