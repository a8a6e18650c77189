// SPDX-License-Identifier: GPL-3.0-or-later
// qv3run --plus4 --wav: a program plays a tone on voice 1, one on voice 2,
// noise, and voice 1 at volume 0, two seconds each; the WAV file's tones
// must have the TED's frequencies (kClock / 16 / (1023 - value)) within 1 %,
// the noise must be no tone, and volume 0 silence.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plus4/ted_sound.h"
#include "tests/engine/e2e_support.h"

namespace qv3 {
namespace {

using e2e::ScratchFolder;
using e2e::ShellQuote;

constexpr int kVoice1Value = 0x300, kVoice2Value = 0x200;
constexpr int kSegmentFrames = 100;
constexpr double kFrameSeconds = 312.0 * 114 / plus4::TedSound::kClock;

const char* const kProgram = R"(
        ORIGIN $1001
        BIN.B $0B $10 $0A $00 $9E $34 $31 $30 $39 $00 $00 $00
        SEI
        LDA #$00
        STA $FF0E
        STA $FF0F
        LDA $FF12
        AND #$FC
        ORA #$03
        STA $FF12
        LDA #$02
        STA $FF10
        LDA #$18            // voice 1, volume 8
        STA $FF11
        JSR SEGMENT
        LDA #$2F            // voice 2, volume 15 (as loud as 8)
        STA $FF11
        JSR SEGMENT
        LDA #$48            // noise
        STA $FF11
        JSR SEGMENT
        LDA #$10            // voice 1 at volume 0
        STA $FF11
        JSR SEGMENT
HOLD:   JMP HOLD

// 100 frames: line 100 comes once a frame
SEGMENT:
        LDX #100
FRAME:  LDA #100
WAIT:   CMP $FF1D
        BNE WAIT
LEAVE:  CMP $FF1D
        BEQ LEAVE
        DEX
        BNE FRAME
        RTS
)";

std::vector<std::int16_t> ReadWav(const std::string& bytes, int& rate) {
  std::vector<std::int16_t> samples;
  if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 8, "WAVEfmt ") != 0) return samples;
  const auto u16 = [&](std::size_t at) { return static_cast<unsigned>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8); };
  rate = static_cast<int>(u16(24) | u16(26) << 16);
  EXPECT_EQ(u16(22), 1u) << "channels";
  EXPECT_EQ(u16(34), 16u) << "bits per sample";
  for (std::size_t at = 44; at + 1 < bytes.size(); at += 2) samples.push_back(static_cast<std::int16_t>(u16(at)));
  return samples;
}

struct Segment {
  std::vector<std::int16_t> Samples;
  // The frequency from the first to the last rising zero crossing; 0 if
  // fewer than two.
  double RisingFrequency(int rate) const {
    int first = -1, last = -1, count = 0;
    for (std::size_t i = 1; i < Samples.size(); ++i)
      if (Samples[i - 1] <= 0 && Samples[i] > 0) {
        if (first < 0) first = static_cast<int>(i);
        last = static_cast<int>(i);
        ++count;
      }
    return count < 2 ? 0 : (count - 1) * static_cast<double>(rate) / (last - first);
  }
  // The lengths of the runs of one level.
  std::vector<int> RunLengths() const {
    std::vector<int> runs;
    int length = 1;
    for (std::size_t i = 1; i < Samples.size(); ++i) {
      if (Samples[i] == Samples[i - 1]) {
        ++length;
      } else {
        runs.push_back(length);
        length = 1;
      }
    }
    return runs;
  }
};

