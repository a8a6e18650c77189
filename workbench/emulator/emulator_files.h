// Where the built-in Plus/4's files are: the web front end (EmulatorJS) and
// the VICE xplus4 core, as npm installs them or as `cmake --install` copies
// them under share/qv3/emulator.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

struct EmulatorFiles {
  QString frontEnd;  // the folder holding loader.js and src/
  QString core;      // the folder holding the core's .data file and reports/
};

// The files the machine cannot start without, relative to frontEnd and core.
inline const char* const kFrontEndMarker = "loader.js";
inline const char* const kCoreMarker = "vice_xplus4-legacy-wasm.data";

// The folders searched, best first: beside the installed program, the
// prefix it was built for, the source tree's node_modules.
QStringList EmulatorSearchRoots();

// The first root holding both parts ("emulatorjs/data" and
// "core-vice_xplus4" under it); nothing when none does.
std::optional<EmulatorFiles> FindEmulatorFiles(const QStringList& roots);

// For the Status list: what is missing and how to install it.
QString MissingEmulatorFilesText(const QStringList& roots);
