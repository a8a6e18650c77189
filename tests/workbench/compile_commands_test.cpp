// The Compile commands on the active editor: verdict, message panes, the
// launcher, and the jump from a diagnostic to its line.
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextCursor>

#include "workbench/main_window.h"
#include "workbench/process_window.h"
#include "workbench_fixture.h"

namespace {

class CompileCommandsTest : public WorkbenchTest {
 protected:
  // Opens a saved source file in an editor window.
  TfrmQVEdit& openSource(const QString& name, const std::string& text) {
    writeBytes(path(name), text);
    TfrmQVEdit* editor = main().OpenSourceFile(path(name));
    EXPECT_NE(editor, nullptr);
    return *editor;
  }
  static QStringList lines(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) texts << list.item(i)->text();
    return texts;
  }
  static QString tabCaption(const TfrmQVEdit& editor, QWidget* tab) {
    return editor.pcErrors->tabText(editor.pcErrors->indexOf(tab));
  }
  static QString selectedText(const QPlainTextEdit& memo) { return memo.textCursor().selectedText(); }
};

TEST_F(CompileCommandsTest, WithoutAnEditorBothCommandsOnlyAsk) {
  main().Compile2Click();
  main().CompileRun1Click();
  EXPECT_EQ(dialogs.messages, (QStringList{"Open a .QV3 source first...", "Open a .QV3 source first..."}));
  EXPECT_TRUE(launcher.requests.empty());
}

TEST_F(CompileCommandsTest, WarningsOnlyStartTheProgramFromTheDocumentsFolder) {
  TfrmQVEdit& editor = openSource("Game.qv3", " ORIGIN $1000\r\n LDA.8 $10\r\n RTS\r\n");
  EXPECT_EQ(tabCaption(editor, editor.tsErrors), "Status") << "before the first compile";
  main().CompileRun1Click();

  const QStringList status = lines(*editor.lbMessy);
  ASSERT_EQ(status.size(), 3);
  EXPECT_EQ(status[0], "*** compiling: " + QDir(folder.path()).absolutePath() + "/game");
  EXPECT_EQ(status[1],
            "Warning in file [game]: Unknown addressing mode postfix (at line: 2 \" LDA.8 $10\", pass: 1)");
  EXPECT_EQ(status[2], "Success (game)!");
  EXPECT_EQ(tabCaption(editor, editor.tsErrors), "Status (3)");
  EXPECT_EQ(tabCaption(editor, editor.tsHints), "Hints (0)");
  EXPECT_EQ(editor.lbMessy->currentRow(), -1) << "3 lines or fewer are not selected";
  EXPECT_FALSE(main().compileSession().FatalFlag);

  ASSERT_EQ(launcher.requests.size(), 1u);
  EXPECT_EQ(launcher.requests[0].program, QDir(folder.path()).absoluteFilePath("game.prg"));
  EXPECT_EQ(launcher.requests[0].folder, QDir(folder.path()).absolutePath());
  EXPECT_EQ(readBytes(path("game.prg")), std::string("\x00\x10\xA5\x10\x60", 5));
  // The label file for the emulator lies outside the project folder.
  EXPECT_FALSE(launcher.requests[0].labels.startsWith(folder.path()));
  EXPECT_EQ(readBytes(launcher.requests[0].labels), "");
}

TEST_F(CompileCommandsTest, AFatalErrorEndsWithTheVerdictSelectedAndStartsNothing) {
  TfrmQVEdit& editor = openSource("bad.qv3", " ORIGIN $1000\nSTART: LDA #1\n JMP NOWHERE\n LDX #$1G\n");
  main().CompileRun1Click();

  const QStringList status = lines(*editor.lbMessy);
  ASSERT_GT(status.size(), 3);
  EXPECT_EQ(status.back(), "Compile failed because of fatal error(s)!");
  EXPECT_EQ(editor.lbMessy->currentRow(), status.size() - 1);
  EXPECT_EQ(tabCaption(editor, editor.tsErrors), QString("Status (%1)").arg(status.size()));
  EXPECT_EQ(lines(*editor.lbMessy2), QStringList{"Hint: START never used"});
  EXPECT_EQ(tabCaption(editor, editor.tsHints), "Hints (1)");
  EXPECT_TRUE(main().compileSession().FatalFlag);
  EXPECT_TRUE(launcher.requests.empty());
}

