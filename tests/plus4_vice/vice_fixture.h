// SPDX-License-Identifier: GPL-3.0-or-later
// What the fidelity tests compare: VICE's measurement of a program (a
// fixture of this folder) and the same program's run on the machine model
// through `qv3run --plus4`.
#pragma once

#include <QImage>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qv3::fidelity {

struct Processor {
  std::uint8_t A = 0, X = 0, Y = 0, SP = 0, P = 0;
  std::uint16_t PC = 0;
};

// One machine as seen after a program: the bytes known (an address map, so
// a range that was not kept cannot be compared by accident), the processor,
// the frame.
struct Machine {
  std::map<std::uint16_t, std::uint8_t> Bytes;
  Processor Cpu;
  std::array<std::uint8_t, 64> Ted{};  // as stored (VICE) or as read (model)
  QImage Frame;
  std::string StopLine;  // the model's
};

// tests/plus4_vice/NAME.txt and NAME.png; the failure in `problem`.
std::optional<Machine> ReadViceFixture(const std::string& name, std::string& problem);

// programs/NAME.qv3 run by qv3run --plus4 --frames FRAMES in a scratch
// folder, with the dumps (first, length) and keys given.
std::optional<Machine> RunOnModel(const std::string& name, int frames,
                                  const std::vector<std::pair<unsigned, unsigned>>& dumps,
                                  const std::string& keys, std::string& problem);

// The addresses in [first, last] where the two differ or one has no byte,
// as "$ADDR VICE $vv model $mm" (at most `limit` listed, then a count).
std::string RamDifferences(const Machine& vice, const Machine& model, unsigned first, unsigned last,
                           int& count, int limit = 12);

// Pixels that differ between the frames outside the cells where a glyph is
// drawn: in a text mode, cells whose screen code (in either machine's
// screen memory at $0C00) is not a space or a reverse space, and the
// hardware cursor's cell. Bitmap modes are compared whole. Lists the first
// few differences.
std::string FrameDifferences(const Machine& vice, const Machine& model, bool textMode, int& count);

}  // namespace qv3::fidelity
