#include "workbench/debugger/memory_pane.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <charconv>

#include "workbench/latin1.h"

namespace {

constexpr int kCharsColumn = 16;

QString HexByte(std::uint8_t byte) { return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper(); }

QString CharsOf(const MemoryPane::Ram& memory, std::uint16_t start) {
  QString chars;
  for (int offset = 0; offset < 16; ++offset) {
    const std::uint8_t byte = memory[static_cast<std::uint16_t>(start + offset)];
    chars += byte >= 0x20 && byte < 0x7F ? QChar::fromLatin1(static_cast<char>(byte)) : QLatin1Char('.');
  }
  return chars;
}

}  // namespace

std::optional<std::uint16_t> ParseAddressText(const std::string& text) {
  const bool hex = !text.empty() && text[0] == '$';
  const std::string_view digits = std::string_view(text).substr(hex ? 1 : 0);
  if (digits.empty()) return std::nullopt;
  unsigned value = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
  if (error != std::errc() || end != digits.data() + digits.size() || value > 0xFFFF)
    return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

MemoryPane::MemoryPane(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("memoryPane"));
  field_ = new QLineEdit(this);
  field_->setObjectName(QStringLiteral("memoryAddress"));
  field_->setPlaceholderText(tr("Go to address ($1000, 4096) or label"));
  note_ = new QLabel(this);
  note_->setStyleSheet(QStringLiteral("color: #C00000;"));
  note_->hide();

  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  view_ = new QTableWidget(kRows, kCharsColumn + 1, this);
  view_->setObjectName(QStringLiteral("memoryRows"));
  view_->setFont(fixed);
  view_->horizontalHeader()->setFont(fixed);
  view_->verticalHeader()->setFont(fixed);
  view_->setShowGrid(false);
  view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed);
  QStringList columns;
  for (int column = 0; column < 16; ++column) columns << QStringLiteral("%1").arg(column, 0, 16).toUpper();
  columns << QString();
  view_->setHorizontalHeaderLabels(columns);
  const int byteWidth = QFontMetrics(fixed).horizontalAdvance(QStringLiteral("000"));
  for (int column = 0; column < 16; ++column) view_->setColumnWidth(column, byteWidth);
  view_->horizontalHeader()->setStretchLastSection(true);
  view_->verticalHeader()->setDefaultSectionSize(QFontMetrics(fixed).height() + 2);
  view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view_->installEventFilter(this);
  view_->viewport()->installEventFilter(this);
  connect(view_, &QTableWidget::itemChanged, this, &MemoryPane::takeEdit);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(field_);
  layout->addWidget(note_);
  layout->addWidget(view_, 1);
  connect(field_, &QLineEdit::returnPressed, this, [this] { goTo(field_->text()); });
  render();
}

void MemoryPane::showMemory(const Ram* memory) {
  memory_ = memory;
  render();
}

bool MemoryPane::goTo(const QString& text) {
  const std::string typed = Bytes(text.trimmed());
  std::optional<std::uint16_t> address = ParseAddressText(typed);
  if (!address && labels_) address = labels_(typed);
  if (!address) {
    note_->setText(tr("No address or label \"%1\"").arg(text.trimmed()));
    note_->show();
    return false;
  }
  note_->hide();
  note_->clear();
  setAddress(*address);
  if (QTableWidgetItem* cell = cellOf(*address)) view_->setCurrentItem(cell);
  return true;
}

void MemoryPane::setAddress(std::uint16_t address) {
  address_ = address;
  render();
}

void MemoryPane::forgetProgram() {
  field_->clear();
  note_->hide();
  note_->clear();
}

void MemoryPane::setEditable(bool editable) {
  editable_ = editable;
  render();
}

void MemoryPane::scrollRows(int rows) { setAddress(static_cast<std::uint16_t>(address_ + rows * 16)); }

QTableWidgetItem* MemoryPane::cellOf(std::uint16_t address) const {
  const int offset = static_cast<std::uint16_t>(address - firstRowAddress());
  if (offset >= kRows * 16) return nullptr;
  return view_->item(offset / 16, offset % 16);
}

bool MemoryPane::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel) {
    const int steps = static_cast<QWheelEvent*>(event)->angleDelta().y() / 120;
    scrollRows(-3 * steps);
    return true;
  }
  if (watched == view_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_PageDown || key == Qt::Key_PageUp) {
      scrollRows(key == Qt::Key_PageDown ? kRows : -kRows);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void MemoryPane::takeEdit(QTableWidgetItem* item) {
  if (rendering_ || !memory_ || item->column() >= kCharsColumn) return;
  const auto address = static_cast<std::uint16_t>(firstRowAddress() + item->row() * 16 + item->column());
  const QString typed = item->text().trimmed().remove(QLatin1Char('$'));
  bool valid = false;
  const unsigned value = typed.toUInt(&valid, 16);
  if (!editable_ || !valid || typed.size() > 2 || value > 0xFF) {
    render();  // refused: the byte as memory has it
    return;
  }
  emit byteEdited(address, static_cast<std::uint8_t>(value));
  render();
}

void MemoryPane::render() {
  rendering_ = true;
  const std::uint16_t first = firstRowAddress();
  QStringList rowNames;
  for (int row = 0; row < kRows; ++row) {
    const auto start = static_cast<std::uint16_t>(first + row * 16);
    rowNames << QStringLiteral("%1").arg(start, 4, 16, QLatin1Char('0')).toUpper();
    for (int column = 0; column <= kCharsColumn; ++column) {
      QTableWidgetItem* cell = view_->item(row, column);
      if (!cell) {
        cell = new QTableWidgetItem;
        view_->setItem(row, column, cell);
      }
      QString text;
      if (memory_)
        text = column == kCharsColumn ? CharsOf(*memory_, start)
                                      : HexByte((*memory_)[static_cast<std::uint16_t>(start + column)]);
      cell->setText(text);
      Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
      if (editable_ && memory_ && column < kCharsColumn) flags |= Qt::ItemIsEditable;
      cell->setFlags(flags);
    }
  }
  view_->setVerticalHeaderLabels(rowNames);
  rendering_ = false;
}

QString MemoryPane::rowsText() const {
  if (!memory_) return tr("No program is being debugged.");
  QStringList rows;
  for (int row = 0; row < kRows; ++row) {
    QString text = view_->verticalHeaderItem(row)->text() + QLatin1Char(':');
    for (int column = 0; column < kCharsColumn; ++column) text += QLatin1Char(' ') + view_->item(row, column)->text();
    rows << text + QStringLiteral("  ") + view_->item(row, kCharsColumn)->text();
  }
  return rows.join(QLatin1Char('\n'));
}

QString MemoryPane::noteText() const { return note_->text(); }
