// SPDX-License-Identifier: GPL-3.0-or-later
// The TED's sound as samples: two square-wave voices, the second of which
// can play noise instead, and the volume, from the registers $FF0E-$FF12:
//   $FF0E, $FF12 bits 0-1  voice 1's 10-bit frequency value
//   $FF0F, $FF10 bits 0-1  voice 2's
//   $FF11  bits 0-3 volume (8 and above the loudest), bit 4 voice 1 on,
//          bit 5 voice 2 on, bit 6 voice 2 noise (with bit 5 clear),
//          bit 7 the outputs held high (samples played by volume writes)
// A voice's oscillator counts at an eighth of the double clock (221.7 kHz
// on PAL) from its frequency value + 1 up to 1024 and flips its output
// there: a tone of kClock / 16 / (1023 - value) Hz (value $3FE holds the
// output high). The noise is an 8-bit shift register stepped on each of
// voice 2's flips. This is VICE's model of the chip (src/plus4/ted-sound.c
// was read as the reference).
//
// Samples are 16-bit signed mono at kSampleRate, made up to the TED's
// cycle on each register write and when asked, so that a register changed
// mid-frame is heard from where it changed.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace qv3::plus4 {

class TedSound {
 public:
  static constexpr int kSampleRate = 44100;
  static constexpr std::uint32_t kClock = 1773447;  // PAL double-clock cycles a second
  // The amplitude of one voice at the loudest volume.
  static constexpr int kVoiceAmplitude = 8000;

  // The tone a voice plays with the 10-bit frequency value (0 for $3FE).
  static double ToneFrequency(int value);

  // Off: writes are kept, no samples are made (nothing costs time).
  void SetEnabled(bool on);
  bool Enabled() const { return enabled_; }
  // Silence, oscillators at rest; keeps whether it is enabled.
  void Reset();

  // A write of $FF00 + reg (0x0E-0x12) at the TED's cycle `tick`.
  void Write(int reg, std::uint8_t value, std::uint64_t tick);
  // Makes the samples up to `tick`.
  void RunTo(std::uint64_t tick);

  // The samples made since the last call, handed over. Past
  // kMaxPendingSamples not taken, new ones are dropped (nobody listens).
  static constexpr std::size_t kMaxPendingSamples = 5 * kSampleRate;
  std::vector<std::int16_t> TakeSamples();
  std::size_t PendingSamples() const { return samples_.size(); }

 private:
  struct Voice {
    int Value = 0;              // the 10-bit frequency value
    std::uint32_t Count = 0;    // oscillator steps into the half wave, 16.16 fixed point
    bool High = false;
  };
  std::uint32_t HalfWave(const Voice& voice) const;
  bool Advance(Voice& voice, std::uint32_t steps);
  std::int16_t Level() const;

  bool enabled_ = false;
  std::array<Voice, 2> voices_{};
  std::uint8_t control_ = 0;     // $FF11
  std::uint8_t noise_ = 0xFF;    // the shift register
  std::uint64_t tick_ = 0;       // made up to here
  std::uint64_t phase_ = 0;      // ticks * kSampleRate not yet a sample
  std::vector<std::int16_t> samples_;
};

}  // namespace qv3::plus4
