// The Search menu's commands on the active editor's text.
#pragma once

class QPlainTextEdit;
class TfrmSearch;
class Dialogs;

// Each takes the active editor's mCode (nullptr when no editor is active,
// which shows "Open a .QV3 source first...").
void RunFindCommand(QPlainTextEdit* editor, TfrmSearch& search, Dialogs& dialogs);
void RunFindAgainCommand(QPlainTextEdit* editor, TfrmSearch& search, Dialogs& dialogs);
void RunReplaceCommand(QPlainTextEdit* editor, TfrmSearch& search, Dialogs& dialogs);
