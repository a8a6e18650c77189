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

// Whether the CPU has double-clock cycle c of a line of each kind.
constexpr auto kCpuGetsCycle = [] {
  std::array<std::array<std::uint8_t, Ted::kCyclesPerLine>, 5> table{};
  for (int c = 0; c < Ted::kCyclesPerLine; ++c) {
    const bool even = c % 2 == 0;
    const bool refresh = even && c >= 92 && c <= 100;
    const bool windowFetch = even && c >= 4 && c <= 100;  // TED and CPU take turns
    const bool halted = c >= 4 && c < 4 + 86;             // 43 fetches of two cycles
    table[0][static_cast<std::size_t>(c)] = !refresh;
    table[1][static_cast<std::size_t>(c)] = !windowFetch;
    table[2][static_cast<std::size_t>(c)] = !windowFetch && !halted;
    table[3][static_cast<std::size_t>(c)] = !even;
    table[4][static_cast<std::size_t>(c)] = !even && !halted;
  }
  return table;
}();

// The same for a write access: on fetch lines the halt does not hold it.
constexpr auto kCpuWritesInCycle = [] {
  auto table = kCpuGetsCycle;
  table[2] = table[1];
  table[4] = table[3];
  return table;
}();

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
  keyboardRows_ = 0xFF;
  cursorPhase_ = (read[0x1F] >> 3) & 0x0F;
  line_ = start.Line % kLinesPerFrame;
  cycle_ = start.Cycle % kCyclesPerLine;
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
  fetchingNow_ = false;
  fetchDecided_ = cycle_ > 4;
  UpdateLineKind();
  buffers_ = {};
  drawing_ = 0;
  drawnX_ = std::max(0, std::min(FrameBuffer::kWidth, BeamX()));
  borderGlitchX_ = backgroundGlitchX_ = -1;
}

void Ted::Run(std::uint64_t cpuCycles, int trailingWrites) {
  const std::uint64_t writesFrom = cpuCycles - static_cast<std::uint64_t>(trailingWrites);
  while (cpuCycles_ < cpuCycles) {
    if (cycle_ == 4) AtCycle4();
    const auto& gets = cpuCycles_ >= writesFrom ? kCpuWritesInCycle : kCpuGetsCycle;
    cpuCycles_ += gets[kind_][static_cast<std::size_t>(cycle_)];
    ++tick_;
    if (++cycle_ == kCyclesPerLine) NextLine();
    if (tick_ >= nextTimerTick_) TimerEvents();
  }
}

void Ted::CatchUpToAccess(std::uint64_t cpuCycles) {
  CatchUp(cpuCycles);
  for (int guard = 0; guard < 2 * kCyclesPerLine; ++guard) {
    if (cycle_ == 4) AtCycle4();
    if (kCpuGetsCycle[kind_][static_cast<std::size_t>(cycle_)]) return;
    ++tick_;
    if (++cycle_ == kCyclesPerLine) NextLine();
    if (tick_ >= nextTimerTick_) TimerEvents();
  }
}

void Ted::UpdateLineKind() {
  const bool slow = regs_[0x13] & 0x02;
  if (fetchingNow_) kind_ = slow ? kSlowFetchLine : kFetchLine;
  else if (slow) kind_ = kSlowLine;
  else kind_ = fetchLines_ ? kWindowLine : kBorderLine;
}

// The fetches of a character row: its attributes on the line before its
// pointers (the lines whose low bits equal the vertical scroll, then one
// more), each halting the CPU for 43 fetches.
void Ted::AtCycle4() {
  if (fetchDecided_) return;
  fetchDecided_ = true;
  fetchingNow_ = false;
  if (badLinesAllowed_) {
    const int scroll = regs_[0x06] & 7;
    const auto matrix = static_cast<std::uint16_t>((regs_[0x14] & 0xF8) << 8);
    if ((line_ & 7) == scroll && line_ < kLastFetchLine) {
      const int position = rowsFetched_ * 40;
      for (int c = 0; c < 40; ++c)
        nextAttributes_[static_cast<std::size_t>(c)] =
            FetchByte(static_cast<std::uint16_t>(matrix + ((position + c) & 0x3FF)), romVisible_);
      fetchingNow_ = true;
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
      fetchingNow_ = true;
    }
  }
  UpdateLineKind();
}

void Ted::NextLine() {
  DrawUpTo(FrameBuffer::kWidth);
  if (!idle_) rowLine_ = (rowLine_ + 1) & 7;
  if (line_ == kLastFetchLine) idle_ = true;

  cycle_ = 0;
  ++line_;
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
  if (line_ == kVsyncLine) {
    drawing_ ^= 1;
    ++frames_;
    cursorPhase_ = (cursorPhase_ + 1) & 0x1F;
  }
  if (line_ == RasterCompareLine()) SetIrqFlag(kRasterFlag);
  fetchingNow_ = false;
  fetchDecided_ = false;
  UpdateLineKind();
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
      UpdateLineKind();
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
