// SPDX-License-Identifier: GPL-3.0-or-later
// The TED's beam, clock, registers, interrupts and timers; the picture is in
// ted_picture.cpp. Timing as VICE's TED has it (see ted.h).
#include "plus4/ted.h"

#include <algorithm>

namespace qv3::plus4 {
namespace {

constexpr int kLastFetchLine = 0xCB;    // the last character-pointer fetch
constexpr int kWindowEndLine = 0xCC;    // no more character window fetches
constexpr std::uint8_t kRasterFlag = 0x02;
constexpr std::uint8_t kTimerFlags[3] = {0x08, 0x10, 0x40};

// The CPU's share of the beam as VICE's TED gives it (ted_delay_clk and
// the fetch alarm in src/plus4/ted.c and ted-fetch.c): per instruction,
// not per cycle. Each of the instruction's cycles takes one double-clock
// cycle; then the TED takes one more for each of them that fell in the
// part of the line where it shares the bus (from cycle 4 on the character
// window's lines, from cycle 92 on the others, up to cycle 100), at most as
// many as that part has left; a fetch line takes 86 more (the 40 fetches
// and 3 before them, twice) once the instruction that was running at cycle
// 4 is done, less the writes it did after that cycle. The rules keep
// VICE's own approximations (an instruction running past a line's end is
// counted again from the next line's cycle 4, one that ran long past the
// fetch's start gets some cycles back) because VICE is what the model is
// measured against.
constexpr int kFetchCycle = 4;
constexpr int kFetchTicks = (40 + 3) * 2;
constexpr int kShareEnd = 101;
// A TV line count this far past a frame's lines syncs without the counter.
constexpr int kTvOverrun = 40;

// Bits that read as 1 whatever was written.
constexpr std::array<std::uint8_t, 64> kUnusedBits = [] {
  std::array<std::uint8_t, 64> bits{};
  bits[0x0A] = 0xA0;
  bits[0x0C] = 0xFC;
  bits[0x10] = 0xC0;
  bits[0x12] = 0xC0;
  for (int reg = 0x15; reg <= 0x19; ++reg) bits[static_cast<std::size_t>(reg)] = 0x80;
  bits[0x3E] = bits[0x3F] = 0xFF;
  return bits;
}();

}  // namespace

Ted::Ted(const std::uint8_t* ram, const std::uint8_t* rom, const Keyboard& keyboard)
    : ram_(ram), rom_(rom), keyboard_(keyboard) {}

void Ted::Reset(const std::array<std::uint8_t, 64>& read, const StartPosition& start) {
  for (std::size_t reg = 0; reg < 64; ++reg) regs_[reg] = static_cast<std::uint8_t>(read[reg] & ~kUnusedBits[reg]);
  irqStatus_ = read[0x09] & 0x5E;
  regs_[0x09] = 0;
  regs_[0x0A] &= 0x5F;
  romVisible_ = read[0x13] & 1;
  regs_[0x13] &= 0xFE;
  keyboardLatch_ = read[0x08];
  keyboardRows_ = 0x00;  // where the KERNAL's scan leaves the latch with no key down
  cursorPhase_ = (read[0x1F] >> 3) & 0x0F;
  line_ = start.Line % kLinesPerFrame;
  tvLine_ = (line_ - kVsyncLine + kLinesPerFrame) % kLinesPerFrame;
  cycle_ = start.Cycle % kCyclesPerLine;
  sound_.Reset();
  for (int reg = 0x0E; reg <= 0x12; ++reg) sound_.Write(reg, read[static_cast<std::size_t>(reg)], 0);
  tick_ = 0;
  cpuCycles_ = 0;
  frames_ = 0;
  irqSince_ = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    const std::uint16_t count = start.TimerCounts[i];
    timers_[i] = Timer{true, 0, count, 2ull * (count == 0 ? 0x10000u : count)};
  }
  timers_[0].Start = start.Timer1Reload;
  ScheduleTimers();

  // The character window as this frame's fetches have left it.
  const bool screenOn = regs_[0x06] & 0x10;
  fetchLines_ = screenOn && line_ < kWindowEndLine;
  badLinesAllowed_ = screenOn;
  const int firstRow = (regs_[0x06] & 0x08) ? 4 : 8, endRow = (regs_[0x06] & 0x08) ? 204 : 200;
  windowOpen_ = screenOn && line_ >= firstRow && line_ < endRow;
  const int fetchPhase = ((regs_[0x06] & 7) + 1) & 7;
  rowsFetched_ = 0;
  for (int l = 1; l < line_ && l <= kLastFetchLine; ++l)
    if ((l & 7) == fetchPhase) ++rowsFetched_;
  idle_ = rowsFetched_ == 0 || line_ > kLastFetchLine + 1;
  row_ = rowsFetched_ > 0 ? rowsFetched_ - 1 : 0;
  rowLine_ = read[0x1F] & 7;
  fetchPending_ = false;
  fetchDecided_ = cycle_ > 4;
  oldCycle_ = cycle_;
  buffers_ = {};
  drawing_ = 0;
  DrawStartPicture();
  drawnX_ = std::max(0, std::min(FrameBuffer::kWidth, BeamX()));
  borderGlitchX_ = backgroundGlitchX_ = -1;
}

