// TfrmProcess: the progress window the module driver shows while it
// assembles ("Compiling..."). Not modal; it stays open after a failed compile
// until the user closes it.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class TfrmProcess : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmProcess(QWidget* parent = nullptr);

  QLabel* lbWhat;      // the activity text
  QLabel* lbProgress;  // the line counter
  QPushButton* BitBtn1;

  void setVisible(bool visible) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private slots:
  void BitBtn1Click();
};
