#include "workbench/editor/outline_dock.h"

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
  list_->setUniformItemSizes(true);
  setWidget(list_);
  connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (const int line = lineOfRow(list_->row(item)); line > 0) emit lineChosen(line);
  });
}

void OutlineDock::showModule(const qv3::ModuleKnowledge* module) {
  std::vector<Entry> entries;
  if (module) {
    entries.reserve(module->Definitions.size());
    for (const qv3::SymbolDefinition& definition : module->Definitions) {
      std::string text = definition.Name;
      text += definition.Kind == qv3::SymbolKind::Label ? ":  " : " = ";
      if (definition.HasValue) text += "$" + qv3::HexText(definition.Value);
      entries.push_back({std::move(text), definition.Where.Line, definition.Kind == qv3::SymbolKind::Label,
                         definition.Where.FromInclude});
    }
    for (const qv3::MacroInfo& macro : module->Macros) {
      std::string text = "MACRO " + macro.Name;
      for (std::size_t i = 0; i < macro.Parameters.size(); ++i)
        text += (i == 0 ? " " : ", ") + macro.Parameters[i];
      entries.push_back({std::move(text), macro.Where.Line, false, false});
    }
    // Definition order is not source order when an INCLUDE comes between.
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.Line < b.Line; });
  }
  // Most edits change no definition: the list (and its scroll position and
  // current row) then stays as it is.
  if (entries == entries_) return;
  entries_ = std::move(entries);

  const int keptRow = list_->currentRow();
  const int keptScroll = list_->verticalScrollBar()->value();
  list_->setUpdatesEnabled(false);
  list_->clear();
  for (const Entry& entry : entries_) {
    auto* item = new QListWidgetItem(Latin1(entry.Text), list_);
    item->setToolTip(QStringLiteral("%1, line %2%3")
                         .arg(entry.IsLabel                          ? QStringLiteral("label")
                              : entry.Text.starts_with("MACRO ") ? QStringLiteral("macro")
                                                                 : QStringLiteral("constant"))
                         .arg(entry.Line)
                         .arg(entry.FromInclude ? QStringLiteral(" (included)") : QString()));
  }
  if (keptRow >= 0 && keptRow < list_->count()) list_->setCurrentRow(keptRow);
  list_->verticalScrollBar()->setValue(keptScroll);
  list_->setUpdatesEnabled(true);
}

int OutlineDock::lineOfRow(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= entries_.size()) return 0;
  return entries_[static_cast<std::size_t>(row)].Line;
}
