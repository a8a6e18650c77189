#include "workbench/debugger/registers_pane.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>

namespace {

// Bit 5 has no letter: it is always set.
struct FlagBit {
  const char* Letter;
  std::uint8_t Mask;
};
constexpr FlagBit kFlags[] = {{"N", 0x80}, {"V", 0x40}, {"B", 0x10}, {"D", 0x08},
                              {"I", 0x04}, {"Z", 0x02}, {"C", 0x01}};

QString Hex(unsigned value, int digits) {
  return QStringLiteral("$%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

RegistersPane::RegistersPane(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("registersPane"));
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 6, 6, 6);
  grid->setHorizontalSpacing(10);

  int column = 0;
  for (const char* name : {"A", "X", "Y", "SP", "PC"}) {
    const QString field = QString::fromLatin1(name);
    grid->addWidget(new QLabel(field, this), 0, column, Qt::AlignCenter);
    grid->addWidget(addField(field), 1, column, Qt::AlignCenter);
    ++column;
  }

  // NV-BDIZC: the letters above their bits, the unused bit 5 as "-".
  auto* flagNames = new QWidget(this);
  auto* flagGrid = new QGridLayout(flagNames);
  flagGrid->setContentsMargins(0, 0, 0, 0);
  flagGrid->setHorizontalSpacing(4);
  int flagColumn = 0;
  for (const FlagBit& flag : kFlags) {
    if (flagColumn == 2) {
      flagGrid->addWidget(new QLabel(QStringLiteral("-"), flagNames), 0, flagColumn, Qt::AlignCenter);
      flagGrid->addWidget(new QLabel(QStringLiteral("1"), flagNames), 1, flagColumn, Qt::AlignCenter);
      ++flagColumn;
    }
    const QString field = QString::fromLatin1(flag.Letter);
    flagGrid->addWidget(new QLabel(field, flagNames), 0, flagColumn, Qt::AlignCenter);
    flagGrid->addWidget(addField(field), 1, flagColumn, Qt::AlignCenter);
    ++flagColumn;
  }
  grid->addWidget(flagNames, 2, 0, 2, 5, Qt::AlignLeft);

  grid->addWidget(new QLabel(tr("Cycles"), this), 4, 0);
  grid->addWidget(addField(QStringLiteral("Cycles")), 4, 1, 1, 4, Qt::AlignLeft);
  grid->setRowStretch(5, 1);
  grid->setColumnStretch(5, 1);
  clear();
}

QLabel* RegistersPane::addField(const QString& field) {
  auto* label = new QLabel(this);
  label->setObjectName(QStringLiteral("value") + field);
  label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  values_.insert(field, label);
  return label;
}

void RegistersPane::setField(const QString& field, const QString& text, bool changed) {
  QLabel* label = values_.value(field);
  label->setText(text);
  label->setProperty("changed", changed);
  label->setStyleSheet(changed ? QStringLiteral("color: #C00000; font-weight: bold;") : QString());
}

void RegistersPane::showState(const qv3::debugger::MachineState& now,
                              const std::optional<qv3::debugger::MachineState>& before) {
  const auto changed = [&](auto member) { return before && (*before).*member != now.*member; };
  using State = qv3::debugger::MachineState;
  setField(QStringLiteral("A"), Hex(now.A, 2), changed(&State::A));
  setField(QStringLiteral("X"), Hex(now.X, 2), changed(&State::X));
  setField(QStringLiteral("Y"), Hex(now.Y, 2), changed(&State::Y));
  setField(QStringLiteral("SP"), Hex(now.SP, 2), changed(&State::SP));
  setField(QStringLiteral("PC"), Hex(now.PC, 4), changed(&State::PC));
  for (const FlagBit& flag : kFlags) {
    const bool set = (now.P & flag.Mask) != 0;
    const bool flipped = before && ((before->P ^ now.P) & flag.Mask) != 0;
    setField(QString::fromLatin1(flag.Letter), set ? QStringLiteral("1") : QStringLiteral("0"), flipped);
  }
  QString cycles = QString::number(now.Cycles);
  if (before && now.Cycles >= before->Cycles)
    cycles += QStringLiteral("  (+%1)").arg(now.Cycles - before->Cycles);
  setField(QStringLiteral("Cycles"), cycles, false);
}

void RegistersPane::clear() {
  for (auto it = values_.begin(); it != values_.end(); ++it) setField(it.key(), QStringLiteral("-"), false);
}

QString RegistersPane::fieldText(const QString& field) const {
  const QLabel* label = values_.value(field);
  return label ? label->text() : QString();
}

bool RegistersPane::isMarked(const QString& field) const {
  const QLabel* label = values_.value(field);
  return label && label->property("changed").toBool();
}
