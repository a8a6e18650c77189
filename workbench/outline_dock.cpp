#include "workbench/outline_dock.h"

#include <QListWidget>
#include <QScrollBar>
#include <algorithm>

#include "engine/compile_knowledge.h"
#include "engine/source_text.h"
#include "workbench/latin1.h"

OutlineDock::OutlineDock(QWidget* parent) : QDockWidget(QStringLiteral("Outline"), parent) {
  setObjectName(QStringLiteral("outlineDock"));
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("outlineList"));
  setWidget(list_);
  connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (const int line = lineOfRow(list_->row(item)); line > 0) emit lineChosen(line);
  });
}

void OutlineDock::showModule(const qv3::ModuleKnowledge* module) {
  // Edits rebuild the list: the row and the scroll position stay put.
  const int keptRow = list_->currentRow();
  const int keptScroll = list_->verticalScrollBar()->value();
  list_->clear();
  lines_.clear();
  if (!module) return;
  // Definition order is not source order when an INCLUDE comes between.
  std::vector<const qv3::SymbolDefinition*> definitions;
  for (const qv3::SymbolDefinition& definition : module->Definitions) definitions.push_back(&definition);
  std::stable_sort(definitions.begin(), definitions.end(),
                   [](const auto* a, const auto* b) { return a->Where.Line < b->Where.Line; });
  for (const qv3::SymbolDefinition* definition : definitions) {
    std::string text = definition->Name;
    text += definition->Kind == qv3::SymbolKind::Label ? ":  " : " = ";
    if (definition->HasValue) text += "$" + qv3::HexText(definition->Value);
    auto* item = new QListWidgetItem(Latin1(text), list_);
    item->setToolTip(QStringLiteral("%1, line %2%3")
                         .arg(definition->Kind == qv3::SymbolKind::Label ? QStringLiteral("label")
                                                                         : QStringLiteral("constant"))
                         .arg(definition->Where.Line)
                         .arg(definition->Where.FromInclude ? QStringLiteral(" (included)") : QString()));
    lines_.push_back(definition->Where.Line);
  }
  if (keptRow >= 0 && keptRow < list_->count()) list_->setCurrentRow(keptRow);
  list_->verticalScrollBar()->setValue(keptScroll);
}

int OutlineDock::lineOfRow(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= lines_.size()) return 0;
  return lines_[static_cast<std::size_t>(row)];
}
