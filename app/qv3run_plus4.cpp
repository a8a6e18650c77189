// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qv3run_plus4.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>

#include "app/png_file.h"
#include "app/wav_file.h"
#include "cpu/disassembler.h"
#include "plus4/plus4_machine.h"

namespace qv3 {
namespace {

using plus4::Keyboard;
using plus4::Plus4Machine;
using plus4::StepOutcome;

constexpr int kExitSuccess = 0;
constexpr int kExitIo = 2;
constexpr int kExitCycleLimit = 3;
constexpr int kExitUndocumented = 4;
// Keys are typed from the third frame on (what the program reads of the
// matrix at SYS is no key), each held two frames and released four: the
// KERNAL's scan (once a frame) sees every key once.
constexpr std::uint64_t kTypingStartFrame = 3;
constexpr int kKeyHoldFrames = 2, kKeyGapFrames = 4;
// Samples are moved from the TED to the run's sound a second at a time.
constexpr std::size_t kSoundChunk = 44100;

std::string Hex2(std::uint8_t value) { return cpu::HexByteText(value).substr(1); }
std::string Hex4(std::uint16_t value) { return cpu::HexWordText(value).substr(1); }

std::string RegisterText(const Plus4Machine& machine) {
  const cpu::Registers& r = machine.Registers();
  return "A=$" + Hex2(r.A) + " X=$" + Hex2(r.X) + " Y=$" + Hex2(r.Y) + " SP=$" + Hex2(r.SP) + " P=$" +
         Hex2(r.P) + " cycles=" + std::to_string(machine.Cycles());
}

// window: the instruction's bytes as the CPU reads them, for the disassembler.
void TraceLine(const Plus4Machine& machine, cpu::Memory& window) {
  const std::uint16_t pc = machine.Registers().PC;
  std::string text;
  if (machine.InterruptsEnabled() && machine.IrqPending()) {
    text = "IRQ entry";
  } else {
    for (int i = 0; i < 3; ++i) window[static_cast<std::uint16_t>(pc + i)] = machine.Peek(static_cast<std::uint16_t>(pc + i));
    const cpu::DisassembledLine line = cpu::Disassemble(window, pc);
    std::string bytes;
    for (int i = 0; i < line.Length; ++i) bytes += Hex2(line.Bytes[static_cast<std::size_t>(i)]) + " ";
    bytes.resize(10, ' ');
    text = bytes + line.Text;
  }
  text.resize(std::max<std::size_t>(text.size(), 28), ' ');
  std::cerr << Hex4(pc) << "  " << text << "  " << RegisterText(machine) << " line=" << machine.Ted().RasterLine()
            << '\n';
}

// Screen codes as terminal characters: letters, digits and punctuation as
// themselves, graphics as '.'.
char ScreenCharacter(std::uint8_t code, bool lowerCase) {
  code &= 0x7F;
  if (code == 0) return '@';
  if (code <= 26) return static_cast<char>((lowerCase ? 'a' : 'A') + code - 1);
  if (code == 27) return '[';
  if (code == 29) return ']';
  if (code == 30) return '^';
  if (code >= 32 && code < 64) return static_cast<char>(code);
  if (lowerCase && code >= 65 && code <= 90) return static_cast<char>('A' + code - 65);
  return '.';
}

// The 25 lines of the screen memory the TED shows ($FF14: the video
// matrix, its screen codes 1 KB above the colours).
std::string ScreenText(const Plus4Machine& machine) {
  const std::uint8_t matrix = machine.Ted().Register(0x14);
  const auto screen = static_cast<std::uint16_t>(((matrix & 0xF8) << 8) + 0x400);
  const bool lowerCase = (machine.Ted().Register(0x13) & 0x04) != 0;
  std::string text;
  for (int row = 0; row < 25; ++row) {
    for (int column = 0; column < 40; ++column)
      text += ScreenCharacter(machine.Ram()[static_cast<std::uint16_t>(screen + row * 40 + column)], lowerCase);
    text += '\n';
  }
  return text;
}

bool WriteScreen(const Plus4Machine& machine, const std::string& path) {
  std::vector<PaletteEntry> palette;
  for (const plus4::Rgb& rgb : plus4::Palette()) palette.push_back({rgb.R, rgb.G, rgb.B});
  const plus4::FrameBuffer& frame = machine.Frame();
  const std::string png = EncodePalettePng(plus4::FrameBuffer::kWidth, plus4::FrameBuffer::kHeight,
                                           frame.Pixels, palette);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(png.data(), static_cast<std::streamsize>(png.size()));
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

std::optional<char> UntypableKey(const std::string& keys) {
  for (const char c : keys)
    if (!Keyboard::ChordOf(static_cast<std::uint8_t>(c))) return c;
  return std::nullopt;
}

int RunOnPlus4(const cpu::ProgramImage& image, const Plus4RunOptions& options) {
  Plus4Machine machine;
  machine.Load(image);
  machine.PrepareSys(options.Start);
  // A run measured in frames goes on in BASIC after the program returns.
  machine.SetContinueAfterReturn(options.Frames.has_value());
  std::vector<std::int16_t> sound;
  machine.Sound().SetEnabled(!options.WavPath.empty());
  machine.SetStopAtUndocumented(options.StopUndocumented);
  bool typing = false;
  const auto traceWindow = options.Trace ? std::make_unique<cpu::Memory>() : nullptr;
  const std::uint64_t firstFrame = machine.FrameCount();

  std::string reason;
  int status = kExitSuccess;
  for (;;) {
    const std::uint64_t frames = machine.FrameCount() - firstFrame;
    if (options.Frames && frames >= *options.Frames) {
      reason = "frames";
      break;
    }
    if (machine.Cycles() >= options.CycleLimit) {
      reason = "cycle limit";
      status = kExitCycleLimit;
      break;
    }
    if (!typing && frames >= kTypingStartFrame) {
      machine.TypeKeys(options.Keys, kKeyHoldFrames, kKeyGapFrames);
      typing = true;
    }
    if (traceWindow) TraceLine(machine, *traceWindow);
    if (machine.Sound().PendingSamples() >= kSoundChunk) {
      const std::vector<std::int16_t> samples = machine.Sound().TakeSamples();
      sound.insert(sound.end(), samples.begin(), samples.end());
    }
    const StepOutcome outcome = machine.Step();
    if (outcome != StepOutcome::Ok) {
      reason = std::string(plus4::OutcomeText(outcome));
      if (outcome == StepOutcome::Jam || outcome == StepOutcome::Illegal || outcome == StepOutcome::UnservedRom)
        status = kExitUndocumented;
      if (outcome == StepOutcome::DebugExit) status = *machine.DebugExitValue();
      if (!machine.StopDetail().empty()) std::cerr << "qv3run: " << machine.StopDetail() << '\n';
      break;
    }
    // With interrupts enabled an instruction jumping to itself is a wait
    // loop that an interrupt ends; with them disabled nothing can.
    if (machine.LastStepJumpedToItself() && !machine.InterruptsEnabled()) {
      reason = "loop";
      break;
    }
  }

  std::string out;
  for (const auto& [address, length] : options.Dumps)
    for (std::uint32_t offset = 0; offset < length; offset += 16) {
      out += Hex4(static_cast<std::uint16_t>(address + offset)) + ':';
      for (std::uint32_t i = offset; i < length && i < offset + 16; ++i)
        out += ' ' + Hex2(machine.Peek(static_cast<std::uint16_t>(address + i)));
      out += '\n';
    }
  if (options.ScreenText) out += ScreenText(machine);
  out += "stop: " + reason + " at $" + Hex4(machine.Registers().PC) + " " + RegisterText(machine) + "\n";
  if (!options.WavPath.empty()) {
    machine.Sound().RunTo(machine.Ted().Tick());
    const std::vector<std::int16_t> samples = machine.Sound().TakeSamples();
    sound.insert(sound.end(), samples.begin(), samples.end());
    if (!WriteWavFile(options.WavPath, sound, plus4::TedSound::kSampleRate)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      std::cerr << "qv3run: cannot write the sound to '" << options.WavPath << "'\n";
      return kExitIo;
    }
  }
  if (!options.ScreenPath.empty() && !WriteScreen(machine, options.ScreenPath)) {
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::cerr << "qv3run: cannot write the screen to '" << options.ScreenPath << "'\n";
    return kExitIo;
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
  if (std::ferror(stdout)) {
    std::cerr << "qv3run: cannot write standard output\n";
    return kExitIo;
  }
  return status;
}

}  // namespace qv3
