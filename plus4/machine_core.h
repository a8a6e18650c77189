// SPDX-License-Identifier: GPL-3.0-or-later
// The Plus/4's memory as the 6502 core sees it (cpu/cpu_core.h's Host):
// RAM and ROM through a page table, the I/O pages through the machine, data
// watches behind one flag. Private to plus4/.
#pragma once

#include "cpu/cpu_core.h"
#include "plus4/plus4_machine.h"

namespace qv3::plus4 {

class Plus4Machine::Core {
 public:
  explicit Core(Plus4Machine& machine)
      : machine_(machine), ram_(machine.ram_.data()), dispatch_(cpu::core::SharedDispatchTable<Core>(false)) {}

  cpu::Registers Registers;
  std::uint64_t Cycles = 0;
  static constexpr bool kRmwDummyWrite = true;

  std::uint8_t Fetch(std::uint16_t address) {
    const std::uint8_t* page = machine_.readPages_[address >> 8];
    return page ? page[address & 0xFF] : machine_.ReadIo(address);
  }
  // Data accesses leave their byte on the bus (what open-bus reads see);
  // reads of ROM do not, nor immediate operands (the byte before PC), as in
  // VICE, where they are fetches.
  std::uint8_t ReadZeroPage(std::uint8_t address) {
    const std::uint8_t value = address < 2 ? machine_.port_.Read(address) : ram_[address];
    machine_.busValue_ = value;
    return value;
  }
  std::uint8_t Read(std::uint16_t address) {
    std::uint8_t value;
    if (const std::uint8_t* page = machine_.readPages_[address >> 8]) {
      value = address < 2 ? machine_.port_.Read(address) : page[address & 0xFF];
      if ((address < 0x8000 || !machine_.romVisible_) && static_cast<std::uint16_t>(address + 1) != Registers.PC)
        machine_.busValue_ = value;
    } else {
      value = machine_.ReadIo(address);
    }
    if (machine_.watching_) machine_.Noticed(address, kReadAccess, value);
    return value;
  }
  void Write(std::uint16_t address, std::uint8_t value) {
    if (machine_.watching_) machine_.Noticed(address, kWriteAccess, value);
    machine_.busValue_ = value;
    if (address < 2) machine_.port_.Write(address, value);
    if (address < 0xFD00) ram_[address] = value;
    else machine_.WriteIo(address, value, 1);
  }
  // The first of a read-modify-write's two writes: only registers notice.
  void DummyWrite(std::uint16_t address, std::uint8_t value) {
    if (address >= 0xFD00) machine_.WriteIo(address, value, 2);
  }
  void Push(std::uint8_t value) {
    const std::uint16_t address = 0x100u | Registers.SP--;
    if (machine_.watching_) machine_.Noticed(address, kWriteAccess, value);
    machine_.busValue_ = value;
    ram_[address] = value;
  }
  std::uint8_t Pull() {
    const std::uint16_t address = 0x100u | ++Registers.SP;
    if (machine_.watching_) machine_.Noticed(address, kReadAccess, ram_[address]);
    machine_.busValue_ = ram_[address];
    return ram_[address];
  }

  void SetStopAtUndocumented(bool stop) { dispatch_ = cpu::core::SharedDispatchTable<Core>(stop); }

  cpu::StepOutcome Step() {
    const auto& entry = dispatch_[Fetch(Registers.PC)];
    return entry.Execute(*this, entry);
  }

 private:
  Plus4Machine& machine_;
  std::uint8_t* ram_;
  const cpu::core::Dispatch<Core>* dispatch_;
};

}  // namespace qv3::plus4
