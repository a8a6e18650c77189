// SPDX-License-Identifier: GPL-3.0-or-later
#include "plus4/ted_sound.h"

#include <algorithm>

namespace qv3::plus4 {
namespace {

constexpr int kTicksPerStep = 8;  // double-clock cycles per oscillator step
constexpr int kHeldValue = 0x3FE;
// Oscillator steps per sample, 16.16 fixed point.
constexpr std::uint32_t kStepsPerSample =
    static_cast<std::uint32_t>((static_cast<std::uint64_t>(TedSound::kClock) << 16) / kTicksPerStep /
                               TedSound::kSampleRate);
constexpr std::uint8_t kVoice1On = 0x10, kVoice2On = 0x20, kNoiseOn = 0x40, kHeldHigh = 0x80;

}  // namespace

double TedSound::ToneFrequency(int value) {
  value &= 0x3FF;
  if (value == kHeldValue) return 0;
  return static_cast<double>(kClock) / (2.0 * kTicksPerStep) / (1024 - ((value + 1) & 0x3FF));
}

void TedSound::SetEnabled(bool on) {
  enabled_ = on;
  samples_.clear();
}

void TedSound::Reset() {
  voices_ = {};
  control_ = 0;
  noise_ = 0xFF;
  tick_ = 0;
  phase_ = 0;
  samples_.clear();
}

std::uint32_t TedSound::HalfWave(const Voice& voice) const {
  return static_cast<std::uint32_t>(1024 - ((voice.Value + 1) & 0x3FF)) << 16;
}

// Returns whether the output flipped (an odd number of times).
bool TedSound::Advance(Voice& voice, std::uint32_t steps) {
  if (voice.Value == kHeldValue) {
    voice.High = true;
    return false;
  }
  const std::uint32_t half = HalfWave(voice);
  voice.Count += steps;
  int flips = 0;
  for (; voice.Count >= half; voice.Count -= half) {
    voice.High = !voice.High;
    ++flips;
    if (&voice == &voices_[1]) {
      const int feedback = ((noise_ >> 7) ^ (noise_ >> 5) ^ (noise_ >> 4) ^ (noise_ >> 1)) & 1;
      noise_ = static_cast<std::uint8_t>(noise_ << 1 | feedback);
    }
  }
  return flips & 1;
}

std::int16_t TedSound::Level() const {
  const int volume = std::min(control_ & 0x0F, 8);
  const int amplitude = kVoiceAmplitude * volume / 8;
  const auto output = [&](bool on, bool high) { return on ? (high ? amplitude : -amplitude) : 0; };
  if (control_ & kHeldHigh) return static_cast<std::int16_t>(output(control_ & kVoice1On, true) + output(control_ & kVoice2On, true));
  const bool noise = (control_ & (kVoice2On | kNoiseOn)) == kNoiseOn;
  const int voice2 = noise ? output(true, noise_ & 1) : output(control_ & kVoice2On, voices_[1].High);
  return static_cast<std::int16_t>(output(control_ & kVoice1On, voices_[0].High) + voice2);
}

void TedSound::RunTo(std::uint64_t tick) {
  if (tick <= tick_) return;
  if (!enabled_) {
    tick_ = tick;
    return;
  }
  // One sample every kClock / kSampleRate ticks (40.2), exactly on average.
  phase_ += (tick - tick_) * kSampleRate;
  tick_ = tick;
  while (phase_ >= kClock) {
    phase_ -= kClock;
    if (!(control_ & kHeldHigh)) {
      Advance(voices_[0], kStepsPerSample);
      Advance(voices_[1], kStepsPerSample);
    }
    if (samples_.size() < kMaxPendingSamples) samples_.push_back(Level());
  }
}

void TedSound::Write(int reg, std::uint8_t value, std::uint64_t tick) {
  RunTo(tick);
  switch (reg) {
    case 0x0E: voices_[0].Value = (voices_[0].Value & 0x300) | value; break;
    case 0x12: voices_[0].Value = (voices_[0].Value & 0xFF) | (value & 3) << 8; break;
    case 0x0F: voices_[1].Value = (voices_[1].Value & 0x300) | value; break;
    case 0x10: voices_[1].Value = (voices_[1].Value & 0xFF) | (value & 3) << 8; break;
    case 0x11:
      control_ = value;
      if (value & kHeldHigh) {
        voices_[0].High = voices_[1].High = true;
        voices_[0].Count = voices_[1].Count = 0;
        noise_ = 0xFF;
      }
      break;
    default: break;
  }
}

std::vector<std::int16_t> TedSound::TakeSamples() {
  std::vector<std::int16_t> taken;
  taken.swap(samples_);
  return taken;
}

}  // namespace qv3::plus4
