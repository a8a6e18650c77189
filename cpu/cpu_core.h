// SPDX-License-Identifier: GPL-3.0-or-later
// The 6502 instruction set as templates over the memory the CPU sits on, so
// that one body of instruction code serves both the flat 64 KB of Cpu6502
// and a machine with banking and I/O (plus4/), each at full speed: the
// memory calls are inlined into every opcode's function.
//
// A Host provides
//   cpu::Registers Registers;  std::uint64_t Cycles;
//   std::uint8_t Fetch(std::uint16_t)        opcode and operand bytes, vectors
//   std::uint8_t ReadZeroPage(std::uint8_t)  the pointers of (zp,X) and (zp),Y
//   std::uint8_t Read(std::uint16_t)         data reads
//   void Write(std::uint16_t, std::uint8_t)  data writes
//   void Push(std::uint8_t); std::uint8_t Pull();
//   static constexpr bool kRmwDummyWrite     whether read-modify-write
//                                            instructions store the old value
//                                            first, as the NMOS part does
// Cycles grows by an instruction's base count before its memory accesses
// (and by the page-crossing cycle before the access it delays), so during an
// access Cycles is the count at the end of the instruction.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "cpu/cpu6502.h"
#include "cpu/mnemonic_rows.h"
#include "engine/instruction_set.h"

