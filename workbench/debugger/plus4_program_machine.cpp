// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/debugger/plus4_program_machine.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <map>

#include "plus4/plus4_machine.h"

namespace qv3::debugger {

namespace {

// A typed key is held for kHoldFrames frames, then all keys are up for
// kGapFrames: long enough for the ROM's scan (once a frame) to see each.
constexpr std::uint64_t kHoldFrames = 2;
constexpr std::uint64_t kGapFrames = 1;

class Plus4ProgramMachine final : public Machine {
 public:
  explicit Plus4ProgramMachine(const cpu::ProgramImage& image) {
    machine_.Load(image);
    machine_.PrepareSys(cpu::StartAddress(image));
    machine_.Sound().SetEnabled(true);
  }

  MachineState State() const override {
    const cpu::Registers& r = machine_.Registers();
    return {r.PC, r.A, r.X, r.Y, r.SP, r.P, machine_.Cycles()};
  }
  void SetState(const MachineState& state) override { SetRegisters(machine_.MutableRegisters(), state); }
  // Through the bus, as a store of the program: a TED register changes the
  // chip (and $FF3E/$FF3F the banking), not the RAM beneath it.
  void Poke(std::uint16_t address, std::uint8_t value) override { machine_.Store(address, value); }
  void TypeKey(std::uint8_t petscii) override { typed_.push_back(petscii); }
  std::uint64_t FrameCount() const override { return machine_.FrameCount(); }
  void HoldKey(std::uint8_t petscii, bool down) override {
    const std::optional<plus4::KeyChord> chord = plus4::Keyboard::ChordOf(petscii);
    if (!chord) return;  // no key types it
    const std::uint64_t frame = machine_.FrameCount();
    if (down) {
      // A key pressed while a tap is still down waits for it to go up, so
      // quick typing reaches the scan one key after the other; with only
      // keys held for long down, it goes down at once beside them.
      std::uint64_t start = frame;
      for (const HeldKey& key : held_)
        if (key.Releasing || key.Start > frame) start = std::max(start, key.Until + kGapFrames);
      held_.push_back(HeldKey{petscii, *chord, start, start + kHoldFrames, false});
    } else {
      // A tap shorter than the scan's interval still reaches it: the key
      // goes up when its shortest hold is over.
      const auto pressed = std::find_if(held_.rbegin(), held_.rend(), [&](const HeldKey& key) {
        return key.Petscii == petscii && !key.Releasing;
      });
      if (pressed == held_.rend()) return;
      pressed->Releasing = true;
      heldFrame_ = kNoFrame;
      updateHeldKeys();
    }
    applyKeys();
  }
  void SetJoystick(int port, std::uint8_t bits) override {
    if (port != 1 && port != 2) return;
    joysticks_[static_cast<std::size_t>(port - 1)] = bits;
    applyKeys();
  }
  const std::array<std::uint8_t, 0x10000>& Ram() const override { return machine_.Ram(); }
  std::uint8_t Peek(std::uint16_t address) const override { return machine_.Peek(address); }
  bool StoredToTed(std::uint8_t reg) const override { return machine_.StoredToTed(reg); }
  std::optional<int> RasterLine() const override { return machine_.Ted().RasterLine(); }
  std::optional<int> RasterCycle() const override { return machine_.Ted().LineCycle(); }
  plus4::TedRegisters TedState() const override {
    // The chip's registers as a read gives them: the timers' counters and
    // the raster line are in them already.
    plus4::TedRegisters ted;
    ted.Bytes = machine_.Ted().Registers();
    return ted;
  }
  const plus4::FrameBuffer* Frame() const override { return &machine_.Frame(); }
  std::string Kind() const override { return "Plus/4 model"; }
  void SetStopAtUndocumented(bool stop) override { machine_.SetStopAtUndocumented(stop); }
  bool EnteredInterrupt() const override { return entered_; }
  // The model takes a pending IRQ as a step of its own, before the opcode.
  bool EnteredInsteadOfInstruction() const override { return true; }

  std::vector<std::uint16_t> InterruptFrames() const override {
    // A frame is gone once SP has risen past its P byte (its RTI, or a
    // handler that reset the stack).
    std::vector<std::uint16_t> live;
    for (const std::uint16_t flags : frames_)
      if ((flags & 0xFF) > machine_.Registers().SP) live.push_back(flags);
    return live;
  }

  bool WatchesItsBus() const override { return true; }
  void SetWatches(const std::vector<Watch>& watches) override {
    // One address may be watched twice (once for reads, once for writes).
    std::map<std::uint16_t, std::uint8_t> bits;
    for (const Watch& watch : watches)
      bits[watch.Address] |= (watch.OnRead ? plus4::kReadAccess : 0) | (watch.OnWrite ? plus4::kWriteAccess : 0);
    machine_.ClearWatches();
    for (const auto& [address, accesses] : bits)
      if (accesses) machine_.Watch(address, accesses);
  }
  std::optional<WatchedAccess> WatchHit() const override {
    const std::vector<plus4::WatchHit>& hits = machine_.WatchHits();
    // A read-modify-write reports its write: that is what changes the byte.
    for (const plus4::WatchHit& hit : hits)
      if (hit.Kind == plus4::kWriteAccess) return WatchedAccess{hit.Address, true};
    if (!hits.empty()) return WatchedAccess{hits.front().Address, false};
    return std::nullopt;
  }

  std::vector<std::int16_t> TakeSoundSamples() override { return machine_.Sound().TakeSamples(); }

