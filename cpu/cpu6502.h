// cpu6502.h - an NMOS 6502 as in the Plus/4's 7501/8501, instruction by
// instruction, over a flat 64 KB of RAM.
//
// What it is
//   The 151 documented opcodes with their flag rules, decimal-mode ADC/SBC as
//   the NMOS part computes them (N, V and Z follow the binary sum for ADC and
//   the binary difference for SBC, C and A the decimal ones), documented
//   cycle counts with the page-crossing and branch penalties, BRK/RTI and
//   the IRQ/NMI/RESET vectors at $FFFA-$FFFF, the JMP ($xxFF) page wrap and
//   the zero-page wrap of (zp,X), (zp),Y, zp,X and zp,Y. The 105
//   undocumented opcodes as the 8501 runs them (the unstable ANE, LXA, SHA,
//   SHX, SHY and TAS as VICE models them), or, by choice, not at all.
//
// What it is not
//   Cycle-stepped: an instruction runs whole, and Cycles grows by its count.
//   There are no bus callbacks, no I/O and no dummy reads; whoever wants a
//   machine around it looks at Registers.PC between steps (see
//   program_runner.h), or instantiates the same instruction code on its own
//   memory (cpu_core.h, as plus4/ does). By default undocumented opcodes
//   are not executed: Step() leaves PC on them and reports IllegalOpcode, so
//   that a stray byte in a routine's test is found; SetStopAtUndocumented
//   (false) runs them. The twelve that halt the real part report Jam either
//   way, with PC on them.
//
// How it works
//   Table-driven. The opcode facts (mnemonic row, addressing mode, base
//   cycles, page-crossing rule) come from the assembler's own matrix in
//   engine/instruction_set.h, read backwards with DecodeOpcode: the 256-entry
//   dispatch table is built from it once, each entry pointing at a function
//   instantiated for its (row, mode) pair. The simulator, the disassembler
//   and the assembler therefore cannot disagree about an opcode.
//
// Usage
//   auto cpu = std::make_unique<qv3::cpu::Cpu6502>();   // 64 KB: keep it off the stack
//   cpu->Memory[0x1000] = 0xA9; cpu->Memory[0x1001] = 0x05;   // LDA #$05
//   cpu->Registers.PC = 0x1000;
//   while (cpu->Step() == qv3::cpu::StepOutcome::Ok) { ... }
//
// Status register: Registers.P holds bit 5 always set and B (bit 4) clear;
// B exists only in the copies pushed by PHP and BRK (set) and by IRQ and
// NMI (clear). PLP and RTI ignore the pulled B and bit 5.
#pragma once

#include <array>
#include <cstdint>

namespace qv3::cpu {

enum StatusFlag : std::uint8_t {
  kCarry = 0x01,
  kZero = 0x02,
  kInterruptDisable = 0x04,
  kDecimal = 0x08,
  kBreak = 0x10,
  kUnused = 0x20,
  kOverflow = 0x40,
  kNegative = 0x80,
};

inline constexpr std::uint16_t kNmiVector = 0xFFFA;
inline constexpr std::uint16_t kResetVector = 0xFFFC;
inline constexpr std::uint16_t kIrqVector = 0xFFFE;  // BRK too

struct Registers {
  std::uint16_t PC = 0;
  std::uint8_t A = 0, X = 0, Y = 0, SP = 0xFD, P = kUnused | kInterruptDisable;
};

enum class StepOutcome : std::uint8_t {
  Ok,             // one instruction ran
  IllegalOpcode,  // an undocumented opcode at PC while stopping at them; nothing ran
  Jam,            // one of the twelve halting opcodes at PC; nothing ran
};

using Memory = std::array<std::uint8_t, 0x10000>;

namespace core {
// One entry per opcode byte of a CPU on memory Host; built from the
// instruction-set matrix (cpu_core.h).
template <class Host>
struct Dispatch {
  StepOutcome (*Execute)(Host&, const Dispatch&);
  std::uint8_t Cycles;
  bool PageCrossCycle;
};
}  // namespace core

class Cpu6502 {
 public:
  using Dispatch = core::Dispatch<Cpu6502>;

  Cpu6502();

  qv3::cpu::Registers Registers;
  std::uint64_t Cycles = 0;
  qv3::cpu::Memory Memory{};

  // Runs the instruction at PC.
  StepOutcome Step() {
    const Dispatch& entry = dispatch_[Memory[Registers.PC]];
    return entry.Execute(*this, entry);
  }

  // Whether Step() stops at undocumented opcodes (IllegalOpcode) instead of
  // running them; stopping is the default.
  void SetStopAtUndocumented(bool stop);
  bool StopsAtUndocumented() const { return stopAtUndocumented_; }

  // The interrupt sequence (7 cycles): pushes PC and P with B clear, sets I,
  // jumps through the vector. Irq() does nothing while I is set and says
  // whether it was taken.
  bool Irq();
  void Nmi();
  // PC from $FFFC, SP down by 3, I set, as the RESET line leaves them.
  void Reset();

  // The stack at $0100-$01FF; SP wraps within the page.
  void Push(std::uint8_t value) { Memory[0x100u | Registers.SP--] = value; }
  std::uint8_t Pull() { return Memory[0x100u | ++Registers.SP]; }
  // Little-endian word at address; the high byte comes from address+1
  // wrapping at $FFFF.
  std::uint16_t ReadWord(std::uint16_t address) const {
    return static_cast<std::uint16_t>(Memory[address] |
                                      Memory[static_cast<std::uint16_t>(address + 1)] << 8);
  }

  // The memory interface of cpu_core.h: all of it flat RAM.
  static constexpr bool kRmwDummyWrite = false;
  std::uint8_t Fetch(std::uint16_t address) const { return Memory[address]; }
  std::uint8_t ReadZeroPage(std::uint8_t address) const { return Memory[address]; }
  std::uint8_t Read(std::uint16_t address) const { return Memory[address]; }
  void Write(std::uint16_t address, std::uint8_t value) { Memory[address] = value; }

 private:
  const Dispatch* dispatch_;
  bool stopAtUndocumented_ = true;
};

}  // namespace qv3::cpu
