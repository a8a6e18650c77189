#include "engine/module.h"

#include "engine/session.h"

namespace qv3 {
// Placeholder: the driver is being written.
void CompileModule(CompileSession&, const std::vector<std::string>&, std::string_view, bool,
                   std::string_view) {}
}  // namespace qv3
