// Hands a finished program to the desktop: a Plus/4 emulator when one is
// installed, otherwise whatever the desktop opens ".prg" files with. Tests
// replace it to see what would have been started.
#pragma once

#include <QString>
#include <QStringList>

class Launcher {
 public:
  virtual ~Launcher() = default;
  // Starts programPath; workingFolder may be empty (the current folder).
  // debugLabels, when not empty, is a VICE monitor command file of labels.
  // The outcome is not awaited and not reported.
  virtual void openProgram(const QString& programPath, const QString& workingFolder,
                           const QString& debugLabels) = 0;
  // A line for the Status list about the last openProgram (an emulator that
  // is missing and how to install it); empty when there is nothing to say.
  virtual QString takeStatusNote() { return {}; }
};

// One way of starting a program: the executable and its arguments.
struct LaunchCommand {
  QString program;
  QStringList arguments;
};

// The command that starts programPath: xplus4 (VICE) or plus4emu when found
// on PATH, otherwise xdg-open. findExecutable answers whether a name is on
// PATH (an empty result when not).
LaunchCommand ChooseLaunchCommand(const QString& programPath, const QString& debugLabels,
                                  QString (*findExecutable)(const QString& name));

class DesktopLauncher final : public Launcher {
 public:
  void openProgram(const QString& programPath, const QString& workingFolder,
                   const QString& debugLabels) override;
};
