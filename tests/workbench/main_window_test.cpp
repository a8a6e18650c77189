// The main window: its menu, the document commands, the shortcut rule of
// the File menu, closing, and the Window menu.
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <algorithm>

#include "workbench/program_info.h"
#include "workbench_fixture.h"

namespace {

using MainWindowTest = WorkbenchTest;

QStringList Captions(const QWidget& menu) {
  QStringList captions;
  for (const QAction* item : menu.actions())
    captions << (item->isSeparator() ? QStringLiteral("-") : item->text());
  return captions;
}

QStringList SavedLines(const TfrmQVEdit& editor) {
  QStringList lines;
  for (int row = 0; row < editor.lbMessy->count(); ++row) lines << editor.lbMessy->item(row)->text();
  return lines;
}

TEST_F(MainWindowTest, TitleAndMenuAsTheUserSeesThem) {
  EXPECT_EQ(main().windowTitle(), "QV3 - Assembler for 6502  v1.1.3");
  // "&Debug" is an addition after "&Compile"; the others keep their order.
  EXPECT_EQ(Captions(*main().menuBar()),
            (QStringList{"&File", "Search", "&Tools", "&Compile", "&Debug", "&Window", "About"}));
  EXPECT_EQ(main().menuBar()->actions().last(), main().miAbout) << "About is an item of the bar";
  // "&Close" is an addition beside the others.
  EXPECT_EQ(Captions(*main().File1),
            (QStringList{"&New", "&Open...", "&Save", "Save &As...", "&Close", "-", "E&xit"}));
  // The navigation items of the editor follow the four search items.
  EXPECT_EQ(Captions(*main().Search1).mid(0, 4), (QStringList{"Find", "Find again", "-", "Replace"}));
  EXPECT_EQ(Captions(*main().Search1).mid(4),
            (QStringList{"-", "Go to Definition", "Find References", "Quick Fix", "&Outline", "Go to Line...",
                         "Rename Symbol..."}));
  EXPECT_EQ(Captions(*main().Tools1), (QStringList{"&Screeneditor", "Sinus&editor", "&Chareditor"}));
  EXPECT_EQ(Captions(*main().Compile1), (QStringList{"Compile", "Compile && Run"}));
  EXPECT_EQ(Captions(*main().Window1), (QStringList{"&Tile", "&Cascade"}));

  EXPECT_EQ(main().Open1->shortcut(), QKeySequence(Qt::Key_F3));
  EXPECT_EQ(main().Save1->shortcut(), QKeySequence(Qt::Key_F2));
  EXPECT_EQ(main().Find1->shortcut(), QKeySequence("Ctrl+F"));
  EXPECT_EQ(main().Findagain1->shortcut(), QKeySequence("Ctrl+L"));
  EXPECT_EQ(main().Replace1->shortcut(), QKeySequence("Ctrl+R"));
  EXPECT_EQ(main().Compile2->shortcut(), QKeySequence("Ctrl+F9"));
  EXPECT_EQ(main().CompileRun1->shortcut(), QKeySequence(Qt::Key_F9));
  for (const QAction* item : main().Tools1->actions()) EXPECT_FALSE(item->isEnabled());
}

TEST_F(MainWindowTest, SaveIsUnavailableWithoutAnEditorFromMenuAndF2) {
  EXPECT_FALSE(main().Save1->isEnabled());
  EXPECT_FALSE(main().SaveAs1->isEnabled());
  emit main().File1->aboutToShow();
  EXPECT_FALSE(main().Save1->isEnabled());
  press(Qt::Key_F2);
  EXPECT_TRUE(dialogs.saveProposals.empty());

  // With an editor, F2 enables Save before judging it, although the menu
  // was last opened when there was none.
  main().New1Click();
  ASSERT_FALSE(main().Save1->isEnabled());
  dialogs.saveAnswers = {std::nullopt};
  press(Qt::Key_F2);
  EXPECT_EQ(dialogs.saveProposals, QStringList{"anonymus"});
  EXPECT_TRUE(main().SaveAs1->isEnabled());
  // Now enabled, F2 still saves exactly once (the item's own key never competes).
  dialogs.saveAnswers = {std::nullopt};
  press(Qt::Key_F2);
  EXPECT_EQ(dialogs.saveProposals.size(), 2u);

  // Closing the last editor: F2 finds Save disabled again.
  main().mdiArea()->closeAllSubWindows();
  press(Qt::Key_F2);
  EXPECT_EQ(dialogs.saveProposals.size(), 2u);
  EXPECT_FALSE(main().Save1->isEnabled());
}

// Each shortcut pressed in the editor triggers its item and types nothing.
// The search dialog opens modally; only one modal dialog per test, since the
// offscreen platform does not hand the focus back reliably after it closes.
void ExpectShortcutsReachItems(MainWindowTest& test, TfrmQV3& frame,
                               std::initializer_list<QAction*> items) {
  frame.New1Click();
  for (QAction* item : items) {
    // Windows shown in between (progress window, boxes) may leave the
    // offscreen platform without an active window; a user's click would.
    QApplication::setActiveWindow(&frame);
    frame.activeEditor()->mCode->setFocus();
    QSignalSpy triggered(item, &QAction::triggered);
    QTimer::singleShot(0, [] {
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    test.pressKey(item->shortcut());
    EXPECT_EQ(triggered.count(), 1) << item->objectName().toStdString();
  }
  EXPECT_EQ(frame.activeEditor()->mCode->toPlainText(), "") << "the editor takes none of the keys";
}

TEST_F(MainWindowTest, CompileAndFindShortcutsReachTheirItemsFromTheEditor) {
  ExpectShortcutsReachItems(*this, main(),
                            {main().Findagain1, main().Compile2, main().CompileRun1, main().Find1});
}

TEST_F(MainWindowTest, ReplaceShortcutReachesItsItemFromTheEditor) {
  ExpectShortcutsReachItems(*this, main(), {main().Replace1});
}

TEST_F(MainWindowTest, SavingANewDocumentAsksForANameFirst) {
  main().New1Click();
  TfrmQVEdit* editor = main().activeEditor();
  editor->mCode->insertPlainText("LDA #1");

  dialogs.saveAnswers = {std::nullopt};
  main().Save1Click();
  EXPECT_EQ(dialogs.saveProposals, QStringList{"anonymus"});
  EXPECT_EQ(editor->caption(), "anonymus") << "cancelling changes nothing";
  EXPECT_TRUE(editor->IsModified());
  EXPECT_EQ(editor->lbMessy->count(), 0);

  const QString chosen = path("first.qv3");
  dialogs.saveAnswers = {chosen};
  main().Save1Click();
  EXPECT_EQ(editor->caption(), chosen);
  EXPECT_EQ(editor->sbPanelText(1), chosen);
  EXPECT_FALSE(editor->IsModified());
  EXPECT_EQ(readBytes(chosen), "LDA #1");
  EXPECT_EQ(main().currentFolder(), folder.path());

  main().Save1Click();
  main().Save1Click();
  EXPECT_EQ(SavedLines(*editor), (QStringList{"Saved...", "Saved...", "Saved..."}));
}

TEST_F(MainWindowTest, OnlyTheExactNameAnonymusCountsAsUnsaved) {
  writeBytes(path("anonymus"), "A");
  writeBytes(path("Anonymus"), "B");
  main().OpenSourceFile(path("anonymus"));
  dialogs.saveAnswers = {std::nullopt};
  main().Save1Click();
  EXPECT_EQ(dialogs.saveProposals, QStringList{"anonymus"});

  TfrmQVEdit* other = main().OpenSourceFile(path("Anonymus"));
  other->mCode->insertPlainText("b");
  main().Save1Click();
  EXPECT_EQ(dialogs.saveProposals.size(), 1u);
  EXPECT_EQ(readBytes(path("Anonymus")), "bB");
}

TEST_F(MainWindowTest, OpenShowsTheBareNameAndRemembersTheChoice) {
  writeBytes(path("prog.qv3"), "RTS");
  dialogs.openAnswers = {path("prog.qv3"), path("prog.qv3"), path("absent.qv3")};
  main().Open1Click();
  TfrmQVEdit* first = main().activeEditor();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->caption(), "prog.qv3");
  EXPECT_EQ(first->sbPanelText(1), path("prog.qv3"));
  EXPECT_EQ(first->mCode->toPlainText(), "RTS");

  main().Open1Click();
  EXPECT_EQ(dialogs.openProposals, (QStringList{"", path("prog.qv3")}));
  TfrmQVEdit* second = main().activeEditor();
  ASSERT_NE(second, first) << "an open file gets a second, independent window";
  second->mCode->insertPlainText("x");
  EXPECT_EQ(first->mCode->toPlainText(), "RTS");

  main().Open1Click();  // a typed name that no file bears
  EXPECT_EQ(main().editors().size(), 2u);
  EXPECT_TRUE(dialogs.errors.empty());
  EXPECT_EQ(main().editors(), (std::vector<TfrmQVEdit*>{first, second}));
}

TEST_F(MainWindowTest, SaveWritesIntoTheDocumentsOwnFolder) {
  ASSERT_TRUE(QDir(folder.path()).mkdir("a"));
  ASSERT_TRUE(QDir(folder.path()).mkdir("b"));
  writeBytes(path("a/x.qv3"), "A");
  writeBytes(path("b/y.qv3"), "B");
  dialogs.openAnswers = {path("a/x.qv3"), path("b/y.qv3")};
  main().Open1Click();
  TfrmQVEdit* x = main().activeEditor();
  main().Open1Click();
  EXPECT_EQ(main().currentFolder(), path("b"));

  main().mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(x->parentWidget()));
  ASSERT_EQ(main().activeEditor(), x);
  x->mCode->insertPlainText("x");
  main().Save1Click();
  EXPECT_EQ(readBytes(path("a/x.qv3")), "xA");
  EXPECT_FALSE(QFile::exists(path("b/x.qv3")));
}

TEST_F(MainWindowTest, LoneLineFeedsComeBackAsCrLfAfterOneSave) {
  writeBytes(path("unix.qv3"), "one\ntwo\n\nthree");
  ASSERT_NE(main().OpenSourceFile(path("unix.qv3")), nullptr);
  main().Save1Click();
  EXPECT_EQ(readBytes(path("unix.qv3")), "one\r\ntwo\r\n\r\nthree");
}

TEST_F(MainWindowTest, FailedSaveLeavesWindowStateAndReportsThePath) {
  ASSERT_TRUE(QDir(folder.path()).mkdir("gone"));
  writeBytes(path("gone/doc.qv3"), "RTS");
  TfrmQVEdit* editor = main().OpenSourceFile(path("gone/doc.qv3"));
  ASSERT_TRUE(QDir(path("gone")).removeRecursively());
  editor->mCode->insertPlainText("x");
  main().Save1Click();
  EXPECT_EQ(dialogs.errors, QStringList{"Cannot create file " + path("gone/doc.qv3")});
  EXPECT_TRUE(editor->IsModified());
  EXPECT_EQ(editor->lbMessy->count(), 0);
  EXPECT_EQ(editor->sbPanelText(1), path("gone/doc.qv3"));

  // Save As into a missing folder: the caption already names the new path.
  dialogs.saveAnswers = {path("nowhere/new.qv3")};
  main().SaveAs1Click();
  EXPECT_EQ(editor->caption(), path("nowhere/new.qv3"));
  EXPECT_EQ(editor->sbPanelText(1), path("gone/doc.qv3"));
  EXPECT_TRUE(editor->IsModified());
  EXPECT_EQ(dialogs.errors.size(), 2u);
}

TEST_F(MainWindowTest, UnreadableFileLeavesAnEmptyWindowThatNeverOverwritesIt) {
  ASSERT_TRUE(QDir(folder.path()).mkdir("locked.qv3"));
  EXPECT_EQ(main().OpenSourceFile(path("locked.qv3")), nullptr);
  EXPECT_EQ(dialogs.errors, QStringList{"Cannot open file " + path("locked.qv3")});
  TfrmQVEdit* editor = main().activeEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->caption(), "locked.qv3");
  EXPECT_EQ(editor->mCode->toPlainText(), "");
  EXPECT_EQ(editor->sbPanelText(1), "");
  EXPECT_FALSE(editor->IsModified());

