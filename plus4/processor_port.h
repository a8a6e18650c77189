// SPDX-License-Identifier: GPL-3.0-or-later
// The 8501's own I/O port at $00 (data direction) and $01 (data), as VICE's
// Plus/4 has it (src/plus4/plus4mem.c was the reference): a bit set in $00
// makes that line an output driven by the bit last written to $01; an input
// line reads what is connected to it. With nothing attached (no tape, the
// serial bus idle) the inputs read high: serial data and clock in (bits 7
// and 6), cassette read (4), and the cassette motor and write lines (3 and
// 1), which are read back through the port. Bit 5 has no pin and reads 0;
// $00 keeps bit 5 clear too. Writes reach the RAM beneath as well (the TED
// sees that RAM).
#pragma once

#include <cstdint>

namespace qv3::plus4 {

class ProcessorPort {
 public:
  static constexpr std::uint8_t kInputs = 0xDA;
  static constexpr std::uint8_t kNoPin = 0x20;

  // As KERNAL leaves it: serial lines and cassette as outputs, all high but
  // the motor line (off).
  void Reset() {
    direction_ = 0x0F;
    data_ = 0x08;
    output_ = 0x08;
  }

  std::uint8_t Read(std::uint16_t address) const {
    if (address == 0) return direction_;
    return static_cast<std::uint8_t>(((kInputs & ~direction_) | (output_ & direction_)) & ~kNoPin);
  }

  void Write(std::uint16_t address, std::uint8_t value) {
    if (address == 0) direction_ = value & ~kNoPin;
    else data_ = value;
    // A line turned to input keeps the level it last drove.
    output_ = static_cast<std::uint8_t>((output_ & ~direction_) | (data_ & direction_));
  }

 private:
  std::uint8_t direction_ = 0x0F;
  std::uint8_t data_ = 0x08;
  std::uint8_t output_ = 0x08;
};

}  // namespace qv3::plus4
