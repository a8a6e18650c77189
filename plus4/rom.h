// SPDX-License-Identifier: GPL-3.0-or-later
// The machine model's ROM: no Commodore code, only what programs rely on at
// the addresses they rely on. Real 6502 code for the IRQ entry ($FCB3), its
// check for BRK ($CE00) and the exit programs jump to ($FCBE), the jump
// table's indirect entries (JMP ($0322) and the like) and the hardware
// vectors; traps (served by the model in C++ when PC reaches them) for the
// KERNAL routines behind the jump table and the default handlers; the
// project's own glyphs as the character set at $D000. Every other ROM
// address is unserved: the model stops there rather than run invented bytes.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>

namespace qv3::plus4 {

enum class Trap : std::uint8_t {
  None,
  Chrout,      // $FFD2 through ($0324)
  Chrin,       // $FFCF through ($0322)
  Getin,       // $FFE4 through ($0328)
  Stop,        // $FFE1 through ($0326)
  Plot,        // $FFF0
  Scnkey,      // $FF9F
  Rdtim,       // $FFDE
  Settim,      // $FFDB
  Screen,      // $FFED
  ReturnWithNote,  // any other jump-table entry: returns at once, with a note
  DefaultIrq,  // $CE0E, the start value of ($0314)
  DefaultBrk,  // $F44C, the start value of ($0316)
  BasicIdle,   // BASIC's editor waiting for a line (after a program returned)
};

// Where the model's BASIC waits for keys once a program has returned.
inline constexpr std::uint16_t kBasicIdleLoop = 0x8E00;

// What the real CHROUT takes beyond the served call's return, in CPU
// cycles: for a character put on the screen, for a RETURN, and more for the
// scrolling a RETURN on the last line does. Found by running
// chrout_timing.qv3 on the model until timer 2 counted over its 40 letters
// and over its two RETURNs what VICE counted, within 3 %. (Each part alone
// takes more or fewer timer counts with where the beam is, single or
// double clock; the time of CLR was not measured and is not charged.)
inline constexpr int kChroutCycles = 357;
inline constexpr int kChroutReturnCycles = 3300;
inline constexpr int kChroutScrollCycles = 38000;

struct RomImage {
  // Indexed by CPU address; only $8000-$FFFF is ROM.
  std::array<std::uint8_t, 0x10000> Bytes{};
  // Per address from $8000: an instruction byte of the ROM's code.
  std::bitset<0x8000> Code;
  std::array<Trap, 0x8000> Traps{};
  // For a trap of an indirect jump-table entry: the entry's address.
  std::array<std::uint16_t, 0x8000> TableEntry{};

  Trap TrapAt(std::uint16_t address) const { return address >= 0x8000 ? Traps[address - 0x8000u] : Trap::None; }
};

// Built once.
const RomImage& TheRom();

// The RAM vectors $0314-$0331 as the KERNAL sets them: IRQ, BRK, OPEN,
// CLOSE, CHKIN, CHKOUT, CLRCHN, CHRIN, CHROUT, STOP, GETIN, CLALL, the
// monitor's command hook, LOAD, SAVE.
inline constexpr std::array<std::uint16_t, 15> kRamVectors = {
    0xCE0E, 0xF44C, 0xEF53, 0xEE5D, 0xED18, 0xED60, 0xEF0C, 0xEBE8,
    0xEC4B, 0xF265, 0xEBD9, 0xEF08, 0xF44C, 0xF04A, 0xF1A4};
inline constexpr std::uint16_t kRamVectorBase = 0x0314;

}  // namespace qv3::plus4