TEST(Qv3runPlus4Sound, TonesOnBothVoicesNoiseAndSilenceInTheWav) {
  ScratchFolder folder;
  folder.Write("tones.qv3", kProgram);
  const int exit = e2e::RunShell("cd " + ShellQuote(folder.Path()) + " && " + ShellQuote(QV3RUN_PATH) +
                                 " --plus4 --wav tones.wav tones.qv3 >run.out 2>run.err");
  ASSERT_EQ(exit, 0) << folder.Read("run.out").value_or("") << folder.Read("run.err").value_or("");
  int rate = 0;
  const std::vector<std::int16_t> samples = ReadWav(folder.Read("tones.wav").value_or(""), rate);
  ASSERT_EQ(rate, plus4::TedSound::kSampleRate);
  const auto segmentSamples = static_cast<std::size_t>(kSegmentFrames * kFrameSeconds * rate);
  // The first segment is short by the part of a frame before its first line 100.
  ASSERT_GE(samples.size(), 4 * segmentSamples - segmentSamples / 20);
  // The middle 80 % of each segment: its ends may hold a frame of the next.
  std::vector<Segment> segments;
  for (std::size_t i = 0; i < 4; ++i) {
    const auto begin = samples.begin() + static_cast<std::ptrdiff_t>(i * segmentSamples + segmentSamples / 10);
    segments.push_back({{begin, begin + static_cast<std::ptrdiff_t>(segmentSamples * 8 / 10)}});
  }

  for (const auto& [index, value] : {std::pair{0, kVoice1Value}, std::pair{1, kVoice2Value}}) {
    const double expected = plus4::TedSound::kClock / 16.0 / (1023 - value);
    const double measured = segments[static_cast<std::size_t>(index)].RisingFrequency(rate);
    EXPECT_NEAR(measured, expected, expected * 0.01) << "voice " << index + 1;
    EXPECT_NEAR(plus4::TedSound::ToneFrequency(value), expected, 1e-9);
  }

  // Noise: loud, and its runs are of many lengths where a square's are of
  // one (or two, rounded to samples).
  const std::vector<int> runs = segments[2].RunLengths();
  ASSERT_GT(runs.size(), 50u) << "the noise segment is (nearly) silent";
  const auto [shortest, longest] = std::minmax_element(runs.begin(), runs.end());
  EXPECT_GT(*longest, 3 * *shortest) << "noise plays like a square wave";

  for (const std::int16_t sample : segments[3].Samples) ASSERT_EQ(sample, 0) << "volume 0 is not silent";
}

// The example plays on after returning to BASIC: its first note (value
// 599, middle C) sounds in the WAV.
TEST(Qv3runPlus4Sound, TheSoundExamplePlaysFromBasic) {
  ScratchFolder folder;
  std::ifstream in(std::string(QV3_SOURCE_DIR) + "/examples/sound/sound.qv3", std::ios::binary);
  folder.Write("sound.qv3", std::string(std::istreambuf_iterator<char>(in), {}));
  ASSERT_EQ(e2e::RunShell("cd " + ShellQuote(folder.Path()) + " && " + ShellQuote(QV3RUN_PATH) +
                          " --plus4 --frames 12 --wav sound.wav sound.qv3 >run.out 2>run.err"),
            0);
  EXPECT_NE(folder.Read("run.out").value_or("").find("stop: frames at $8E00"), std::string::npos)
      << "waiting in BASIC";
  int rate = 0;
  const std::vector<std::int16_t> samples = ReadWav(folder.Read("sound.wav").value_or(""), rate);
  ASSERT_GT(samples.size(), static_cast<std::size_t>(rate / 5));
  const Segment firstNote{{samples.begin() + rate / 50, samples.begin() + rate / 5}};
  const double expected = plus4::TedSound::kClock / 16.0 / (1023 - 599);
  EXPECT_NEAR(firstNote.RisingFrequency(rate), expected, expected * 0.01);
}

TEST(Qv3runPlus4Sound, WavNeedsPlus4AndAWritableFile) {
  ScratchFolder folder;
  folder.Write("tones.qv3", kProgram);
  const auto run = [&](const std::string& arguments) {
    return e2e::RunShell("cd " + ShellQuote(folder.Path()) + " && " + ShellQuote(QV3RUN_PATH) + " " + arguments +
                         " tones.qv3 >run.out 2>run.err");
  };
  EXPECT_EQ(run("--wav x.wav"), 2);
  EXPECT_NE(folder.Read("run.err").value_or("").find("--wav needs --plus4"), std::string::npos);
  EXPECT_EQ(run("--plus4 --cycles 1000 --wav no/such/folder/x.wav"), 2);
  EXPECT_NE(folder.Read("run.err").value_or("").find("cannot write the sound"), std::string::npos);
}

}  // namespace
}  // namespace qv3
