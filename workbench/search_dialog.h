// TfrmSearch: "Search / replace parameters", kept for the program's lifetime.
#pragma once

#include <QDialog>

class TfrmSearch : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmSearch(QWidget* parent = nullptr);
};