TEST_F(CompileCommandsTest, AFirstCompileErrorOfAModuleCompiledTwiceIsWithdrawn) {
  // main names lib and itself: main's first compile cannot read lib.qvo yet.
  writeBytes(path("lib.qv3"), " ORIGIN $2000\nVALUE = $42\n RTS\n");
  TfrmQVEdit& editor =
      openSource("main.qv3", " ORIGIN $1000\n COMPILE LIB, MAIN\n LDA #@LIB.VALUE\n RTS\n");
  main().CompileRun1Click();

  for (const QString& line : lines(*editor.lbMessy))
    EXPECT_FALSE(line.startsWith("Fatal")) << line.toStdString();
  EXPECT_FALSE(main().compileSession().FatalFlag);
  EXPECT_EQ(launcher.requests.size(), 1u);
  EXPECT_EQ(readBytes(path("main.prg")), std::string("\x00\x10\xA9\x42\x60", 5));
}

TEST_F(CompileCommandsTest, EveryModuleOpenInAWindowIsAssembledAsTheWindowShowsIt) {
  // main names lib and itself, so main's second compile reads it as a
  // dependent, from its window rather than from its file.
  TfrmQVEdit& lib = openSource("lib.qv3", " ORIGIN $2000\nVALUE = $42\n RTS\n");
  TfrmQVEdit& defs = openSource("defs.inc", "COUNT = 1\n");
  const std::string savedMain = " ORIGIN $1000\n COMPILE LIB, MAIN\n LDA #@LIB.VALUE\n RTS\n";
  TfrmQVEdit& editor = openSource("main.qv3", savedMain);
  ASSERT_EQ(main().activeEditor(), &editor);
  main().Compile2Click();
  const std::string goodProgram("\x00\x10\xA9\x42\x60", 5);
  ASSERT_EQ(readBytes(path("main.prg")), goodProgram);

  // An unsaved error survives the second compile: the verdict names it.
  editor.mCode->setPlainText(" ORIGIN $1000\n COMPILE LIB, MAIN\n LDQ #1\n RTS");
  main().CompileRun1Click();
  const QStringList failed = lines(*editor.lbMessy);
  EXPECT_TRUE(failed.contains("Fatal in file [main]: Unknown instruction word (at line: 3 \" LDQ #1\", pass: 2)"))
      << failed.join('\n').toStdString();
  EXPECT_EQ(failed.back(), "Compile failed because of fatal error(s)!");
  EXPECT_TRUE(main().compileSession().FatalFlag);
  EXPECT_TRUE(launcher.requests.empty());
  EXPECT_EQ(readBytes(path("main.prg")), goodProgram) << "the last good program stays";

  // Mended, still unsaved, with unsaved values in the dependent's and the
  // INCLUDEd file's windows.
  lib.mCode->setPlainText(" ORIGIN $2000\nVALUE = $43\n RTS");
  defs.mCode->setPlainText("COUNT = 2");
  editor.mCode->setPlainText(" ORIGIN $1000\n COMPILE LIB, MAIN\n INCLUDE DEFS.INC\n LDA #@LIB.VALUE\n LDX #COUNT\n RTS");
  main().mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(editor.parentWidget()));
  ASSERT_EQ(main().activeEditor(), &editor);
  main().CompileRun1Click();
  EXPECT_FALSE(main().compileSession().FatalFlag) << lines(*editor.lbMessy).join('\n').toStdString();
  EXPECT_EQ(launcher.requests.size(), 1u);
  EXPECT_EQ(readBytes(path("main.prg")), std::string("\x00\x10\xA9\x43\xA2\x02\x60", 7));
  EXPECT_EQ(readBytes(path("main.qv3")), savedMain) << "compiling saves nothing";
  EXPECT_TRUE(editor.IsModified() && lib.IsModified() && defs.IsModified());
}

TEST_F(CompileCommandsTest, ANewDocumentCompilesAsAnonymusInTheCurrentFolder) {
  main().New1Click();
  main().activeEditor()->mCode->setPlainText(" ORIGIN $1000\n NOP");
  main().CompileRun1Click();
  EXPECT_EQ(readBytes(path("anonymus.prg")), std::string("\x00\x10\xEA", 3));
  ASSERT_EQ(launcher.requests.size(), 1u);
  EXPECT_EQ(launcher.requests[0].program, QDir(folder.path()).absoluteFilePath("anonymus.prg"));
}

TEST_F(CompileCommandsTest, AnAbandonedCompileKeepsTheCaptionsAndLeavesTheProgressWindowOpen) {
  TfrmQVEdit& editor = openSource("blocked.qv3", " ORIGIN $1000\n NOP\n");
  main().Compile2Click();
  ASSERT_EQ(tabCaption(editor, editor.tsErrors), "Status (2)");
  ASSERT_TRUE(QFile::remove(path("blocked.prg")));
  ASSERT_TRUE(QDir(folder.path()).mkdir("blocked.prg"));  // the output cannot be created

  main().CompileRun1Click();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(dialogs.errors[0].contains("blocked.prg")) << dialogs.errors[0].toStdString();
  EXPECT_EQ(tabCaption(editor, editor.tsErrors), "Status (2)");
  EXPECT_TRUE(main().frmProcess()->isVisible());
  EXPECT_TRUE(launcher.requests.empty());
  main().frmProcess()->close();
}

