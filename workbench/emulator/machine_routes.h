// What the built-in Plus/4's page may load, and from where: every request is
// answered from the installed files, the page's own resources or the program
// in memory, or refused. Nothing reaches the network.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include "workbench/emulator/emulator_files.h"

// The page's own scheme and host: qv3machine://plus4/machine.html.
inline constexpr char kMachineScheme[] = "qv3machine";
inline constexpr char kMachineHost[] = "plus4";
QUrl MachinePageUrl();

struct MachineRoute {
  enum class Kind { File, Program, CommandFile, NotFound, Refused };
  Kind kind = Kind::Refused;
  QString filePath;     // for File: a regular file inside one of the served folders
  QByteArray mimeType;  // for File, Program and CommandFile
};

// pageFolder holds machine.html and machine.js (a resource folder ":/..." or a
// folder on disk).
MachineRoute RouteMachineRequest(const QUrl& url, const QByteArray& method,
                                 const EmulatorFiles& files, const QString& pageFolder);

// Whether the page may ask for url at all: its own scheme and the in-page
// data: and blob: URLs; never http, https, ws, file or ftp.
bool IsMachineUrlAllowed(const QUrl& url);
