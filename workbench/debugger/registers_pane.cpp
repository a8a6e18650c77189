#include "workbench/debugger/registers_pane.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "workbench/debugger/memory_pane.h"
#include "workbench/latin1.h"

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

QString TextOf(const QWidget* widget) {
  if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text();
  if (const auto* button = qobject_cast<const QToolButton*>(widget)) return button->text();
  if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  return {};
}

}  // namespace

std::optional<unsigned> ParseRegisterText(const QString& text, unsigned max) {
  const std::optional<std::uint16_t> value = ParseAddressText(Bytes(text.trimmed()));
  if (!value || *value > max) return std::nullopt;
  return *value;
}

RegistersPane::RegistersPane(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("registersPane"));
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 6, 6, 6);
  grid->setHorizontalSpacing(10);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

  int column = 0;
  for (const char* name : {"A", "X", "Y", "SP", "PC"}) {
    const QString field = QString::fromLatin1(name);
    auto* edit = new QLineEdit(this);
    edit->setFont(fixed);
    edit->setAlignment(Qt::AlignCenter);
    edit->setFrame(false);
    edit->setFixedWidth(QFontMetrics(fixed).horizontalAdvance(QStringLiteral("$FFFF")) + 10);
    connect(edit, &QLineEdit::editingFinished, this, [this, field] { takeRegister(field); });
    grid->addWidget(new QLabel(field, this), 0, column, Qt::AlignCenter);
    grid->addWidget(addField(field, edit), 1, column, Qt::AlignCenter);
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
    auto* button = new QToolButton(flagNames);
    button->setFont(fixed);
    button->setAutoRaise(true);
    button->setToolTip(tr("Click to flip the flag while the program is stopped"));
    const std::uint8_t mask = flag.Mask;
    connect(button, &QToolButton::clicked, this, [this, mask] { flipFlag(mask); });
    flagGrid->addWidget(new QLabel(field, flagNames), 0, flagColumn, Qt::AlignCenter);
    flagGrid->addWidget(addField(field, button), 1, flagColumn, Qt::AlignCenter);
    ++flagColumn;
  }
  grid->addWidget(flagNames, 2, 0, 2, 5, Qt::AlignLeft);

  grid->addWidget(new QLabel(tr("Cycles"), this), 4, 0);
  auto* cycles = new QLabel(this);
  cycles->setFont(fixed);
  cycles->setTextInteractionFlags(Qt::TextSelectableByMouse);
  grid->addWidget(addField(QStringLiteral("Cycles"), cycles), 4, 1, 1, 4, Qt::AlignLeft);
  grid->addWidget(new QLabel(tr("Raster"), this), 5, 0);
  auto* raster = new QLabel(this);
  raster->setFont(fixed);
  raster->setToolTip(tr("The TED's raster line and the cycle within it"));
  grid->addWidget(addField(QStringLiteral("Raster"), raster), 5, 1, 1, 4, Qt::AlignLeft);
  grid->setRowStretch(6, 1);
  grid->setColumnStretch(5, 1);
  clear();
}

QWidget* RegistersPane::addField(const QString& field, QWidget* editor) {
  editor->setObjectName(QStringLiteral("value") + field);
  values_.insert(field, editor);
  return editor;
}

void RegistersPane::setField(const QString& field, const QString& text, bool changed) {
  QWidget* widget = values_.value(field);
  if (auto* edit = qobject_cast<QLineEdit*>(widget))
    edit->setText(text);
  else if (auto* button = qobject_cast<QToolButton*>(widget))
    button->setText(text);
  else if (auto* label = qobject_cast<QLabel*>(widget))
    label->setText(text);
  widget->setProperty("changed", changed);
  widget->setStyleSheet(changed ? QStringLiteral("color: #C00000; font-weight: bold;") : QString());
}

void RegistersPane::setEditable(bool editable) {
  editable_ = editable;
  for (auto it = values_.begin(); it != values_.end(); ++it) {
    if (auto* edit = qobject_cast<QLineEdit*>(it.value())) edit->setReadOnly(!editable);
    if (auto* button = qobject_cast<QToolButton*>(it.value())) button->setEnabled(editable);
  }
}

void RegistersPane::takeRegister(const QString& field) {
  if (!editable_ || !shown_) return;
  qv3::debugger::MachineState state = *shown_;
  const bool wide = field == QLatin1String("PC");
  const std::optional<unsigned> value = ParseRegisterText(fieldText(field), wide ? 0xFFFF : 0xFF);
  std::uint16_t* word = wide ? &state.PC : nullptr;
  std::uint8_t* byte = field == QLatin1String("A")   ? &state.A
                       : field == QLatin1String("X") ? &state.X
                       : field == QLatin1String("Y") ? &state.Y
                       : field == QLatin1String("SP") ? &state.SP
                                                       : nullptr;
  const unsigned old = word ? *word : byte ? *byte : 0;
  if (!value || *value == old) {
    // Refused or unchanged: the field shows the machine's value again.
    setField(field, Hex(old, wide ? 4 : 2), values_.value(field)->property("changed").toBool());
    return;
  }
  if (word) *word = static_cast<std::uint16_t>(*value);
  if (byte) *byte = static_cast<std::uint8_t>(*value);
  emit stateEdited(state);
}

void RegistersPane::flipFlag(std::uint8_t mask) {
  if (!editable_ || !shown_) return;
  qv3::debugger::MachineState state = *shown_;
  state.P ^= mask;
  emit stateEdited(state);
}

void RegistersPane::showState(const qv3::debugger::MachineState& now,
                              const std::optional<qv3::debugger::MachineState>& before,
                              std::optional<std::pair<int, int>> raster) {
  shown_ = now;
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
  setField(QStringLiteral("Raster"),
           raster ? tr("line %1, cycle %2").arg(raster->first).arg(raster->second) : QStringLiteral("-"), false);
}

void RegistersPane::clear() {
  shown_.reset();
  for (auto it = values_.begin(); it != values_.end(); ++it) setField(it.key(), QStringLiteral("-"), false);
}

QString RegistersPane::fieldText(const QString& field) const { return TextOf(values_.value(field)); }

QWidget* RegistersPane::editorOf(const QString& field) const { return values_.value(field); }

bool RegistersPane::isMarked(const QString& field) const {
  const QWidget* widget = values_.value(field);
  return widget && widget->property("changed").toBool();
}
