#include "workbench/search_commands.h"

// Placeholders until search and replace are built.
void RunFindCommand(QPlainTextEdit*, TfrmSearch&, Dialogs&) {}
void RunFindAgainCommand(QPlainTextEdit*, TfrmSearch&, Dialogs&) {}
void RunReplaceCommand(QPlainTextEdit*, TfrmSearch&, Dialogs&) {}
