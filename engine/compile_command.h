// The "Compile" command as every front end runs it, above the module driver.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/session.h"
#include "engine/source_text_lines.h"

namespace qv3 {

// The outcome of the shared compile command.
struct CompileOutcome {
  bool Abandoned = false;  // an input/output failure ended the compile
  std::string Error;       // its message, naming the file and the problem
};

// Empties the module lists and the message lists, clears FatalFlag,
// assembles the top module and its dependents, withdraws the first-compile
// diagnostics of modules compiled twice, derives FatalFlag and appends the
// verdict line when it is set. With session.Knowledge set, what the compile
// learnt is left there (emptied first). folder is the document's directory
// (may be empty: CurrentDirectory is used). With session.Overlay set, the
// modules and INCLUDEd files it holds are read from there, not from disk.
CompileOutcome RunCompileCommand(CompileSession& session, SourceText source,
                                 std::string_view moduleName, std::string_view folder);
CompileOutcome RunCompileCommand(CompileSession& session,
                                 const std::vector<std::string>& sourceLines,
                                 std::string_view moduleName, std::string_view folder);

// The modules of folder ("/"-terminated) whose COMPILE lines name module,
// in file-name order, read through overlay (may be null). A module without
// a load address (STRIP) is no program of its own: one of these loads it.
std::vector<std::string> ModulesThatCompile(std::string_view module, const std::string& folder,
                                            const FileOverlay* overlay);

// The diagnostic lines' verdict after a compile: FatalFlag from the Status
// list, and the closing line when it is set. Shared with the check.
void ConcludeCompile(CompileSession& session);

}  // namespace qv3
