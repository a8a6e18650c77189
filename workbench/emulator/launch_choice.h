// Which emulator "Compile && Run" hands a program to: the user's choice from
// the Preferences, else the first that is there of xplus4, plus4emu and the
// built-in Plus/4, and the desktop's opener only when none of them is.
#pragma once

#include <QString>
#include <functional>

#include "workbench/launcher.h"

enum class EmulatorChoice { Automatic, BuiltIn, Xplus4, Plus4emu, Custom };

struct LaunchPreferences {
  EmulatorChoice emulator = EmulatorChoice::Automatic;
  // The program and its arguments; "%f" stands for the program file's path.
  QString customCommand;
};

struct LaunchPlan {
  enum class Target { External, BuiltIn };
  Target target = Target::External;
  LaunchCommand command;  // for External
  // For the Status list: why the chosen emulator was not used, or what is
  // missing when only the desktop's opener was left. Empty when all is well.
  QString statusNote;
};

// builtInMissing: empty when the built-in Plus/4 can run, else what is
// missing and how to install it. findExecutable: the path of a name on PATH,
// empty when not there.
LaunchPlan ChooseLaunch(const QString& programPath, const QString& debugLabels,
                        const LaunchPreferences& preferences,
                        const std::function<QString(const QString&)>& findExecutable,
                        const QString& builtInMissing);

// The custom command line with "%f" replaced by programPath in every
// argument (the path is appended when no argument holds "%f"). Empty when
// the line names no program or its quotes do not close.
LaunchCommand ExpandCustomCommand(const QString& commandLine, const QString& programPath);
