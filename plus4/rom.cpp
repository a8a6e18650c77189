// SPDX-License-Identifier: GPL-3.0-or-later
#include "plus4/rom.h"

#include <initializer_list>

#include "plus4/screen_glyphs.h"

namespace qv3::plus4 {
namespace {

void PutCode(RomImage& rom, std::uint16_t address, std::initializer_list<std::uint8_t> bytes) {
  for (const std::uint8_t byte : bytes) {
    rom.Bytes[address] = byte;
    rom.Code.set(address - 0x8000u);
    ++address;
  }
}

void PutTrap(RomImage& rom, std::uint16_t address, Trap trap, std::uint16_t entry = 0) {
  rom.Traps[address - 0x8000u] = trap;
  rom.TableEntry[address - 0x8000u] = entry;
  rom.Bytes[address] = 0x60;  // an RTS for whoever disassembles the ROM
}

RomImage Build() {
  RomImage rom;
  // The IRQ entry: A, X, Y onto the stack, the BASIC/KERNAL bank, then the
  // check for BRK.
  PutCode(rom, 0xFCB3, {0x48, 0x8A, 0x48, 0x98, 0x48,  // PHA TXA PHA TYA PHA
                        0x8D, 0xD0, 0xFD,              // STA $FDD0
                        0x4C, 0x00, 0xCE});            // JMP $CE00
  // The exit: the bank the program had ($FB), then Y, X, A and RTI.
  PutCode(rom, 0xFCBE, {0xA6, 0xFB, 0x9D, 0xD0, 0xFD,         // LDX $FB / STA $FDD0,X
                        0x68, 0xA8, 0x68, 0xAA, 0x68, 0x40});  // PLA TAY PLA TAX PLA RTI
  // B in the pushed P tells BRK from IRQ.
  PutCode(rom, 0xCE00, {0xBA,              // TSX
                        0xBD, 0x04, 0x01,  // LDA $0104,X
                        0x29, 0x10,        // AND #$10
                        0xD0, 0x03,        // BNE +3
                        0x6C, 0x14, 0x03,  // JMP ($0314)
                        0x6C, 0x16, 0x03}); // JMP ($0316)
  PutTrap(rom, 0xCE0E, Trap::DefaultIrq);
  PutTrap(rom, 0xF44C, Trap::DefaultBrk);
  PutTrap(rom, kBasicIdleLoop, Trap::BasicIdle);

  // The jump table: the entries that go through RAM vectors jump there,
  // the others are served where they stand.
  struct Indirect {
    std::uint16_t Entry;
    std::uint16_t Vector;
    Trap Service;
  };
  constexpr Indirect kIndirect[] = {
      {0xFFC0, 0x0318, Trap::ReturnWithNote}, {0xFFC3, 0x031A, Trap::ReturnWithNote}, {0xFFC6, 0x031C, Trap::ReturnWithNote},
      {0xFFC9, 0x031E, Trap::ReturnWithNote}, {0xFFCC, 0x0320, Trap::ReturnWithNote}, {0xFFCF, 0x0322, Trap::Chrin},
      {0xFFD2, 0x0324, Trap::Chrout},   {0xFFE1, 0x0326, Trap::Stop},     {0xFFE4, 0x0328, Trap::Getin},
      {0xFFE7, 0x032A, Trap::ReturnWithNote},
  };
  for (std::uint16_t entry = 0xFF81; entry <= 0xFFF3; entry = static_cast<std::uint16_t>(entry + 3))
    PutTrap(rom, entry, Trap::ReturnWithNote, entry);
  for (const Indirect& jump : kIndirect) {
    rom.Traps[jump.Entry - 0x8000u] = Trap::None;
    PutCode(rom, jump.Entry, {0x6C, static_cast<std::uint8_t>(jump.Vector), static_cast<std::uint8_t>(jump.Vector >> 8)});
    const std::uint16_t target = kRamVectors[static_cast<std::size_t>((jump.Vector - kRamVectorBase) / 2)];
    PutTrap(rom, target, jump.Service, jump.Entry);
  }
  PutTrap(rom, 0xFFF0, Trap::Plot, 0xFFF0);
  PutTrap(rom, 0xFF9F, Trap::Scnkey, 0xFF9F);
  PutTrap(rom, 0xFFDE, Trap::Rdtim, 0xFFDE);
  PutTrap(rom, 0xFFDB, Trap::Settim, 0xFFDB);
  PutTrap(rom, 0xFFED, Trap::Screen, 0xFFED);
  // LOAD and SAVE's vectors lead nowhere useful without a drive.
  PutTrap(rom, kRamVectors[13], Trap::ReturnWithNote, 0xFFD5);
  PutTrap(rom, kRamVectors[14], Trap::ReturnWithNote, 0xFFD8);

  // The hardware vectors: NMI to the exit's RTI, RESET nowhere served, IRQ
  // and BRK to the entry.
  const auto vector = [&](std::uint16_t at, std::uint16_t target) {
    rom.Bytes[at] = static_cast<std::uint8_t>(target);
    rom.Bytes[at + 1u] = static_cast<std::uint8_t>(target >> 8);
  };
  vector(0xFFFA, 0xFCC8);
  vector(0xFFFC, 0xFFF6);
  vector(0xFFFE, 0xFCB3);

  // The character set: 128 glyphs at $D000, and the same again at $D400
  // (the real machine's second set has lower-case letters there).
  for (int code = 0; code < 128; ++code) {
    const Glyph glyph = GlyphOfScreenCode(static_cast<std::uint8_t>(code));
    for (int line = 0; line < 8; ++line) {
      rom.Bytes[static_cast<std::size_t>(0xD000 + code * 8 + line)] = glyph[static_cast<std::size_t>(line)];
      rom.Bytes[static_cast<std::size_t>(0xD400 + code * 8 + line)] = glyph[static_cast<std::size_t>(line)];
    }
  }
  return rom;
}

}  // namespace

const RomImage& TheRom() {
  static const RomImage rom = Build();
  return rom;
}

}  // namespace qv3::plus4