// In strides from one event to the next (cycle 4, the line's end, a timer's
// underflow): nothing else happens between them.
void Ted::Advance(std::uint64_t ticks, bool cpuRuns) {
  while (ticks > 0) {
    if (cycle_ == kFetchCycle) AtCycle4();
    std::uint64_t stride = static_cast<std::uint64_t>(cycle_ < kFetchCycle ? kFetchCycle - cycle_ : kCyclesPerLine - cycle_);
    stride = std::min({stride, ticks, nextTimerTick_ > tick_ ? nextTimerTick_ - tick_ : 1});
    tick_ += stride;
    cycle_ += static_cast<int>(stride);
    if (cpuRuns) cpuCycles_ += stride;
    ticks -= stride;
    if (cycle_ == kCyclesPerLine) NextLine();
    if (tick_ >= nextTimerTick_) TimerEvents();
  }
}

void Ted::Run(std::uint64_t cpuCycles, int trailingWrites) {
  const auto cycles = static_cast<std::int64_t>(cpuCycles - cpuCycles_);
  const bool sharedAtStart = fetchLines_;
  const bool slow = regs_[0x13] & 0x02;
  Advance(static_cast<std::uint64_t>(cycles), true);

  std::int64_t stolen = 0;
  if (slow) {
    stolen = std::max<std::int64_t>(0, cycles - ((oldCycle_ & 1) ^ 1));
  } else {
    std::int64_t from = oldCycle_, diff = cycles;
    bool shared = sharedAtStart;
    for (int crossings = 0; crossings < 4; ++crossings) {
      const int shareStart = shared ? kFetchCycle : 92;
      if (from < kShareEnd && from + diff >= shareStart) {
        std::int64_t most = shared ? 49 : 5;
        if (from >= shareStart) most = (kShareEnd - from) / 2;
        else diff -= shareStart - 1 - from;
        stolen = std::min(diff, most);
        break;
      }
      if (from + diff < kCyclesPerLine + kFetchCycle) break;
      // Past the next line's cycle 4: VICE counts from there again, with
      // the cycles it counts doubled less the line (its arithmetic, kept).
      diff = 2 * diff + from - (kCyclesPerLine + kFetchCycle);
      from = kFetchCycle;
      shared = fetchLines_;
    }
  }
  Advance(static_cast<std::uint64_t>(std::max<std::int64_t>(0, stolen)), false);
  oldCycle_ = cycle_;

  if (fetchPending_) {
    fetchPending_ = false;
    const auto now = static_cast<std::int64_t>(tick_), start = static_cast<std::int64_t>(fetchTick_);
    std::int64_t writesGiven = 0;
    if (trailingWrites > 0 && now > start) {
      const std::int64_t lastWrite = now - 2, firstWrite = now - 2 * trailingWrites;
      if (start >= firstWrite - 1 && start <= lastWrite) writesGiven = lastWrite - start + 1;
    }
    std::int64_t halt = kFetchTicks - writesGiven;
    if (!slow && now - start > 11) halt -= (now - start - 11) / 2;
    if (halt > 0) Advance(static_cast<std::uint64_t>(halt), false);
    oldCycle_ += static_cast<int>(halt);
  }
}

// The fetches of a character row: its attributes on the line before its
// pointers (the lines whose low bits equal the vertical scroll, then one
// more), each halting the CPU for 43 fetches.
void Ted::AtCycle4() {
  if (fetchDecided_) return;
  fetchDecided_ = true;
  bool fetching = false;
  if (badLinesAllowed_) {
    const int scroll = regs_[0x06] & 7;
    const auto matrix = static_cast<std::uint16_t>((regs_[0x14] & 0xF8) << 8);
    if ((line_ & 7) == scroll && line_ < kLastFetchLine) {
      const int position = rowsFetched_ * 40;
      for (int c = 0; c < 40; ++c)
        nextAttributes_[static_cast<std::size_t>(c)] =
            FetchByte(static_cast<std::uint16_t>(matrix + ((position + c) & 0x3FF)), romVisible_);
      fetching = true;
    }
    if ((line_ & 7) == ((scroll + 1) & 7) && line_ > 0 && line_ <= kLastFetchLine) {
      const int position = rowsFetched_ * 40;
      for (int c = 0; c < 40; ++c)
        characters_[static_cast<std::size_t>(c)] =
            FetchByte(static_cast<std::uint16_t>(matrix + 0x400 + ((position + c) & 0x3FF)), romVisible_);
      attributes_ = nextAttributes_;
      row_ = rowsFetched_++;
      rowLine_ = 0;
      idle_ = false;
      fetching = true;
    }
  }
  if (fetching) {
    fetchPending_ = true;
    fetchTick_ = tick_;
  }
}

