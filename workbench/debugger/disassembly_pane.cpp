#include "workbench/debugger/disassembly_pane.h"

#include <QFontDatabase>
#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "cpu/disassembler.h"
#include "workbench/latin1.h"

std::uint16_t DisassemblyStart(const std::array<std::uint8_t, 0x10000>& memory, std::uint16_t pc,
                               int before) {
  // Tried from the farthest start: the first that meets pc after at least
  // `before` instructions, else the one that met it after the most.
  int bestCount = 0;
  std::uint16_t best = pc;
  for (int back = 3 * before; back > 0; --back) {
    if (back > pc) continue;
    std::uint16_t address = static_cast<std::uint16_t>(pc - back);
    int count = 0;
    while (address < pc && pc - address <= back) {
      address = static_cast<std::uint16_t>(address + qv3::cpu::Disassemble(memory, address).Length);
      ++count;
    }
    if (address != pc || count <= bestCount) continue;
    bestCount = count;
    best = static_cast<std::uint16_t>(pc - back);
    if (count >= before) {
      // Trim to `before` instructions by skipping the surplus from the front.
      std::uint16_t start = best;
      for (int skip = count - before; skip > 0; --skip)
        start = static_cast<std::uint16_t>(start + qv3::cpu::Disassemble(memory, start).Length);
      return start;
    }
  }
  return best;
}

DisassemblyPane::DisassemblyPane(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("disassemblyPane"));
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("disassemblyRows"));
  list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(list_);
}

void DisassemblyPane::clear() {
  list_->clear();
  pcRow_ = -1;
}

void DisassemblyPane::showCode(const Ram& memory, std::uint16_t pc, const LabelOf& labelOf,
                               const IsBreakpoint& isBreakpoint, const DataBytes& dataBytes) {
  clear();
  const qv3::cpu::AddressNamer namer = [&labelOf](std::uint16_t address) { return labelOf(address); };
  std::uint16_t address = DisassemblyStart(memory, pc, kInstructionsBefore);
  int instructions = 0;
  // Stops at the end of memory rather than wrapping back to $0000.
  while (instructions < kInstructionsBefore + 1 + kInstructionsAfter) {
    if (const std::string label = labelOf(address); !label.empty())
      list_->addItem(Latin1(label) + QLatin1Char(':'));
    // PC is code whatever the program meant: it runs there.
    const int data = address == pc || !dataBytes ? 0 : std::min(dataBytes(address), kDataBytesPerRow);
    if (data > 0) {
      QString text = QStringLiteral("BIN.B");
      for (int i = 0; i < data; ++i)
        text += QStringLiteral(" $%1").arg(memory[(address + i) & 0xFFFF], 2, 16, QLatin1Char('0')).toUpper();
      list_->addItem(QStringLiteral("%1 %2  %3 %4")
                         .arg(isBreakpoint(address) ? QStringLiteral(" *") : QStringLiteral("  "))
                         .arg(address, 4, 16, QLatin1Char('0'))
                         .toUpper()
                         .arg(QString(9, QLatin1Char(' ')), text));
      ++instructions;
      if (static_cast<unsigned>(address) + data > 0xFFFF) break;
      address = static_cast<std::uint16_t>(address + data);
      continue;
    }
    const qv3::cpu::DisassembledLine line = qv3::cpu::Disassemble(memory, address, namer);
    QString bytes;
    for (int i = 0; i < line.Length; ++i)
      bytes += QStringLiteral("%1 ").arg(line.Bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    const QString marker = address == pc ? QStringLiteral("=>") : isBreakpoint(address) ? QStringLiteral(" *") : QStringLiteral("  ");
    list_->addItem(QStringLiteral("%1 %2  %3 %4")
                       .arg(marker)
                       .arg(address, 4, 16, QLatin1Char('0'))
                       .toUpper()
                       .arg(bytes.leftJustified(9))
                       .arg(Latin1(line.Text)));
    if (address == pc) pcRow_ = list_->count() - 1;
    ++instructions;
    if (static_cast<unsigned>(address) + line.Length > 0xFFFF) break;
    address = static_cast<std::uint16_t>(address + line.Length);
  }
  if (pcRow_ >= 0) {
    list_->setCurrentRow(pcRow_);
    list_->scrollToItem(list_->item(pcRow_), QAbstractItemView::PositionAtCenter);
  }
}

QStringList DisassemblyPane::rows() const {
  QStringList texts;
  for (int i = 0; i < list_->count(); ++i) texts << list_->item(i)->text();
  return texts;
}
