// SPDX-License-Identifier: GPL-3.0-or-later
// The height of the editor windows' message area (Status and Hints): a
// window opened later starts with the height the user last dragged the
// splitter to, kept in the settings; before any drag, the first height.
#pragma once

#include <QObject>

class QSettings;
class TfrmQV3;
class TfrmQVEdit;

class MessagePaneSize final : public QObject {
  Q_OBJECT
 public:
  // settings: where the height is kept (tests pass a scratch file).
  MessagePaneSize(TfrmQV3& frame, QSettings& settings);

  // The height remembered; 0 before the first drag.
  int rememberedHeight() const;

 private:
  void adopt(TfrmQVEdit& editor);
  void remember(const TfrmQVEdit& editor);

  TfrmQV3& frame_;
  QSettings& settings_;
};
