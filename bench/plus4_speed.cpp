// SPDX-License-Identifier: GPL-3.0-or-later
// The machine model's speed: 50 frames of a busy program (a bitmap screen
// redrawn by the main loop, a raster interrupt changing the border twice a
// frame), the picture drawn as always and the sound's samples made, timed
// ROUNDS times from the same
// start. Prints the best and median milliseconds for the 50 frames, the
// emulated frames and CPU cycles per second, and what the program did
// (interrupts taken, border changes seen), so that a run that went wrong is
// not taken for a fast one.
//
//   plus4_speed PROGRAM.prg [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cpu/program_runner.h"
#include "plus4/plus4_machine.h"

namespace {

constexpr std::uint64_t kFrames = 50;

struct Round {
  double Milliseconds = 0;
  std::uint64_t Cycles = 0;
  std::uint8_t Border = 0;
  std::size_t Samples = 0;
};

using qv3::cpu::ProgramImage;

Round RunOnce(const ProgramImage& image) {
  qv3::plus4::Plus4Machine machine;
  machine.Load(image);
  machine.PrepareSys(qv3::cpu::StartAddress(image));
  machine.Sound().SetEnabled(true);
  const auto start = std::chrono::steady_clock::now();
  const auto outcome = machine.RunFrames(kFrames);
  const auto end = std::chrono::steady_clock::now();
  if (outcome != qv3::plus4::StepOutcome::Ok) {
    std::fprintf(stderr, "plus4_speed: the program stopped (%s)\n", std::string(qv3::plus4::OutcomeText(outcome)).c_str());
    std::exit(1);
  }
  return {std::chrono::duration<double, std::milli>(end - start).count(), machine.Cycles(),
          machine.Ted().StoredRegister(0x19), machine.Sound().PendingSamples()};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: plus4_speed PROGRAM.prg [ROUNDS]\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  const qv3::cpu::ParsedProgram parsed = qv3::cpu::ParseProgram(bytes);
  if (!parsed.Image) {
    std::fprintf(stderr, "plus4_speed: cannot read '%s': %s\n", argv[1], parsed.Error.c_str());
    return 2;
  }
  const ProgramImage& image = *parsed.Image;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
  std::vector<Round> results;
  for (int i = 0; i < rounds; ++i) results.push_back(RunOnce(image));
  std::vector<double> times;
  for (const Round& r : results) times.push_back(r.Milliseconds);
  std::sort(times.begin(), times.end());
  const double best = times.front(), median = times[times.size() / 2];
  const Round& last = results.back();
  std::printf("model: %llu frames in %.2f ms best, %.2f ms median (goal: under 20 ms)\n",
              static_cast<unsigned long long>(kFrames), best, median);
  std::printf("model: %.0f frames/s best (%.0fx real time at 50 frames/s), %.1f M CPU cycles/s\n",
              kFrames * 1000.0 / best, kFrames * 1000.0 / best / 50.0, last.Cycles / best / 1000.0);
  std::printf("model: %llu CPU cycles in the 50 frames; border colour at the end $%02X (%d changes)\n",
              static_cast<unsigned long long>(last.Cycles), last.Border, (last.Border - 0x6E) & 0x7F);
  std::printf("model: %zu sound samples made (44100 a second)\n", last.Samples);
  return 0;
}
