// SPDX-License-Identifier: GPL-3.0-or-later
// qv3run --plus4: a program run on the Plus/4 machine model (TED, banking,
// interrupts, keyboard and the project's own ROM) from BASIC's SYS, with
// qv3run's stop line and exit statuses.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cpu/program_runner.h"

namespace qv3 {

struct Plus4RunOptions {
  std::uint16_t Start = 0;
  std::uint64_t CycleLimit = 0;
  std::optional<std::uint64_t> Frames;  // stop after this many frames
  std::string Keys;                     // typed through the keyboard matrix
  std::vector<std::pair<std::uint32_t, std::uint32_t>> Dumps;  // address, length
  bool Trace = false;
  bool ScreenText = false;
  bool StopUndocumented = false;  // stop at undocumented opcodes instead of running them
  std::string ScreenPath;  // the last frame as PNG, when not empty
  std::string WavPath;     // the run's sound as WAV, when not empty
};

// The first character of keys that no key of the Plus/4 types, if any.
std::optional<char> UntypableKey(const std::string& keys);

// Runs the program and prints the dumps, the screen text and the stop line
// on standard output (the trace on standard error); the exit status.
int RunOnPlus4(const cpu::ProgramImage& image, const Plus4RunOptions& options);

}  // namespace qv3
