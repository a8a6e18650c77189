// Emulated cycles per second of the CPU core on the public 6502 functional
// test (Step until the success trap), and of the headless machine that
// qv3run uses (ProgramRunner::Run with its KERNAL and stop checks) on a
// loop of loads, stores, arithmetic and branches, for as many cycles: the
// functional test itself would stop the machine at its first BRK.
//
//   cpu_speed [FOLDER] [ROUNDS]
//
// FOLDER holds 6502_functional_test.bin (default: $QV3_6502_FUNCTIONAL_TEST,
// else tests/cpu/6502_functional_test in the source tree); ROUNDS runs
// of each (default 5) are timed and the best and median are printed.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "cpu/cpu6502.h"
#include "cpu/program_runner.h"

namespace {
constexpr std::uint16_t kEntry = 0x0400;
constexpr std::uint16_t kSuccessTrap = 0x3469;

struct Result {
  double Seconds;
  std::uint64_t Cycles;
  std::uint16_t Trap;
};

Result RunCore(const std::vector<char>& image) {
  auto cpu = std::make_unique<qv3::cpu::Cpu6502>();
  std::copy(image.begin(), image.end(), cpu->Memory.begin());
  cpu->Registers.PC = kEntry;
  const auto start = std::chrono::steady_clock::now();
  std::uint16_t previous;
  do {
    previous = cpu->Registers.PC;
    if (cpu->Step() != qv3::cpu::StepOutcome::Ok) break;
  } while (cpu->Registers.PC != previous);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return {elapsed.count(), cpu->Cycles, cpu->Registers.PC};
}

// Two nested loops over ADC, ROL, indexed loads and stores; never ends.
constexpr std::uint8_t kMachineLoop[] = {
    0xA2, 0x00, 0xA0, 0x00, 0x8A, 0x18, 0x65, 0x10, 0x85, 0x10, 0x26, 0x11, 0xBD, 0x00, 0x30,
    0x99, 0x00, 0x31, 0xC8, 0xD0, 0xEF, 0xE8, 0xD0, 0xEA, 0x4C, 0x00, 0x20,
};
constexpr std::uint16_t kMachineLoopAddress = 0x2000;

Result RunMachine(std::uint64_t cycles) {
  qv3::cpu::ProgramRunner runner;
  std::copy(std::begin(kMachineLoop), std::end(kMachineLoop), runner.Cpu().Memory.begin() + kMachineLoopAddress);
  runner.PrepareCall(kMachineLoopAddress);
  const auto start = std::chrono::steady_clock::now();
  const qv3::cpu::StopReason reason = runner.Run(cycles);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  const bool ok = reason == qv3::cpu::StopReason::CycleLimit;
  return {elapsed.count(), runner.Cpu().Cycles, ok ? kSuccessTrap : runner.Cpu().Registers.PC};
}

template <typename Run>
bool Report(const char* name, const std::vector<char>& image, int rounds, Run run) {
  std::vector<double> rates;
  Result last{};
  for (int i = 0; i < rounds; ++i) {
    last = run(image);
    if (last.Trap != kSuccessTrap) {
      std::fprintf(stderr, "cpu_speed: %s ended at $%04X, not at the success trap\n", name, last.Trap);
      return false;
    }
    rates.push_back(static_cast<double>(last.Cycles) / last.Seconds);
  }
  std::sort(rates.begin(), rates.end());
  std::printf("%-8s %llu cycles per run, best %.1f M cycles/s, median %.1f M cycles/s (%d runs)\n", name,
              static_cast<unsigned long long>(last.Cycles), rates.back() / 1e6, rates[rates.size() / 2] / 1e6,
              rounds);
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  std::string folder = QV3_SOURCE_DIR "/tests/cpu/6502_functional_test";
  if (const char* overridden = std::getenv("QV3_6502_FUNCTIONAL_TEST")) folder = overridden;
  if (argc > 1) folder = argv[1];
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  std::ifstream in(folder + "/6502_functional_test.bin", std::ios::binary);
  const std::vector<char> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (image.size() != 0x10000) {
    std::fprintf(stderr, "cpu_speed: no 64 KB 6502_functional_test.bin in %s\n", folder.c_str());
    return 2;
  }
  const std::uint64_t cycles = RunCore(image).Cycles;
  const bool ok = Report("core", image, rounds, RunCore) &&
                  Report("machine", image, rounds, [cycles](const std::vector<char>&) { return RunMachine(cycles); });
  return ok ? 0 : 1;
}
