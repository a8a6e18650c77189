// SPDX-License-Identifier: GPL-3.0-or-later
// The stack page around SP: one row a byte, the top marked, return addresses
// written out with the label they return into.
#pragma once

#include <QPlainTextEdit>
#include <vector>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

class StackPane : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit StackPane(QWidget* parent = nullptr);
  // memory null: nothing to show.
  void showStack(const std::array<std::uint8_t, 0x10000>* memory, std::uint8_t sp,
                 const std::function<std::string(std::uint16_t)>& names,
                 const std::vector<std::uint16_t>& interruptFrames = {});
  QStringList rows() const { return toPlainText().split(QLatin1Char('\n')); }
};
