// A look at the paused Plus/4 as it stands: processor and TED registers,
// the memory (hex and screen-code characters, with "go to" an address or a
// label of the last compile) and the screen as text.
#pragma once

#include <QHash>
#include <QString>
#include <QWidget>
#include <optional>

#include "workbench/emulator/vice_snapshot.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;

// The labels of a VICE monitor command file ("al C:1000 .START"), by upper-
// cased name. Lines of another form are skipped.
QHash<QString, quint16> ReadViceLabels(const QString& commands);

// An address typed by the user: "$1000", "1000" (hex), or a label name.
// Empty when it is neither.
std::optional<quint16> ParseAddressOrLabel(const QString& text, const QHash<QString, quint16>& labels);

// The hex dump line of the 16 bytes from address ("1000  A9 00 ...  ·A·"),
// without a line end.
QString MemoryLine(const std::vector<std::uint8_t>& ram, quint16 address, bool lowerCase);

class MachineInspector final : public QWidget {
  Q_OBJECT
 public:
  explicit MachineInspector(QWidget* parent = nullptr);

  void setLabels(const QHash<QString, quint16>& labels) { labels_ = labels; }
  void showMachine(const MachineSnapshot& machine);
  void showProblem(const QString& text);
  // Scrolls the memory view to the line of address; false (and a note
  // beside the field) when the text is neither an address nor a label.
  bool goTo(const QString& addressOrLabel);

  QLabel* registers() const { return registers_; }
  QPlainTextEdit* ted() const { return ted_; }
  QPlainTextEdit* memory() const { return memory_; }
  QPlainTextEdit* screen() const { return screen_; }
  QLineEdit* goToField() const { return goTo_; }

 private:
  QHash<QString, quint16> labels_;
  QLabel* registers_;
  QPlainTextEdit* ted_;
  QPlainTextEdit* memory_;
  QPlainTextEdit* screen_;
  QLineEdit* goTo_;
  QLabel* goToProblem_;
  bool haveMachine_ = false;
};
