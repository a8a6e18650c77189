// The warning for a value that does not fit the byte or word it is
// written into: the low bytes are written all the same.
#pragma once

#include <cstdint>

namespace qv3 {

struct ModuleAssembly;

// One byte holds -128..255, two bytes -32768..65535: signed and unsigned
// readings are both accepted ("LDA #-1" is $FF). Reports code 20 otherwise.
// Returns whether it warned.
bool WarnIfValueDoesNotFit(ModuleAssembly& module, std::int64_t value, int bytes);

}  // namespace qv3
