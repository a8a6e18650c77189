#include "workbench/emulator/web_machine.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

#include "workbench/emulator/emulator_startup.h"
#include "workbench/emulator/machine_scheme_handler.h"
#include "workbench/emulator/web_environment.h"

WebMachine::WebMachine(QWidget* windowParent, QStringList searchRoots)
    : windowParent_(windowParent), roots_(std::move(searchRoots)) {}

WebMachine::~WebMachine() {
  delete windowMenuItem_.data();
  delete window_.data();
}

void WebMachine::listInWindowMenu() {
  // The main window's Window menu lists the machine beside the editors; it
  // is found by its name so the main window needs to know nothing of it.
  if (windowMenuItem_ || !windowParent_) return;
  QMenu* menu = windowParent_->findChild<QMenu*>(QStringLiteral("Window1"));
  if (!menu) return;
  windowMenuItem_ = new QAction(QStringLiteral("&Plus/4"), menu);
  windowMenuItem_->setObjectName(QStringLiteral("Plus4Window1"));
  // Before the list of editors the menu makes anew each time it opens.
  QAction* before = nullptr;
  const QList<QAction*> items = menu->actions();
  for (int i = 0; i < items.size(); ++i)
    if (items[i]->objectName() == QLatin1String("Cascade1") && i + 1 < items.size()) before = items[i + 1];
  menu->insertAction(before, windowMenuItem_);
  QObject::connect(windowMenuItem_, &QAction::triggered, windowMenuItem_, [this] { bringUp(); });
}

void WebMachine::bringUp() {
  if (!window_) return;
  window_->showNormal();
  window_->raise();
  window_->activateWindow();
}

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
    // No parent: a child window would be the main window's transient, kept
    // above it and minimised with it. This object deletes it.
    window_ = new Plus4Window(*files);
    // Closing the main window still ends the program.
    window_->setAttribute(Qt::WA_QuitOnClose, false);
    if (startSeconds_ > 0) window_->setStartTimeLimit(startSeconds_);
    placeBesideEditors(*window_);
    listInWindowMenu();
    if (windowMenuItem_) {
      windowMenuItem_->setVisible(true);
      QObject::connect(window_, &QObject::destroyed, windowMenuItem_,
                       [item = windowMenuItem_] { if (item) item->setVisible(false); });
    }
    QObject::connect(window_, &Plus4Window::failed, window_, [this](const QString& message) {
      if (report_) report_(QStringLiteral("Plus/4: %1").arg(message));
    });
  }
  const QString name = QFileInfo(programPath).fileName();
  QFile file(programPath);
  // Anything longer than the memory is not a program; do not read it all.
  QByteArray bytes;
  if (file.open(QIODevice::ReadOnly)) bytes = file.read(65536 + 3);
  window_->runProgram(bytes, name, debugLabels);
  bringUp();
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
