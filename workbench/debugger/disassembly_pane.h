// The code around PC, disassembled in the assembler's notation, with the
// program's labels as row headings and in operands. The PC row is marked
// "=>" and selected, rows with a breakpoint "*"; the program's data as
// BIN.B rows.
#pragma once

#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

class QListWidget;

class DisassemblyPane : public QWidget {
  Q_OBJECT
 public:
  using Ram = std::array<std::uint8_t, 0x10000>;
  // The label of an address, empty when it has none.
  using LabelOf = std::function<std::string(std::uint16_t address)>;
  using IsBreakpoint = std::function<bool(std::uint16_t address)>;
  // How many bytes from address the program assembled as data (BIN.B,
  // SCREEN ...); 0 for code or memory the program did not fill.
  using DataBytes = std::function<int(std::uint16_t address)>;
  static constexpr int kDataBytesPerRow = 6;  // fits the pane at its first width

  static constexpr int kInstructionsBefore = 6;
  static constexpr int kInstructionsAfter = 18;

  explicit DisassemblyPane(QWidget* parent = nullptr);

  // Data of the program is shown as the BIN.B rows it is, not decoded.
  void showCode(const Ram& memory, std::uint16_t pc, const LabelOf& labelOf,
                const IsBreakpoint& isBreakpoint, const DataBytes& dataBytes = {});
  void clear();

  QStringList rows() const;
  // The row showing PC; -1 when none.
  int pcRow() const { return pcRow_; }

 private:
  QListWidget* list_;
  int pcRow_ = -1;
};

// Where to start disassembling so that about `before` instructions precede pc
// and the decoding lands exactly on it (code before pc is not marked as such,
// so the longest run of instructions that meets pc wins).
std::uint16_t DisassemblyStart(const std::array<std::uint8_t, 0x10000>& memory, std::uint16_t pc,
                               int before);
