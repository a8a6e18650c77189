// The editor window: modified state, the close question, the text as bytes,
// and the editor's keyboard and look.
#include <QFontInfo>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBlock>

#include "workbench_fixture.h"

namespace {

using EditorWindowTest = WorkbenchTest;

TEST_F(EditorWindowTest, ModifiedStateFollowsCreationChangesLoadingAndSaving) {
  main().New1Click();
  TfrmQVEdit* created = main().activeEditor();
  ASSERT_NE(created, nullptr);
  EXPECT_FALSE(created->IsModified());
  EXPECT_EQ(created->sbPanelText(0), "");
  EXPECT_EQ(created->sbPanelText(1), "");

  created->mCode->insertPlainText("NOP");
  EXPECT_TRUE(created->IsModified());
  EXPECT_EQ(created->sbPanelText(0), "MODIFIED");

  writeBytes(path("load.qv3"), "RTS\r\n");
  TfrmQVEdit* loaded = main().OpenSourceFile(path("load.qv3"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_FALSE(loaded->IsModified()) << "loading fires a change, then the state is reset";
  EXPECT_EQ(loaded->sbPanelText(0), "");
  EXPECT_FALSE(loaded->HasEditsSinceLoad());

  loaded->mCode->insertPlainText("X");
  ASSERT_TRUE(loaded->IsModified());
  main().Save1Click();
  EXPECT_FALSE(loaded->IsModified());
  EXPECT_EQ(loaded->sbPanelText(0), "");
  EXPECT_TRUE(loaded->HasEditsSinceLoad()) << "saving keeps the editor's own edit flag";
}

TEST_F(EditorWindowTest, ClosingAModifiedWindowAsksAndNoKeepsItOpen) {
  main().New1Click();
  QPointer<TfrmQVEdit> editor = main().activeEditor();
  QPointer<QMdiSubWindow> sub = main().mdiArea()->currentSubWindow();
  editor->mCode->insertPlainText("edited");

  dialogs.yesNoAnswers = {false};
  EXPECT_FALSE(sub->close());
  ASSERT_EQ(dialogs.questions.size(), 1u);
  EXPECT_EQ(dialogs.questions[0].caption, "Question");
  EXPECT_EQ(dialogs.questions[0].text,
            "[anonymus] Modifications not saved. Do you close the editor anyway?");
  EXPECT_FALSE(dialogs.questions[0].yesIsDefault) << "Enter must not throw the edits away";
  EXPECT_TRUE(editor);

  dialogs.yesNoAnswers = {true};
  EXPECT_TRUE(sub->close());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(editor) << "a closed window is destroyed with its document";
  EXPECT_EQ(main().activeEditor(), nullptr);
}

TEST_F(EditorWindowTest, UnmodifiedWindowClosesWithoutAQuestion) {
  writeBytes(path("plain.qv3"), "RTS");
  ASSERT_NE(main().OpenSourceFile(path("plain.qv3")), nullptr);
  EXPECT_TRUE(main().mdiArea()->currentSubWindow()->close());
  EXPECT_TRUE(dialogs.questions.empty());
}

TEST_F(EditorWindowTest, EveryByteValueSurvivesOpenAndSave) {
  std::string bytes;
  for (int value = 0; value < 256; ++value)
    if (value != '\r' && value != '\n') bytes += static_cast<char>(value);
  bytes += "\r\n \xA0 \r\n";  // the no-break space next to a blank, then a last break
  writeBytes(path("all.qv3"), bytes);

  TfrmQVEdit* editor = main().OpenSourceFile(path("all.qv3"));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->mCode->blockCount(), 3);
  main().Save1Click();
  EXPECT_EQ(readBytes(path("all.qv3")), bytes);
}

TEST_F(EditorWindowTest, LineBreaksTypedInTheEditorAreSavedAsCrLf) {
  writeBytes(path("keys.qv3"), "");
  TfrmQVEdit* editor = main().OpenSourceFile(path("keys.qv3"));
  ASSERT_NE(editor, nullptr);
  editor->mCode->setFocus();
  QTest::keyClicks(editor->mCode, "A");
  QTest::keyClick(editor->mCode, Qt::Key_Tab);
  QTest::keyClicks(editor->mCode, "B");
  QTest::keyClick(editor->mCode, Qt::Key_Return);
  QTest::keyClicks(editor->mCode, "C");
  // Shift+Return would give a line separator inside one block.
  QTest::keyClick(editor->mCode, Qt::Key_Return, Qt::ShiftModifier);
  QTest::keyClicks(editor->mCode, "D");
  EXPECT_EQ(editor->mCode->blockCount(), 3);
  EXPECT_TRUE(editor->mCode->hasFocus()) << "Tab types a tab instead of moving the focus";
  main().Save1Click();
  EXPECT_EQ(readBytes(path("keys.qv3")), "A\tB\r\nC\r\nD");
}

TEST_F(EditorWindowTest, LooksTheWayLaterCommandsRelyOn) {
  main().New1Click();
  TfrmQVEdit* editor = main().activeEditor();
  // The font actually chosen is fixed-pitch, also where Courier New is missing.
  EXPECT_TRUE(QFontInfo(editor->mCode->font()).fixedPitch());
  EXPECT_EQ(QFontInfo(editor->mCode->font()).pixelSize(), 13);
  // Lines longer than the window are scrolled, never wrapped.
  editor->mCode->setPlainText(QString(400, u'x'));
  EXPECT_EQ(editor->mCode->document()->lineCount(), 1);
  // Compile results go to the first tab's list, whose rows are 13 pixels.
  ASSERT_EQ(editor->pcErrors->count(), 2);
  EXPECT_EQ(editor->pcErrors->tabText(0), "Status");
  EXPECT_EQ(editor->pcErrors->tabText(1), "Hints");
  EXPECT_EQ(editor->pcErrors->currentWidget(), editor->tsErrors);
  editor->lbMessy->addItem("line");
  EXPECT_EQ(editor->lbMessy->sizeHintForRow(0), 13);
}

}  // namespace
