// The registers at the last stop: A X Y SP PC, the flags NV-BDIZC one by one,
// the cycle counter and, on a machine with a TED, the raster line. A value
// that differs from the stop before is marked (red and bold), so a step shows
// at a glance what it changed. While the program is stopped the registers
// are edited in place ($hex or decimal, then Return) and a flag flips with a
// click.
#pragma once

#include <QMap>
#include <QString>
#include <QWidget>
#include <optional>

#include "workbench/debugger/run_control.h"

class RegistersPane : public QWidget {
  Q_OBJECT
 public:
  explicit RegistersPane(QWidget* parent = nullptr);

  // before: the state at the stop before, when there was one this session.
  // raster: the raster line and the cycle within it, on a machine with a TED.
  void showState(const qv3::debugger::MachineState& now,
                 const std::optional<qv3::debugger::MachineState>& before,
                 std::optional<std::pair<int, int>> raster = std::nullopt);
  void clear();
  // Edits are taken only while editable (the program stopped).
  void setEditable(bool editable);

  // What a field shows, and whether it is marked as changed. Fields: "A",
  // "X", "Y", "SP", "PC", the flag letters "N" "V" "B" "D" "I" "Z" "C",
  // "Cycles" and "Raster".
  QString fieldText(const QString& field) const;
  bool isMarked(const QString& field) const;
  // The editor of a register ("A" ... "PC") or the button of a flag.
  QWidget* editorOf(const QString& field) const;

 signals:
  // The state with the user's edit applied.
  void stateEdited(const qv3::debugger::MachineState& state);

 private:
  QWidget* addField(const QString& field, QWidget* editor);
  void setField(const QString& field, const QString& text, bool changed);
  void takeRegister(const QString& field);
  void flipFlag(std::uint8_t mask);

  QMap<QString, QWidget*> values_;
  std::optional<qv3::debugger::MachineState> shown_;
  bool editable_ = false;
};

// A register value as typed: "$hex" or decimal, at most max; nothing otherwise.
std::optional<unsigned> ParseRegisterText(const QString& text, unsigned max);
