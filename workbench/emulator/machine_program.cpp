#include "workbench/emulator/machine_program.h"

namespace {
constexpr std::uint16_t kBasicStart = 0x1001;
constexpr std::uint8_t kSysToken = 0x9E;
}  // namespace

std::optional<std::string> ProgramProblem(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 3) return "it is too short for a program (a load address and at least one byte)";
  const std::size_t load = bytes[0] | bytes[1] << 8;
  if (load + (bytes.size() - 2) > 0x10000)
    return "it does not fit into the 64 KB of memory from its load address";
  return std::nullopt;
}

MachineProgram DescribeProgram(std::span<const std::uint8_t> bytes) {
  MachineProgram program;
  program.LoadAddress = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
  program.StartAddress = program.LoadAddress;
  program.BasicStart = program.LoadAddress == kBasicStart;
  if (!program.BasicStart) return program;
  // The first BASIC line: link (2), line number (2), then "SYS" and digits.
  std::size_t at = 2 + 4;
  while (at < bytes.size() && bytes[at] == ' ') ++at;
  if (at >= bytes.size() || bytes[at] != kSysToken) return program;
  ++at;
  while (at < bytes.size() && bytes[at] == ' ') ++at;
  unsigned value = 0;
  bool digits = false;
  for (; at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9' && value <= 0xFFFF; ++at) {
    value = value * 10 + (bytes[at] - '0');
    digits = true;
  }
  if (digits && value <= 0xFFFF) program.StartAddress = static_cast<std::uint16_t>(value);
  return program;
}

std::string AutostartCommandFile(const MachineProgram& program, const std::string& programPath) {
  // The core's reader drops the line's first character, so it begins with a
  // blank; keyboard text is typed in lower case (upper case types graphics).
  if (program.BasicStart) return " xplus4 -autostart-delay 1 \"" + programPath + "\"\n";
  return " xplus4 -autostart-delay 1 -autoload \"" + programPath + "\" -keybuf \"sys" +
         std::to_string(program.StartAddress) + "\\n\"\n";
}
