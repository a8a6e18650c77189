#include "engine/vice_labels.h"

namespace qv3 {

namespace {
std::string FourHexDigits(std::uint16_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(4, '0');
  for (int i = 3; i >= 0; --i, value = static_cast<std::uint16_t>(value >> 4))
    text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
  return text;
}

// VICE label names may not hold blanks or control bytes; such symbols are
// left out rather than breaking the command file.
bool UsableAsLabel(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name)
    if (static_cast<unsigned char>(c) <= 32) return false;
  return true;
}
}  // namespace

std::string ViceLabelCommands(const std::vector<std::pair<std::string, std::uint16_t>>& symbols) {
  std::string commands;
  for (const auto& [name, value] : symbols) {
    if (!UsableAsLabel(name)) continue;
    commands += "al C:" + FourHexDigits(value) + " ." + name + "\n";
  }
  return commands;
}

}  // namespace qv3