  // Save asks for a name instead of writing the empty text over the file.
  dialogs.saveAnswers = {std::nullopt};
  main().Save1Click();
  EXPECT_EQ(dialogs.saveProposals, QStringList{"locked.qv3"});
  EXPECT_TRUE(QFileInfo(path("locked.qv3")).isDir());
}

TEST_F(MainWindowTest, ExitSavesTheActiveDocumentWhenItWasEditedSinceLoading) {
  writeBytes(path("edited.qv3"), "A");
  TfrmQVEdit* editor = main().OpenSourceFile(path("edited.qv3"));
  editor->mCode->insertPlainText("x");
  main().Save1Click();
  // Saved and not changed since: Exit saves once more, without asking.
  writeBytes(path("edited.qv3"), "changed on disk");
  main().Exit1Click();
  EXPECT_EQ(readBytes(path("edited.qv3")), "xA");
  EXPECT_EQ(editor->lbMessy->count(), 2);
  EXPECT_TRUE(dialogs.questions.empty());
  EXPECT_FALSE(main().isVisible());
}

TEST_F(MainWindowTest, ExitDoesNotSaveADocumentThatWasNeverEdited) {
  writeBytes(path("read.qv3"), "A");
  main().OpenSourceFile(path("read.qv3"));
  writeBytes(path("read.qv3"), "changed on disk");
  main().Exit1Click();
  EXPECT_EQ(readBytes(path("read.qv3")), "changed on disk");
  EXPECT_FALSE(main().isVisible());
}

