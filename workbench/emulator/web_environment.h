// The web engine's environment for the built-in Plus/4, set by the program
// itself before the application object exists.
#pragma once

#include <QByteArray>

// The Chromium flags after adding what the machine needs to existing (the
// user's own QTWEBENGINE_CHROMIUM_FLAGS are kept): WebGL on software OpenGL
// (Mesa's llvmpipe is on Chromium's GPU block list).
QByteArray ChromiumFlagsWith(const QByteArray& existing);

// Sets the flags; started as root, turns the sandbox off (Chromium refuses
// to run sandboxed as root) and says so on standard error.
void PrepareWebEngineEnvironment();
