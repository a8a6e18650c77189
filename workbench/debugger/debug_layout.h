// SPDX-License-Identifier: GPL-3.0-or-later
// Where the debugger's panes stand in the main window while a session is
// open: as the user left them in the last session (kept in the settings),
// else in the default arrangement. The main window's other docks (References,
// Outline) step aside while the panes are shown and come back with the
// layout the main window had before.
#pragma once

#include <QByteArray>
#include <QObject>
#include <functional>
#include <vector>

class QDockWidget;
class QMainWindow;
class QSettings;

class DebugLayout final : public QObject {
 public:
  // placeDefault puts the panes (all shown) into the default arrangement.
  DebugLayout(QMainWindow& main, std::vector<QDockWidget*> panes, std::function<void()> placeDefault);

  // Takes the arrangement kept there, and keeps the next one there.
  void useSettings(QSettings* settings);
  // Shows the panes: the user's arrangement or the default one.
  void open();
  // Remembers the arrangement, hides the panes and puts the main window's
  // layout back.
  void close();
  // The default arrangement now (when open), and forgets the user's.
  void reset();
  bool isOpen() const { return open_; }
  // The user's arrangement (empty: none yet).
  QByteArray remembered() const { return remembered_; }

 protected:
  // The main window closing with the panes open (the program quits in a
  // session) keeps their arrangement too.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool isPane(const QDockWidget* dock) const;
  void hideOtherDocks();
  void remember();

  QMainWindow& main_;
  std::vector<QDockWidget*> panes_;
  std::function<void()> placeDefault_;
  QSettings* settings_ = nullptr;
  QByteArray before_;      // the main window's layout before the panes opened
  QByteArray remembered_;  // the panes as the user left them
  bool open_ = false;
};
