// SPDX-License-Identifier: GPL-3.0-or-later
// A Commodore Plus/4 around the project's 6502 core: 64 KB of RAM, the
// ROM/RAM banking, the TED (PAL timing, raster and timer interrupts, the
// picture), the keyboard and joysticks, and the project's own small ROM (no
// Commodore code) that serves what programs call: the IRQ entry and exit,
// the default interrupt handler, BRK, and the KERNAL calls of the jump table.
//
// Memory as the CPU sees it
//   $0000-$7FFF  RAM
//   $8000-$FFFF  ROM after a write to $FF3E (the start state), RAM after a
//                write to $FF3F; writes always reach the RAM
//   $0000/$0001  the processor's I/O port (see processor_port.h)
//   $FD00-$FEFF  I/O: $FD30 the keyboard row port, $FDD0-$FDDF the ROM bank
//                latch, the rest reads the open bus (see io_area.cpp);
//                writes do not reach the RAM
//   $FF00-$FF1F  the TED's registers, always; $FF3E/$FF3F the banking
//                (read as $FF); $FF20-$FF3D are RAM or ROM
//
// A run
//   Plus4Machine machine;                 // the start state: as after boot
//   machine.Load(image);                  // a parsed .prg
//   machine.PrepareSys(StartAddress(image));
//   while (machine.Step() == StepOutcome::Ok) { ... }
//
// One Step is one instruction, or one interrupt entry: the CPU pushing PC
// and P and the ROM's entry code pushing A, X, Y and jumping through ($0314)
// (or ($0316) for BRK), so that after it PC is at the program's handler. The
// TED advances by the cycles the CPU spent, at the clock it gives the CPU at
// that moment (single clock while it fetches, halted on character-fetch
// lines, double clock in the border and with the screen blanked).
//
// Not modelled: the serial and cassette ports, disk drives, the ACIA, the
// function ROM and cartridges (their banks read as empty).
// Characters drawn from the character ROM use the project's own glyphs.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cpu/cpu6502.h"
#include "cpu/program_runner.h"
#include "plus4/frame_buffer.h"
#include "plus4/keyboard.h"
#include "plus4/processor_port.h"
#include "plus4/ted.h"

namespace qv3::plus4 {

enum class StepOutcome : std::uint8_t {
  Ok,           // the instruction (or interrupt entry) ran
  Returned,     // the SYS call returned: PC is at kSysReturnAddress
  Brk,          // a BRK reached the ROM's default BRK handler ($0316 unchanged)
  Jam,          // a halting opcode at PC; nothing ran
  Illegal,      // another undocumented opcode at PC while stopping at them; nothing ran
  UnservedRom,  // PC is at a ROM address the model has no routine for; nothing ran
  DebugExit,    // the instruction wrote the debug cartridge's register (DebugExitValue)
};

// The register of VICE's debug cartridge: the byte a test program writes
// there is its verdict (0 passed), which ends an emulator run.
inline constexpr std::uint16_t kDebugExitRegister = 0xFDCF;

// "ok", "returned", "brk", "jam", "illegal", "rom", "debug-exit": the REASON of qv3run's
// stop line.
std::string_view OutcomeText(StepOutcome outcome);

// Where the prepared SYS call returns to (as BASIC's SYS would, into ROM).
inline constexpr std::uint16_t kSysReturnAddress = 0xFFFF;

// Addresses of the ROM that programs rely on.
inline constexpr std::uint16_t kIrqEntry = 0xFCB3;       // hardware IRQ vector target
inline constexpr std::uint16_t kIrqExit = 0xFCBE;        // PLA TAY PLA TAX PLA RTI
inline constexpr std::uint16_t kDefaultIrqHandler = 0xCE0E;  // start value of ($0314)
inline constexpr std::uint16_t kDefaultBrkHandler = 0xF44C;  // start value of ($0316)

// KERNAL work areas the ROM keeps as the real one does.
inline constexpr std::uint16_t kKeyBuffer = 0x0527;     // 10 bytes
inline constexpr std::uint16_t kKeyCount = 0x00EF;
inline constexpr int kKeyBufferSize = 10;
inline constexpr std::uint16_t kJiffyClock = 0x00A3;    // $A3-$A5, high byte first
inline constexpr std::uint16_t kCursorColumn = 0x00CA;
inline constexpr std::uint16_t kCursorRow = 0x00CD;
inline constexpr std::uint16_t kCursorColour = 0x053B;
inline constexpr std::uint16_t kReverseFlag = 0x00C2;
inline constexpr std::uint16_t kScreenMemory = 0x0C00;
inline constexpr std::uint16_t kColourMemory = 0x0800;

// Kinds of data access, for watches.
enum Access : std::uint8_t { kReadAccess = 1, kWriteAccess = 2 };

struct WatchHit {
  std::uint16_t Address = 0;
  Access Kind = kReadAccess;
  std::uint8_t Value = 0;  // the byte read or written
};

class Plus4Machine {
 public:
  // The start state (see Reset).
  Plus4Machine();
  ~Plus4Machine();
  Plus4Machine(const Plus4Machine&) = delete;
  Plus4Machine& operator=(const Plus4Machine&) = delete;

