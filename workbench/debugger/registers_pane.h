// The registers at the last stop: A X Y SP PC, the flags NV-BDIZC one by one,
// and the cycle counter. A value that differs from the stop before is marked
// (red and bold), so a step shows at a glance what it changed.
#pragma once

#include <QMap>
#include <QString>
#include <QWidget>
#include <optional>

#include "workbench/debugger/run_control.h"

class QLabel;

class RegistersPane : public QWidget {
  Q_OBJECT
 public:
  explicit RegistersPane(QWidget* parent = nullptr);

  // before: the state at the stop before, when there was one this session.
  void showState(const qv3::debugger::MachineState& now,
                 const std::optional<qv3::debugger::MachineState>& before);
  void clear();

  // What a field shows, and whether it is marked as changed. Fields: "A",
  // "X", "Y", "SP", "PC", the flag letters "N" "V" "B" "D" "I" "Z" "C", and
  // "Cycles".
  QString fieldText(const QString& field) const;
  bool isMarked(const QString& field) const;

 private:
  QLabel* addField(const QString& field);
  void setField(const QString& field, const QString& text, bool changed);

  QMap<QString, QLabel*> values_;
};
