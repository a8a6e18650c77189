// Files changed by another program while they are open: reloaded, asked
// about, or kept when deleted; the workbench's own saves change nothing.
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QTextCursor>

#include "workbench/file_change_watch.h"
#include "workbench_fixture.h"

namespace {

class FileChangeWatchTest : public WorkbenchTest {
 protected:
  void SetUp() override {
    WorkbenchTest::SetUp();
    watch = new FileChangeWatch(main());
  }

  TfrmQVEdit& openFile(const QString& name, const std::string& bytes) {
    writeBytes(path(name), bytes);
    TfrmQVEdit* editor = main().OpenSourceFile(path(name));
    EXPECT_NE(editor, nullptr);
    return *editor;
  }
  // Another program writes the file the way many editors do: a new file
  // renamed over the old one.
  void replaceByRename(const QString& name, const std::string& bytes) {
    writeBytes(path(name + ".tmp~"), bytes);
    ASSERT_EQ(::rename(QFile::encodeName(path(name + ".tmp~")).constData(),
                       QFile::encodeName(path(name)).constData()),
              0);
  }
  static void type(TfrmQVEdit& editor, const QString& text) {
    editor.mCode->moveCursor(QTextCursor::End);
    editor.mCode->insertPlainText(text);
  }

  FileChangeWatch* watch = nullptr;  // the main window's
};

TEST_F(FileChangeWatchTest, AnUnmodifiedDocumentFollowsItsFileAndKeepsItsCaret) {
  TfrmQVEdit& editor = openFile("a.qv3", "LDA #1\r\nRTS\r\n");
  QTextCursor caret = editor.mCode->textCursor();
  caret.setPosition(3);
  editor.mCode->setTextCursor(caret);

  writeBytes(path("a.qv3"), "LDX #2\nLDY #3\nRTS\n");
  watch->checkAll();
  EXPECT_EQ(editor.DocumentBytes(), "LDX #2\r\nLDY #3\r\nRTS\r\n");
  EXPECT_FALSE(editor.IsModified());
  EXPECT_EQ(editor.sbPanelText(0), "");
  EXPECT_EQ(editor.sbPanelText(1), path("a.qv3"));
  EXPECT_EQ(editor.mCode->textCursor().position(), 3);
  EXPECT_FALSE(editor.HasEditsSinceLoad()) << "a reload is a whole load: Exit does not save it";
  EXPECT_TRUE(dialogs.reloadQuestions.isEmpty());
  EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(FileChangeWatchTest, EditsAreNeverLostWithoutTheUsersWord) {
  TfrmQVEdit& editor = openFile("b.qv3", "NOP\r\n");
  type(editor, "INX\n");
  writeBytes(path("b.qv3"), "BRK\r\n");

  dialogs.reloadAnswers.push_back(false);  // Keep
  watch->checkAll();
  EXPECT_EQ(dialogs.reloadQuestions, QStringList{path("b.qv3")});
  EXPECT_EQ(editor.DocumentBytes(), "NOP\r\nINX\r\n");
  EXPECT_TRUE(editor.IsModified());
  // The version kept against is not asked about twice ...
  watch->checkAll();
  EXPECT_EQ(dialogs.reloadQuestions.size(), 1);
  // ... but the next change is, and Reload takes the file.
  writeBytes(path("b.qv3"), "CLC\r\n");
  dialogs.reloadAnswers.push_back(true);
  watch->checkAll();
  EXPECT_EQ(dialogs.reloadQuestions.size(), 2);
  EXPECT_EQ(editor.DocumentBytes(), "CLC\r\n");
  EXPECT_FALSE(editor.IsModified());
}

TEST_F(FileChangeWatchTest, TypingAndUndoingLeavesNothingToAskAbout) {
  TfrmQVEdit& editor = openFile("c.qv3", "NOP\r\n");
  type(editor, "X");
  editor.mCode->undo();
  ASSERT_TRUE(editor.IsModified());
  writeBytes(path("c.qv3"), "SEC\r\n");
  watch->checkAll();
  EXPECT_EQ(editor.DocumentBytes(), "SEC\r\n");
  EXPECT_TRUE(dialogs.reloadQuestions.isEmpty());
}

TEST_F(FileChangeWatchTest, OwnSavesAndTouchesChangeNothing) {
  TfrmQVEdit& editor = openFile("d.qv3", "NOP\n");  // lone LF: the editor shows CR LF
  watch->checkAll();
  EXPECT_FALSE(editor.IsModified()) << "the file as loaded is not a change";
  type(editor, "RTS");
  main().Save1Click();
  ASSERT_EQ(readBytes(path("d.qv3")), "NOP\r\nRTS");
  type(editor, "\nBRK");  // edited after saving: a question would show up now
  watch->checkAll();
  EXPECT_TRUE(dialogs.reloadQuestions.isEmpty());
  EXPECT_EQ(editor.DocumentBytes(), "NOP\r\nRTS\r\nBRK");
}

TEST_F(FileChangeWatchTest, ADeletedFileKeepsItsTextAndSaveWritesItBack) {
  TfrmQVEdit& editor = openFile("e.qv3", "LDA #5\r\n");
  ASSERT_TRUE(QFile::remove(path("e.qv3")));
  watch->checkAll();
  EXPECT_EQ(editor.DocumentBytes(), "LDA #5\r\n") << "never emptied";
  EXPECT_TRUE(editor.IsModified()) << "its text is saved nowhere now";
  EXPECT_EQ(editor.sbPanelText(0), "MODIFIED");
  ASSERT_EQ(dialogs.messages.size(), 1);
  EXPECT_TRUE(dialogs.messages[0].contains(path("e.qv3")));
  watch->checkAll();
  EXPECT_EQ(dialogs.messages.size(), 1) << "told once";
  EXPECT_FALSE(QFile::exists(path("e.qv3"))) << "not recreated behind the user's back";

  main().Save1Click();
  EXPECT_EQ(readBytes(path("e.qv3")), "LDA #5\r\n");
  EXPECT_FALSE(editor.IsModified());
  // Followed again after the save.
  writeBytes(path("e.qv3"), "LDA #6\r\n");
  watch->checkAll();
  EXPECT_EQ(editor.DocumentBytes(), "LDA #6\r\n");
}

TEST_F(FileChangeWatchTest, AFileThatComesBackUnchangedIsNoLongerModified) {
  TfrmQVEdit& editor = openFile("f.qv3", "PHA\r\n");
  ASSERT_TRUE(QFile::rename(path("f.qv3"), path("f.bak")));
  watch->checkAll();
  ASSERT_TRUE(editor.IsModified());
  ASSERT_TRUE(QFile::rename(path("f.bak"), path("f.qv3")));
  watch->checkAll();
  EXPECT_FALSE(editor.IsModified());
  EXPECT_EQ(editor.DocumentBytes(), "PHA\r\n");
}

TEST_F(FileChangeWatchTest, ASecondWindowOnTheSameFileFollowsTheFirstOnesSave) {
  TfrmQVEdit& first = openFile("g.qv3", "NOP\r\n");
  TfrmQVEdit* second = main().OpenSourceFile(path("g.qv3"));
  ASSERT_NE(second, nullptr);
  type(first, "INY");
  main().mdiArea()->setActiveSubWindow(main().mdiArea()->subWindowList(QMdiArea::CreationOrder)[0]);
  ASSERT_EQ(main().activeEditor(), &first);
  main().Save1Click();
  watch->checkAll();
  EXPECT_EQ(second->DocumentBytes(), "NOP\r\nINY");
  EXPECT_FALSE(first.IsModified());
}

TEST_F(FileChangeWatchTest, TheWatcherSeesRenamesAndKeepsWatchingAfterThem) {
  watch->setSettleTime(20);
  TfrmQVEdit& editor = openFile("h.qv3", "NOP\r\n");
  EXPECT_TRUE(watch->watchedPaths().contains(path("h.qv3")));
  replaceByRename("h.qv3", "ONE\r\n");
  QTRY_COMPARE_WITH_TIMEOUT(editor.DocumentBytes(), std::string("ONE\r\n"), 5000);
  // The renamed-over file is a new one: still watched.
  QTRY_VERIFY_WITH_TIMEOUT(watch->watchedPaths().contains(path("h.qv3")), 5000);
  writeBytes(path("h.qv3"), "TWO\r\n");
  QTRY_COMPARE_WITH_TIMEOUT(editor.DocumentBytes(), std::string("TWO\r\n"), 5000);
}

TEST_F(FileChangeWatchTest, ClosedWindowsAreNoLongerWatched) {
  openFile("i.qv3", "NOP\r\n");
  ASSERT_TRUE(watch->watchedPaths().contains(path("i.qv3")));
  main().mdiArea()->closeAllSubWindows();
  QTRY_VERIFY_WITH_TIMEOUT(watch->watchedPaths().isEmpty(), 5000);
  writeBytes(path("i.qv3"), "BRK\r\n");
  watch->checkAll();  // nothing left to reload or ask about
  EXPECT_TRUE(dialogs.reloadQuestions.isEmpty());
}

}  // namespace