void Ted::NextLine() {
  DrawUpTo(FrameBuffer::kWidth);
  if (!idle_) rowLine_ = (rowLine_ + 1) & 7;
  if (line_ == kLastFetchLine) idle_ = true;

  cycle_ = 0;
  ++line_;
  ++tvLine_;
  if (line_ == kLinesPerFrame || line_ >= 512) line_ = 0;
  const bool screenOn = regs_[0x06] & 0x10;
  if (line_ == 0) {
    fetchLines_ = badLinesAllowed_ = screenOn;
    rowsFetched_ = 0;
    idle_ = true;
  }
  if (line_ == kWindowEndLine) fetchLines_ = false;
  const bool rows25 = regs_[0x06] & 0x08;
  if (line_ == (rows25 ? 4 : 8) && screenOn) windowOpen_ = true;
  if (line_ == (rows25 ? 204 : 200)) windowOpen_ = false;
  if (line_ == kVsyncLine || tvLine_ > kLinesPerFrame + kTvOverrun) {
    tvLine_ = 0;
    sound_.RunTo(tick_);
    drawing_ ^= 1;
    ++frames_;
    cursorPhase_ = (cursorPhase_ + 1) & 0x1F;
  }
  if (line_ == RasterCompareLine()) SetIrqFlag(kRasterFlag);
  fetchDecided_ = false;
  drawnX_ = 0;
  borderGlitchX_ = backgroundGlitchX_ = -1;
}

std::uint16_t Ted::TimerValue(const Timer& timer) const {
  if (!timer.Running) return timer.Value;
  return static_cast<std::uint16_t>((timer.ZeroTick - tick_) >> 1);
}

void Ted::ScheduleTimers() {
  nextTimerTick_ = ~0ull;
  for (const Timer& timer : timers_)
    if (timer.Running && timer.ZeroTick < nextTimerTick_) nextTimerTick_ = timer.ZeroTick;
}

// Underflows: timer 1 starts again from the value written, timers 2 and 3
// count on from $FFFF.
void Ted::TimerEvents() {
  for (int i = 0; i < 3; ++i) {
    Timer& timer = timers_[static_cast<std::size_t>(i)];
    while (timer.Running && timer.ZeroTick <= tick_) {
      const unsigned period = (i == 0 && timer.Start != 0) ? timer.Start : 0x10000u;
      timer.ZeroTick += 2ull * period;
      SetIrqFlag(kTimerFlags[i]);
    }
  }
  ScheduleTimers();
}

void Ted::SetIrqFlag(std::uint8_t flag) {
  irqStatus_ |= flag;
  UpdateIrq();
}

void Ted::UpdateIrq() {
  const bool active = IrqActive();
  if (active && !(regs_[0x09] & 0x80)) irqSince_ = cpuCycles_;
  regs_[0x09] = active ? 0x80 : 0x00;  // remembers whether the line was held
}

void Ted::RasterCompareChanged(std::uint16_t before) {
  const std::uint16_t now = RasterCompareLine();
  if (now != before && now == line_ && (regs_[0x0A] & kRasterFlag)) SetIrqFlag(kRasterFlag);
  UpdateIrq();
}

