// The warning for a value that does not fit the byte or word it is
// written into: the low bytes are written all the same.
#pragma once

#include <cstdint>

namespace qv3 {

struct ModuleAssembly;

// One byte holds -128..255, two bytes -32768..65535: signed and unsigned
// readings are both accepted ("LDA #-1" is $FF). Reports code 20 otherwise.
// Reports code 20 for the value; returns true.
bool ReportValueDoesNotFit(ModuleAssembly& module, std::int64_t value, int bytes);
// Returns whether it warned. Inline: data lines check every value.
inline bool WarnIfValueDoesNotFit(ModuleAssembly& module, std::int64_t value, int bytes) {
  const std::int64_t low = bytes == 1 ? -128 : -32768;
  const std::int64_t high = bytes == 1 ? 255 : 65535;
  if (value >= low && value <= high) [[likely]]
    return false;
  return ReportValueDoesNotFit(module, value, bytes);
}

}  // namespace qv3
