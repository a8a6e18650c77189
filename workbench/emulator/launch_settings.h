// The emulator choice of the Preferences, kept with QSettings.
#pragma once

#include "workbench/emulator/launch_choice.h"

class QSettings;

// The workbench's own settings file (~/.config/QV3/qv3.conf).
QSettings* NewWorkbenchSettings();

// An unknown or damaged value reads as the automatic choice.
LaunchPreferences LoadLaunchPreferences(const QSettings& settings);
void SaveLaunchPreferences(QSettings& settings, const LaunchPreferences& preferences);
