// SPDX-License-Identifier: GPL-3.0-or-later
// The Debug menu's "Speed" (real speed, 50 frames a second, or as fast as
// possible) and "Joystick" (which port the Screen pane's cursor keys play)
// submenus, kept in the workbench's settings.
#pragma once

#include <QObject>

#include "workbench/debugger/frame_pacer.h"

class DebugSession;
class QAction;
class QMenu;
class QSettings;
class ScreenPane;

class RunOptionsMenu : public QObject {
  Q_OBJECT
 public:
  // Adds the submenus to debugMenu; the choices go to session and screen.
  RunOptionsMenu(QMenu& debugMenu, DebugSession& session, ScreenPane& screen);

  // Takes the choices kept there, and keeps the next ones there.
  void useSettings(QSettings* settings);

  QAction* RealSpeed;
  QAction* FastestSpeed;
  QAction* NoJoystick;
  QAction* JoystickPort1;
  QAction* JoystickPort2;

 private:
  void takeSpeed();
  void takeJoystick();

  DebugSession& session_;
  ScreenPane& screen_;
  QSettings* settings_ = nullptr;
};
