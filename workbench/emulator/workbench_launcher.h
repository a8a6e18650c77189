// The launcher of the running workbench: the Preferences' choice among the
// emulators on the PATH, the built-in Plus/4 and the desktop's opener.
#pragma once

#include <QString>
#include <functional>

#include "workbench/emulator/launch_choice.h"
#include "workbench/launcher.h"

// The Plus/4 inside the workbench (a window running the real emulator).
class BuiltInMachine {
 public:
  virtual ~BuiltInMachine() = default;
  // Empty when it can run; otherwise what is missing and how to install it.
  virtual QString missingParts() const = 0;
  // Shows the machine running programPath (a second call reuses it).
  // debugLabels: the VICE label file of the compile, or empty.
  virtual void runProgram(const QString& programPath, const QString& debugLabels) = 0;
  // Where lines for the Status list go that come later than the start
  // (a start that failed or took too long).
  virtual void setStatusReporter(std::function<void(const QString& line)> report) { (void)report; }
};

class WorkbenchLauncher final : public Launcher {
 public:
  using Finder = std::function<QString(const QString& name)>;
  using Starter = std::function<bool(const LaunchCommand& command, const QString& folder)>;

  // machine may be null: a workbench built without it. preferences is read
  // at every start, so a change in the Preferences counts at once.
  WorkbenchLauncher(BuiltInMachine* machine, std::function<LaunchPreferences()> preferences,
                    Finder findExecutable = {}, Starter start = {});

  void openProgram(const QString& programPath, const QString& workingFolder,
                   const QString& debugLabels) override;
  QString takeStatusNote() override;

 private:
  BuiltInMachine* machine_;
  std::function<LaunchPreferences()> preferences_;
  Finder findExecutable_;
  Starter start_;
  QString note_;
};
