// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/debugger/debug_layout.h"

#include <QDockWidget>
#include <QEvent>
#include <QMainWindow>
#include <QSettings>
#include <algorithm>

namespace {
const QString kLayoutKey = QStringLiteral("debugger/layout");
// Layouts of another arrangement of panes are not taken.
constexpr int kLayoutVersion = 1;
}  // namespace

DebugLayout::DebugLayout(QMainWindow& main, std::vector<QDockWidget*> panes, std::function<void()> placeDefault)
    : main_(main), panes_(std::move(panes)), placeDefault_(std::move(placeDefault)) {
  main_.installEventFilter(this);
}

bool DebugLayout::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &main_ && event->type() == QEvent::Close && open_) remember();
  return QObject::eventFilter(watched, event);
}

void DebugLayout::remember() {
  remembered_ = main_.saveState(kLayoutVersion);
  if (settings_) settings_->setValue(kLayoutKey, remembered_);
}

void DebugLayout::useSettings(QSettings* settings) {
  settings_ = settings;
  if (settings_) remembered_ = settings_->value(kLayoutKey).toByteArray();
}

bool DebugLayout::isPane(const QDockWidget* dock) const {
  return std::find(panes_.begin(), panes_.end(), dock) != panes_.end();
}

void DebugLayout::hideOtherDocks() {
  // Another file's references or outline have nothing to do with the
  // program being debugged; they come back when the session ends.
  for (QDockWidget* dock : main_.findChildren<QDockWidget*>(QString(), Qt::FindDirectChildrenOnly))
    if (!isPane(dock)) dock->hide();
}

void DebugLayout::open() {
  if (open_) return;
  open_ = true;
  before_ = main_.saveState(kLayoutVersion);
  hideOtherDocks();
  if (!remembered_.isEmpty() && main_.restoreState(remembered_, kLayoutVersion)) {
    hideOtherDocks();  // the remembered layout knows nothing of them
    // A pane closed in the last session stays closed ("Panes" brings it
    // back), but never all of them: then nothing would show the program.
    if (std::none_of(panes_.begin(), panes_.end(), [](QDockWidget* dock) { return dock->isVisible(); }))
      for (QDockWidget* dock : panes_) dock->show();
    return;
  }
  for (QDockWidget* dock : panes_) dock->show();
  placeDefault_();
}

void DebugLayout::close() {
  if (!open_) return;
  open_ = false;
  // Only the panes belong to the debug layout, not a dock opened meanwhile.
  hideOtherDocks();
  remember();
  for (QDockWidget* dock : panes_) dock->hide();
  main_.restoreState(before_, kLayoutVersion);
  before_.clear();
}

void DebugLayout::reset() {
  remembered_.clear();
  if (settings_) settings_->remove(kLayoutKey);
  if (!open_) return;
  for (QDockWidget* dock : panes_) {
    dock->setFloating(false);
    dock->show();
  }
  placeDefault_();
}
