#include "cpu/program_runner.h"

#include <algorithm>

#include "cpu/disassembler.h"

namespace qv3::cpu {
namespace {
constexpr std::uint16_t kBasicStart = 0x1001;
constexpr std::uint8_t kSysToken = 0x9E;
constexpr std::uint8_t kBrkOpcode = 0x00;
constexpr std::uint8_t kReturn = 0x0D;
constexpr std::uint8_t kShiftReturn = 0x8D;
constexpr std::uint8_t kClear = 0x93;
constexpr std::uint8_t kHome = 0x13;
constexpr int kScreenSize = kScreenColumns * kScreenRows;
constexpr int kKernalCallCycles = 6;  // the RTS that ends it
}  // namespace

ParsedProgram ParseProgram(std::string_view fileBytes) {
  ParsedProgram parsed;
  if (fileBytes.size() < 2) {
    parsed.Error = "the program file has " + std::to_string(fileBytes.size()) +
                   " byte(s), fewer than the 2 of its load address";
    return parsed;
  }
  const auto load = static_cast<std::uint16_t>(static_cast<std::uint8_t>(fileBytes[0]) |
                                               static_cast<std::uint8_t>(fileBytes[1]) << 8);
  const std::size_t length = fileBytes.size() - 2;
  if (load + length > 0x10000) {
    parsed.Error = "the program's " + std::to_string(length) + " bytes loaded at " + HexWordText(load) +
                   " would run past $FFFF";
    return parsed;
  }
  parsed.Image = ProgramImage{load, std::vector<std::uint8_t>(fileBytes.begin() + 2, fileBytes.end())};
  return parsed;
}

std::optional<std::uint16_t> BasicSysAddress(const ProgramImage& image) {
  if (image.LoadAddress != kBasicStart) return std::nullopt;
  const std::vector<std::uint8_t>& bytes = image.Bytes;
  const auto at = [&](std::size_t offset) -> int { return offset < bytes.size() ? bytes[offset] : -1; };
  // Each line: link to the next (two bytes, 0 ends the program), line number
  // (two bytes), tokens up to a 0 byte. Links must move forwards.
  std::size_t line = 0;
  while (line + 4 < bytes.size()) {
    const int linkLow = at(line), linkHigh = at(line + 1);
    if (linkLow == 0 && linkHigh == 0) break;
    bool quoted = false;
    std::size_t i = line + 4;
    for (; i < bytes.size() && bytes[i] != 0; ++i) {
      if (bytes[i] == '"') quoted = !quoted;
      if (quoted || bytes[i] != kSysToken) continue;
      std::size_t digit = i + 1;
      while (at(digit) == ' ') ++digit;
      std::uint32_t value = 0;
      bool any = false;
      while (at(digit) >= '0' && at(digit) <= '9' && value <= 0xFFFF) {
        value = value * 10 + static_cast<std::uint32_t>(at(digit) - '0');
        any = true;
        ++digit;
      }
      if (!any || value > 0xFFFF) return std::nullopt;
      return static_cast<std::uint16_t>(value);
    }
    const std::size_t next = static_cast<std::size_t>(linkLow | linkHigh << 8);
    if (next <= kBasicStart + line || next - kBasicStart >= bytes.size()) break;
    line = next - kBasicStart;
  }
  return std::nullopt;
}

std::uint16_t StartAddress(const ProgramImage& image) {
  return BasicSysAddress(image).value_or(image.LoadAddress);
}

std::string_view StopReasonText(StopReason reason) {
  switch (reason) {
    case StopReason::Returned: return "returned";
    case StopReason::Brk: return "brk";
    case StopReason::Jam: return "jam";
    case StopReason::Illegal: return "illegal";
    case StopReason::Loop: return "loop";
    case StopReason::CycleLimit: return "cycle limit";
  }
  return "unknown";
}

std::string UndocumentedStopText(StopReason reason, const Cpu6502& cpu) {
  const std::uint16_t pc = cpu.Registers.PC;
  const std::string opcode = HexByteText(cpu.Memory[pc]);
  if (reason == StopReason::Illegal) return "illegal opcode " + opcode + " at " + HexWordText(pc);
  if (reason == StopReason::Jam) return "JAM (" + opcode + ") at " + HexWordText(pc);
  return {};
}

std::optional<std::uint8_t> ScreenCodeOf(std::uint8_t petscii) {
  if (petscii >= 0x20 && petscii <= 0x3F) return petscii;
  if (petscii >= 0x40 && petscii <= 0x5F) return static_cast<std::uint8_t>(petscii - 0x40);
  if (petscii >= 0x60 && petscii <= 0x7F) return static_cast<std::uint8_t>(petscii - 0x20);
  if (petscii >= 0xA0 && petscii <= 0xBF) return static_cast<std::uint8_t>(petscii - 0x40);
  if (petscii >= 0xC0 && petscii <= 0xFE) return static_cast<std::uint8_t>(petscii - 0x80);
  if (petscii == 0xFF) return 0x5E;
  return std::nullopt;
}

ProgramRunner::ProgramRunner() : cpu_(std::make_unique<Cpu6502>()) {}

void ProgramRunner::Load(const ProgramImage& image) {
  const std::size_t room = cpu_->Memory.size() - image.LoadAddress;
  std::copy_n(image.Bytes.begin(), std::min(room, image.Bytes.size()),
              cpu_->Memory.begin() + image.LoadAddress);
}

void ProgramRunner::PrepareCall(std::uint16_t start) {
  Registers& r = cpu_->Registers;
  r = Registers{};
  r.SP = 0xFF;
  r.P = kUnused | kInterruptDisable;
  const auto pushed = static_cast<std::uint16_t>(kReturnAddress - 1);
  cpu_->Push(static_cast<std::uint8_t>(pushed >> 8));
  cpu_->Push(static_cast<std::uint8_t>(pushed));
  r.PC = start;
}

void ProgramRunner::ReturnFromKernal() {
  const std::uint8_t low = cpu_->Pull();
  cpu_->Registers.PC = static_cast<std::uint16_t>((low | cpu_->Pull() << 8) + 1);
  cpu_->Cycles += kKernalCallCycles;
}

void ProgramRunner::ClearScreen() {
  std::fill_n(cpu_->Memory.begin() + kScreenMemory, kScreenSize, std::uint8_t{0x20});
  cursor_ = 0;
}

void ProgramRunner::ScrollScreen() {
  auto screen = cpu_->Memory.begin() + kScreenMemory;
  std::copy(screen + kScreenColumns, screen + kScreenSize, screen);
  std::fill_n(screen + kScreenSize - kScreenColumns, kScreenColumns, std::uint8_t{0x20});
  cursor_ -= kScreenColumns;
}

void ProgramRunner::PrintCharacter(std::uint8_t petscii) {
  if (CharacterSink) CharacterSink(petscii);
  if (petscii == kClear) {
    ClearScreen();
  } else if (petscii == kHome) {
    cursor_ = 0;
  } else if (petscii == kReturn || petscii == kShiftReturn) {
    cursor_ = (cursor_ / kScreenColumns + 1) * kScreenColumns;
  } else if (const auto code = ScreenCodeOf(petscii)) {
    cpu_->Memory[static_cast<std::size_t>(kScreenMemory + cursor_)] = *code;
    ++cursor_;
  }
  if (cursor_ >= kScreenSize) ScrollScreen();
}

std::optional<StopReason> ProgramRunner::Step() {
  Registers& r = cpu_->Registers;
  const std::uint16_t pc = r.PC;
  if (pc >= kKernalTableFirst && pc <= kKernalTableLast) {
    if (pc == kChrout) {
      PrintCharacter(r.A);
    } else if (pc == kGetin) {
      r.A = nextKey_ < keys_.size() ? static_cast<std::uint8_t>(keys_[nextKey_++]) : 0;
      r.P = static_cast<std::uint8_t>((r.P & ~(kNegative | kZero | kCarry)) | (r.A & kNegative) |
                                      (r.A == 0 ? kZero : 0));
    } else if (!noted_.test(pc - kKernalTableFirst)) {
      noted_.set(pc - kKernalTableFirst);
      if (NoteSink) NoteSink(pc);
    }
    ReturnFromKernal();
  } else if (cpu_->Memory[pc] == kBrkOpcode) {
    cpu_->Cycles += 7;
    return StopReason::Brk;
  } else {
    // Only a jump or branch to itself loops: an RTS may land on itself
    // (a recursive call in tail position) and the program goes on.
    const std::uint8_t opcode = cpu_->Memory[pc];
    const bool jumps = opcode == 0x4C || opcode == 0x6C || (opcode & 0x1F) == 0x10;
    switch (cpu_->Step()) {
      case StepOutcome::Ok: break;
      case StepOutcome::Jam: return StopReason::Jam;
      case StepOutcome::IllegalOpcode: return StopReason::Illegal;
    }
    if (jumps && r.PC == pc) return StopReason::Loop;
  }
  if (r.PC == kReturnAddress) return StopReason::Returned;
  return std::nullopt;
}

StopReason ProgramRunner::Run(std::uint64_t cycleLimit) {
  while (cpu_->Cycles < cycleLimit)
    if (const auto stop = Step()) return *stop;
  return StopReason::CycleLimit;
}

}  // namespace qv3::cpu
