// Files changed by another program while they are open: reloaded, asked
// about, or kept when deleted; the workbench's own saves change nothing.
#include <QMdiArea>
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
  static void type(TfrmQVEdit& editor, const QString& text) {
    editor.mCode->moveCursor(QTextCursor::End);
    editor.mCode->insertPlainText(text);
  }

  FileChangeWatch* watch = nullptr;  // the main window's
};

TEST_F(FileChangeWatchTest, AnUnmodifiedDocumentFollowsItsFileAndKeepsItsCaret) {
  TfrmQVEdit& editor = openFile("a.qv3", "LDA #1\nRTS\n");  // lone LF: the editor shows CR LF
  watch->checkAll();
  EXPECT_FALSE(editor.IsModified()) << "the file as loaded is no change";
  QTextCursor caret = editor.mCode->textCursor();
  caret.setPosition(3);
  editor.mCode->setTextCursor(caret);
  writeBytes(path("a.qv3"), "LDX #2\nLDY #3\nRTS\n");
  watch->checkAll();
  EXPECT_EQ(editor.DocumentBytes(), "LDX #2\r\nLDY #3\r\nRTS\r\n");
  EXPECT_EQ(editor.sbPanelText(0), "");
  EXPECT_EQ(editor.mCode->textCursor().position(), 3);
  EXPECT_FALSE(editor.HasEditsSinceLoad()) << "a reload is a whole load: Exit does not save it";
  EXPECT_TRUE(dialogs.reloadQuestions.isEmpty());
}

TEST_F(FileChangeWatchTest, EditsAreNeverLostWithoutTheUsersWord) {
  TfrmQVEdit& editor = openFile("b.qv3", "NOP\r\n");
  type(editor, "X");
  editor.mCode->undo();  // typed and undone: nothing to lose
  writeBytes(path("b.qv3"), "SEC\r\n");
  watch->checkAll();
  EXPECT_EQ(editor.DocumentBytes(), "SEC\r\n");
  EXPECT_TRUE(dialogs.reloadQuestions.isEmpty());

  type(editor, "INX\n");
  writeBytes(path("b.qv3"), "BRK\r\n");
  dialogs.reloadAnswers.push_back(false);  // Keep
  watch->checkAll();
  watch->checkAll();  // the version kept against is not asked about twice
  EXPECT_EQ(dialogs.reloadQuestions, QStringList{path("b.qv3")});
  EXPECT_EQ(editor.DocumentBytes(), "SEC\r\nINX\r\n");
  EXPECT_TRUE(editor.IsModified());
  writeBytes(path("b.qv3"), "CLC\r\n");  // the next change is asked about
  dialogs.reloadAnswers.push_back(true);  // Reload
  watch->checkAll();
  EXPECT_EQ(dialogs.reloadQuestions.size(), 2);
  EXPECT_EQ(editor.DocumentBytes(), "CLC\r\n");
  EXPECT_FALSE(editor.IsModified());
}

TEST_F(FileChangeWatchTest, OwnSavesChangeNothingAndAnotherWindowOnTheFileFollows) {
  TfrmQVEdit& first = openFile("c.qv3", "NOP\r\n");
  TfrmQVEdit* second = main().OpenSourceFile(path("c.qv3"));
  ASSERT_NE(second, nullptr);
  main().mdiArea()->activatePreviousSubWindow();
  ASSERT_EQ(main().activeEditor(), &first);
  type(first, "INY");
  main().Save1Click();
  type(first, "\nBRK");  // edited after saving: a question would show up now
  watch->checkAll();
  EXPECT_TRUE(dialogs.reloadQuestions.isEmpty());
  EXPECT_EQ(first.DocumentBytes(), "NOP\r\nINY\r\nBRK");
  EXPECT_EQ(second->DocumentBytes(), "NOP\r\nINY");
}

TEST_F(FileChangeWatchTest, ADeletedFileKeepsItsTextUntilSaveWritesItBack) {
  TfrmQVEdit& editor = openFile("d.qv3", "LDA #5\r\n");
  ASSERT_TRUE(QFile::rename(path("d.qv3"), path("d.bak")));
  watch->checkAll();
  watch->checkAll();
  EXPECT_EQ(editor.DocumentBytes(), "LDA #5\r\n") << "never emptied";
  EXPECT_EQ(editor.sbPanelText(0), "MODIFIED") << "its text is saved nowhere now";
  ASSERT_EQ(dialogs.messages.size(), 1) << "told once";
  EXPECT_TRUE(dialogs.messages[0].contains(path("d.qv3")));
  EXPECT_FALSE(QFile::exists(path("d.qv3"))) << "not recreated behind the user's back";
  // Moved back unchanged: nothing is unsaved any more.
  ASSERT_TRUE(QFile::rename(path("d.bak"), path("d.qv3")));
  watch->checkAll();
  EXPECT_FALSE(editor.IsModified());

  ASSERT_TRUE(QFile::remove(path("d.qv3")));
  watch->checkAll();
  main().Save1Click();
  EXPECT_EQ(readBytes(path("d.qv3")), "LDA #5\r\n");
  writeBytes(path("d.qv3"), "LDA #6\r\n");  // followed again after the save
  watch->checkAll();
  EXPECT_EQ(editor.DocumentBytes(), "LDA #6\r\n");
}

TEST_F(FileChangeWatchTest, TheWatcherSeesRenamesOverTheFileAndForgetsClosedWindows) {
  watch->setSettleTime(20);
  TfrmQVEdit& editor = openFile("e.qv3", "NOP\r\n");
  const auto shows = [&editor](const std::string& bytes) {
    return QTest::qWaitFor([&] { return editor.DocumentBytes() == bytes; }, 5000);
  };
  // Many editors save so: a new file renamed over the old one.
  writeBytes(path("e.tmp"), "ONE\r\n");
  ASSERT_EQ(::rename(QFile::encodeName(path("e.tmp")).constData(), QFile::encodeName(path("e.qv3")).constData()), 0);
  EXPECT_TRUE(shows("ONE\r\n"));
  // The file renamed over it is watched in its turn.
  writeBytes(path("e.qv3"), "TWO\r\n");
  EXPECT_TRUE(shows("TWO\r\n"));
  main().mdiArea()->closeAllSubWindows();
  EXPECT_TRUE(QTest::qWaitFor([this] { return watch->watchedPaths().isEmpty(); }, 5000));
}

}  // namespace
