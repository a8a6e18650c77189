#include "workbench/dialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

#include "workbench/search/replace_confirmation.h"

namespace {

// odFile and sdFile: "6502 assembly files|*.qv3", default extension qv3.
const QString kSourceFilter = QStringLiteral("6502 assembly files (*.qv3)");
const QString kSourceSuffix = QStringLiteral("qv3");

std::optional<QString> RunFileDialog(QFileDialog& dialog, const QString& startFolder,
                                     const QString& proposed) {
  dialog.setNameFilter(kSourceFilter);
  dialog.setDefaultSuffix(kSourceSuffix);
  if (!startFolder.isEmpty()) dialog.setDirectory(startFolder);
  if (!proposed.isEmpty()) dialog.selectFile(proposed);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.front();
}

}  // namespace

void QtDialogs::showMessage(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok,
                  parent_);
  box.exec();
}

void QtDialogs::showInfo(const QString& text) {
  QMessageBox::information(parent_, QStringLiteral("Info"), text);
}

void QtDialogs::showError(const QString& text) {
  QMessageBox::critical(parent_, QCoreApplication::applicationName(), text);
}

namespace {
bool AskYesNo(QWidget* parent, const QString& caption, const QString& text,
              QMessageBox::StandardButton defaultButton) {
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(defaultButton);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}
}  // namespace

bool QtDialogs::askYesNo(const QString& caption, const QString& text) {
  return AskYesNo(parent_, caption, text, QMessageBox::Yes);
}

bool QtDialogs::askYesNoDefaultNo(const QString& caption, const QString& text) {
  return AskYesNo(parent_, caption, text, QMessageBox::No);
}

std::optional<int> QtDialogs::askLineNumber(int current, int lineCount) {
  bool accepted = false;
  const int line = QInputDialog::getInt(parent_, QStringLiteral("Go to Line"),
                                        QStringLiteral("Line (1-%1):").arg(lineCount), current, 1,
                                        std::max(1, lineCount), 1, &accepted);
  if (!accepted) return std::nullopt;
  return line;
}

std::optional<QString> QtDialogs::askText(const QString& caption, const QString& label, const QString& proposed) {
  bool accepted = false;
  const QString text = QInputDialog::getText(parent_, caption, label, QLineEdit::Normal, proposed, &accepted);
  if (!accepted) return std::nullopt;
  return text;
}

Dialogs::ReplaceAnswer QtDialogs::askReplace() {
  ReplaceConfirmation box(parent_);
  box.exec();
  return box.answer();
}

bool QtDialogs::askReloadChangedFile(const QString& path) {
  QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(),
                  path + QStringLiteral(" has been changed by another program.\n\n"
                                        "Reload it and lose the changes made in the editor, "
                                        "or keep the editor's text?"),
                  QMessageBox::NoButton, parent_);
  QPushButton* reload = box.addButton(QStringLiteral("&Reload"), QMessageBox::DestructiveRole);
  QPushButton* keep = box.addButton(QStringLiteral("&Keep"), QMessageBox::RejectRole);
  // Losing edits takes a deliberate choice: Enter and Esc keep them.
  box.setDefaultButton(keep);
  box.setEscapeButton(keep);
  box.exec();
  return box.clickedButton() == reload;
}

std::optional<QString> QtDialogs::openFileName(const QString& proposed) {
  QFileDialog dialog(parent_, QStringLiteral("Open"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // A typed name of a file that does not exist is accepted; the caller then
  // opens nothing.
  dialog.setFileMode(QFileDialog::AnyFile);
  auto chosen = RunFileDialog(dialog, startFolder_, proposed.isEmpty() ? lastOpened_ : proposed);
  if (chosen) lastOpened_ = *chosen;
  return chosen;
}

std::optional<QString> QtDialogs::saveFileName(const QString& proposed) {
  QFileDialog dialog(parent_, QStringLiteral("Save As"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  return RunFileDialog(dialog, startFolder_, proposed);
}