TEST_F(CompileCommandsTest, TheProgressWindowClosesAfterASuccessfulCompile) {
  openSource("quick.qv3", " ORIGIN $1000\n NOP\n");
  main().Compile2Click();
  EXPECT_FALSE(main().frmProcess()->isVisible());
  EXPECT_EQ(main().frmProcess()->lbWhat->text(), "All OK");
}

class MessageJumpTest : public CompileCommandsTest {
 protected:
  // Double-clicks the first diagnostic line of the editor's Status list.
  void doubleClickDiagnostic(TfrmQVEdit& editor, const QString& containing) {
    for (int i = 0; i < editor.lbMessy->count(); ++i) {
      if (!editor.lbMessy->item(i)->text().contains(containing)) continue;
      editor.lbMessy->setCurrentRow(i);
      main().lbMessyDblClick(editor);
      return;
    }
    ADD_FAILURE() << "no line with " << containing.toStdString();
  }
};

TEST_F(MessageJumpTest, ADiagnosticOfAClosedDependentOpensItAndSelectsTheLine) {
  writeBytes(path("lib.qv3"), " ORIGIN $2000\r\n NOP\r\n\r\n BOGUS\r\n");
  TfrmQVEdit& top = openSource("top.qv3", " ORIGIN $1000\n COMPILE lib\n RTS\n");
  main().Compile2Click();
  ASSERT_EQ(main().editors().size(), 1u);

  doubleClickDiagnostic(top, "Unknown instruction word");
  ASSERT_EQ(main().editors().size(), 2u);
  TfrmQVEdit* lib = main().activeEditor();
  ASSERT_NE(lib, &top);
  EXPECT_EQ(lib->caption(), "lib.qv3");
  EXPECT_EQ(selectedText(*lib->mCode), " BOGUS");

  // A second jump finds the open window instead of opening another.
  doubleClickDiagnostic(top, "Unknown instruction word");
  EXPECT_EQ(main().editors().size(), 2u);
}

TEST_F(MessageJumpTest, TheLastLineAndLinesWithoutARecord) {
  // A final-origin warning carries the number of the module's last line.
  TfrmQVEdit& editor = openSource("big.qv3", " ORIGIN $FD00\n LEAP 16\n");
  main().Compile2Click();
  editor.mCode->moveCursor(QTextCursor::Start);
  doubleClickDiagnostic(editor, "Final origin is above $FD00");
  EXPECT_EQ(selectedText(*editor.mCode), " LEAP 16");

  editor.mCode->moveCursor(QTextCursor::Start);
  doubleClickDiagnostic(editor, "Success (big)!");
  EXPECT_EQ(editor.mCode->textCursor().position(), 0) << "a line without a record does nothing";
}

TEST_F(MessageJumpTest, LineNumbersOutsideTheTextSelectNothing) {
  TfrmQVEdit& editor = openSource("gap.qv3", " ORIGIN $1000\n\n BOGUS\n");
  main().Compile2Click();
  // The text shrinks after the compile: line 3 is now just past the end,
  // then beyond it.
  editor.mCode->setPlainText(" ORIGIN $1000\n NOP");
  editor.mCode->moveCursor(QTextCursor::Start);
  doubleClickDiagnostic(editor, "Unknown instruction word");
  EXPECT_EQ(selectedText(*editor.mCode), "") << "index = line count: caret at the end";
  EXPECT_EQ(editor.mCode->textCursor().position(), editor.mCode->document()->characterCount() - 1);

  editor.mCode->setPlainText("");
  editor.mCode->moveCursor(QTextCursor::Start);
  doubleClickDiagnostic(editor, "Unknown instruction word");
  EXPECT_EQ(editor.mCode->textCursor().position(), 0) << "beyond the text: nothing selected";
}

TEST_F(MessageJumpTest, AnEmptyLineGivesAnEmptySelectionAtItsStart) {
  TfrmQVEdit& editor = openSource("empty.qv3", " NOP\n ORIGIN $1G\n NOP\n");
  main().Compile2Click();
  editor.mCode->setPlainText("A\n\nC");
  doubleClickDiagnostic(editor, "Invalid number!");
  EXPECT_EQ(editor.mCode->textCursor().selectionStart(), 2);
  EXPECT_EQ(selectedText(*editor.mCode), "");
}

}  // namespace