namespace qv3::cpu::core {

// Dispatch<Host> is declared in cpu6502.h.

constexpr std::uint8_t Byte(unsigned value) { return static_cast<std::uint8_t>(value); }
constexpr std::uint16_t Word(unsigned value) { return static_cast<std::uint16_t>(value); }

inline void SetNZ(Registers& r, std::uint8_t value) {
  r.P = Byte((r.P & ~(kNegative | kZero)) | (value & kNegative) | (value == 0 ? kZero : 0));
}

inline void SetFlag(Registers& r, std::uint8_t flag, bool on) {
  r.P = on ? Byte(r.P | flag) : Byte(r.P & ~flag);
}

template <class Host>
inline std::uint16_t FetchWord(Host& c, std::uint16_t address) {
  return Word(c.Fetch(address) | c.Fetch(Word(address + 1)) << 8);
}

// The effective address of a memory operand; PC moves past the operand. The
// page-crossing cycle is added here, for the entries that pay it.
template <int Mode, class Host>
inline std::uint16_t OperandAddress(Host& c, const Dispatch<Host>& d) {
  Registers& r = c.Registers;
  if constexpr (Mode == kImmediate) {
    return r.PC++;
  } else if constexpr (Mode == kZeroPage) {
    return c.Fetch(r.PC++);
  } else if constexpr (Mode == kZeroPageX) {
    return Byte(c.Fetch(r.PC++) + r.X);
  } else if constexpr (Mode == kZeroPageY) {
    return Byte(c.Fetch(r.PC++) + r.Y);
  } else if constexpr (Mode == kAbsolute) {
    const std::uint16_t address = FetchWord(c, r.PC);
    r.PC = Word(r.PC + 2);
    return address;
  } else if constexpr (Mode == kAbsoluteX || Mode == kAbsoluteY) {
    const std::uint16_t base = FetchWord(c, r.PC);
    r.PC = Word(r.PC + 2);
    const std::uint16_t address = Word(base + (Mode == kAbsoluteX ? r.X : r.Y));
    if (d.PageCrossCycle && ((base ^ address) & 0xFF00)) ++c.Cycles;
    return address;
  } else if constexpr (Mode == kIndexedIndirect) {
    const std::uint8_t pointer = Byte(c.Fetch(r.PC++) + r.X);
    return Word(c.ReadZeroPage(pointer) | c.ReadZeroPage(Byte(pointer + 1)) << 8);
  } else if constexpr (Mode == kIndirectIndexed) {
    const std::uint8_t pointer = c.Fetch(r.PC++);
    const std::uint16_t base = Word(c.ReadZeroPage(pointer) | c.ReadZeroPage(Byte(pointer + 1)) << 8);
    const std::uint16_t address = Word(base + r.Y);
    if (d.PageCrossCycle && ((base ^ address) & 0xFF00)) ++c.Cycles;
    return address;
  } else {
    static_assert(Mode == kIndirect);
    // The NMOS part does not carry into the pointer's high byte: JMP ($10FF)
    // reads $10FF and $1000.
    const std::uint16_t pointer = FetchWord(c, r.PC);
    r.PC = Word(r.PC + 2);
    return Word(c.Fetch(pointer) | c.Fetch(Word((pointer & 0xFF00) | Byte(pointer + 1))) << 8);
  }
}

// NMOS decimal addition: the nibbles are corrected one at a time, N and V
// come from the sum after the low-nibble correction, Z from the binary sum.
inline void AddDecimal(Registers& r, std::uint8_t value) {
  const unsigned carry = r.P & kCarry;
  unsigned sum = (r.A & 0x0Fu) + (value & 0x0Fu) + carry;
  if (sum > 0x09) sum += 0x06;
  sum = (sum <= 0x0F) ? (sum & 0x0F) + (r.A & 0xF0u) + (value & 0xF0u)
                      : (sum & 0x0F) + (r.A & 0xF0u) + (value & 0xF0u) + 0x10;
  SetFlag(r, kZero, Byte(r.A + value + carry) == 0);
  SetFlag(r, kNegative, sum & 0x80);
  SetFlag(r, kOverflow, ((r.A ^ sum) & 0x80) && !((r.A ^ value) & 0x80));
  if ((sum & 0x1F0) > 0x90) sum += 0x60;
  SetFlag(r, kCarry, (sum & 0xFF0) > 0xF0);
  r.A = Byte(sum);
}

// NMOS decimal subtraction: every flag comes from the binary difference,
// only A is corrected.
inline void SubtractDecimal(Registers& r, std::uint8_t value) {
  const unsigned borrow = (r.P & kCarry) ? 0 : 1;
  const unsigned difference = r.A - value - borrow;
  unsigned low = (r.A & 0x0Fu) - (value & 0x0Fu) - borrow;
  unsigned result;
  if (low & 0x10)
    result = ((low - 6) & 0x0F) | ((r.A & 0xF0u) - (value & 0xF0u) - 0x10);
  else
    result = (low & 0x0F) | ((r.A & 0xF0u) - (value & 0xF0u));
  if (result & 0x100) result -= 0x60;
  SetFlag(r, kCarry, difference < 0x100);
  SetFlag(r, kOverflow, ((r.A ^ difference) & 0x80) && ((r.A ^ value) & 0x80));
  SetNZ(r, Byte(difference));
  r.A = Byte(result);
}

inline void AddBinary(Registers& r, std::uint8_t value) {
  const unsigned sum = r.A + value + (r.P & kCarry);
  SetFlag(r, kOverflow, ~(r.A ^ value) & (r.A ^ sum) & 0x80);
  SetFlag(r, kCarry, sum > 0xFF);
  r.A = Byte(sum);
  SetNZ(r, r.A);
}

inline void Compare(Registers& r, std::uint8_t reg, std::uint8_t value) {
  SetFlag(r, kCarry, reg >= value);
  SetNZ(r, Byte(reg - value));
}

inline void Subtract(Registers& r, std::uint8_t value) {
  if (r.P & kDecimal) SubtractDecimal(r, value);
  else AddBinary(r, Byte(~value));
}

inline void Add(Registers& r, std::uint8_t value) {
  if (r.P & kDecimal) AddDecimal(r, value);
  else AddBinary(r, value);
}

// The shifts and rotations, for the accumulator and for memory alike.
template <int Row>
inline std::uint8_t Shift(Registers& r, std::uint8_t value) {
  const unsigned carryIn = r.P & kCarry;
  std::uint8_t result;
  if constexpr (Row == kAsl) {
    SetFlag(r, kCarry, value & 0x80);
    result = Byte(value << 1);
  } else if constexpr (Row == kLsr) {
    SetFlag(r, kCarry, value & 0x01);
    result = Byte(value >> 1);
  } else if constexpr (Row == kRol) {
    SetFlag(r, kCarry, value & 0x80);
    result = Byte((value << 1) | carryIn);
  } else {
    static_assert(Row == kRor);
    SetFlag(r, kCarry, value & 0x01);
    result = Byte((value >> 1) | (carryIn << 7));
  }
  SetNZ(r, result);
  return result;
}

constexpr bool IsShift(int row) { return row == kAsl || row == kLsr || row == kRol || row == kRor; }
constexpr bool IsBranch(int row) { return row >= kBne && row <= kBvc; }

template <int Row>
inline bool BranchTaken(std::uint8_t p) {
  if constexpr (Row == kBne) return !(p & kZero);
  if constexpr (Row == kBeq) return p & kZero;
  if constexpr (Row == kBpl) return !(p & kNegative);
  if constexpr (Row == kBmi) return p & kNegative;
  if constexpr (Row == kBcc) return !(p & kCarry);
  if constexpr (Row == kBcs) return p & kCarry;
  if constexpr (Row == kBvs) return p & kOverflow;
  if constexpr (Row == kBvc) return !(p & kOverflow);
  return false;
}

// The instructions without a memory operand.
template <int Row, class Host>
inline void Implied(Host& c) {
  Registers& r = c.Registers;
  if constexpr (IsShift(Row)) r.A = Shift<Row>(r, r.A);
  else if constexpr (Row == kClc) r.P = Byte(r.P & ~kCarry);
  else if constexpr (Row == kSec) r.P |= kCarry;
  else if constexpr (Row == kCli) r.P = Byte(r.P & ~kInterruptDisable);
  else if constexpr (Row == kSei) r.P |= kInterruptDisable;
  else if constexpr (Row == kClv) r.P = Byte(r.P & ~kOverflow);
  else if constexpr (Row == kSed) r.P |= kDecimal;
  else if constexpr (Row == kCld) r.P = Byte(r.P & ~kDecimal);
  else if constexpr (Row == kTxs) r.SP = r.X;
  else if constexpr (Row == kIny) SetNZ(r, ++r.Y);
  else if constexpr (Row == kDey) SetNZ(r, --r.Y);
  else if constexpr (Row == kInx) SetNZ(r, ++r.X);
  else if constexpr (Row == kDex) SetNZ(r, --r.X);
  else if constexpr (Row == kTxa) SetNZ(r, r.A = r.X);
  else if constexpr (Row == kTax) SetNZ(r, r.X = r.A);
  else if constexpr (Row == kTya) SetNZ(r, r.A = r.Y);
  else if constexpr (Row == kTay) SetNZ(r, r.Y = r.A);
  else if constexpr (Row == kTsx) SetNZ(r, r.X = r.SP);
  else if constexpr (Row == kPha) c.Push(r.A);
  else if constexpr (Row == kPhp) c.Push(r.P | kBreak | kUnused);
  else if constexpr (Row == kPla) SetNZ(r, r.A = c.Pull());
  else if constexpr (Row == kPlp) r.P = Byte((c.Pull() & ~kBreak) | kUnused);
  else if constexpr (Row == kRts) {
    const std::uint8_t low = c.Pull();
    r.PC = Word((low | c.Pull() << 8) + 1);
  } else if constexpr (Row == kRti) {
    r.P = Byte((c.Pull() & ~kBreak) | kUnused);
    const std::uint8_t low = c.Pull();
    r.PC = Word(low | c.Pull() << 8);
  } else if constexpr (Row == kBrk) {
    // BRK skips a padding byte: the pushed address is the BRK's plus 2.
    r.PC = Word(r.PC + 1);
    c.Push(Byte(r.PC >> 8));
    c.Push(Byte(r.PC));
    c.Push(r.P | kBreak | kUnused);
    r.P |= kInterruptDisable;
    r.PC = FetchWord(c, kIrqVector);
  }
  // NOP, and the cells of rows that have no implied form (never dispatched).
}

// A read-modify-write: the NMOS part writes the unchanged value back before
// the result, which hardware registers notice.
template <class Host, class Change>
inline void Modify(Host& c, std::uint16_t address, Change change) {
  const std::uint8_t value = c.Read(address);
  if constexpr (Host::kRmwDummyWrite) c.DummyWrite(address, value);
  c.Write(address, change(value));
}

// ARR: AND, then ROR A with its own flag rules; in decimal mode the NMOS
// part also corrects the nibbles as ADC would.
inline void ArrImmediate(Registers& r, std::uint8_t value) {
  const std::uint8_t anded = r.A & value;
  const auto rotated = Byte((anded >> 1) | ((r.P & kCarry) << 7));
  if (!(r.P & kDecimal)) {
    SetNZ(r, rotated);
    SetFlag(r, kCarry, rotated & 0x40);
    SetFlag(r, kOverflow, ((rotated >> 6) ^ (rotated >> 5)) & 1);
    r.A = rotated;
    return;
  }
  std::uint8_t result = rotated;
  SetFlag(r, kNegative, r.P & kCarry);
  SetFlag(r, kZero, rotated == 0);
  SetFlag(r, kOverflow, (rotated ^ anded) & 0x40);
  if ((anded & 0x0F) + (anded & 0x01) > 0x05) result = Byte((result & 0xF0) | ((result + 0x06) & 0x0F));
  const bool highCarry = (anded & 0xF0) + (anded & 0x10) > 0x50;
  if (highCarry) result = Byte((result & 0x0F) | ((result + 0x60) & 0xF0));
  SetFlag(r, kCarry, highCarry);
  r.A = result;
}

// The magic constants of ANE and LXA: bits of A the 8501 forces to 1 before
// the AND. Chip and temperature decide them on real parts; these are VICE's
// (0xEF for ANE, 0xEE for LXA), which the Lorenz suite's tests accept.
inline constexpr std::uint8_t kAneMagic = 0xEF;
inline constexpr std::uint8_t kLxaMagic = 0xEE;

// SHA, SHX, SHY and TAS store value AND (the base address's high byte + 1);
// when the index carries into the high byte the stored value replaces that
// byte of the address, as on the NMOS part. On a C64 the AND is dropped when
// the VIC-II takes the bus during the instruction; VICE's Plus/4 applies no
// such rule for the TED's halts, and neither does this core.
template <class Host>
inline void StoreHighAnd(Host& c, std::uint16_t base, std::uint8_t index, std::uint8_t value) {
  value &= Byte((base >> 8) + 1);
  std::uint16_t address = Word(base + index);
  if ((base & 0xFF) + index > 0xFF) address = Word((address & 0x00FF) | (value << 8));
  c.Write(address, value);
}

// The undocumented instructions with a memory operand, at the address
// OperandAddress gave (the SH* stores fetch their own operand).
template <int Row, class Host>
inline void Undocumented(Host& c, std::uint16_t address) {
  Registers& r = c.Registers;
  if constexpr (Row == kSlo) Modify(c, address, [&](std::uint8_t v) { v = Shift<kAsl>(r, v); SetNZ(r, r.A |= v); return v; });
  else if constexpr (Row == kRla) Modify(c, address, [&](std::uint8_t v) { v = Shift<kRol>(r, v); SetNZ(r, r.A &= v); return v; });
  else if constexpr (Row == kSre) Modify(c, address, [&](std::uint8_t v) { v = Shift<kLsr>(r, v); SetNZ(r, r.A ^= v); return v; });
  else if constexpr (Row == kRra) Modify(c, address, [&](std::uint8_t v) { v = Shift<kRor>(r, v); Add(r, v); return v; });
  else if constexpr (Row == kDcp) Modify(c, address, [&](std::uint8_t v) { Compare(r, r.A, --v); return v; });
  else if constexpr (Row == kIsc) Modify(c, address, [&](std::uint8_t v) { Subtract(r, ++v); return v; });
  else if constexpr (Row == kSax) c.Write(address, r.A & r.X);
  else if constexpr (Row == kLax) SetNZ(r, r.A = r.X = c.Read(address));
  else if constexpr (Row == kLas) SetNZ(r, r.A = r.X = r.SP = c.Read(address) & r.SP);
  else if constexpr (Row == kNop) c.Read(address);  // the bus sees the read
  else if constexpr (Row == kAnc) {
    SetNZ(r, r.A &= c.Read(address));
    SetFlag(r, kCarry, r.A & 0x80);
  } else if constexpr (Row == kAlr) {
    r.A &= c.Read(address);
    r.A = Shift<kLsr>(r, r.A);
  } else if constexpr (Row == kArr) {
    ArrImmediate(r, c.Read(address));
  } else if constexpr (Row == kSbx) {
    const unsigned difference = (r.A & r.X) - unsigned{c.Read(address)};
    SetFlag(r, kCarry, difference < 0x100);
    SetNZ(r, r.X = Byte(difference));
  } else if constexpr (Row == kAne) {
    SetNZ(r, r.A = Byte((r.A | kAneMagic) & r.X & c.Read(address)));
  } else if constexpr (Row == kLxa) {
    SetNZ(r, r.A = r.X = Byte((r.A | kLxaMagic) & c.Read(address)));
  }
}

// SHA, SHX, SHY, TAS: the base address and index, not the sum, decide what
// is stored where.
template <int Row, int Mode, class Host>
inline void UnstableStore(Host& c) {
  Registers& r = c.Registers;
  std::uint16_t base;
  if constexpr (Mode == kIndirectIndexed) {
    const std::uint8_t pointer = c.Fetch(r.PC++);
    base = Word(c.ReadZeroPage(pointer) | c.ReadZeroPage(Byte(pointer + 1)) << 8);
  } else {
    base = FetchWord(c, r.PC);
    r.PC = Word(r.PC + 2);
  }
  if constexpr (Row == kShy) {
    StoreHighAnd(c, base, r.X, r.Y);
  } else if constexpr (Row == kShx) {
    StoreHighAnd(c, base, r.Y, r.X);
  } else if constexpr (Row == kSha) {
    StoreHighAnd(c, base, r.Y, r.A & r.X);
  } else {
    static_assert(Row == kTas);
    r.SP = r.A & r.X;
    StoreHighAnd(c, base, r.Y, r.SP);
  }
}

constexpr bool IsUnstableStore(int row) { return row == kSha || row == kShx || row == kShy || row == kTas; }

// The instructions with a memory operand.
template <int Row, int Mode, class Host>
inline void WithOperand(Host& c, const Dispatch<Host>& d) {
  Registers& r = c.Registers;
  const std::uint16_t address = OperandAddress<Mode>(c, d);
  if constexpr (Row == kLda) SetNZ(r, r.A = c.Read(address));
  else if constexpr (Row == kLdx) SetNZ(r, r.X = c.Read(address));
  else if constexpr (Row == kLdy) SetNZ(r, r.Y = c.Read(address));
  else if constexpr (Row == kSta) c.Write(address, r.A);
  else if constexpr (Row == kStx) c.Write(address, r.X);
  else if constexpr (Row == kSty) c.Write(address, r.Y);
  else if constexpr (Row == kInc) Modify(c, address, [&](std::uint8_t v) { SetNZ(r, ++v); return v; });
  else if constexpr (Row == kDec) Modify(c, address, [&](std::uint8_t v) { SetNZ(r, --v); return v; });
  else if constexpr (Row == kCmp) Compare(r, r.A, c.Read(address));
  else if constexpr (Row == kCpx) Compare(r, r.X, c.Read(address));
  else if constexpr (Row == kCpy) Compare(r, r.Y, c.Read(address));
  else if constexpr (Row == kAnd) SetNZ(r, r.A &= c.Read(address));
  else if constexpr (Row == kOra) SetNZ(r, r.A |= c.Read(address));
  else if constexpr (Row == kEor) SetNZ(r, r.A ^= c.Read(address));
  else if constexpr (IsShift(Row)) Modify(c, address, [&](std::uint8_t v) { return Shift<Row>(r, v); });
  else if constexpr (Row == kAdc) {
    const std::uint8_t value = c.Read(address);
    if (r.P & kDecimal) AddDecimal(r, value);
    else AddBinary(r, value);
  } else if constexpr (Row == kSbc) {
    const std::uint8_t value = c.Read(address);
    if (r.P & kDecimal) SubtractDecimal(r, value);
    else AddBinary(r, Byte(~value));
  } else if constexpr (Row == kBit) {
    const std::uint8_t value = c.Read(address);
    r.P = Byte((r.P & ~(kNegative | kOverflow | kZero)) | (value & (kNegative | kOverflow)) |
               ((r.A & value) == 0 ? kZero : 0));
  } else if constexpr (Row == kJmp) {
    r.PC = address;
  } else if constexpr (Row == kJsr) {
    // The pushed address is that of the JSR's last byte.
    const std::uint16_t last = Word(r.PC - 1);
    c.Push(Byte(last >> 8));
    c.Push(Byte(last));
    r.PC = address;
  } else {
    Undocumented<Row>(c, address);
  }
}

template <class Host, int Row, int Mode>
StepOutcome Execute(Host& c, const Dispatch<Host>& d) {
  Registers& r = c.Registers;
  r.PC = Word(r.PC + 1);
  c.Cycles += d.Cycles;
  if constexpr (IsBranch(Row)) {
    const auto offset = static_cast<std::int8_t>(c.Fetch(r.PC));
    r.PC = Word(r.PC + 1);
    if (BranchTaken<Row>(r.P)) {
      const std::uint16_t target = Word(r.PC + offset);
      c.Cycles += ((target ^ r.PC) & 0xFF00) ? 2 : 1;
      r.PC = target;
    }
  } else if constexpr (Mode == kImplied) {
    Implied<Row>(c);
  } else if constexpr (IsUnstableStore(Row)) {
    UnstableStore<Row, Mode>(c);
  } else {
    WithOperand<Row, Mode>(c, d);
  }
  return StepOutcome::Ok;
}

template <class Host>
StepOutcome Illegal(Host&, const Dispatch<Host>&) { return StepOutcome::IllegalOpcode; }
template <class Host>
StepOutcome Jam(Host&, const Dispatch<Host>&) { return StepOutcome::Jam; }

// One function per matrix cell; the cells without an opcode are never used.
template <class Host, std::size_t... Cell>
constexpr auto CellFunctions(std::index_sequence<Cell...>) {
  using Function = StepOutcome (*)(Host&, const Dispatch<Host>&);
  return std::array<Function, sizeof...(Cell)>{
      &Execute<Host, static_cast<int>(Cell) / kAddressingModeCount, static_cast<int>(Cell) % kAddressingModeCount>...};
}

// Undocumented opcodes run, or stop the CPU without running (IllegalOpcode)
// where the user asked to stop at them. JAM always halts.
template <class Host>
struct DispatchTable {
  std::array<Dispatch<Host>, 256> entries{};
  explicit DispatchTable(bool stopAtUndocumented) {
    static constexpr auto cells =
        CellFunctions<Host>(std::make_index_sequence<kMnemonicCount * kAddressingModeCount>());
    for (int opcode = 0; opcode < 256; ++opcode) {
      Dispatch<Host>& entry = entries[static_cast<std::size_t>(opcode)];
      const auto decoded = DecodeOpcode(static_cast<std::uint8_t>(opcode));
      if (decoded->Row == kJam) {
        entry = {&Jam<Host>, 0, false};
      } else if (decoded->Entry.Undocumented && stopAtUndocumented) {
        entry = {&Illegal<Host>, 0, false};
      } else {
        entry = {cells[static_cast<std::size_t>(decoded->Row * kAddressingModeCount + decoded->Mode)],
                 decoded->Entry.Cycles, decoded->Entry.PageCrossCycle};
      }
    }
  }
};

// The table for Host, built on first use.
template <class Host>
const Dispatch<Host>* SharedDispatchTable(bool stopAtUndocumented) {
  static const DispatchTable<Host> running(false), stopping(true);
  return (stopAtUndocumented ? stopping : running).entries.data();
}

// The interrupt sequence (7 cycles): pushes PC and P with B clear, sets I,
// jumps through the vector.
template <class Host>
void Interrupt(Host& c, std::uint16_t vector) {
  Registers& r = c.Registers;
  c.Push(Byte(r.PC >> 8));
  c.Push(Byte(r.PC));
  c.Push(Byte((r.P & ~kBreak) | kUnused));
  r.P |= kInterruptDisable;
  r.PC = FetchWord(c, vector);
  c.Cycles += 7;
}

}  // namespace qv3::cpu::core
