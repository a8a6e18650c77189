// SPDX-License-Identifier: GPL-3.0-or-later
// Rename Symbol, completion, references across modules and go to definition
// into an INCLUDEd file, on a copy of the two-module example.
#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QFile>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "engine/compile_command.h"
#include "engine/session.h"
#include "workbench/document_io.h"
#include "workbench/editor/completion_popup.h"
#include "workbench/editor/editor_intelligence.h"
#include "workbench/editor/live_check.h"
#include "workbench/editor/references_pane.h"
#include "workbench/editor/symbol_rename.h"
#include "workbench/latin1.h"
#include "workbench/main_window.h"
#include "workbench_fixture.h"

namespace {

std::string ExampleFile(const char* name) {
  QFile file(QStringLiteral(QV3_SOURCE_DIR "/examples/twomodule/") + QString::fromLatin1(name));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().toStdString();
}

class CrossModuleEditingTest : public WorkbenchTest {
 protected:
  void SetUp() override {
    WorkbenchTest::SetUp();
    for (const char* name : {"main.qv3", "lib.qv3", "shared.inc"}) {
      const std::string bytes = ExampleFile(name);
      ASSERT_FALSE(bytes.empty()) << name;
      writeBytes(path(name), bytes);
    }
  }
  EditorIntelligence& intelligence() { return *main().editorIntelligence(); }
  bool waitForCheck(TfrmQVEdit& editor) {
    LiveCheck& check = intelligence().liveCheck(editor);
    return QTest::qWaitFor([&] { return !check.isPending() && check.latest(); }, 10000);
  }
  TfrmQVEdit& open(const char* name) {
    TfrmQVEdit* editor = main().OpenSourceFile(path(name));
    EXPECT_NE(editor, nullptr) << name;
    EXPECT_TRUE(waitForCheck(*editor));
    return *editor;
  }
  // The caret offset characters into the first occurrence of word that
  // stands on a line whose text starts with lineStart.
  static void placeCaret(TfrmQVEdit& editor, const QString& lineStart, const QString& word, int offset = 1) {
    for (QTextBlock block = editor.mCode->document()->begin(); block.isValid(); block = block.next()) {
      if (!block.text().startsWith(lineStart)) continue;
      const auto column = block.text().indexOf(word);
      ASSERT_GE(column, 0);
      QTextCursor caret(block);
      caret.setPosition(block.position() + static_cast<int>(column) + offset);
      editor.mCode->setTextCursor(caret);
      editor.mCode->setFocus();
      return;
    }
    FAIL() << "no line starts with " << lineStart.toStdString();
  }
  static QString text(const TfrmQVEdit& editor) { return editor.mCode->toPlainText(); }
  static QString fileText(const std::string& bytes) { return Latin1(qv3::EditorTextFromFileBytes(bytes)); }
  TfrmQVEdit* editorCalled(const QString& caption) {
    for (TfrmQVEdit* editor : main().editors())
      if (editor->caption() == caption) return editor;
    return nullptr;
  }
  QString status() { return main().statusBar()->currentMessage(); }
};

TEST_F(CrossModuleEditingTest, RenameReachesAFileNotOpenLeavesItUnsavedAndUndoesInOneStep) {
  TfrmQVEdit& mainEditor = open("main.qv3");
  const QString mainBefore = text(mainEditor);
  placeCaret(mainEditor, "        JSR @LIB.CLEARSCREEN", "CLEARSCREEN", 3);

  dialogs.textAnswers = {QStringLiteral("WipeScreen")};
  press(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
  ASSERT_EQ(dialogs.textQuestions.size(), 1u);
  EXPECT_TRUE(dialogs.textQuestions[0].text.endsWith("[CLEARSCREEN]")) << "proposes the name as written";

  TfrmQVEdit* lib = editorCalled("lib.qv3");
  ASSERT_NE(lib, nullptr) << "the defining module is opened to be edited";
  EXPECT_TRUE(lib->IsModified());
  EXPECT_EQ(readBytes(path("lib.qv3")), ExampleFile("lib.qv3")) << "nothing written behind the user's back";
  EXPECT_EQ(main().activeEditor(), &mainEditor) << "the window the rename started in stays active";
  // Code changes, comments do not: lib's header comment names @LIB.CLEARSCREEN too.
  EXPECT_TRUE(text(*lib).contains("\nWipeScreen:\n"));
  EXPECT_TRUE(text(*lib).contains("(@LIB.CLEARSCREEN, @LIB.SHOWTEXT)"));
  EXPECT_TRUE(text(mainEditor).contains("        JSR @LIB.WipeScreen    // an address"));
  EXPECT_TRUE(text(mainEditor).contains("\"@LIB.NAME\""));
  EXPECT_EQ(text(mainEditor).count("CLEARSCREEN"), mainBefore.count("CLEARSCREEN") - 1);
  EXPECT_TRUE(status().startsWith("Renamed CLEARSCREEN to WipeScreen: 2 places in 2 files")) << status().toStdString();

  // One undo in each window puts its text back (availableUndoSteps counts
  // the commands inside a step, so the texts tell).
  lib->mCode->undo();
  mainEditor.mCode->undo();
  EXPECT_EQ(text(*lib), fileText(ExampleFile("lib.qv3")));
  EXPECT_FALSE(lib->mCode->document()->isUndoAvailable()) << "the rename was its only step";
  EXPECT_EQ(text(mainEditor), mainBefore);
}

// The object file on disk still holds the old name; the windows' checks
// read what the other windows' texts would write, so nothing needs saving.
// The same goes for an INCLUDEd file edited in its window.
TEST_F(CrossModuleEditingTest, AfterARenameAcrossModulesTheChecksAgreeWithNothingSaved) {
  qv3::CompileSession compile;  // lib.qvo and lib.prg, as after an earlier compile
  ASSERT_FALSE(qv3::RunCompileCommand(compile, qv3::SourceText(ExampleFile("main.qv3")), "main",
                                      Bytes(folder.path()) + "/")
                   .Abandoned);
  ASSERT_FALSE(compile.FatalFlag);
  const std::string objectBefore = readBytes(path("lib.qvo"));
  TfrmQVEdit& mainEditor = open("main.qv3");
  TfrmQVEdit& lib = open("lib.qv3");
  placeCaret(mainEditor, "        JSR @LIB.CLEARSCREEN", "CLEARSCREEN", 3);
  dialogs.textAnswers = {QStringLiteral("BEEPON")};
  ASSERT_TRUE(main().symbolRename()->renameAtCaret()) << status().toStdString();
  ASSERT_TRUE(text(lib).contains("\nBEEPON:\n"));

  const auto fatalLines = [](TfrmQVEdit& editor, LiveCheck& check) {
    QStringList lines;
    if (const auto snapshot = check.latest())
      if (const qv3::ModuleKnowledge* top = snapshot->Result.Knowledge.TopModule())
        for (const qv3::LineDiagnostic& diagnostic : top->Diagnostics)
          if (diagnostic.Fatal) lines << Latin1(diagnostic.Text);
    if (!check.latest()) lines << editor.caption() + " not checked";
    return lines;
  };
  LiveCheck& mainCheck = intelligence().liveCheck(mainEditor);
  LiveCheck& libCheck = intelligence().liveCheck(lib);
  QTest::qWaitFor([&] {
    return !mainCheck.isPending() && !libCheck.isPending() && fatalLines(mainEditor, mainCheck).isEmpty();
  }, 10000);
  EXPECT_EQ(fatalLines(mainEditor, mainCheck), QStringList()) << "JSR @LIB.BEEPON is known";
  EXPECT_EQ(fatalLines(lib, libCheck), QStringList());
  EXPECT_TRUE(mainEditor.IsModified() && lib.IsModified());
  EXPECT_EQ(readBytes(path("lib.qvo")), objectBefore) << "a check writes nothing";

  // A name the other window no longer defines is unknown at once.
  placeCaret(lib, "BEEPON:", "BEEPON", 0);
  lib.mCode->textCursor().insertText("X");  // XBEEPON
  QTest::qWaitFor([&] { return !fatalLines(mainEditor, mainCheck).isEmpty(); }, 10000);
  // (An unknown name reads as 0, so the JSR is refused as a zero-page one as well.)
  const QStringList unknown = fatalLines(mainEditor, mainCheck);
  EXPECT_EQ(unknown.filter("Unknown constant/label").filter("JSR @LIB.BEEPON").size(), 1)
      << unknown.join('\n').toStdString();

  // An INCLUDEd file open in a window counts as it shows there: its edit
  // checks the including module again.
  TfrmQVEdit& shared = open("shared.inc");
  placeCaret(shared, "TEXTPTR =", "TEXTPTR", 0);
  shared.mCode->textCursor().insertText("MY");  // MYTEXTPTR
  QTest::qWaitFor([&] { return !fatalLines(mainEditor, mainCheck).filter("TEXTPTR").isEmpty(); }, 10000);
  EXPECT_EQ(fatalLines(mainEditor, mainCheck).filter("Unknown constant/label").filter("STA TEXTPTR").size(), 2)
      << fatalLines(mainEditor, mainCheck).join('\n').toStdString();
  EXPECT_EQ(readBytes(path("shared.inc")), ExampleFile("shared.inc"));
}

TEST_F(CrossModuleEditingTest, AModulesOwnUsesChangeInOneStepAndUntouchedModulesStayClosed) {
  TfrmQVEdit& lib = open("lib.qv3");
  const QString before = text(lib);
  placeCaret(lib, "CLEARLOOP:", "CLEARLOOP", 9);  // just after the name counts as on it
  dialogs.textAnswers = {QStringLiteral("FillLoop")};
  ASSERT_TRUE(main().symbolRename()->renameAtCaret()) << status().toStdString();
  EXPECT_TRUE(text(lib).contains("\nFillLoop:\n") && text(lib).contains("BNE FillLoop\n"));
  EXPECT_FALSE(text(lib).contains("CLEARLOOP"));
  EXPECT_TRUE(status().startsWith("Renamed CLEARLOOP to FillLoop: 2 places in 1 file")) << status().toStdString();
  EXPECT_EQ(main().editors().size(), 1u) << "main uses lib, but not this name: it is not opened";
  lib.mCode->undo();
  EXPECT_EQ(text(lib), before) << "both places come back with one undo";
}

TEST_F(CrossModuleEditingTest, RenamingInAnIncludedFileRenamesTheUsesOfEveryModuleThatIncludesIt) {
  TfrmQVEdit& shared = open("shared.inc");
  placeCaret(shared, "TEXTPTR = $D8", "TEXTPTR");
  dialogs.textAnswers = {QStringLiteral("TEXTPOINTER")};
  ASSERT_TRUE(main().symbolRename()->renameAtCaret()) << status().toStdString();
  EXPECT_TRUE(text(shared).contains("\nTEXTPOINTER = $D8"));
  TfrmQVEdit* mainEditor = editorCalled("main.qv3");
  TfrmQVEdit* lib = editorCalled("lib.qv3");
  ASSERT_TRUE(mainEditor && lib) << "both modules include the file";
  EXPECT_TRUE(text(*mainEditor).contains("STA TEXTPOINTER\n") && text(*mainEditor).contains("STA TEXTPOINTER+1\n"));
  EXPECT_TRUE(text(*lib).contains("LDA (TEXTPOINTER),Y"));
  EXPECT_TRUE(text(*lib).contains("screen codes at TEXTPTR")) << "comments stay";
  EXPECT_FALSE(text(*mainEditor).contains("STA TEXTPTR"));

  // A module that includes the file and defines the new name already refuses it.
  for (TfrmQVEdit* editor : {&shared, mainEditor, lib}) editor->mCode->undo();
  placeCaret(shared, "DESTPTR = $DA", "DESTPTR");
  dialogs.textAnswers = {QStringLiteral("GETIN")};
  EXPECT_FALSE(main().symbolRename()->renameAtCaret());
  EXPECT_EQ(status(), "GETIN is already defined in module main, which includes shared.inc.");
  EXPECT_EQ(text(shared), fileText(ExampleFile("shared.inc")));
}

TEST_F(CrossModuleEditingTest, RefusalsSayWhyInTheStatusBarAndChangeNothing) {
  TfrmQVEdit& lib = open("lib.qv3");
  const QString before = text(lib);

  placeCaret(lib, "        LDX #0", "LDX");
  EXPECT_FALSE(main().symbolRename()->renameAtCaret());
  EXPECT_EQ(status(), "An opcode cannot be renamed.");
  EXPECT_TRUE(dialogs.textQuestions.empty()) << "no name is asked for what cannot be renamed";

  placeCaret(lib, "SCREENRAM  = $0C00", "$0C00");
  EXPECT_FALSE(main().symbolRename()->renameAtCaret());
  EXPECT_EQ(status(), "A number cannot be renamed.");

  // Another name of the module, written in another letter case, is a clash.
  placeCaret(lib, "        BNE CLEARLOOP", "CLEARLOOP");
  dialogs.textAnswers = {QStringLiteral("showloop")};
  EXPECT_FALSE(main().symbolRename()->renameAtCaret());
  EXPECT_EQ(status(), "SHOWLOOP is already defined in module lib.");

  // A name defined in the included file belongs to every module that includes it.
  placeCaret(lib, "        LDA (TEXTPTR),Y", "TEXTPTR");
  EXPECT_FALSE(main().symbolRename()->renameAtCaret());
  EXPECT_TRUE(status().contains("included file")) << status().toStdString();

  EXPECT_EQ(text(lib), before);
  EXPECT_EQ(lib.mCode->document()->availableUndoSteps(), 0);
  EXPECT_EQ(main().editors().size(), 1u);
}

TEST_F(CrossModuleEditingTest, DefinitionOfAnotherModuleThenItsReferencesIncludingModulesNotOpen) {
  TfrmQVEdit& mainEditor = open("main.qv3");
  placeCaret(mainEditor, "        JSR @LIB.SHOWTEXT", "SHOWTEXT");
  press(Qt::Key_F12);
  TfrmQVEdit* lib = main().activeEditor();
  ASSERT_NE(lib, &mainEditor);
  ASSERT_EQ(lib->caption(), "lib.qv3");
  const QTextCursor caret = lib->mCode->textCursor();
  EXPECT_EQ(caret.block().text(), "SHOWTEXT:");
  EXPECT_EQ(caret.positionInBlock(), 0) << "the caret at the start of the name";

  // Shift+F12 at once (once lib's own check is in) lists main's use as well.
  ASSERT_TRUE(waitForCheck(*lib));
  // main is closed, so only its file tells of the use.
  main().mdiArea()->subWindowList().first()->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(main().editors().size(), 1u);
  press(QKeySequence(Qt::SHIFT | Qt::Key_F12));
  QListWidget& rows = *intelligence().references()->list();
  ASSERT_EQ(rows.count(), 2) << "the definition in lib and the @LIB.SHOWTEXT use in main";
  EXPECT_TRUE(rows.item(0)->text().startsWith("lib ")) << rows.item(0)->text().toStdString();
  EXPECT_TRUE(rows.item(1)->text().startsWith("main ")) << rows.item(1)->text().toStdString();
  EXPECT_TRUE(rows.item(1)->text().endsWith("JSR @LIB.SHOWTEXT")) << "the line read from the file";

  // A click on the other module's row opens it at the use.
  QTest::mouseClick(rows.viewport(), Qt::LeftButton, {}, rows.visualItemRect(rows.item(1)).center());
  TfrmQVEdit* reopened = main().activeEditor();
  ASSERT_NE(reopened, lib);
  EXPECT_EQ(reopened->mCode->textCursor().selectedText(), "@LIB.SHOWTEXT");
}

TEST_F(CrossModuleEditingTest, GoToDefinitionOpensTheIncludedFileAtTheName) {
  TfrmQVEdit& mainEditor = open("main.qv3");
  placeCaret(mainEditor, "        STA DESTPTR+1", "DESTPTR");
  press(Qt::Key_F12);
  TfrmQVEdit* included = main().activeEditor();
  ASSERT_NE(included, &mainEditor) << "not the INCLUDE line of main";
  EXPECT_EQ(included->caption(), "shared.inc");
  const QTextCursor caret = included->mCode->textCursor();
  EXPECT_TRUE(caret.block().text().startsWith("DESTPTR = $DA")) << caret.block().text().toStdString();
  EXPECT_EQ(caret.positionInBlock(), 0);
  EXPECT_FALSE(included->IsModified());

  // Shift+F12 there lists the uses of both modules that include the file.
  ASSERT_TRUE(waitForCheck(*included));
  press(QKeySequence(Qt::SHIFT | Qt::Key_F12));
  QStringList rows;
  for (int row = 0; row < intelligence().references()->list()->count(); ++row)
    rows << intelligence().references()->list()->item(row)->text();
  ASSERT_EQ(rows.size(), 4) << rows.join('\n').toStdString();
  EXPECT_TRUE(rows[0].contains("(definition)"));
  EXPECT_EQ(rows.filter(QRegularExpression("^main .*STA DESTPTR")).size(), 2);
  EXPECT_EQ(rows.filter(QRegularExpression("^lib .*STA \\(DESTPTR\\),Y")).size(), 1);

  // Again from main: the open window is used, not a second one.
  main().mdiArea()->setActiveSubWindow(main().mdiArea()->subWindowList().first());
  placeCaret(mainEditor, "        STA TEXTPTR", "TEXTPTR");
  press(Qt::Key_F12);
  EXPECT_EQ(main().activeEditor(), included);
  EXPECT_TRUE(included->mCode->textCursor().block().text().startsWith("TEXTPTR = $D8"));
  EXPECT_EQ(main().editors().size(), 2u);
}

TEST_F(CrossModuleEditingTest, CompletionNarrowsWhileTypingAndReplacesThePartTyped) {
  TfrmQVEdit& lib = open("lib.qv3");
  QTextCursor end(lib.mCode->document());
  end.movePosition(QTextCursor::End);
  end.insertText("\tjmp sh");
  lib.mCode->setTextCursor(end);
  lib.mCode->setFocus();
  ASSERT_TRUE(waitForCheck(lib));

  press(QKeySequence(Qt::CTRL | Qt::Key_Space));
  CompletionPopup& popup = intelligence().completionPopup(lib);
  ASSERT_TRUE(popup.isVisible());
  EXPECT_EQ(popup.shownItems(), (QStringList{"SHOWDONE", "SHOWLOOP", "SHOWTEXT"})) << "the module's labels";
  // Typing on narrows the list; Enter puts the item in place of "sh" + "owt".
  for (const char typed : {'o', 'w', 't'}) QTest::keyClick(popup.completer()->popup(), typed);
  EXPECT_EQ(popup.shownItems(), QStringList{"SHOWTEXT"});
  QTest::keyClick(popup.completer()->popup(), Qt::Key_Return);
  EXPECT_FALSE(popup.isVisible());
  EXPECT_TRUE(text(lib).endsWith("\tjmp SHOWTEXT")) << text(lib).right(20).toStdString();

  // In the instruction's place: mnemonics and directives; Escape changes nothing.
  QTextCursor next = lib.mCode->textCursor();
  next.insertText("\n\tst");
  lib.mCode->setTextCursor(next);
  press(QKeySequence(Qt::CTRL | Qt::Key_Space));
  ASSERT_TRUE(popup.isVisible());
  EXPECT_TRUE(popup.shownItems().contains("STA") && popup.shownItems().contains("STRIP"))
      << popup.shownItems().join(' ').toStdString();
  QTest::keyClick(popup.completer()->popup(), Qt::Key_Escape);
  EXPECT_FALSE(popup.isVisible());
  EXPECT_TRUE(text(lib).endsWith("\n\tst"));
}

TEST_F(CrossModuleEditingTest, CompletionAfterAModuleNameOffersItsObjectFileAndTabInserts) {
  qv3::CompileSession compile;  // writes lib.qvo
  ASSERT_FALSE(qv3::RunCompileCommand(compile, qv3::SourceText(ExampleFile("lib.qv3")), "lib",
                                      Bytes(folder.path()) + "/")
                   .Abandoned);
  main().New1Click();
  TfrmQVEdit& editor = *main().activeEditor();
  editor.mCode->setPlainText("\tJSR @lib.cl");
  editor.mCode->moveCursor(QTextCursor::End);
  press(QKeySequence(Qt::CTRL | Qt::Key_Space));
  CompletionPopup& popup = intelligence().completionPopup(editor);
  ASSERT_TRUE(popup.isVisible());
  EXPECT_EQ(popup.shownItems(), (QStringList{"CLEARLOOP", "CLEARSCREEN"}));
  QTest::keyClick(popup.completer()->popup(), Qt::Key_Down);
  QTest::keyClick(popup.completer()->popup(), Qt::Key_Tab);
  EXPECT_EQ(text(editor), "\tJSR @lib.CLEARSCREEN") << "only the part after the dot is replaced";

  // Nothing to offer: a message, no list.
  editor.mCode->setPlainText("\tJSR @lib.zz");
  editor.mCode->moveCursor(QTextCursor::End);
  EXPECT_FALSE(intelligence().completeAtCaret(editor));
  EXPECT_FALSE(popup.isVisible());
  EXPECT_EQ(status(), "Nothing to complete here");
}

}  // namespace
