#include "workbench/message_panes.h"

#include <QListWidget>
#include <QTabWidget>
#include <QVariant>

#include "engine/session.h"
#include "workbench/editor_window.h"
#include "workbench/latin1.h"

Q_DECLARE_METATYPE(qv3::TErrorInfo)

namespace {
void Fill(QListWidget& list, const qv3::MessageList& lines) {
  list.setUpdatesEnabled(false);
  for (const auto& line : lines.Lines()) {
    auto* item = new QListWidgetItem(Latin1(line.Text));
    if (line.Info) item->setData(Qt::UserRole, QVariant::fromValue(*line.Info));
    list.addItem(item);  // the list owns its items
  }
  list.setUpdatesEnabled(true);
}
}  // namespace

void ClearMessages(TfrmQVEdit& editor) {
  editor.lbMessy->clear();
  editor.lbMessy2->clear();
}

void ShowMessageLines(TfrmQVEdit& editor, const qv3::CompileSession& session) {
  ClearMessages(editor);
  Fill(*editor.lbMessy, session.StatusList);
  Fill(*editor.lbMessy2, session.HintList);
}

void ShowCompileVerdict(TfrmQVEdit& editor) {
  QListWidget& status = *editor.lbMessy;
  const int errorsTab = editor.pcErrors->indexOf(editor.tsErrors);
  const int hintsTab = editor.pcErrors->indexOf(editor.tsHints);
  editor.pcErrors->setTabText(errorsTab, QStringLiteral("Status (%1)").arg(status.count()));
  editor.pcErrors->setTabText(hintsTab, QStringLiteral("Hints (%1)").arg(editor.lbMessy2->count()));
  if (status.count() > 3) {
    status.scrollToItem(status.item(status.count() - 3), QAbstractItemView::PositionAtTop);
    status.setCurrentRow(status.count() - 1);
  }
}

std::optional<qv3::TErrorInfo> ErrorInfoOf(const QListWidgetItem& item) {
  const QVariant data = item.data(Qt::UserRole);
  if (!data.canConvert<qv3::TErrorInfo>()) return std::nullopt;
  return data.value<qv3::TErrorInfo>();
}
