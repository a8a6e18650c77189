#include "workbench/emulator/vice_snapshot.h"

#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

namespace {

constexpr std::string_view kRetroArchMagic = "RASTATE\x01";
constexpr std::string_view kMagic = "VICE Snapshot File\x1a";
constexpr std::string_view kVersionMagic = "VICE Version\x1a";
constexpr std::size_t kNameLength = 16;
constexpr std::size_t kModuleHeader = kNameLength + 2 + 4;
constexpr std::size_t kRamSize = 65536;

std::uint32_t Little(std::span<const std::uint8_t> bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
  return value;
}

std::string PaddedName(std::span<const std::uint8_t> bytes, std::size_t at) {
  std::string name(reinterpret_cast<const char*>(bytes.data() + at), kNameLength);
  name.resize(std::strlen(name.c_str()));
  return name;
}

bool StartsWith(std::span<const std::uint8_t> bytes, std::size_t at, std::string_view text) {
  return bytes.size() >= at + text.size() &&
         std::memcmp(bytes.data() + at, text.data(), text.size()) == 0;
}

}  // namespace

std::variant<MachineSnapshot, std::string> ReadViceSnapshot(std::span<const std::uint8_t> bytes) {
  // RetroArch wraps the core's state in chunks (tag, little-endian size);
  // the VICE snapshot is the "MEM " chunk.
  if (StartsWith(bytes, 0, kRetroArchMagic)) {
    std::size_t at = kRetroArchMagic.size();
    for (;;) {
      if (bytes.size() - at < 8) return std::string("the saved state holds no VICE snapshot");
      const std::uint32_t size = Little(bytes, at + 4, 4);
      if (size > bytes.size() - at - 8) return std::string("the saved state ends inside a chunk");
      if (StartsWith(bytes, at, "MEM ")) {
        bytes = bytes.subspan(at + 8, size);
        break;
      }
      at += 8 + size;
    }
  }
  if (!StartsWith(bytes, 0, kMagic)) return std::string("not a VICE snapshot (no signature)");
  std::size_t at = kMagic.size() + 2;
  if (bytes.size() < at + kNameLength) return std::string("the snapshot ends inside its header");
  MachineSnapshot machine;
  machine.Machine = PaddedName(bytes, at);
  at += kNameLength;
  if (StartsWith(bytes, at, kVersionMagic)) at += kVersionMagic.size() + 8;

  std::optional<std::span<const std::uint8_t>> memory, cpu, ted;
  while (at < bytes.size()) {
    if (bytes.size() - at < kModuleHeader)
      return std::string("the snapshot ends inside a module header");
    const std::string name = PaddedName(bytes, at);
    if (name.empty()) break;  // the zero padding of a fixed-size state
    const std::uint32_t size = Little(bytes, at + kNameLength + 2, 4);
    if (size < kModuleHeader || size > bytes.size() - at)
      return "module " + name + " has a size beyond the snapshot";
    const auto data = bytes.subspan(at + kModuleHeader, size - kModuleHeader);
    if (name == "PLUS4MEM") memory = data;
    else if (name == "MAINCPU") cpu = data;
    else if (name == "TED") ted = data;
    at += size;
  }
  if (!memory || !cpu || !ted)
    return std::string("the snapshot lacks the memory, processor or TED module (not a Plus/4?)");

  if (memory->size() < 4 + kRamSize) return std::string("the memory module is too short");
  machine.MemoryConfig = (*memory)[3];
  machine.Ram.assign(memory->begin() + 4, memory->begin() + 4 + kRamSize);

  // Clock (8), A, X, Y, SP, PC (2), status.
  if (cpu->size() < 15) return std::string("the processor module is too short");
  machine.Cpu.Clock = Little(*cpu, 0, 4) | static_cast<std::uint64_t>(Little(*cpu, 4, 4)) << 32;
  machine.Cpu.A = (*cpu)[8];
  machine.Cpu.X = (*cpu)[9];
  machine.Cpu.Y = (*cpu)[10];
  machine.Cpu.SP = (*cpu)[11];
  machine.Cpu.PC = static_cast<std::uint16_t>(Little(*cpu, 12, 2));
  machine.Cpu.P = (*cpu)[14];

  // Clock (8), the fetch state (three bytes, the 40 colour bytes of the
  // current row, the idle flag, its 40 character bytes), the raster cycle
  // (1) and line (2), the registers (64); then the TV line, the frame's
  // height, its first and last shown lines, the raster counter (4 each),
  // the character position counter (2), its step (1), the row's base (2)
  // and the pending interrupts (1).
  constexpr std::size_t kRegisters = 8 + 3 + 40 + 1 + 40 + 1 + 2;
  constexpr std::size_t kAfterRegisters = kRegisters + 64;
  constexpr std::size_t kCharacterPosition = kAfterRegisters + 5 * 4;
  constexpr std::size_t kInterrupts = kCharacterPosition + 2 + 1 + 2;
  if (ted->size() < kInterrupts + 1) return std::string("the TED module is too short");
  machine.RasterCycle = (*ted)[kRegisters - 3];
  machine.RasterLine = static_cast<std::uint16_t>(Little(*ted, kRegisters - 2, 2));
  std::memcpy(machine.Ted.data(), ted->data() + kRegisters, machine.Ted.size());
  machine.CharacterPosition = static_cast<std::uint16_t>(Little(*ted, kCharacterPosition, 2));
  machine.TedInterrupts = (*ted)[kInterrupts];
  return machine;
}

