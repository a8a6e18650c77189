// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/debugger/ted_pane.h"

#include <QFontDatabase>
#include <QScrollBar>
#include <cstdio>

#include "workbench/latin1.h"

TedPane::TedPane(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("tedPane"));
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  showTed(std::nullopt);
}

void TedPane::showTed(const std::optional<qv3::plus4::TedRegisters>& ted) {
  if (!ted) {
    setPlainText(tr("No program is being debugged."));
    return;
  }
  std::string text = qv3::plus4::TedSummary(*ted) + "\n";
  char row[16];
  for (const qv3::plus4::TedRegisterRow& reg : qv3::plus4::TedRegisterRows(*ted)) {
    if (reg.Known)
      std::snprintf(row, sizeof row, "$%04X  $%02X  ", reg.Address, reg.Value);
    else
      std::snprintf(row, sizeof row, "$%04X  ?    ", reg.Address);
    text += row + reg.Name + ": " + reg.Text + "\n";
  }
  const int scrolled = verticalScrollBar()->value();
  setPlainText(Latin1(text));
  verticalScrollBar()->setValue(scrolled);  // a step keeps the rows in view
}
