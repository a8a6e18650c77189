#include "workbench/emulator/machine_inside_view.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QString Hex(unsigned value, int digits) {
  return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QPlainTextEdit* NewTextPane(QWidget* parent) {
  auto* pane = new QPlainTextEdit(parent);
  pane->setReadOnly(true);
  pane->setLineWrapMode(QPlainTextEdit::NoWrap);
  pane->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  return pane;
}

QString Flags(std::uint8_t p) {
  QString text;
  const char* names = "NV-BDIZC";
  for (int bit = 7; bit >= 0; --bit) text += (p >> bit & 1) ? QLatin1Char(names[7 - bit]) : QLatin1Char('.');
  return text;
}

// The TED tab: the summary, then one line per register the chip has.
QString TedText(const MachineSnapshot& machine) {
  const qv3::plus4::TedRegisters ted = TedAsRead(machine);
  QString text = QString::fromStdString(qv3::plus4::TedSummary(ted)) + QLatin1Char('\n');
  for (const qv3::plus4::TedRegisterRow& row : qv3::plus4::TedRegisterRows(ted))
    text += QStringLiteral("$%1  %2  %3  %4\n")
                .arg(Hex(row.Address, 4), row.Known ? Hex(row.Value, 2) : QStringLiteral("--"),
                     QString::fromStdString(row.Name).leftJustified(22), QString::fromStdString(row.Text));
  return text;
}

}  // namespace

QHash<QString, quint16> ReadViceLabels(const QString& commands) {
  static const QRegularExpression line(QStringLiteral("^al\\s+C:([0-9A-Fa-f]{1,4})\\s+\\.(\\S+)\\s*$"));
  QHash<QString, quint16> labels;
  for (const QString& text : commands.split(QLatin1Char('\n'))) {
    const QRegularExpressionMatch match = line.match(text.trimmed());
    if (match.hasMatch()) labels.insert(match.captured(2).toUpper(), static_cast<quint16>(match.captured(1).toUInt(nullptr, 16)));
  }
  return labels;
}

std::optional<quint16> ParseAddressOrLabel(const QString& text, const QHash<QString, quint16>& labels) {
  const QString word = text.trimmed();
  if (word.isEmpty()) return std::nullopt;
  // A label wins over hex digits: "ADD" or "BEEF" may be names.
  if (const auto found = labels.constFind(word.toUpper()); found != labels.constEnd()) return *found;
  QString digits = word;
  if (digits.startsWith(QLatin1Char('$'))) digits.remove(0, 1);
  bool ok = false;
  const uint value = digits.toUInt(&ok, 16);
  if (!ok || digits.isEmpty() || digits.size() > 4) return std::nullopt;
  return static_cast<quint16>(value);
}

QString MemoryLine(const std::vector<std::uint8_t>& ram, quint16 address, bool lowerCase) {
  QString hex, characters;
  for (int i = 0; i < 16; ++i) {
    const std::size_t at = (address + static_cast<std::size_t>(i)) & 0xFFFF;
    const std::uint8_t byte = at < ram.size() ? ram[at] : 0;
    hex += QLatin1Char(' ') + Hex(byte, 2);
    characters += QChar(static_cast<uchar>(ScreenCodeCharacter(byte, lowerCase)));
  }
  return Hex(address, 4) + QLatin1Char(' ') + hex + QStringLiteral("  ") + characters;
}