qv3::plus4::TedRegisters TedAsRead(const MachineSnapshot& machine) {
  // VICE's unused bits, which a read gives as 1.
  static constexpr std::pair<int, std::uint8_t> kUnusedBits[] = {
      {0x0A, 0xA0}, {0x0C, 0xFC}, {0x12, 0xC0}, {0x15, 0x80}, {0x16, 0x80},
      {0x17, 0x80}, {0x18, 0x80}, {0x19, 0x80}, {0x3E, 0xFF}, {0x3F, 0xFF}};
  constexpr int kPalCyclesPerLine = 114;
  qv3::plus4::TedRegisters ted;
  ted.Bytes = machine.Ted;
  for (const auto& [index, bits] : kUnusedBits) ted.Bytes[static_cast<std::size_t>(index)] |= bits;
  for (int index : {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x08, 0x0E, 0x0F, 0x10, 0x11, 0x1F})
    ted.Unknown.set(static_cast<std::size_t>(index));
  ted.Bytes[0x09] = static_cast<std::uint8_t>(machine.TedInterrupts | 0x25);
  ted.Bytes[0x0A] = static_cast<std::uint8_t>((machine.Ted[0x0A] & 0x5F) | 0xA0);
  ted.Bytes[0x1A] = static_cast<std::uint8_t>(0xFC | (machine.CharacterPosition >> 8 & 3));
  ted.Bytes[0x1B] = static_cast<std::uint8_t>(machine.CharacterPosition & 0xFF);
  ted.Bytes[0x1C] = 0xFE;
  ted.RasterLine = machine.RasterLine;
  // The column counts 4 pixels a cycle from cycle 16 on, read as pixel / 2.
  int column = (machine.RasterCycle - 16) * 4;
  if (column < 0) column += kPalCyclesPerLine * 4;
  ted.Bytes[0x1E] = static_cast<std::uint8_t>((column / 2) & 0xFE);
  return ted;
}

std::uint16_t ScreenAddress(const std::array<std::uint8_t, 64>& ted) {
  return static_cast<std::uint16_t>(((ted[0x14] & 0xF8) << 8) + 0x400);
}

bool LowerCaseCharacters(const std::array<std::uint8_t, 64>& ted) {
  // The ROM holds upper case and graphics at $D000, lower and upper case at $D400.
  return (ted[0x13] & 0xFC) == 0xD4;
}

char ScreenCodeCharacter(std::uint8_t code, bool lowerCase) {
  code &= 0x7F;
  if (code == 0) return '@';
  if (code <= 26) return static_cast<char>((lowerCase ? 'a' : 'A') + code - 1);
  switch (code) {
    case 27: return '[';
    case 28: return static_cast<char>(0xA3);  // pound sign
    case 29: return ']';
    case 30: return '^';
    case 31: return '_';
    default: break;
  }
  if (code < 64) return static_cast<char>(code);
  if (lowerCase && code >= 65 && code <= 90) return static_cast<char>('A' + code - 65);
  return static_cast<char>(0xB7);
}

std::string ScreenText(const std::vector<std::uint8_t>& ram, std::uint16_t address, bool lowerCase) {
  std::string text;
  for (int row = 0; row < 25; ++row) {
    for (int column = 0; column < 40; ++column) {
      const std::size_t at = (address + static_cast<std::size_t>(row * 40 + column)) & 0xFFFF;
      text += at < ram.size() ? ScreenCodeCharacter(ram[at], lowerCase) : ' ';
    }
    text += '\n';
  }
  return text;
}
