// The "Recent files" submenu: its place in the File menu, the list kept in
// the settings across a restart, and opening from it.
#include <QFile>
#include <QMenu>
#include <QSettings>

#include "workbench/recent_files.h"
#include "workbench_fixture.h"

namespace {

QStringList Captions(QMenu& menu) {
  emit menu.aboutToShow();
  QStringList captions;
  for (const QAction* item : menu.actions()) captions << (item->isSeparator() ? QStringLiteral("-") : item->text());
  return captions;
}

class RecentFilesTest : public WorkbenchTest {
 protected:
  void SetUp() override {
    WorkbenchTest::SetUp();
    // A scratch settings file: the user's own settings are never touched.
    settings = std::make_unique<QSettings>(path("settings.ini"), QSettings::IniFormat);
    recent = new RecentFiles(main(), *settings);
  }
  void open(const QString& name) {
    writeBytes(path(name), "RTS\r\n");
    ASSERT_NE(main().OpenSourceFile(path(name)), nullptr);
  }

  std::unique_ptr<QSettings> settings;
  RecentFiles* recent = nullptr;  // the main window's
};

TEST_F(RecentFilesTest, StandsAfterOpenNewestFirstWithoutDuplicatesAtMostTen) {
  EXPECT_EQ(Captions(*main().File1),
            (QStringList{"&New", "&Open...", "&Recent files", "&Save", "Save &As...", "&Close", "-",
                         "E&xit"}));
  EXPECT_FALSE(recent->menu()->menuAction()->isEnabled()) << "nothing to offer yet";
  for (int i = 0; i < 12; ++i) open(QStringLiteral("f%1.qv3").arg(i));
  open("f5.qv3");  // again: moves to the top
  main().New1Click();
  dialogs.saveAnswers.push_back(path("R&D.qv3"));
  main().SaveAs1Click();  // a saved name counts too
  const QStringList captions = Captions(*recent->menu());
  ASSERT_EQ(captions.size(), RecentFiles::kMaximumEntries + 2);
  EXPECT_EQ(captions[0], "&1 " + QString(path("R&D.qv3")).replace("&", "&&"));
  EXPECT_EQ(captions[1], "&2 " + path("f5.qv3"));
  EXPECT_EQ(captions[2], "&3 " + path("f11.qv3"));
  EXPECT_EQ(captions[9], "&0 " + path("f3.qv3")) << "the tenth entry's key is 0; f0 to f2 fell off";
  EXPECT_EQ(captions.mid(10), (QStringList{"-", "&Clear list"}));
  EXPECT_EQ(recent->paths().count(path("f5.qv3")), 1);
  Captions(*main().File1);
  EXPECT_TRUE(recent->menu()->menuAction()->isEnabled());
}

TEST_F(RecentFilesTest, TheListSurvivesARestartAndAGoneFileIsToldAndDropped) {
  open("one.qv3");
  open("two.qv3");
  open("gone.qv3");
  ASSERT_TRUE(QFile::remove(path("gone.qv3")));
  windows.reset();  // the program ends
  settings.reset();

  QSettings restartedSettings(path("settings.ini"), QSettings::IniFormat);
  WorkbenchWindows restarted(&dialogs);
  auto* restartedRecent = new RecentFiles(restarted.frmQV3, restartedSettings);
  EXPECT_EQ(restartedRecent->paths(), (QStringList{path("gone.qv3"), path("two.qv3"), path("one.qv3")}));
  Captions(*restartedRecent->menu());
  restartedRecent->menu()->actions()[0]->trigger();
  EXPECT_TRUE(restarted.frmQV3.editors().empty()) << "no empty window for a file that is gone";
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(dialogs.errors[0].contains(path("gone.qv3")));
  Captions(*restartedRecent->menu());
  restartedRecent->menu()->actions()[0]->trigger();
  ASSERT_EQ(restarted.frmQV3.editors().size(), 1u);
  EXPECT_EQ(restarted.frmQV3.editors()[0]->caption(), "two.qv3");
  EXPECT_EQ(restarted.frmQV3.editors()[0]->sbPanelText(1), path("two.qv3"));

  Captions(*restartedRecent->menu());
  restartedRecent->menu()->actions().last()->trigger();  // Clear list
  EXPECT_TRUE(QSettings(path("settings.ini"), QSettings::IniFormat).value("recentFiles").toStringList().isEmpty());
}

}  // namespace
