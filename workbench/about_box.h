// TfrmAbout: the program's name and version, closed with "Got it".
#pragma once

#include <QDialog>

class QPushButton;

class TfrmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAbout(QWidget* parent = nullptr);

  QPushButton* btnGotIt;
};
