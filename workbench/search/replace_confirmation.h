// The question of a Replace run about one occurrence: "Confirm" /
// "Replace this occurrence?" with the buttons Yes, No, Abort and All, always
// in that order. A QMessageBox would arrange them by role in the order of
// the platform's style, so this box lays them out itself.
#pragma once

#include <QDialog>

#include "workbench/dialogs.h"

class QPushButton;

class ReplaceConfirmation final : public QDialog {
  Q_OBJECT
 public:
  explicit ReplaceConfirmation(QWidget* parent = nullptr);

  // The button that closed the box; No when it was closed in any other way
  // (Esc, the window's close button).
  Dialogs::ReplaceAnswer answer() const { return answer_; }

  QPushButton* yesButton;
  QPushButton* noButton;
  QPushButton* abortButton;
  QPushButton* allButton;

 private:
  QPushButton* addAnswer(const QString& caption, Dialogs::ReplaceAnswer answer);

  Dialogs::ReplaceAnswer answer_ = Dialogs::ReplaceAnswer::No;
};
