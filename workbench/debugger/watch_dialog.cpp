// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/debugger/watch_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "workbench/debugger/memory_pane.h"
#include "workbench/latin1.h"

// PAL: lines 0 to 311.
constexpr int kLastRasterLine = 311;

QString WatchText(const qv3::debugger::Watch& watch) {
  const QString address = QStringLiteral("$%1").arg(watch.Address, 4, 16, QLatin1Char('0')).toUpper();
  if (watch.OnRead && watch.OnWrite) return QObject::tr("Read or write of %1").arg(address);
  return (watch.OnWrite ? QObject::tr("Write of %1") : QObject::tr("Read of %1")).arg(address);
}

WatchDialog::WatchDialog(DebugSession& session, LabelLookup labels, QWidget* parent)
    : QDialog(parent), session_(session), labels_(std::move(labels)) {
  setObjectName(QStringLiteral("watchDialog"));
  setWindowTitle(tr("Data Breakpoints"));
  address_ = new QLineEdit(this);
  address_->setPlaceholderText(tr("$FF19, 65305 or a label"));
  onRead_ = new QCheckBox(tr("&Read"), this);
  onWrite_ = new QCheckBox(tr("&Write"), this);
  onWrite_->setChecked(true);
  auto* add = new QPushButton(tr("&Add"), this);
  note_ = new QLabel(this);
  note_->setStyleSheet(QStringLiteral("color: #C00000;"));
  list_ = new QListWidget(this);
  auto* remove = new QPushButton(tr("Re&move"), this);
  rasterOn_ = new QCheckBox(tr("Stop at raster &line"), this);
  rasterLine_ = new QSpinBox(this);
  rasterLine_->setRange(0, kLastRasterLine);
  const std::optional<int> raster = session_.rasterBreak();
  rasterOn_->setChecked(raster.has_value());
  rasterLine_->setValue(raster.value_or(0));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);

  auto* entry = new QHBoxLayout;
  entry->addWidget(new QLabel(tr("Address:"), this));
  entry->addWidget(address_, 1);
  entry->addWidget(onRead_);
  entry->addWidget(onWrite_);
  entry->addWidget(add);
  auto* rasterRow = new QHBoxLayout;
  rasterRow->addWidget(rasterOn_);
  rasterRow->addWidget(rasterLine_);
  rasterRow->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(entry);
  layout->addWidget(note_);
  layout->addWidget(list_, 1);
  layout->addWidget(remove, 0, Qt::AlignRight);
  layout->addLayout(rasterRow);
  rasterNote_ = new QLabel(tr("The raster line needs the Plus/4 machine model."), this);
  rasterNote_->setObjectName(QStringLiteral("rasterNote"));
  layout->addWidget(rasterNote_);
  layout->addWidget(buttons);

  connect(add, &QPushButton::clicked, this, &WatchDialog::addFromFields);
  connect(address_, &QLineEdit::returnPressed, this, &WatchDialog::addFromFields);
  connect(remove, &QPushButton::clicked, this, &WatchDialog::removeSelected);
  connect(rasterOn_, &QCheckBox::toggled, this, &WatchDialog::takeRaster);
  connect(rasterLine_, &QSpinBox::valueChanged, this, &WatchDialog::takeRaster);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
  showWatches();
}

void WatchDialog::setRasterAvailable(bool available) { rasterNote_->setVisible(!available); }

bool WatchDialog::rasterNoteShown() const { return rasterNote_->isVisibleTo(this); }

bool WatchDialog::addFromFields() {
  const std::string typed = Bytes(address_->text().trimmed());
  std::optional<std::uint16_t> address = ParseAddressText(typed);
  if (!address && labels_) address = labels_(typed);
  if (!address) {
    note_->setText(tr("No address or label \"%1\"").arg(address_->text().trimmed()));
    return false;
  }
  if (!onRead_->isChecked() && !onWrite_->isChecked()) {
    note_->setText(tr("Tick Read, Write or both."));
    return false;
  }
  note_->clear();
  std::vector<qv3::debugger::Watch> watches = session_.watches();
  // One entry an address: adding again changes what it watches.
  std::erase_if(watches, [&](const qv3::debugger::Watch& w) { return w.Address == *address; });
  watches.push_back({*address, onRead_->isChecked(), onWrite_->isChecked()});
  std::sort(watches.begin(), watches.end(),
            [](const qv3::debugger::Watch& a, const qv3::debugger::Watch& b) { return a.Address < b.Address; });
  session_.setWatches(watches);
  address_->clear();
  showWatches();
  return true;
}

void WatchDialog::removeSelected() {
  const int row = list_->currentRow();
  std::vector<qv3::debugger::Watch> watches = session_.watches();
  if (row < 0 || row >= static_cast<int>(watches.size())) return;
  watches.erase(watches.begin() + row);
  session_.setWatches(watches);
  showWatches();
}

void WatchDialog::takeRaster() {
  session_.setRasterBreak(rasterOn_->isChecked() ? std::optional<int>(rasterLine_->value()) : std::nullopt);
}

void WatchDialog::showWatches() {
  list_->clear();
  for (const qv3::debugger::Watch& watch : session_.watches()) list_->addItem(WatchText(watch));
}

QString WatchDialog::noteText() const { return note_->text(); }
