// What the workbench's main() does for the built-in Plus/4, with or without
// Qt WebEngine in the build.
#pragma once

#include <memory>

class QWidget;
class BuiltInMachine;

// Before the application object: the web engine's command-line flags and
// sandbox, and the page's URL scheme. Nothing to do in a build without it.
void PrepareEmulatorEnvironment();

// The machine of this build; null when it was built without one.
std::unique_ptr<BuiltInMachine> CreateBuiltInMachine(QWidget* windowParent);
