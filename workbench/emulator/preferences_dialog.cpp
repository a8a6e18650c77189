#include "workbench/emulator/preferences_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

PreferencesDialog::PreferencesDialog(const LaunchPreferences& preferences, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("PreferencesDialog"));
  setWindowTitle(QStringLiteral("Preferences"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("\"Compile & Run\" starts the program with:"), this));
  choices_ = new QButtonGroup(this);
  const std::pair<EmulatorChoice, QString> rows[] = {
      {EmulatorChoice::Automatic,
       QStringLiteral("The first found: xplus4, plus4emu, the built-in Plus/4")},
      {EmulatorChoice::BuiltIn, QStringLiteral("The built-in Plus/4 (VICE xplus4 in a window)")},
      {EmulatorChoice::Xplus4, QStringLiteral("VICE xplus4")},
      {EmulatorChoice::Plus4emu, QStringLiteral("plus4emu")},
      {EmulatorChoice::Custom, QStringLiteral("This command (%f is the program file):")},
  };
  for (const auto& [choice, caption] : rows) {
    auto* button = new QRadioButton(caption, this);
    choices_->addButton(button, static_cast<int>(choice));
    layout->addWidget(button);
  }
  customCommand_ = new QLineEdit(this);
  customCommand_->setPlaceholderText(QStringLiteral("xplus4 -autostart %f"));
  layout->addWidget(customCommand_);
  problem_ = new QLabel(this);
  problem_->setStyleSheet(QStringLiteral("color: #b00000"));
  layout->addWidget(problem_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &PreferencesDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &PreferencesDialog::reject);
  connect(choices_, &QButtonGroup::idClicked, this, [this] { updateCustomField(); });
  setPreferences(preferences);
}

LaunchPreferences PreferencesDialog::preferences() const {
  LaunchPreferences preferences;
  if (choices_->checkedId() >= 0) preferences.emulator = static_cast<EmulatorChoice>(choices_->checkedId());
  preferences.customCommand = customCommand_->text().trimmed();
  return preferences;
}

void PreferencesDialog::setPreferences(const LaunchPreferences& preferences) {
  if (QAbstractButton* button = choices_->button(static_cast<int>(preferences.emulator)))
    button->setChecked(true);
  customCommand_->setText(preferences.customCommand);
  updateCustomField();
}

void PreferencesDialog::updateCustomField() {
  customCommand_->setEnabled(choices_->checkedId() == static_cast<int>(EmulatorChoice::Custom));
  problem_->clear();
}

void PreferencesDialog::accept() {
  // A custom choice that cannot start anything is refused here, where it
  // can still be mended, rather than at the next "Compile && Run".
  const LaunchPreferences chosen = preferences();
  if (chosen.emulator == EmulatorChoice::Custom &&
      ExpandCustomCommand(chosen.customCommand, QStringLiteral("x.prg")).program.isEmpty()) {
    problem_->setText(QStringLiteral("The command is empty or has an unclosed quote."));
    return;
  }
  QDialog::accept();
}
