// Reading a Plus/4 as it stands from a VICE snapshot (the core's saved
// state): the processor, the TED chip and the 64 KB of RAM. Standard C++.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "plus4/ted_register_text.h"

struct CpuSnapshot {
  std::uint64_t Clock = 0;
  std::uint8_t A = 0, X = 0, Y = 0, SP = 0, P = 0;
  std::uint16_t PC = 0;
};

struct MachineSnapshot {
  std::string Machine;  // "PLUS4"
  CpuSnapshot Cpu;
  std::array<std::uint8_t, 64> Ted{};  // $FF00-$FF3F as the chip keeps them
  std::uint16_t RasterLine = 0;
  std::uint8_t RasterCycle = 0;           // within the line, 0-113 (double clocks)
  std::uint8_t TedInterrupts = 0;         // the pending interrupts ($FF09 without its fixed bits)
  std::uint16_t CharacterPosition = 0;    // the counter $FF1A/$FF1B read
  std::uint8_t MemoryConfig = 0;
  std::vector<std::uint8_t> Ram;  // 65536 bytes
};

// A snapshot, or the reason it cannot be read.
std::variant<MachineSnapshot, std::string> ReadViceSnapshot(std::span<const std::uint8_t> bytes);

// The TED's registers as a read of $FF00-$FF3F would give them at the
// snapshot's moment: the counters VICE keeps outside its register array
// (interrupts, character position, raster line and column) put in, the
// unused bits set, and what VICE's snapshot does not save (the timers, the
// keyboard latch, the sound registers, the flash counter) marked unknown.
qv3::plus4::TedRegisters TedAsRead(const MachineSnapshot& machine);

// Where the TED fetches the screen's characters: the video matrix named by
// $FF14 (its colour half first, the 1 KB of screen codes after it).
std::uint16_t ScreenAddress(const std::array<std::uint8_t, 64>& ted);
// True when $FF13 selects the character set with lower-case letters.
bool LowerCaseCharacters(const std::array<std::uint8_t, 64>& ted);

// One screen code as a Latin-1 character (reverse video ignored; graphics
// characters as a middle dot).
char ScreenCodeCharacter(std::uint8_t code, bool lowerCase);
// The 40 x 25 screen at address as lines of text, each ending in "\n".
std::string ScreenText(const std::vector<std::uint8_t>& ram, std::uint16_t address, bool lowerCase);
