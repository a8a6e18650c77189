// The files named on the workbench's command line (`qv3 FILE...`, and the
// desktop entry's %F when a file manager opens sources with it).
#pragma once

#include <QStringList>

class TfrmQV3;

// The file names among the program's arguments, the program itself left
// out (Qt has taken its own options away by then). A first "--" ends the
// options, so a file whose name starts with "-" can be named after it.
QStringList FileArguments(const QStringList& arguments);

// Opens each file in a new editor window, as Open does, in the order given;
// the last one opened is the active editor. Names that no file bears,
// folders and files that cannot be read get no window: they are told
// together in one error box, after the others are open, and on standard
// error. Returns how many windows show their file.
int OpenFilesFromCommandLine(TfrmQV3& frame, const QStringList& files);
