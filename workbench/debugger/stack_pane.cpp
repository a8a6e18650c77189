// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/debugger/stack_pane.h"

#include <QFontDatabase>

#include "workbench/debugger/stack_rows.h"
#include "workbench/latin1.h"

StackPane::StackPane(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("stackPane"));
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  showStack(nullptr, 0, {});
}

void StackPane::showStack(const std::array<std::uint8_t, 0x10000>* memory, std::uint8_t sp,
                          const std::function<std::string(std::uint16_t)>& names,
                          const std::vector<std::uint16_t>& interruptFrames) {
  if (!memory) {
    setPlainText(tr("No program is being debugged."));
    return;
  }
  QStringList lines;
  for (const qv3::debugger::StackRow& row : qv3::debugger::StackRows(*memory, sp, names, 4, 64, interruptFrames)) {
    QString line = QStringLiteral("%1 %2  %3")
                       .arg(row.IsTop ? QStringLiteral("SP>") : QStringLiteral("   "))
                       .arg(row.Address, 4, 16, QLatin1Char('0'))
                       .arg(row.Value, 2, 16, QLatin1Char('0'))
                       .toUpper();
    if (row.Free) line += tr("  (free)");
    if (row.InterruptFlags) line += tr("  P of an interrupt");
    if (row.InterruptReturn) {
      line += tr("  interrupted at $%1").arg(QStringLiteral("%1").arg(row.ReturnsTo, 4, 16, QLatin1Char('0')).toUpper());
      if (!row.Name.empty()) line += QStringLiteral(" (%1)").arg(Latin1(row.Name));
    }
    if (row.ReturnAddress) {
      line += tr("  return to $%1").arg(QStringLiteral("%1").arg(row.ReturnsTo, 4, 16, QLatin1Char('0')).toUpper());
      if (!row.Name.empty()) line += QStringLiteral(" (%1)").arg(Latin1(row.Name));
    }
    lines << line;
  }
  setPlainText(lines.join(QLatin1Char('\n')));
}
