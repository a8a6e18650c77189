// A .prg file as the built-in Plus/4 receives it: checked, and the command
// file that makes VICE load and start it. Standard C++.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct MachineProgram {
  std::uint16_t LoadAddress = 0;
  std::uint16_t StartAddress = 0;  // the SYS of a BASIC line at $1001, else the load address
  bool BasicStart = false;         // loads at $1001: LOAD and RUN start it
};

// The reason bytes are not a Plus/4 program (too short, beyond 64 KB),
// or nothing when they are one.
std::optional<std::string> ProgramProblem(std::span<const std::uint8_t> bytes);
// Call with bytes that ProgramProblem accepted.
MachineProgram DescribeProgram(std::span<const std::uint8_t> bytes);

// The one-line VICE command file for the core: autostart a BASIC program,
// otherwise load it and type SYS with its start address. programPath is
// absolute and holds no quote.
std::string AutostartCommandFile(const MachineProgram& program, const std::string& programPath);
