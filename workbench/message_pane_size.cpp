// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/message_pane_size.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <algorithm>

#include "workbench/editor_window.h"
#include "workbench/process_window.h"  // before main_window.h: its QPointer needs the class
#include "workbench/main_window.h"

namespace {
const QString kHeightKey = QStringLiteral("editor/messageAreaHeight");
const char* const kAdopted = "qv3MessageHeightAdopted";
}  // namespace

MessagePaneSize::MessagePaneSize(TfrmQV3& frame, QSettings& settings)
    : QObject(&frame), frame_(frame), settings_(settings) {
  // Every new editor window is activated when it opens.
  connect(frame_.mdiArea(), &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
    if (auto* editor = sub ? qobject_cast<TfrmQVEdit*>(sub->widget()) : nullptr) adopt(*editor);
  });
  for (TfrmQVEdit* editor : frame_.editors()) adopt(*editor);
}

int MessagePaneSize::rememberedHeight() const { return settings_.value(kHeightKey, 0).toInt(); }

void MessagePaneSize::adopt(TfrmQVEdit& editor) {
  if (editor.property(kAdopted).toBool()) return;
  editor.setProperty(kAdopted, true);
  QSplitter& splitter = *editor.Splitter1;
  if (const int height = rememberedHeight(); height > 0) {
    const QList<int> sizes = splitter.sizes();
    const int total = sizes.value(0) + sizes.value(1);
    // The text keeps at least its minimum; the splitter enforces the rest.
    splitter.setSizes({std::max(total - height, editor.mCode->minimumHeight()), height});
  }
  connect(&splitter, &QSplitter::splitterMoved, this, [this, &editor] { remember(editor); });
}

void MessagePaneSize::remember(const TfrmQVEdit& editor) {
  settings_.setValue(kHeightKey, editor.Splitter1->sizes().value(1));
}
