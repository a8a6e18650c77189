#include "workbench/debugger/memory_pane.h"

#include <QEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <charconv>
#include <cstdio>

#include "workbench/latin1.h"

namespace {

std::string RowText(const MemoryPane::Ram& memory, std::uint16_t start) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex, chars;
  for (int offset = 0; offset < 16; ++offset) {
    const std::uint8_t byte = memory[static_cast<std::uint16_t>(start + offset)];
    hex += ' ';
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
    chars += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
  }
  char address[8];
  std::snprintf(address, sizeof address, "%04X:", start);
  return address + hex + "  " + chars;
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
  view_ = new QPlainTextEdit(this);
  view_->setObjectName(QStringLiteral("memoryRows"));
  view_->setReadOnly(true);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view_->installEventFilter(this);
  view_->viewport()->installEventFilter(this);

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
  return true;
}

void MemoryPane::setAddress(std::uint16_t address) {
  address_ = address;
  render();
}

void MemoryPane::scrollRows(int rows) {
  setAddress(static_cast<std::uint16_t>(address_ + rows * 16));
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

void MemoryPane::render() {
  if (!memory_) {
    view_->setPlainText(tr("No program is being debugged."));
    return;
  }
  std::string text;
  for (int row = 0; row < kRows; ++row) {
    if (row) text += '\n';
    text += RowText(*memory_, static_cast<std::uint16_t>(address_ + row * 16));
  }
  view_->setPlainText(Latin1(text));
}

QString MemoryPane::rowsText() const { return view_->toPlainText(); }
QString MemoryPane::noteText() const { return note_->text(); }
