// SPDX-License-Identifier: GPL-3.0-or-later
// The TED's registers at the stop, decoded: a summary (mode, bases, colours,
// interrupt flags and mask, raster compare, timers) over one row a register,
// by the same text the built-in Plus/4's Inside view uses.
#pragma once

#include <QPlainTextEdit>
#include <optional>

#include "plus4/ted_register_text.h"

class TedPane : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit TedPane(QWidget* parent = nullptr);
  // Nothing: no program.
  void showTed(const std::optional<qv3::plus4::TedRegisters>& ted);
};
