// SPDX-License-Identifier: GPL-3.0-or-later
// Real speed for a program under the debugger: how many emulated frames the
// wall clock allows, 50 a second as on a PAL Plus/4. Plain C++ over
// milliseconds given by the caller, so the rule can be checked without a
// clock.
#pragma once

#include <cstdint>

namespace qv3::debugger {

enum class RunSpeed {
  Real,     // 50 frames a second, so a game can be watched and played
  Fastest,  // as fast as the host runs the model
};

class FramePacer {
 public:
  static constexpr int kFramesPerSecond = 50;
  // A host that falls further behind than this (a slow machine, a window
  // that was busy) gives the frames up rather than racing to catch up.
  static constexpr std::uint64_t kMostFramesBehind = 5;

  // The run starts (or goes on after a stop) at frame, at nowMs: the
  // clock's zero.
  void restart(std::uint64_t frame, std::int64_t nowMs);
  // The frame count the machine may run up to at nowMs, having completed
  // done frames: the frame in progress always, then one a 20 ms.
  std::uint64_t framesDue(std::uint64_t done, std::int64_t nowMs);
  // Milliseconds from nowMs until the frame after done is due (0: now).
  int millisecondsUntilDue(std::uint64_t done, std::int64_t nowMs) const;

 private:
  std::uint64_t startFrame_ = 0;
  std::int64_t startMs_ = 0;
};

}  // namespace qv3::debugger
