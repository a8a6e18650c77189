// The headless machine: a Cpu6502 over 64 KB of zeroed RAM, a program file
// loaded into it, a call of its start routine, and the few KERNAL entry
// points a test program needs, served without a ROM.
//
// The run stops when the start routine returns to the address the call
// pushed, at a BRK, at an undocumented opcode (JAM or illegal), at an
// instruction that jumps or branches to itself, or at the cycle limit.
//
// KERNAL entry points, acted on when PC reaches them, then left as an RTS
// would leave them (6 cycles):
//   $FFD2 CHROUT  hands A to the character sink and writes it onto the screen
//                 memory at $0C00 at the cursor (RETURN starts a new line,
//                 CLR $93 clears the screen, HOME $13 homes the cursor, the
//                 screen scrolls below its last line)
//   $FFE4 GETIN   A = the next key of the queue, 0 when none is left; N and Z
//                 from A, C clear
//   any other address in $FF81-$FFF5 (the jump table) returns at once and is
//                 reported to the note sink once per address.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cpu/cpu6502.h"

namespace qv3::cpu {

struct ProgramImage {
  std::uint16_t LoadAddress = 0;
  std::vector<std::uint8_t> Bytes;
};

// A ".prg" file's bytes: a little-endian load address, then the program. On
// failure Error says why (too short, past $FFFF) and Image is empty.
struct ParsedProgram {
  std::optional<ProgramImage> Image;
  std::string Error;
};
ParsedProgram ParseProgram(std::string_view fileBytes);

// The number after the first SYS token ($9E) of the BASIC lines at $1001, when
// the program loads there and has one; quoted text is skipped.
std::optional<std::uint16_t> BasicSysAddress(const ProgramImage& image);
// BasicSysAddress, else the load address.
std::uint16_t StartAddress(const ProgramImage& image);

enum class StopReason { Returned, Brk, Jam, Illegal, Loop, CycleLimit };
// "returned", "brk", "jam", "illegal", "loop", "cycle limit".
std::string_view StopReasonText(StopReason reason);
// What stopped a run at an undocumented opcode, for people: "illegal opcode
// $FF at $2001", "JAM ($02) at $2000"; empty for the other reasons.
std::string UndocumentedStopText(StopReason reason, const Cpu6502& cpu);

inline constexpr std::uint16_t kScreenMemory = 0x0C00;
inline constexpr int kScreenColumns = 40;
inline constexpr int kScreenRows = 25;
inline constexpr std::uint16_t kChrout = 0xFFD2;
inline constexpr std::uint16_t kGetin = 0xFFE4;
inline constexpr std::uint16_t kKernalTableFirst = 0xFF81;
inline constexpr std::uint16_t kKernalTableLast = 0xFFF5;
// Where the prepared call returns to: RTS from the start routine lands here.
inline constexpr std::uint16_t kReturnAddress = 0xFFFF;

class ProgramRunner {
 public:
  ProgramRunner();

  Cpu6502& Cpu() { return *cpu_; }
  const Cpu6502& Cpu() const { return *cpu_; }

  // Copies the image into memory. The image fits: ParseProgram saw to it.
  void Load(const ProgramImage& image);
  // A = X = Y = 0, P = $24, the return address pushed so that SP = $FD, PC =
  // start: as if the start routine had been called by JSR.
  void PrepareCall(std::uint16_t start);

  // Runs one instruction (or one KERNAL call). Nothing when the run goes
  // on; the reason when it has stopped. Cycles count every instruction run,
  // the stopping one included: the RTS for Returned, the BRK's 7 for Brk;
  // an undocumented opcode does not run and adds none. At a stop, PC is
  // the BRK's, the undocumented opcode's, the looping instruction's or the
  // return address.
  std::optional<StopReason> Step();
  // Steps until a stop or until Cycles reaches cycleLimit (then CycleLimit,
  // PC at the instruction that did not run).
  StopReason Run(std::uint64_t cycleLimit);

  void SetKeys(std::string keys) {
    keys_ = std::move(keys);
    nextKey_ = 0;
  }
  // Receives each CHROUT character (PETSCII).
  std::function<void(std::uint8_t)> CharacterSink;
  // Receives each KERNAL jump-table address other than CHROUT and GETIN,
  // the first time it is reached.
  std::function<void(std::uint16_t)> NoteSink;

  int CursorColumn() const { return cursor_ % kScreenColumns; }
  int CursorRow() const { return cursor_ / kScreenColumns; }

 private:
  void ReturnFromKernal();
  void PrintCharacter(std::uint8_t petscii);
  void ClearScreen();
  void ScrollScreen();

  std::unique_ptr<Cpu6502> cpu_;
  std::string keys_;
  std::size_t nextKey_ = 0;
  int cursor_ = 0;  // character position on the screen, row * 40 + column
  std::bitset<kKernalTableLast - kKernalTableFirst + 1> noted_;
};

// The screen code the KERNAL stores for a printable PETSCII character, or
// nothing for a control code.
std::optional<std::uint8_t> ScreenCodeOf(std::uint8_t petscii);

}  // namespace qv3::cpu