  // Back to the state the real machine is in when BASIC's SYS calls a
  // program after boot: RAM cleared as the KERNAL leaves it (screen memory
  // spaces, colour memory the start colour, the vectors at $0314-$0319, the
  // KERNAL's variables), TED registers as after boot, ROM banked in.
  void Reset();

  // Copies the image into RAM (ParseProgram saw that it fits).
  void Load(const cpu::ProgramImage& image);
  // Registers as BASIC leaves them when SYS jumps to start, with a return
  // address pushed that ends the run (Returned) when the program's RTS
  // reaches it.
  void PrepareSys(std::uint16_t start);
  // Whether the SYS call's return leads into BASIC (READY. printed, the
  // editor's idle loop waiting for keys with the interrupts served) instead
  // of ending the run with Returned: for runs measured in frames. Off after
  // construction.
  void SetContinueAfterReturn(bool on) { continueAfterReturn_ = on; }
  // Whether the program has returned into BASIC's idle loop.
  bool InBasic() const { return inBasic_; }

  // One instruction or one interrupt entry; see the file comment. At a
  // stop other than Ok nothing more happens until the cause goes away (the
  // same stop comes again).
  StepOutcome Step();
  // Steps until a stop other than Ok or until Cycles() reaches cycleLimit
  // (then Ok).
  StepOutcome RunUntilCycle(std::uint64_t cycleLimit);
  // Steps until FrameCount() has grown by frames or a stop comes.
  StepOutcome RunFrames(std::uint64_t frames);

  // For a stop: the words after REASON at $PPPP for people, e.g. "illegal
  // opcode $FF at $2001", "the model's ROM has no routine at $E000";
  // empty after Ok.
  const std::string& StopDetail() const { return stopDetail_; }

  // Whether Step stops at undocumented opcodes (Illegal) instead of running
  // them as the 8501 does; off after construction. JAM stops either way.
  void SetStopAtUndocumented(bool stop);
  bool StopsAtUndocumented() const { return stopAtUndocumented_; }
  // The byte of the last write to kDebugExitRegister; the step that wrote
  // it returned DebugExit, and the next Step runs on.
  std::optional<std::uint8_t> DebugExitValue() const { return debugExitValue_; }
  // Whether the last step was a JMP or branch to itself, and interrupts
  // are enabled: a wait loop that an interrupt ends, not a hang.
  bool LastStepJumpedToItself() const { return jumpedToItself_; }
  bool InterruptsEnabled() const;
  // Whether the IRQ line is held now (TED flags & mask).
  bool IrqPending() const;

  // The CPU.
  const cpu::Registers& Registers() const;
  cpu::Registers& MutableRegisters();
  // CPU cycles since Reset.
  std::uint64_t Cycles() const;

  // The 64 KB of RAM (under the ROM and the TED registers too).
  const std::array<std::uint8_t, 0x10000>& Ram() const { return ram_; }
  std::array<std::uint8_t, 0x10000>& MutableRam() { return ram_; }
  // A byte as the CPU would read it now (banking, TED registers, I/O),
  // without the side effects a read may have.
  std::uint8_t Peek(std::uint16_t address) const;
  // A byte stored as the CPU would store it now (TED registers, banking,
  // I/O; RAM under the ROM), without watches: a debugger's edit.
  void Store(std::uint16_t address, std::uint8_t value);
  // Whether $8000-$FFFF reads ROM now.
  bool RomVisible() const { return romVisible_; }
  // The ROM bank latch: the last n written to $FDD0 + n.
  int RomBank() const { return romBank_; }

  const plus4::Ted& Ted() const { return *ted_; }
  // The TED's sound: off until enabled (see ted_sound.h).
  TedSound& Sound() { return ted_->Sound(); }
  // The last complete frame.
  const FrameBuffer& Frame() const;
  std::uint64_t FrameCount() const;

