// TfrmSearch: "Search / replace parameters". One instance lives as long as
// the program, so its texts, options and histories carry over from one
// search to the next (nothing of it is stored on disk).
#pragma once

#include <QDialog>
#include <string>

#include "workbench/search/search_engine.h"

class QCheckBox;
class QComboBox;
class QPushButton;

class TfrmSearch : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmSearch(QWidget* parent = nullptr);

  // Presets "Replace with:", shows the dialog modally and gives the search
  // term when it was closed with OK, else the empty text.
  std::string AskSearchParameters(bool replace);
  // What a run reads from the dialog as it stands.
  qv3::SearchParameters parameters() const;

  QComboBox* const cbTerm;
  QCheckBox* const cbSkipComm;
  QCheckBox* const cbNeedRepl;
  QComboBox* const cbRepl;
  QPushButton* const btnOK;
  QPushButton* const BitBtn2;

  void setVisible(bool visible) override;

 protected:
  // The modal loop; tests replace it so that nothing blocks.
  virtual int runModal();
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void cbNeedReplClick();
  void UpdateReplaceBox();
  void btnOKClick();
};
