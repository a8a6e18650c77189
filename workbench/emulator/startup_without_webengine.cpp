// A build without Qt WebEngine: no built-in Plus/4.
#include "workbench/emulator/emulator_startup.h"
#include "workbench/emulator/workbench_launcher.h"

void PrepareEmulatorEnvironment() {}

std::unique_ptr<BuiltInMachine> CreateBuiltInMachine(QWidget*) { return nullptr; }
