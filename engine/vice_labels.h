// Debugging labels for the VICE emulator's monitor ("al C:1000 .START").
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qv3 {

// One "al" command per symbol, in the given order, each ending in "\n".
std::string ViceLabelCommands(const std::vector<std::pair<std::string, std::uint16_t>>& symbols);

}  // namespace qv3