MachineInspector::MachineInspector(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("MachineInspector"));
  auto* layout = new QVBoxLayout(this);
  registers_ = new QLabel(QStringLiteral("Pause the machine to look inside."), this);
  registers_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  registers_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(registers_);

  auto* tabs = new QTabWidget(this);
  auto* memoryPage = new QWidget(tabs);
  auto* memoryLayout = new QVBoxLayout(memoryPage);
  auto* goToRow = new QHBoxLayout;
  goToRow->addWidget(new QLabel(QStringLiteral("Go to:"), memoryPage));
  goTo_ = new QLineEdit(memoryPage);
  goTo_->setPlaceholderText(QStringLiteral("$1000 or a label"));
  goToRow->addWidget(goTo_);
  goToProblem_ = new QLabel(memoryPage);
  goToRow->addWidget(goToProblem_);
  memoryLayout->addLayout(goToRow);
  memory_ = NewTextPane(memoryPage);
  // A whole line of the dump in view without sideways scrolling.
  const QString widest = MemoryLine(std::vector<std::uint8_t>(16, 0xFF), 0xFFF0, false);
  memory_->setMinimumWidth(memory_->fontMetrics().horizontalAdvance(widest + QStringLiteral("  ")) +
                           memory_->verticalScrollBar()->sizeHint().width() + 2 * memory_->frameWidth() +
                           static_cast<int>(2 * memory_->document()->documentMargin()));
  memoryLayout->addWidget(memory_);
  tabs->addTab(memoryPage, QStringLiteral("Memory"));
  screen_ = NewTextPane(tabs);
  tabs->addTab(screen_, QStringLiteral("Screen"));
  ted_ = NewTextPane(tabs);
  // The TED's lines whole too: as wide as the widest they come out over a
  // few fillings of the registers (their texts change with the values).
  int tedWidth = 0;
  for (const std::uint8_t fill : {0x00, 0xFF, 0x55, 0xAA, 0x3B}) {
    MachineSnapshot sample;
    sample.Ted.fill(fill);
    for (const QString& line : TedText(sample).split(QLatin1Char('\n')))
      tedWidth = std::max(tedWidth, ted_->fontMetrics().horizontalAdvance(line + QStringLiteral("  ")));
  }
  ted_->setMinimumWidth(tedWidth + ted_->verticalScrollBar()->sizeHint().width() + 2 * ted_->frameWidth() +
                        static_cast<int>(2 * ted_->document()->documentMargin()));
  tabs->addTab(ted_, QStringLiteral("TED"));
  layout->addWidget(tabs, 1);
  connect(goTo_, &QLineEdit::returnPressed, this, [this] { goTo(goTo_->text()); });
}

void MachineInspector::showMachine(const MachineSnapshot& machine) {
  const CpuSnapshot& cpu = machine.Cpu;
  registers_->setText(QStringLiteral("PC %1  A %2  X %3  Y %4  SP %5  P %6 %7\nraster line %8  clock %9")
                          .arg(Hex(cpu.PC, 4), Hex(cpu.A, 2), Hex(cpu.X, 2), Hex(cpu.Y, 2),
                               Hex(cpu.SP, 2), Hex(cpu.P, 2), Flags(cpu.P))
                          .arg(machine.RasterLine)
                          .arg(cpu.Clock));
  ted_->setPlainText(TedText(machine));
  const bool lowerCase = LowerCaseCharacters(machine.Ted);
  QStringList lines;
  lines.reserve(4096);
  for (int address = 0; address < 0x10000; address += 16)
    lines << MemoryLine(machine.Ram, static_cast<quint16>(address), lowerCase);
  const int firstLine = memory_->cursorForPosition(QPoint(0, 0)).blockNumber();
  memory_->setPlainText(lines.join(QLatin1Char('\n')));
  memory_->moveCursor(QTextCursor::Start);
  if (haveMachine_) {
    QTextCursor cursor(memory_->document()->findBlockByNumber(firstLine));
    memory_->setTextCursor(cursor);
    memory_->centerCursor();
  }
  const std::string text = ScreenText(machine.Ram, ScreenAddress(machine.Ted), lowerCase);
  screen_->setPlainText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
  haveMachine_ = true;
}

void MachineInspector::showProblem(const QString& text) { registers_->setText(text); }

bool MachineInspector::goTo(const QString& addressOrLabel) {
  const std::optional<quint16> address = ParseAddressOrLabel(addressOrLabel, labels_);
  if (!address) {
    goToProblem_->setText(QStringLiteral("not an address or a label"));
    return false;
  }
  goToProblem_->clear();
  const QTextBlock block = memory_->document()->findBlockByNumber(*address / 16);
  if (!block.isValid()) return true;  // nothing shown yet; the address was fine
  QTextCursor cursor(block);
  memory_->setTextCursor(cursor);
  memory_->centerCursor();
  return true;
}