std::uint8_t Ted::Register(int reg) const {
  reg &= 0x3F;
  switch (reg) {
    case 0x00: case 0x02: case 0x04:
      return static_cast<std::uint8_t>(TimerValue(timers_[static_cast<std::size_t>(reg / 2)]));
    case 0x01: case 0x03: case 0x05:
      return static_cast<std::uint8_t>(TimerValue(timers_[static_cast<std::size_t>(reg / 2)]) >> 8);
    case 0x08: return keyboardLatch_;
    case 0x09: return static_cast<std::uint8_t>(irqStatus_ | 0x25 | (IrqActive() ? 0x80 : 0));
    case 0x13: return static_cast<std::uint8_t>((regs_[0x13] & 0xFE) | (romVisible_ ? 1 : 0));
    case 0x1A: return static_cast<std::uint8_t>((((rowsFetched_ * 40) >> 8) & 1) | 0xFC);
    case 0x1B: return static_cast<std::uint8_t>(rowsFetched_ * 40);
    case 0x1C: return static_cast<std::uint8_t>((line_ >> 8) | 0xFE);
    case 0x1D: return static_cast<std::uint8_t>(line_);
    case 0x1E: {
      int x = (cycle_ - 16) * 4;
      if (x < 0) x += kCyclesPerLine * 4;
      return static_cast<std::uint8_t>((x / 2) & 0xFE);
    }
    case 0x1F: return static_cast<std::uint8_t>(0x80 | (cursorPhase_ & 0x0F) << 3 | rowLine_);
    default: return static_cast<std::uint8_t>(regs_[static_cast<std::size_t>(reg)] | kUnusedBits[static_cast<std::size_t>(reg)]);
  }
}

std::array<std::uint8_t, 64> Ted::Registers() const {
  std::array<std::uint8_t, 64> values{};
  for (int reg = 0; reg < 64; ++reg) values[static_cast<std::size_t>(reg)] = Register(reg);
  return values;
}

void Ted::Write(int reg, std::uint8_t value) {
  reg &= 0x3F;
  // What the picture shows left of the beam was drawn with the old values.
  if ((reg >= 0x06 && reg <= 0x07) || (reg >= 0x0C && reg <= 0x0D) || (reg >= 0x12 && reg <= 0x19))
    DrawUpTo(BeamX());
  if (reg >= 0x0E && reg <= 0x12) sound_.Write(reg, value, tick_);
  switch (reg) {
    case 0x00: case 0x02: case 0x04: {  // low byte: the timer stops
      Timer& timer = timers_[static_cast<std::size_t>(reg / 2)];
      timer.Start = static_cast<std::uint16_t>((timer.Start & 0xFF00) | value);
      timer.Value = timer.Start;
      timer.Running = false;
      ScheduleTimers();
      break;
    }
    case 0x01: case 0x03: case 0x05: {  // high byte: it starts from the value
      Timer& timer = timers_[static_cast<std::size_t>(reg / 2)];
      timer.Start = static_cast<std::uint16_t>((timer.Start & 0x00FF) | value << 8);
      timer.Value = timer.Start;
      timer.Running = true;
      timer.ZeroTick = tick_ + 2ull * (timer.Start == 0 ? 0x10000u : timer.Start);
      ScheduleTimers();
      break;
    }
    case 0x06:
      if (line_ == 0 && (value & 0x10)) badLinesAllowed_ = true;
      regs_[0x06] = value;
      break;
    case 0x08:
      keyboardLatch_ = keyboard_.Read(keyboardRows_, value);
      regs_[0x08] = value;
      break;
    case 0x09:  // a 1 acknowledges
      irqStatus_ = static_cast<std::uint8_t>(irqStatus_ & ~(value & 0x5E));
      UpdateIrq();
      break;
    case 0x0A: {
      const std::uint16_t before = RasterCompareLine();
      regs_[0x0A] = value & 0x5F;
      RasterCompareChanged(before);
      break;
    }
    case 0x0B: {
      const std::uint16_t before = RasterCompareLine();
      regs_[0x0B] = value;
      RasterCompareChanged(before);
      break;
    }
    case 0x13:
      regs_[0x13] = value & 0xFE;
      break;
    case 0x15:
      regs_[0x15] = value & 0x7F;
      backgroundGlitchX_ = BeamX();
      break;
    case 0x16: case 0x17: case 0x18:
      regs_[static_cast<std::size_t>(reg)] = value & 0x7F;
      break;
    case 0x19:
      regs_[0x19] = value & 0x7F;
      borderGlitchX_ = BeamX();
      break;
    case 0x1C:
      line_ = ((value & 1) << 8) | (line_ & 0xFF);
      regs_[0x1C] = value;
      break;
    case 0x1D:
      line_ = (line_ & 0x100) | value;
      regs_[0x1D] = value;
      break;
    case 0x1E:
      break;
    case 0x1F:
      cursorPhase_ = (cursorPhase_ & 0x10) | ((value >> 3) & 0x0F);
      rowLine_ = value & 7;
      regs_[0x1F] = value;
      break;
    case 0x3E: romVisible_ = true; break;
    case 0x3F: romVisible_ = false; break;
    default:
      regs_[static_cast<std::size_t>(reg)] = value;
      break;
  }
}

}  // namespace qv3::plus4
