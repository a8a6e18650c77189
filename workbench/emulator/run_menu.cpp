#include "workbench/emulator/run_menu.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QSettings>

#include "workbench/editor_window.h"
#include "workbench/emulator/launch_settings.h"
#include "workbench/emulator/preferences_dialog.h"
#include "workbench/workbench_windows.h"

void AddToStatusList(TfrmQV3& mainWindow, const QString& line) {
  if (TfrmQVEdit* editor = mainWindow.activeEditor()) editor->lbMessy->addItem(line);
}

RunWiring::RunWiring(TfrmQV3& mainWindow, std::unique_ptr<BuiltInMachine> machine)
    : mainWindow_(mainWindow), machine_(std::move(machine)), settings_(NewWorkbenchSettings()) {
  if (machine_) machine_->setStatusReporter([this](const QString& line) { AddToStatusList(mainWindow_, line); });
  launcher_ = std::make_unique<WorkbenchLauncher>(
      machine_.get(), [this] { return LoadLaunchPreferences(*settings_); });
  mainWindow_.setLauncher(launcher_.get());
  mainWindow_.Compile1->addSeparator();
  preferencesItem_ = mainWindow_.Compile1->addAction(QStringLiteral("&Preferences..."));
  preferencesItem_->setObjectName(QStringLiteral("RunPreferences1"));
  QObject::connect(preferencesItem_, &QAction::triggered, &mainWindow_, [this] {
    PreferencesDialog dialog(LoadLaunchPreferences(*settings_), &mainWindow_);
    if (dialog.exec() == QDialog::Accepted) SaveLaunchPreferences(*settings_, dialog.preferences());
  });
}

RunWiring::~RunWiring() {
  mainWindow_.setLauncher(nullptr);
  delete preferencesItem_;
}
