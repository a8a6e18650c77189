// SPDX-License-Identifier: GPL-3.0-or-later
// Debug > Data Breakpoints: the addresses whose reads or writes stop the
// program ("who writes $FF19?") and the raster line at which it stops. They
// take effect at once and last until changed, across runs.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "workbench/debugger/debug_session.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;

class WatchDialog : public QDialog {
  Q_OBJECT
 public:
  using LabelLookup = std::function<std::optional<std::uint16_t>(const std::string& name)>;
  WatchDialog(DebugSession& session, LabelLookup labels, QWidget* parent = nullptr);

  // What the Add button does with the fields; false (and a note) when the
  // address is neither a number nor a label or neither box is ticked.
  bool addFromFields();
  // Whether the machine in use has a raster line; without one the dialog
  // says that the raster line needs the Plus/4 model.
  void setRasterAvailable(bool available);
  bool rasterNoteShown() const;
  void removeSelected();
  QLineEdit* addressField() const { return address_; }
  QCheckBox* readBox() const { return onRead_; }
  QCheckBox* writeBox() const { return onWrite_; }
  QCheckBox* rasterBox() const { return rasterOn_; }
  QSpinBox* rasterLine() const { return rasterLine_; }
  QListWidget* list() const { return list_; }
  QString noteText() const;

 private:
  void showWatches();
  void takeRaster();

  DebugSession& session_;
  LabelLookup labels_;
  QLineEdit* address_;
  QCheckBox* onRead_;
  QCheckBox* onWrite_;
  QLabel* note_;
  QListWidget* list_;
  QCheckBox* rasterOn_;
  QSpinBox* rasterLine_;
  QLabel* rasterNote_;
};

// "Write of $FF19", "Read of $FF19", "Read or write of $FF19".
QString WatchText(const qv3::debugger::Watch& watch);
