// "Compile && Run" of the main window through the workbench launcher: the
// Preferences item in the Compile menu, and the Status-list line when only
// the desktop's opener is left.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>

#include "scripted_dialogs.h"
#include "workbench/editor_window.h"
#include "workbench/emulator/run_menu.h"
#include "workbench/workbench_windows.h"

namespace {

TEST(RunWiring, PreferencesItemAndTheStatusLineWhenNoEmulatorIsThere) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  // The settings of this test stay in its folder.
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
  ScriptedDialogs dialogs;
  WorkbenchWindows windows(&dialogs);
  windows.frmQV3.setCurrentFolder(folder.path());
  const QString path = folder.filePath("run.qv3");
  QFile source(path);
  ASSERT_TRUE(source.open(QIODevice::WriteOnly));
  source.write("        ORIGIN $1001\n        RTS\n");
  source.close();

  QPointer<QAction> item;
  {
    const RunWiring run(windows.frmQV3, nullptr);  // a build without the built-in Plus/4
    item = run.preferencesItem();
    ASSERT_NE(run.preferencesItem(), nullptr);
    EXPECT_TRUE(windows.frmQV3.Compile1->actions().contains(run.preferencesItem()));
    EXPECT_EQ(windows.frmQV3.Compile1->actions().indexOf(run.preferencesItem()),
              windows.frmQV3.Compile1->actions().indexOf(windows.frmQV3.CompileRun1) + 2)
        << "after Compile && Run and a separator";

    TfrmQVEdit* editor = windows.frmQV3.OpenSourceFile(path);
    ASSERT_NE(editor, nullptr);
    const int before = editor->lbMessy->count();
    // The PATH of this test holds no Plus/4 emulator.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", folder.path().toLocal8Bit());
    windows.frmQV3.CompileRun1Click();
    qputenv("PATH", path);
    ASSERT_FALSE(windows.frmQV3.compileSession().FatalFlag);
    ASSERT_GT(editor->lbMessy->count(), before);
    const QString last = editor->lbMessy->item(editor->lbMessy->count() - 1)->text();
    EXPECT_TRUE(last.contains("xdg-open") && last.contains("qt6-webengine-dev")) << last.toStdString();
  }
  EXPECT_TRUE(item.isNull()) << "the item goes with the wiring";
}

}  // namespace
