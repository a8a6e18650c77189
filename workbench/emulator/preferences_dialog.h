// "Preferences": which emulator "Compile && Run" starts.
#pragma once

#include <QDialog>

#include "workbench/emulator/launch_choice.h"

class QButtonGroup;
class QLineEdit;
class QLabel;

class PreferencesDialog : public QDialog {
  Q_OBJECT
 public:
  explicit PreferencesDialog(const LaunchPreferences& preferences, QWidget* parent = nullptr);

  LaunchPreferences preferences() const;
  void setPreferences(const LaunchPreferences& preferences);

  QButtonGroup* choices() const { return choices_; }
  QLineEdit* customCommand() const { return customCommand_; }

  void accept() override;

 private:
  void updateCustomField();

  QButtonGroup* choices_;
  QLineEdit* customCommand_;
  QLabel* problem_;
};
