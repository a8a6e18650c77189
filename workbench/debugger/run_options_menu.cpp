// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/debugger/run_options_menu.h"

#include <QActionGroup>
#include <QMenu>
#include <QSettings>

#include "workbench/debugger/debug_session.h"
#include "workbench/debugger/screen_pane.h"

namespace {

const QString kSpeedKey = QStringLiteral("debugger/realSpeed");
const QString kJoystickKey = QStringLiteral("debugger/joystickPort");

QAction* AddChoice(QMenu* menu, QActionGroup* group, const char* name, const QString& caption) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(QString::fromLatin1(name));
  item->setCheckable(true);
  group->addAction(item);
  return item;
}

}  // namespace

RunOptionsMenu::RunOptionsMenu(QMenu& debugMenu, DebugSession& session, ScreenPane& screen)
    : QObject(&debugMenu), session_(session), screen_(screen) {
  QMenu* speed = debugMenu.addMenu(tr("Sp&eed"));
  speed->setObjectName(QStringLiteral("DebugSpeed"));
  auto* speeds = new QActionGroup(speed);
  RealSpeed = AddChoice(speed, speeds, "RealSpeed", tr("&Real Speed (50 Frames a Second)"));
  FastestSpeed = AddChoice(speed, speeds, "FastestSpeed", tr("As &Fast as Possible"));
  RealSpeed->setChecked(session_.runSpeed() == qv3::debugger::RunSpeed::Real);
  FastestSpeed->setChecked(!RealSpeed->isChecked());
  connect(speeds, &QActionGroup::triggered, this, &RunOptionsMenu::takeSpeed);

  QMenu* joystick = debugMenu.addMenu(tr("&Joystick"));
  joystick->setObjectName(QStringLiteral("DebugJoystick"));
  joystick->setToolTipsVisible(true);
  auto* ports = new QActionGroup(joystick);
  NoJoystick = AddChoice(joystick, ports, "NoJoystick", tr("&None (Cursor Keys Are Keys)"));
  JoystickPort1 = AddChoice(joystick, ports, "JoystickPort1", tr("Port &1"));
  JoystickPort2 = AddChoice(joystick, ports, "JoystickPort2", tr("Port &2"));
  for (QAction* port : {JoystickPort1, JoystickPort2})
    port->setToolTip(tr("In the Screen pane the cursor keys and the keypad move the joystick; Space and Ctrl fire"));
  NoJoystick->setChecked(true);
  connect(ports, &QActionGroup::triggered, this, &RunOptionsMenu::takeJoystick);
}

void RunOptionsMenu::useSettings(QSettings* settings) {
  settings_ = settings;
  if (!settings_) return;
  const bool real = settings_->value(kSpeedKey, true).toBool();
  (real ? RealSpeed : FastestSpeed)->setChecked(true);
  const int port = settings_->value(kJoystickKey, 0).toInt();
  (port == 1 ? JoystickPort1 : port == 2 ? JoystickPort2 : NoJoystick)->setChecked(true);
  takeSpeed();
  takeJoystick();
}

void RunOptionsMenu::takeSpeed() {
  const bool real = RealSpeed->isChecked();
  session_.setRunSpeed(real ? qv3::debugger::RunSpeed::Real : qv3::debugger::RunSpeed::Fastest);
  if (settings_) settings_->setValue(kSpeedKey, real);
}

void RunOptionsMenu::takeJoystick() {
  const int port = JoystickPort1->isChecked() ? 1 : JoystickPort2->isChecked() ? 2 : 0;
  screen_.setJoystickPort(port);
  if (settings_) settings_->setValue(kJoystickKey, port);
}