TEST_F(MainWindowTest, ExitWithANewDocumentCancelledAndRefusedKeepsRunning) {
  main().New1Click();
  main().activeEditor()->mCode->insertPlainText("x");
  emit main().File1->aboutToShow();  // Exit is chosen from the opened menu
  dialogs.saveAnswers = {std::nullopt};
  dialogs.yesNoAnswers = {false};
  main().Exit1->trigger();
  EXPECT_EQ(dialogs.saveProposals, QStringList{"anonymus"});
  EXPECT_EQ(dialogs.questions.size(), 1u);
  EXPECT_TRUE(main().isVisible());
  EXPECT_EQ(main().editors().size(), 1u);
}

TEST_F(MainWindowTest, FirstRefusalStopsClosingAndEveryWindowStays) {
  for (int i = 0; i < 3; ++i) {
    main().New1Click();
    main().activeEditor()->mCode->insertPlainText("x");
  }
  dialogs.yesNoAnswers = {true, false};
  EXPECT_FALSE(main().close());
  EXPECT_EQ(dialogs.questions.size(), 2u) << "the third window is not asked";
  EXPECT_EQ(main().editors().size(), 3u) << "a window that agreed stays open too";
  EXPECT_TRUE(main().isVisible());

  dialogs.yesNoAnswers = {true, true, true};
  EXPECT_TRUE(main().close());
  EXPECT_FALSE(main().isVisible());
}