  plus4::Keyboard& Keyboard() { return keyboard_; }
  const plus4::Keyboard& Keyboard() const { return keyboard_; }

  // Data watches: after a Step, WatchHits() lists the watched addresses the
  // step read or wrote (the instruction's data accesses, stack included;
  // not its opcode and operand bytes, not the TED's own fetches). With no
  // watch set the checks cost one predictable branch per access.
  void Watch(std::uint16_t address, std::uint8_t accesses);  // Access bits; 0 removes
  void ClearWatches();
  const std::vector<WatchHit>& WatchHits() const { return watchHits_; }

  // Whether the program has written the TED register $FF00 + reg since Reset.
  bool StoredToTed(std::uint8_t reg) const { return storedToTed_.test(reg & 0x3F); }

  // Types text through the keyboard matrix: each character's keys (SHIFT
  // with them where needed, see Keyboard::ChordOf) held for holdFrames
  // frames, then all keys up for gapFrames, so the ROM's once-a-frame scan
  // sees every key, repeated ones too. Characters no key types are skipped.
  void TypeKeys(std::string_view text, int holdFrames = 2, int gapFrames = 2);
  bool TypingDone() const { return typed_ >= typing_.size(); }

  // Receives each character CHROUT prints (PETSCII).
  std::function<void(std::uint8_t)> CharacterSink;
  // Receives each jump-table address the ROM does not serve, the first time
  // it is called (it returns at once).
  std::function<void(std::uint16_t)> NoteSink;

 private:
  class Core;
  friend class Core;

  std::uint8_t ReadIo(std::uint16_t address);
  std::uint8_t PeekIo(std::uint16_t address) const;
  void WriteIo(std::uint16_t address, std::uint8_t value, int cyclesBeforeEnd);
  void WriteDebugCartridge(std::uint8_t value);
  void Noticed(std::uint16_t address, Access kind, std::uint8_t value);
  void UpdateReadPages();
  // The I/O area and the ROM banks (io_area.cpp).
  int RomBankAt(std::uint16_t address) const;
  const std::uint8_t* RomPage(int page) const;
  std::uint8_t RomByte(std::uint16_t address) const;
  bool OwnRomAt(std::uint16_t address) const;
  std::uint8_t OpenBus(std::uint16_t address) const;
  std::uint8_t IoAreaByte(std::uint16_t address) const;
  void WriteIoArea(std::uint16_t address, std::uint8_t value);
  // BASIC after the program's return (basic_idle.cpp).
  void EnterBasic();
  void ServeBasicIdle();
  void ShowCursor();
  void SpendCycles(int cycles);
  bool RomCodeAt(std::uint16_t pc) const;
  void SyncTed();
  void RunRomEntry();
  void AdvanceTyping();
  StepOutcome Stop(StepOutcome outcome, std::string detail);

  // The ROM's services (kernal.cpp).
  StepOutcome ServeTrap(std::uint16_t pc);
  void ReturnFromService(int cycles);
  void DefaultIrqHandler();
  void PrintCharacter(std::uint8_t petscii);
  void ScanKeyboard();
  void CountJiffies();
  void MoveCursor(int row, int column);
  void ScrollScreen();

  std::array<std::uint8_t, 0x10000> ram_{};
  std::array<const std::uint8_t*, 256> readPages_{};  // null: I/O, served by ReadIo
  std::unique_ptr<Core> cpu_;
  std::unique_ptr<plus4::Ted> ted_;
  plus4::Keyboard keyboard_;
  bool romVisible_ = true;
  std::uint8_t romBank_ = 0;
  ProcessorPort port_;
  std::uint8_t busValue_ = 0;          // the last data byte on the CPU's bus
  std::uint16_t instructionPc_ = 0;    // where the running instruction lies
  bool returnArmed_ = false;
  bool continueAfterReturn_ = false;
  bool inBasic_ = false;
  std::string stopDetail_;
  bool jumpedToItself_ = false;
  bool stopAtUndocumented_ = false;
  bool debugExitWritten_ = false;
  std::optional<std::uint8_t> debugExitValue_;
  bool watching_ = false;
  std::vector<WatchHit> watchHits_;
  std::vector<std::uint8_t> watches_;  // Access bits per address; empty: none
  std::bitset<64> storedToTed_;
  std::bitset<0x80> noted_;  // jump-table entries reported, by (entry - $FF81)
  std::string typing_;
  std::size_t typed_ = 0;
  int holdFrames_ = 2, gapFrames_ = 2;
  std::uint64_t typingFrame_ = 0;
  bool keyDown_ = false;
};

}  // namespace qv3::plus4
