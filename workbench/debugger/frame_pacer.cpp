// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/debugger/frame_pacer.h"

#include <algorithm>

namespace qv3::debugger {

namespace {
constexpr std::int64_t kMillisecondsPerSecond = 1000;
}

void FramePacer::restart(std::uint64_t frame, std::int64_t nowMs) {
  startFrame_ = frame;
  startMs_ = nowMs;
}

std::uint64_t FramePacer::framesDue(std::uint64_t done, std::int64_t nowMs) {
  const std::int64_t elapsed = std::max<std::int64_t>(0, nowMs - startMs_);
  const std::uint64_t due =
      startFrame_ + 1 + static_cast<std::uint64_t>(elapsed * kFramesPerSecond / kMillisecondsPerSecond);
  if (due > done + kMostFramesBehind) {
    // Behind: the clock starts again from here, one frame due.
    restart(done, nowMs);
    return done + 1;
  }
  return due;
}

int FramePacer::millisecondsUntilDue(std::uint64_t done, std::int64_t nowMs) const {
  // Frame done + 1 is due once (done + 1 - startFrame_ - 1) frame times have passed.
  const std::uint64_t framesAhead = done >= startFrame_ ? done - startFrame_ : 0;
  const std::int64_t dueAt =
      startMs_ + static_cast<std::int64_t>(framesAhead) * kMillisecondsPerSecond / kFramesPerSecond;
  return static_cast<int>(std::max<std::int64_t>(0, dueAt - nowMs));
}

}  // namespace qv3::debugger
