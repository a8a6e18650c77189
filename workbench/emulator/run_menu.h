// Wires "Compile && Run" of the main window to the workbench launcher (the
// Preferences' choice, the built-in Plus/4) and adds the Preferences item
// to the Compile menu.
#pragma once

#include <memory>

#include "workbench/emulator/workbench_launcher.h"

class QAction;
class QString;
class QSettings;
class TfrmQV3;

// A line at the end of the active editor's Status list (none without one).
void AddToStatusList(TfrmQV3& mainWindow, const QString& line);

class RunWiring {
 public:
  // machine may be null (a build without the built-in Plus/4).
  RunWiring(TfrmQV3& mainWindow, std::unique_ptr<BuiltInMachine> machine);
  ~RunWiring();
  RunWiring(const RunWiring&) = delete;
  RunWiring& operator=(const RunWiring&) = delete;

  QAction* preferencesItem() const { return preferencesItem_; }
  WorkbenchLauncher& launcher() { return *launcher_; }

 private:
  TfrmQV3& mainWindow_;
  std::unique_ptr<BuiltInMachine> machine_;
  std::unique_ptr<QSettings> settings_;
  std::unique_ptr<WorkbenchLauncher> launcher_;
  QAction* preferencesItem_;
};
