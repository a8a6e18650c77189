// SPDX-License-Identifier: GPL-3.0-or-later
// The Status and Hints area: its first height until the user drags the
// splitter, then the dragged height for the windows opened after.
#include <QSettings>
#include <QSplitter>
#include <QTemporaryDir>

#include "workbench/message_pane_size.h"
#include "workbench_fixture.h"

namespace {

class MessagePaneSizeTest : public WorkbenchTest {
 protected:
  TfrmQVEdit& open(const QString& name) {
    writeBytes(path(name), " NOP\r\n");
    TfrmQVEdit* editor = main().OpenSourceFile(path(name));
    EXPECT_NE(editor, nullptr);
    QApplication::processEvents();
    return *editor;
  }
  static int messageHeight(TfrmQVEdit& editor) { return editor.Splitter1->sizes().value(1); }
};

TEST_F(MessagePaneSizeTest, AWindowOpenedAfterADragTakesTheDraggedHeight) {
  QTemporaryDir dir;
  QSettings settings(dir.filePath(QStringLiteral("qv3.ini")), QSettings::IniFormat);
  auto* sizes = new MessagePaneSize(main(), settings);  // owned by the main window
  TfrmQVEdit& first = open(QStringLiteral("first.qv3"));
  const int startHeight = messageHeight(first);
  EXPECT_EQ(sizes->rememberedHeight(), 0);

  // The user's drag: the splitter's sizes change and it says so.
  const QList<int> before = first.Splitter1->sizes();
  const int dragged = startHeight + 120;
  first.Splitter1->setSizes({before[0] + before[1] - dragged, dragged});
  emit first.Splitter1->splitterMoved(before[0] + before[1] - dragged, 1);
  EXPECT_EQ(sizes->rememberedHeight(), dragged);

  TfrmQVEdit& second = open(QStringLiteral("second.qv3"));
  EXPECT_EQ(messageHeight(second), dragged) << "the dragged height is not taken";
  EXPECT_EQ(QSettings(dir.filePath(QStringLiteral("qv3.ini")), QSettings::IniFormat)
                .value(QStringLiteral("editor/messageAreaHeight"))
                .toInt(),
            dragged);
}

}  // namespace
