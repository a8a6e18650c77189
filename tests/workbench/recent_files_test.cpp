// The "Recent files" submenu: its place in the File menu, the list kept in
// the settings across a restart, and opening from it.
#include <QFile>
#include <QMenu>
#include <QSettings>

#include "workbench/recent_files.h"
#include "workbench_fixture.h"

namespace {

class RecentFilesTest : public WorkbenchTest {
 protected:
  void SetUp() override {
    WorkbenchTest::SetUp();
    // A scratch settings file: the user's own settings are never touched.
    settings = std::make_unique<QSettings>(path("settings.ini"), QSettings::IniFormat);
    recent = new RecentFiles(main(), *settings);
  }

  QStringList entries() const {
    QStringList captions;
    emit recent->menu()->aboutToShow();
    for (const QAction* item : recent->menu()->actions())
      captions << (item->isSeparator() ? QStringLiteral("-") : item->text());
    return captions;
  }
  QAction* entry(int row) const {
    emit recent->menu()->aboutToShow();
    return recent->menu()->actions().value(row);
  }
  void open(const QString& name) {
    writeBytes(path(name), "RTS\r\n");
    ASSERT_NE(main().OpenSourceFile(path(name)), nullptr);
  }

  std::unique_ptr<QSettings> settings;
  RecentFiles* recent = nullptr;  // the main window's
};

QStringList Captions(const QMenu& menu) {
  QStringList captions;
  for (const QAction* item : menu.actions())
    captions << (item->isSeparator() ? QStringLiteral("-") : item->text());
  return captions;
}

TEST_F(RecentFilesTest, StandsAfterOpenAndTheOtherItemsKeepCaptionsKeysAndOrder) {
  EXPECT_EQ(Captions(*main().File1),
            (QStringList{"&New", "&Open...", "&Recent files", "&Save", "Save &As...", "-", "E&xit"}));
  EXPECT_EQ(main().Open1->shortcut(), QKeySequence(Qt::Key_F3));
  EXPECT_EQ(main().Save1->shortcut(), QKeySequence(Qt::Key_F2));
  // F2 still opens the File menu's action first: with an editor it saves.
  main().New1->trigger();
  dialogs.saveAnswers.push_back(path("via-f2.qv3"));
  press(Qt::Key_F2);
  EXPECT_EQ(readBytes(path("via-f2.qv3")), "");
  EXPECT_TRUE(dialogs.saveAnswers.empty());
}

TEST_F(RecentFilesTest, NewestFirstWithoutDuplicatesAndAtMostTen) {
  emit main().File1->aboutToShow();
  EXPECT_FALSE(recent->menu()->menuAction()->isEnabled()) << "nothing to offer yet";
  for (int i = 0; i < 12; ++i) open(QStringLiteral("f%1.qv3").arg(i));
  open("f5.qv3");  // opened again: moves to the top
  const QStringList list = recent->paths();
  ASSERT_EQ(list.size(), RecentFiles::kMaximumEntries);
  EXPECT_EQ(list.front(), path("f5.qv3"));
  EXPECT_EQ(list[1], path("f11.qv3"));
  EXPECT_EQ(list.count(path("f5.qv3")), 1);
  EXPECT_FALSE(list.contains(path("f0.qv3"))) << "the oldest fell off";
  EXPECT_FALSE(list.contains(path("f1.qv3")));
  emit main().File1->aboutToShow();
  EXPECT_TRUE(recent->menu()->menuAction()->isEnabled());
  const QStringList captions = entries();
  EXPECT_EQ(captions.front(), "&1 " + path("f5.qv3"));
  EXPECT_EQ(captions[9], "&0 " + path("f2.qv3")) << "the tenth entry's key is 0";
  EXPECT_EQ(captions.mid(10), (QStringList{"-", "&Clear list"}));
}

TEST_F(RecentFilesTest, SaveAsRecordsTheNewNameAndAnAmpersandShowsAsItself) {
  main().New1->trigger();
  dialogs.saveAnswers.push_back(path("R&D.qv3"));
  main().SaveAs1Click();
  EXPECT_EQ(recent->paths(), QStringList{path("R&D.qv3")});
  EXPECT_EQ(entries().front(), "&1 " + QString(path("R&D.qv3")).replace("&", "&&"));
}

TEST_F(RecentFilesTest, TheListSurvivesARestart) {
  open("one.qv3");
  open("two.qv3");
  // The program ends: its windows and settings object go.
  windows.reset();
  settings.reset();

  QSettings restartedSettings(path("settings.ini"), QSettings::IniFormat);
  WorkbenchWindows restarted(&dialogs);
  auto* restartedRecent = new RecentFiles(restarted.frmQV3, restartedSettings);
  EXPECT_EQ(restartedRecent->paths(), (QStringList{path("two.qv3"), path("one.qv3")}));
  emit restartedRecent->menu()->aboutToShow();
  QAction* newest = restartedRecent->menu()->actions().value(0);
  ASSERT_NE(newest, nullptr);
  newest->trigger();
  ASSERT_EQ(restarted.frmQV3.editors().size(), 1u);
  EXPECT_EQ(restarted.frmQV3.editors()[0]->caption(), "two.qv3");
  EXPECT_EQ(restarted.frmQV3.editors()[0]->sbPanelText(1), path("two.qv3"));
}

TEST_F(RecentFilesTest, AnEntryWhoseFileIsGoneIsToldAndDropped) {
  open("kept.qv3");
  open("gone.qv3");
  ASSERT_TRUE(QFile::remove(path("gone.qv3")));
  const std::size_t windowsBefore = main().editors().size();
  QAction* gone = entry(0);
  ASSERT_NE(gone, nullptr);
  gone->trigger();
  EXPECT_EQ(main().editors().size(), windowsBefore) << "no empty window for a file that is gone";
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(dialogs.errors[0].contains(path("gone.qv3")));
  EXPECT_EQ(recent->paths(), QStringList{path("kept.qv3")});

  QAction* clear = entry(static_cast<int>(recent->menu()->actions().size()) - 1);
  ASSERT_NE(clear, nullptr);
  EXPECT_EQ(clear->text(), "&Clear list");
  clear->trigger();
  EXPECT_TRUE(recent->paths().isEmpty());
  EXPECT_TRUE(QSettings(path("settings.ini"), QSettings::IniFormat).value("recentFiles").toStringList().isEmpty());
}

}  // namespace
