// The dockable list of the places Find References found; a click selects
// the place in its module's window.
#pragma once

#include <QDockWidget>
#include <vector>

#include "workbench/editor/symbol_navigation.h"

class QListWidget;

class ReferencesPane : public QDockWidget {
  Q_OBJECT
 public:
  explicit ReferencesPane(QWidget* parent = nullptr);

  // One row per place: the place and the text to show for it.
  struct Row {
    SourcePlace Place;
    QString Text;
  };
  void showReferences(const QString& title, const std::vector<Row>& rows);
  QListWidget* list() const { return list_; }
  const SourcePlace* placeOfRow(int row) const;

 signals:
  void placeChosen(const SourcePlace& place);

 private:
  QListWidget* list_;
  std::vector<SourcePlace> places_;
};
