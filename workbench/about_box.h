// TfrmAbout: the program's name and version, closed with "Got it"; a licence
// line whose "Licence and credits..." link shows the credits in a box of
// their own, since the About box keeps its small fixed size.
#pragma once

#include <QDialog>

class QLabel;
class QMessageBox;
class QPushButton;

class TfrmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAbout(QWidget* parent = nullptr);

  // The credits, one paragraph per line of kLicenceAndCredits.
  static QString licenceAndCreditsText();
  // Opens the credits box (window-modal to the About box; it does not block).
  void showLicenceAndCredits();

  QPushButton* btnGotIt;
  QLabel* lbLicence;
  QMessageBox* credits() const { return credits_; }

 private:
  QMessageBox* credits_ = nullptr;
};
