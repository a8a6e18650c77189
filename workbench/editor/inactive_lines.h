// The lines a condition of the last check left out (IF branches not taken),
// drawn greyed as IDEs show "#if 0" code.
#pragma once

#include <QString>

class CodeEditor;
namespace qv3 {
struct ModuleKnowledge;
}

inline const QString kInactiveLinesLayer = QStringLiteral("inactive lines");

// Replaces the editor's "inactive lines" layer with the module's inactive
// lines; null clears it. Lines past the editor's end are left out.
void ShowInactiveLines(CodeEditor& editor, const qv3::ModuleKnowledge* module);
