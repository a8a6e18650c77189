// The diagnostics of the last check drawn on the editor: a wavy underline
// under each line's text and a gutter mark beside it (red dot for a fatal
// diagnostic, orange square for a warning), whose tooltip lists the texts.
#pragma once

#include <QString>

class CodeEditor;
namespace qv3 {
struct ModuleKnowledge;
}

inline const QString kDiagnosticsLayer = QStringLiteral("diagnostics");

// Replaces the editor's "diagnostics" layers with the module's diagnostics;
// null clears them. Lines past the editor's end are left out.
void ShowDiagnosticMarks(CodeEditor& editor, const qv3::ModuleKnowledge* module);
