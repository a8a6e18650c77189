#include "workbench/emulator/web_machine.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include "workbench/emulator/emulator_startup.h"
#include "workbench/emulator/machine_scheme_handler.h"
#include "workbench/emulator/web_environment.h"

WebMachine::WebMachine(QWidget* windowParent, QStringList searchRoots)
    : windowParent_(windowParent), roots_(std::move(searchRoots)) {}

WebMachine::~WebMachine() { delete window_.data(); }

QString WebMachine::missingParts() const {
  return FindEmulatorFiles(roots_) ? QString() : MissingEmulatorFilesText(roots_);
}

void WebMachine::placeBesideEditors(QWidget& window) const {
  // At the right edge of the screen the workbench is on, so the editors
  // (usually maximised) keep their left part in view.
  const QScreen* screen = windowParent_ ? windowParent_->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect room = screen->availableGeometry();
  window.move(room.right() - window.frameGeometry().width() - 8, room.top() + 40);
}

void WebMachine::runProgram(const QString& programPath, const QString& debugLabels) {
  const std::optional<EmulatorFiles> files = FindEmulatorFiles(roots_);
  if (!files) return;
  if (!window_) {
    window_ = new Plus4Window(*files, windowParent_);
    placeBesideEditors(*window_);
  }
  const QString name = QFileInfo(programPath).fileName();
  QFile file(programPath);
  // Anything longer than the memory is not a program; do not read it all.
  QByteArray bytes;
  if (file.open(QIODevice::ReadOnly)) bytes = file.read(65536 + 3);
  window_->runProgram(bytes, name, debugLabels);
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void PrepareEmulatorEnvironment() {
  PrepareWebEngineEnvironment();
  RegisterMachineScheme();
  // Qt WebEngine draws with OpenGL contexts shared with the application's.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

std::unique_ptr<BuiltInMachine> CreateBuiltInMachine(QWidget* windowParent) {
  return std::make_unique<WebMachine>(windowParent);
}
