// SPDX-License-Identifier: GPL-3.0-or-later
// The machine: banking, I/O, stepping with interrupts and stops, watches.
// The ROM's services are in kernal.cpp.
#include "plus4/plus4_machine.h"

#include <algorithm>

#include "cpu/disassembler.h"
#include "plus4/machine_core.h"
#include "plus4/rom.h"
#include "plus4/start_state.h"

namespace qv3::plus4 {
namespace {

constexpr std::uint8_t kBrkOpcode = 0x00;

// In page $FF only $FF00-$FF1F and $FF3E/$FF3F are the TED's.
bool IsTedAddress(std::uint16_t address) {
  return address >= 0xFF00 && (address < 0xFF20 || address == 0xFF3E || address == 0xFF3F);
}

bool JumpsOrBranches(std::uint8_t opcode) { return opcode == 0x4C || opcode == 0x6C || (opcode & 0x1F) == 0x10; }

// How many of an instruction's last cycles write: stores and pushes one,
// read-modify-write instructions two (JSR, BRK and interrupts write in the
// middle, not at the end).
constexpr auto kTrailingWrites = [] {
  std::array<std::uint8_t, 256> writes{};
  for (const int op : {0x81, 0x85, 0x8D, 0x91, 0x95, 0x99, 0x9D, 0x86, 0x8E, 0x96, 0x84, 0x8C, 0x94, 0x83, 0x87,
                       0x8F, 0x97, 0x93, 0x9F, 0x9E, 0x9C, 0x9B, 0x48, 0x08})
    writes[static_cast<std::size_t>(op)] = 1;
  for (const int row : {0x00, 0x20, 0x40, 0x60, 0xC0, 0xE0}) {
    for (const int column : {0x06, 0x0E, 0x16, 0x1E, 0x03, 0x07, 0x0F, 0x13, 0x17, 0x1B, 0x1F})
      writes[static_cast<std::size_t>(row + column)] = 2;
  }
  return writes;
}();

bool InIrqEntryCode(std::uint16_t pc) {
  return (pc >= kIrqEntry && pc < kIrqExit) || (pc >= 0xCE00 && pc < kDefaultIrqHandler);
}

}  // namespace

std::string_view OutcomeText(StepOutcome outcome) {
  switch (outcome) {
    case StepOutcome::Ok: return "ok";
    case StepOutcome::Returned: return "returned";
    case StepOutcome::Brk: return "brk";
    case StepOutcome::Jam: return "jam";
    case StepOutcome::Illegal: return "illegal";
    case StepOutcome::UnservedRom: return "rom";
    case StepOutcome::DebugExit: return "debug-exit";
  }
  return "unknown";
}

Plus4Machine::Plus4Machine()
    : cpu_(std::make_unique<Core>(*this)),
      ted_(std::make_unique<plus4::Ted>(ram_.data(), TheRom().Bytes.data(), keyboard_)) {
  Reset();
}

Plus4Machine::~Plus4Machine() = default;

void Plus4Machine::Reset() {
  // RAM as VICE powers it up, then what boot and BASIC leave.
  for (std::size_t address = 0; address < ram_.size(); ++address) ram_[address] = ((address + 2) & 4) ? 0xFF : 0x00;
  std::copy(kStartZeroPage.begin(), kStartZeroPage.end(), ram_.begin());
  std::copy(kStartPages2To7.begin(), kStartPages2To7.end(), ram_.begin() + 0x200);
  std::fill_n(ram_.begin() + kColourMemory, 1000, kStartColour);
  std::fill_n(ram_.begin() + kScreenMemory, 1000, std::uint8_t{0x20});
  ted_->Reset(kStartTedRegisters, {kStartRasterLine, kStartLineCycle, kStartTimerCounts, kStartTimer1Reload});
  romVisible_ = ted_->RomVisible();
  romBank_ = 0;
  port_.Reset();
  busValue_ = 0;
  inBasic_ = false;
  UpdateReadPages();
  cpu_->Registers = cpu::Registers{0, kStartA, kStartX, kStartY, kStartSP, kStartP};
  cpu_->Cycles = 0;
  returnArmed_ = false;
  debugExitValue_.reset();
  stopDetail_.clear();
  jumpedToItself_ = false;
  watchHits_.clear();
  storedToTed_.reset();
  noted_.reset();
  keyboard_.ReleaseAll();
  typing_.clear();
  typed_ = 0;
  keyDown_ = false;
}

void Plus4Machine::Load(const cpu::ProgramImage& image) {
  const std::size_t room = ram_.size() - image.LoadAddress;
  const std::size_t size = std::min(room, image.Bytes.size());
  std::copy_n(image.Bytes.begin(), size, ram_.begin() + image.LoadAddress);
  // As BASIC's LOAD leaves them: the program's end is where its variables,
  // arrays and their end begin ($2D-$32), and the load's end ($AE/$AF).
  const auto end = static_cast<std::uint16_t>(image.LoadAddress + size);
  for (const std::uint16_t pointer : {0x2D, 0x2F, 0x31, 0xAE}) {
    ram_[pointer] = static_cast<std::uint8_t>(end);
    ram_[pointer + 1u] = static_cast<std::uint8_t>(end >> 8);
  }
}

void Plus4Machine::PrepareSys(std::uint16_t start) {
  cpu::Registers& r = cpu_->Registers;
  r = cpu::Registers{start, kStartA, kStartX, kStartY, static_cast<std::uint8_t>(kStartSP + 2), kStartP};
  const auto pushed = static_cast<std::uint16_t>(kSysReturnAddress - 1);
  ram_[0x100u | r.SP--] = static_cast<std::uint8_t>(pushed >> 8);
  ram_[0x100u | r.SP--] = static_cast<std::uint8_t>(pushed);
  returnArmed_ = true;
}

const cpu::Registers& Plus4Machine::Registers() const { return cpu_->Registers; }
cpu::Registers& Plus4Machine::MutableRegisters() { return cpu_->Registers; }
std::uint64_t Plus4Machine::Cycles() const { return cpu_->Cycles; }
bool Plus4Machine::InterruptsEnabled() const { return !(cpu_->Registers.P & cpu::kInterruptDisable); }
bool Plus4Machine::IrqPending() const { return ted_->IrqActive(); }
const FrameBuffer& Plus4Machine::Frame() const { return ted_->Frame(); }
std::uint64_t Plus4Machine::FrameCount() const { return ted_->FrameCount(); }

void Plus4Machine::UpdateReadPages() {
  for (int page = 0; page < 256; ++page)
    readPages_[static_cast<std::size_t>(page)] = romVisible_ && page >= 0x80 ? RomPage(page) : ram_.data() + page * 256;
  readPages_[0xFD] = readPages_[0xFE] = readPages_[0xFF] = nullptr;
}

void Plus4Machine::SyncTed() { ted_->CatchUp(cpu_->Cycles); }

// The I/O pages. An access happens in the instruction's last cycle (the
// first of a read-modify-write's writes one before): the TED is brought up
// to it first.
std::uint8_t Plus4Machine::ReadIo(std::uint16_t address) {
  if (IsTedAddress(address)) ted_->CatchUp(cpu_->Cycles - 1);
  busValue_ = PeekIo(address);
  return busValue_;
}

std::uint8_t Plus4Machine::PeekIo(std::uint16_t address) const {
  // With the ROM banked in, $FF3E/$FF3F read the ROM's bytes as $FF20-$FF3D
  // do; only with the RAM banked in does the TED answer ($FF).
  if (address >= 0xFF3E && romVisible_) return RomByte(address);
  if (IsTedAddress(address)) return ted_->Register(address & 0x3F);
  if (address >= 0xFF00) return romVisible_ ? RomByte(address) : ram_[address];
  return IoAreaByte(address);
}

void Plus4Machine::WriteIo(std::uint16_t address, std::uint8_t value, int cyclesBeforeEnd) {
  if (address >= 0xFF00) {
    if (!IsTedAddress(address)) {
      ram_[address] = value;
      return;
    }
    if (address < 0xFF20) storedToTed_.set(address & 0x3F);
    ted_->CatchUp(cpu_->Cycles - static_cast<std::uint64_t>(cyclesBeforeEnd));
    ted_->Write(address & 0x3F, value);
    if (address >= 0xFF3E) {
      romVisible_ = ted_->RomVisible();
      UpdateReadPages();
    }
    return;
  }
  WriteIoArea(address, value);
  if (address == kDebugExitRegister) WriteDebugCartridge(value);
}

void Plus4Machine::WriteDebugCartridge(std::uint8_t value) {
  debugExitValue_ = value;
  debugExitWritten_ = true;
}

void Plus4Machine::SetStopAtUndocumented(bool stop) {
  stopAtUndocumented_ = stop;
  cpu_->SetStopAtUndocumented(stop);
}

std::uint8_t Plus4Machine::Peek(std::uint16_t address) const {
  if (address < 2) return port_.Read(address);
  const std::uint8_t* page = readPages_[address >> 8];
  return page ? page[address & 0xFF] : PeekIo(address);
}

void Plus4Machine::Store(std::uint16_t address, std::uint8_t value) {
  if (address < 2) port_.Write(address, value);
  if (address < 0xFD00) ram_[address] = value;
  else WriteIo(address, value, 0);
}

bool Plus4Machine::RomCodeAt(std::uint16_t pc) const { return OwnRomAt(pc); }

void Plus4Machine::Watch(std::uint16_t address, std::uint8_t accesses) {
  if (watches_.empty()) watches_.assign(0x10000, 0);
  watches_[address] = accesses & (kReadAccess | kWriteAccess);
  watching_ = std::any_of(watches_.begin(), watches_.end(), [](std::uint8_t bits) { return bits != 0; });
}

void Plus4Machine::ClearWatches() {
  watches_.clear();
  watching_ = false;
}

void Plus4Machine::Noticed(std::uint16_t address, Access kind, std::uint8_t value) {
  if (watches_[address] & kind) watchHits_.push_back({address, kind, value});
}

StepOutcome Plus4Machine::Stop(StepOutcome outcome, std::string detail) {
  stopDetail_ = std::move(detail);
  return outcome;
}

// Runs the ROM's IRQ entry to the program's handler: part of the step that
// took the interrupt, so that the next step is the handler's first
// instruction.
void Plus4Machine::RunRomEntry() {
  for (int guard = 0; guard < 16 && romVisible_ && InIrqEntryCode(cpu_->Registers.PC); ++guard) {
    cpu_->Step();
    SyncTed();
  }
}

StepOutcome Plus4Machine::Step() {
  watchHits_.clear();
  jumpedToItself_ = false;
  debugExitWritten_ = false;  // a debugger's Store between steps is no exit
  stopDetail_.clear();
  AdvanceTyping();
  cpu::Registers& r = cpu_->Registers;
  if (returnArmed_ && r.PC == kSysReturnAddress) {
    if (!continueAfterReturn_) return StepOutcome::Returned;
    EnterBasic();
    return StepOutcome::Ok;
  }

  if (!(r.P & cpu::kInterruptDisable) && ted_->IrqActive() && ted_->IrqActiveSince() + 2 <= cpu_->Cycles) {
    cpu::core::Interrupt(*cpu_, cpu::kIrqVector);
    SyncTed();
    RunRomEntry();
    return StepOutcome::Ok;
  }

  const std::uint16_t pc = r.PC;
  instructionPc_ = pc;
  if ((pc >= 0xFD00 && pc < 0xFF00) || IsTedAddress(pc))
    return Stop(StepOutcome::UnservedRom, "the I/O registers at " + cpu::HexWordText(pc) + " are not code");
  if (RomCodeAt(pc)) {
    const RomImage& rom = TheRom();
    if (rom.TrapAt(pc) != Trap::None) return ServeTrap(pc);
    if (!rom.Code.test(pc - 0x8000u))
      return Stop(StepOutcome::UnservedRom, "the model's ROM has no routine at " + cpu::HexWordText(pc));
  }
  const std::uint8_t opcode = Peek(pc);
  // A BRK that would reach the ROM's default handler stops where it is.
  if (opcode == kBrkOpcode && romVisible_ && (ram_[0x0316] | ram_[0x0317] << 8) == kDefaultBrkHandler) {
    cpu_->Cycles += 7;
    SyncTed();
    return StepOutcome::Brk;
  }
  switch (cpu_->Step()) {
    case cpu::StepOutcome::Ok: break;
    case cpu::StepOutcome::Jam: return Stop(StepOutcome::Jam, "JAM (" + cpu::HexByteText(opcode) + ") at " + cpu::HexWordText(pc));
    case cpu::StepOutcome::IllegalOpcode:
      return Stop(StepOutcome::Illegal, "illegal opcode " + cpu::HexByteText(opcode) + " at " + cpu::HexWordText(pc));
  }
  ted_->CatchUp(cpu_->Cycles, kTrailingWrites[opcode]);
  if (JumpsOrBranches(opcode) && r.PC == pc) jumpedToItself_ = true;
  if (romVisible_ && r.PC == kIrqEntry) RunRomEntry();
  if (debugExitWritten_) {
    debugExitWritten_ = false;
    return Stop(StepOutcome::DebugExit, "debug exit " + cpu::HexByteText(*debugExitValue_) + " written at " +
                                            cpu::HexWordText(pc));
  }
  return StepOutcome::Ok;
}

StepOutcome Plus4Machine::RunUntilCycle(std::uint64_t cycleLimit) {
  while (cpu_->Cycles < cycleLimit) {
    const StepOutcome outcome = Step();
    if (outcome != StepOutcome::Ok) return outcome;
  }
  return StepOutcome::Ok;
}

StepOutcome Plus4Machine::RunFrames(std::uint64_t frames) {
  const std::uint64_t target = ted_->FrameCount() + frames;
  while (ted_->FrameCount() < target) {
    const StepOutcome outcome = Step();
    if (outcome != StepOutcome::Ok) return outcome;
  }
  return StepOutcome::Ok;
}

void Plus4Machine::TypeKeys(std::string_view text, int holdFrames, int gapFrames) {
  typing_.erase(0, typed_);
  typed_ = 0;
  typing_.append(text);
  holdFrames_ = std::max(1, holdFrames);
  gapFrames_ = std::max(1, gapFrames);
  typingFrame_ = ted_->FrameCount();
}

void Plus4Machine::AdvanceTyping() {
  if (typed_ >= typing_.size() || ted_->FrameCount() < typingFrame_) return;
  if (keyDown_) {
    keyboard_.ReleaseAll();
    keyDown_ = false;
    ++typed_;
    typingFrame_ = ted_->FrameCount() + static_cast<std::uint64_t>(gapFrames_);
    return;
  }
  while (typed_ < typing_.size()) {
    if (const auto chord = Keyboard::ChordOf(static_cast<std::uint8_t>(typing_[typed_]))) {
      if (chord->Shift) keyboard_.Press(kShiftKey);
      keyboard_.Press(chord->Key);
      keyDown_ = true;
      typingFrame_ = ted_->FrameCount() + static_cast<std::uint64_t>(holdFrames_);
      return;
    }
    ++typed_;
  }
}

}  // namespace qv3::plus4