  std::optional<std::string> Step() override {
    typeKeys();
    if (!held_.empty() && updateHeldKeys()) applyKeys();
    const cpu::Registers before = machine_.Registers();
    const std::uint8_t opcode = machine_.Peek(before.PC);
    const plus4::StepOutcome outcome = machine_.Step();
    entered_ = outcome == plus4::StepOutcome::Ok && opcode != kTxsOpcode && tookInterrupt(before);
    if (entered_) {
      frames_ = InterruptFrames();
      frames_.push_back(static_cast<std::uint16_t>(0x100u | ((before.SP - 2) & 0xFF)));
    }
    const std::uint16_t pc = machine_.Registers().PC;
    switch (outcome) {
      case plus4::StepOutcome::Ok: break;
      // A program that returns with its own interrupt handler in place (a
      // music player, an intro) goes on from BASIC's idle loop, as on the
      // machine; one that leaves nothing of itself running has ended.
      case plus4::StepOutcome::Returned:
        if (!ownInterruptHandler()) return std::string("returned");
        machine_.SetContinueAfterReturn(true);
        machine_.Step();
        break;
      // Worded as the bare 6502 words its ends, the model's detail where it adds to that.
      case plus4::StepOutcome::Illegal: return machine_.StopDetail();
      case plus4::StepOutcome::Jam: return "jam at " + DollarHex(pc, 4);
      default: {
        std::string text = std::string(plus4::OutcomeText(outcome)) + " at " + DollarHex(pc, 4);
        if (!machine_.StopDetail().empty()) text += ": " + machine_.StopDetail();
        return text;
      }
    }
    // With interrupts off nothing ends a jump to itself: the program hangs.
    if (!entered_ && pc == before.PC && !machine_.InterruptsEnabled()) return "loop at " + DollarHex(pc, 4);
    return std::nullopt;
  }

 private:
  void typeKeys() {
    const std::uint64_t frame = machine_.FrameCount();
    if (holding_) {
      if (frame < until_) return;
      holding_ = false;
      until_ = frame + kGapFrames;
      applyKeys();
      return;
    }
    if (typed_.empty() || frame < until_) return;
    const std::optional<plus4::KeyChord> chord = plus4::Keyboard::ChordOf(typed_.front());
    typed_.pop_front();
    if (!chord) return;  // no key types it
    typing_ = *chord;
    holding_ = true;
    until_ = frame + kHoldFrames;
    applyKeys();
  }

  // The held keys change at frame boundaries only: once a frame, those let
  // up whose shortest hold is over go; whether the matrix is to be made anew.
  bool updateHeldKeys() {
    const std::uint64_t frame = machine_.FrameCount();
    if (frame == heldFrame_) return false;
    heldFrame_ = frame;
    std::erase_if(held_, [&](const HeldKey& key) { return key.Releasing && frame >= key.Until; });
    return true;
  }

  // The matrix as the typed key, the held keys and the joysticks make it.
  void applyKeys() {
    plus4::Keyboard& keyboard = machine_.Keyboard();
    keyboard.ReleaseAll();
    const auto press = [&](const plus4::KeyChord& chord) {
      if (chord.Shift) keyboard.Press(plus4::kShiftKey);
      keyboard.Press(chord.Key);
    };
    if (holding_) press(typing_);
    const std::uint64_t frame = machine_.FrameCount();
    for (const HeldKey& key : held_)
      if (key.Start <= frame) press(key.Chord);
    keyboard.SetJoystick(1, joysticks_[0]);
    keyboard.SetJoystick(2, joysticks_[1]);
  }

  bool ownInterruptHandler() const {
    const auto& ram = machine_.Ram();
    return (ram[0x0314] | ram[0x0315] << 8) != plus4::kDefaultIrqHandler;
  }

  // Whether the step was an interrupt entry rather than the instruction at
  // before.PC: the return frame on the stack holds before.PC itself and a P
  // with B clear, which no instruction pushes, with SP below it by the CPU's
  // three bytes, or six when the ROM's entry code pushed A, X and Y too.
  bool tookInterrupt(const cpu::Registers& before) const {
    const auto& ram = machine_.Ram();
    const auto stack = [&](int below) { return ram[0x100u | ((before.SP - below) & 0xFF)]; };
    const std::uint8_t depth = static_cast<std::uint8_t>(before.SP - machine_.Registers().SP);
    return (depth == 3 || depth == 6) && stack(0) == before.PC >> 8 && stack(1) == (before.PC & 0xFF) &&
           !(stack(2) & kBreakFlag);
  }

  static constexpr std::uint8_t kTxsOpcode = 0x9A;
  static constexpr std::uint8_t kBreakFlag = 0x10;
  plus4::Plus4Machine machine_;
  std::deque<std::uint8_t> typed_;
  plus4::KeyChord typing_;  // the typed key being held
  // A key held from the Screen pane.
  struct HeldKey {
    std::uint8_t Petscii = 0;
    plus4::KeyChord Chord;
    std::uint64_t Start = 0;  // the frame it goes down
    std::uint64_t Until = 0;  // the frame before which it stays down
    bool Releasing = false;   // let up, waiting for Until
  };
  static constexpr std::uint64_t kNoFrame = ~std::uint64_t{0};
  std::vector<HeldKey> held_;  // in the order pressed
  std::uint64_t heldFrame_ = kNoFrame;  // the frame updateHeldKeys last looked at
  std::array<std::uint8_t, 2> joysticks_{};
  std::vector<std::uint16_t> frames_;  // the P bytes of the interrupts entered
  bool holding_ = false;
  std::uint64_t until_ = 0;
  bool entered_ = false;
};

}  // namespace

LoadedProgram LoadPlus4Program(const std::string& programBytes) {
  const cpu::ParsedProgram parsed = cpu::ParseProgram(programBytes);
  if (!parsed.Image) return {nullptr, parsed.Error};
  return {std::make_unique<Plus4ProgramMachine>(*parsed.Image), {}};
}

}  // namespace qv3::debugger

