// The module driver: two passes over a module's lines, its ".prg" and ".qvo"
// files, its hints and result lines, and the modules it names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/source_text_lines.h"

namespace qv3 {

struct CompileSession;

// Assembles one module and then the modules its COMPILE lines name.
// directory: where the module's dependents, includes, binaries and object
// files are found and its outputs written ("/"-terminated; empty means the
// session's CurrentDirectory). Throws CompileAbandoned on output failures.
void CompileModule(CompileSession& session, SourceText source, std::string_view moduleName,
                   bool isTopModule, std::string_view directory);
void CompileModule(CompileSession& session, const std::vector<std::string>& sourceLines,
                   std::string_view moduleName, bool isTopModule, std::string_view directory);

}  // namespace qv3
