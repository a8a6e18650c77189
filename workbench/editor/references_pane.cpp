#include "workbench/editor/references_pane.h"

#include <QListWidget>

ReferencesPane::ReferencesPane(QWidget* parent) : QDockWidget(QStringLiteral("References"), parent) {
  setObjectName(QStringLiteral("referencesPane"));
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("referencesList"));
  setWidget(list_);
  connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (const SourcePlace* place = placeOfRow(list_->row(item))) emit placeChosen(*place);
  });
}

void ReferencesPane::showReferences(const QString& title, const std::vector<Row>& rows) {
  setWindowTitle(title);
  list_->clear();
  places_.clear();
  for (const Row& row : rows) {
    list_->addItem(row.Text);
    places_.push_back(row.Place);
  }
}

const SourcePlace* ReferencesPane::placeOfRow(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= places_.size()) return nullptr;
  return &places_[static_cast<std::size_t>(row)];
}