TEST_F(MainWindowTest, WindowMenuListsMarksAndActivatesEditors) {
  writeBytes(path("one.qv3"), "1");
  TfrmQVEdit* one = main().OpenSourceFile(path("one.qv3"));
  main().New1Click();
  emit main().Window1->aboutToShow();
  QList<QAction*> items = main().Window1->actions();
  ASSERT_EQ(items.size(), 5);
  EXPECT_TRUE(items[2]->isSeparator());
  EXPECT_EQ(items[3]->text(), "&1 one.qv3");
  EXPECT_EQ(items[4]->text(), "&2 anonymus");
  EXPECT_FALSE(items[3]->isChecked());
  EXPECT_TRUE(items[4]->isChecked());

  items[3]->trigger();
  EXPECT_EQ(main().activeEditor(), one);
  emit main().Window1->aboutToShow();
  items = main().Window1->actions();
  ASSERT_EQ(items.size(), 5) << "the list is made anew, not appended";
  EXPECT_TRUE(items[3]->isChecked());
}

TEST_F(MainWindowTest, TileStacksTheWindowsAtFullWidth) {
  main().resize(800, 600);
  main().New1Click();
  main().New1Click();
  main().Tile1Click();
  const QRect area = main().mdiArea()->viewport()->rect();
  QList<QMdiSubWindow*> windows = main().mdiArea()->subWindowList();
  ASSERT_EQ(windows.size(), 2);
  std::sort(windows.begin(), windows.end(), [](auto* a, auto* b) { return a->y() < b->y(); });
  for (const QMdiSubWindow* sub : windows) {
    EXPECT_FALSE(sub->isMaximized());
    EXPECT_EQ(sub->x(), 0);
    EXPECT_EQ(sub->width(), area.width());
    EXPECT_GE(sub->height(), area.height() / 2);
  }
  EXPECT_EQ(windows[0]->y(), 0);
  EXPECT_EQ(windows[1]->y(), windows[0]->geometry().bottom() + 1);
  EXPECT_EQ(windows[1]->geometry().bottom() + 1, area.height());
}

TEST_F(MainWindowTest, AboutBoxClosesWithGotIt) {
  bool shown = false;
  QTimer::singleShot(0, [&] {
    shown = windows->frmAbout.isVisible();
    windows->frmAbout.btnGotIt->click();
  });
  main().miAbout->trigger();
  EXPECT_TRUE(shown);
  EXPECT_FALSE(windows->frmAbout.isVisible());
  EXPECT_EQ(windows->frmAbout.windowTitle(), "About");
  EXPECT_EQ(windows->frmAbout.btnGotIt->text(), "Got it");
}

}  // namespace
