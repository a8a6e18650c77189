// SPDX-License-Identifier: GPL-3.0-or-later
// The I/O area $FD00-$FEFF and the ROM banks, as VICE's Plus/4 has them
// (src/plus4/plus4mem.c, plus4memrom.c and plus4io.c were the reference):
//
// - The ROM bank latch: a write to $FDD0 + n selects bank n & 3 for
//   $8000-$BFFF and n >> 2 for $C000-$FFFF (0 BASIC and KERNAL, 1 the
//   function ROM, 2 cartridge 1, 3 cartridge 2), seen while the ROM is
//   banked in. $FC00-$FCFF is the KERNAL's in every bank. The model's ROM is
//   its own, so bank 0 is that; the cartridges are empty and read $FF as on
//   VICE. The function ROM (3-plus-1) is Commodore's and not ours to ship:
//   its banks read $FF too, as an empty one would.
// - Addresses no chip answers read the open bus: the last data byte the CPU
//   read or wrote (opcode and operand fetches from RAM and ROM and data
//   reads of ROM do not count, as in VICE), or the address's high byte when
//   the instruction itself lies in the page read.
#include <algorithm>
#include <array>

#include "plus4/plus4_machine.h"
#include "plus4/rom.h"

namespace qv3::plus4 {
namespace {

// Banks 1 (function ROM), 2 and 3 (cartridges) are empty.
constexpr int kSystemBank = 0;

constexpr std::uint16_t kBankLatch = 0xFDD0;
constexpr std::uint16_t kKernalPage = 0xFC;

// A page of an empty ROM bank.
const std::uint8_t* EmptyPage() {
  static const std::array<std::uint8_t, 256> page = [] {
    std::array<std::uint8_t, 256> bytes{};
    bytes.fill(0xFF);
    return bytes;
  }();
  return page.data();
}

}  // namespace

int Plus4Machine::RomBankAt(std::uint16_t address) const {
  if (address < 0xC000) return romBank_ & 3;
  return (address >> 8) == kKernalPage ? kSystemBank : romBank_ >> 2;
}

const std::uint8_t* Plus4Machine::RomPage(int page) const {
  return RomBankAt(static_cast<std::uint16_t>(page << 8)) == kSystemBank ? TheRom().Bytes.data() + page * 256
                                                                           : EmptyPage();
}

std::uint8_t Plus4Machine::RomByte(std::uint16_t address) const { return RomPage(address >> 8)[address & 0xFF]; }

bool Plus4Machine::OwnRomAt(std::uint16_t address) const {
  return romVisible_ && address >= 0x8000 && RomBankAt(address) == kSystemBank;
}

std::uint8_t Plus4Machine::OpenBus(std::uint16_t address) const {
  return ((instructionPc_ ^ address) & 0xFF00) ? busValue_ : static_cast<std::uint8_t>(address >> 8);
}

// $FD00-$FEFF: the chips VICE's Plus/4 has there, idle (io_area.qv3 read
// them): the ACIA at $FD00-$FD0F (every fourth address the same register:
// data $00, status $70 as with no modem, command and control $00; writes
// are ignored), the user port at $FD10-$FD1F ($FF), the keyboard latch at
// $FD30-$FD3F (what was written), the TCBM ports of the disk units at
// $FEC0-$FEFF (unit 9 none: $00; unit 8 a 1551 at rest: $FEE0 read $00 and
// $FEFF $FF, the other registers are taken to be alike: the first six of
// each eight $00, the two unused ones $FF). Everything else is open bus.
std::uint8_t Plus4Machine::IoAreaByte(std::uint16_t address) const {
  if (address < 0xFD10) return (address & 3) == 1 ? 0x70 : 0x00;
  if (address < 0xFD20) return 0xFF;
  if (address >= 0xFD30 && address < 0xFD40) return ted_->KeyboardRows();
  if (address >= 0xFEE0) return (address & 7) >= 6 ? 0xFF : 0x00;
  if (address >= 0xFEC0) return 0x00;
  return OpenBus(address);
}

void Plus4Machine::WriteIoArea(std::uint16_t address, std::uint8_t value) {
  if ((address & 0xFFF0) == kBankLatch) {
    romBank_ = address & 0x0F;
    UpdateReadPages();
  } else if (address >= 0xFD30 && address < 0xFD40) {
    ted_->SetKeyboardRows(value);
  }
}

}  // namespace qv3::plus4
