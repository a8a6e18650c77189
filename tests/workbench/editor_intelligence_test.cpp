// The editor's knowledge of the code, headless: diagnostics while typing
// (and that they leave the text, its undo history, the modified state and
// the compile state alone), go to definition across modules, Ctrl+click,
// find references and the outline.
#include <QDir>
#include <QListWidget>
#include <QMdiArea>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>

#include "engine/compile_command.h"
#include "engine/session.h"
#include "workbench/editor/code_editor.h"
#include "workbench/editor/diagnostic_marks.h"
#include "workbench/editor/editor_intelligence.h"
#include "workbench/latin1.h"
#include "workbench/editor/inactive_lines.h"
#include "workbench/editor/live_check.h"
#include "workbench/editor/outline_dock.h"
#include "workbench/editor/references_pane.h"
#include "workbench_fixture.h"

namespace {

class EditorIntelligenceTest : public WorkbenchTest {
 protected:
  EditorIntelligence& intelligence() { return *main().editorIntelligence(); }
  LiveCheck& check(TfrmQVEdit& editor) { return intelligence().liveCheck(editor); }
  // Waits until the editor's newest check has arrived.
  bool waitForCheck(TfrmQVEdit& editor) {
    return QTest::qWaitFor([&] { return !check(editor).isPending() && check(editor).latest(); }, 10000);
  }
  TfrmQVEdit& newDocument(const QString& text) {
    main().New1Click();
    TfrmQVEdit& editor = *main().activeEditor();
    editor.mCode->setPlainText(text);
    return editor;
  }
  // Puts the caret into the first occurrence of word on the 0-based line.
  static void placeCaret(TfrmQVEdit& editor, int blockNumber, const QString& word, int offset = 1) {
    const QTextBlock block = editor.mCode->document()->findBlockByNumber(blockNumber);
    const int column = static_cast<int>(block.text().indexOf(word));
    ASSERT_GE(column, 0) << word.toStdString();
    QTextCursor caret(block);
    caret.setPosition(block.position() + column + offset);
    editor.mCode->setTextCursor(caret);
  }
  static int selectedLine(const TfrmQVEdit& editor) { return editor.mCode->textCursor().block().blockNumber(); }
  static QString selected(const TfrmQVEdit& editor) { return editor.mCode->textCursor().selectedText(); }
  static CodeEditor& code(TfrmQVEdit& editor) { return *qobject_cast<CodeEditor*>(editor.mCode); }
};

TEST_F(EditorIntelligenceTest, DiagnosticsWhileTypingMarkLinesAndChangeNothingElse) {
  writeBytes(path("game.qv3"), "ORIGIN $1000\r\n\tFOO\r\n\tLDA.8 $10  // old\r\n\tRTS\r\n");
  TfrmQVEdit& editor = *main().OpenSourceFile(path("game.qv3"));
  ASSERT_TRUE(waitForCheck(editor));

  const auto marks = code(editor).gutterMarks(kDiagnosticsLayer);
  ASSERT_EQ(marks.keys(), (QList<int>{1, 2}));
  EXPECT_EQ(marks[1].shape, CodeEditor::GutterMark::Shape::Dot) << "fatal";
  EXPECT_EQ(marks[1].toolTip, "Fatal: Unknown instruction word") << "the line is not quoted again";
  EXPECT_EQ(marks[2].shape, CodeEditor::GutterMark::Shape::Square) << "warning";
  EXPECT_NE(marks[1].colour, marks[2].colour);
  const auto underlines = code(editor).selectionLayer(kDiagnosticsLayer);
  ASSERT_EQ(underlines.size(), 2);
  EXPECT_EQ(underlines[0].format.underlineStyle(), QTextCharFormat::WaveUnderline);
  EXPECT_EQ(underlines[0].cursor.selectedText(), "FOO") << "the text, not its indentation";
  EXPECT_EQ(underlines[1].cursor.selectedText(), "LDA.8 $10") << "nor its comment";
  // Hovering the line shows the diagnostic's text.
  const int onFoo = editor.mCode->document()->findBlockByNumber(1).position() + 2;
  const QString hover = intelligence().hoverTextAt(editor, onFoo);
  EXPECT_TRUE(hover.startsWith("Fatal: Unknown instruction word") && !hover.contains("at line")) << hover.toStdString();

  // The check is no compile: no list, caption, verdict, file or state of it moves.
  EXPECT_FALSE(editor.IsModified());
  EXPECT_EQ(editor.mCode->document()->availableUndoSteps(), 0);
  EXPECT_EQ(editor.lbMessy->count(), 0);
  EXPECT_EQ(editor.pcErrors->tabText(0), "Status");
  EXPECT_FALSE(main().compileSession().FatalFlag);
  EXPECT_TRUE(main().compileSession().ModulesCompiledOnce.empty());
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"game.qv3"});

  // Mending the line clears its mark after the next check; the edit is one undo step.
  QTextCursor line(editor.mCode->document()->findBlockByNumber(1));
  line.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  line.insertText("\tNOP");
  const int undoSteps = editor.mCode->document()->availableUndoSteps();
  ASSERT_TRUE(waitForCheck(editor));
  EXPECT_EQ(code(editor).gutterMarks(kDiagnosticsLayer).keys(), QList<int>{2});
  EXPECT_EQ(editor.mCode->document()->availableUndoSteps(), undoSteps);
}

TEST_F(EditorIntelligenceTest, QuickFixMendsTheCaretLineInOneUndoStepAndTheTooltipOffersIt) {
  TfrmQVEdit& editor = newDocument("\tORIGIN $1000\nSTART:\tNOP\n\tLEAP 200\n\tBNE START\t// back\n\tSTA $12,Y\n\tRTS");
  ASSERT_TRUE(waitForCheck(editor));
  const QString sta = "Use STA.16 (STA has no zero-page $nn,Y form; $nnnn,Y reaches the zero page too)";
  const int onSta = editor.mCode->document()->findBlockByNumber(4).position() + 2;
  const QString hover = intelligence().hoverTextAt(editor, onSta);
  EXPECT_TRUE(hover.startsWith("Fatal: Addressing mode not applicable for this instruction\n")) << hover.toStdString();
  EXPECT_TRUE(hover.endsWith("\n\n" + intelligence().quickFixAction()->shortcut().toString(QKeySequence::NativeText) +
                             ": " + sta))
      << hover.toStdString();

  placeCaret(editor, 4, "STA");
  editor.mCode->setFocus();
  pressKey(QKeySequence(Qt::CTRL | Qt::Key_Period));
  EXPECT_EQ(editor.mCode->document()->findBlockByNumber(4).text(), "\tSTA.16 $12,Y");
  EXPECT_EQ(main().statusBar()->currentMessage(), sta);
  editor.mCode->undo();
  EXPECT_EQ(editor.mCode->document()->findBlockByNumber(4).text(), "\tSTA $12,Y") << "one undo step";
  editor.mCode->redo();

  // The branch's fix, once the check has seen the text as it is now.
  ASSERT_TRUE(waitForCheck(editor));
  placeCaret(editor, 3, "BNE");
  ASSERT_TRUE(intelligence().quickFixAtCaret()) << main().statusBar()->currentMessage().toStdString();
  EXPECT_TRUE(editor.mCode->toPlainText().contains("\tBEQ *+5\t// back\n\tJMP START\n\tSTA.16 $12,Y\n"))
      << editor.mCode->toPlainText().toStdString();
  ASSERT_TRUE(waitForCheck(editor));
  EXPECT_TRUE(code(editor).gutterMarks(kDiagnosticsLayer).isEmpty()) << "both lines assemble";

  placeCaret(editor, 0, "ORIGIN");
  EXPECT_FALSE(intelligence().quickFixAtCaret());
  EXPECT_EQ(main().statusBar()->currentMessage(), "No quick fix for this line");
}

TEST_F(EditorIntelligenceTest, ANewerEditSupersedesTheRunningCheck) {
  TfrmQVEdit& editor = newDocument("\tFOO\n");
  QSignalSpy delivered(&check(editor), &LiveCheck::checked);
  check(editor).checkNow();  // sees "FOO"
  editor.mCode->setPlainText("\tNOP\n\tBAR\n");
  ASSERT_TRUE(waitForCheck(editor));
  QTest::qWait(50);  // room for a stale result to arrive, were it not dropped
  EXPECT_EQ(delivered.count(), 1) << "the older run is never shown";
  ASSERT_EQ(check(editor).latest()->Lines.size(), 2u);
  EXPECT_EQ(check(editor).latest()->Lines[1], "\tBAR");
  EXPECT_EQ(code(editor).gutterMarks(kDiagnosticsLayer).keys(), QList<int>{1});
}

TEST_F(EditorIntelligenceTest, ClosingAWindowWhileItsCheckRunsEndsTheCheckQuietly) {
  QString text;
  for (int line = 0; line < 20000; ++line) text += QStringLiteral("L%1:\tLDA L%1\n").arg(line);
  TfrmQVEdit& editor = newDocument(text);
  check(editor).checkNow();
  dialogs.yesNoAnswers = {true};  // close it although it is modified
  main().mdiArea()->closeAllSubWindows();
  QTest::qWait(100);  // a result posted for the deleted window must be dropped
  EXPECT_TRUE(main().editors().empty());
}

TEST_F(EditorIntelligenceTest, GoToDefinitionOpensAndThenActivatesTheOtherModule) {
  const std::string gfx = "ORIGIN $2000\r\nBORDER = $FF19\r\nINIT:\tRTS\r\n";
  writeBytes(path("gfx.qv3"), gfx);
  qv3::CompileSession first;  // gfx's object file holds BORDER
  ASSERT_FALSE(qv3::RunCompileCommand(first, qv3::SourceText(gfx), "gfx", Bytes(folder.path()) + "/").Abandoned);
  writeBytes(path("main.qv3"), "ORIGIN $1000\r\n\tSTA @GFX.BORDER\r\n");
  TfrmQVEdit& mainEditor = *main().OpenSourceFile(path("main.qv3"));
  ASSERT_TRUE(waitForCheck(mainEditor));

  placeCaret(mainEditor, 1, "BORDER");
  press(Qt::Key_F12);
  TfrmQVEdit* gfxEditor = main().activeEditor();
  ASSERT_NE(gfxEditor, &mainEditor);
  EXPECT_EQ(gfxEditor->caption(), "gfx.qv3");
  EXPECT_EQ(selectedLine(*gfxEditor), 1);
  EXPECT_EQ(selected(*gfxEditor), "BORDER = $FF19") << "the definition's whole line";
  EXPECT_FALSE(gfxEditor->IsModified());

  // From the main module again: the open window is activated, not a new one made.
  main().mdiArea()->setActiveSubWindow(main().mdiArea()->subWindowList().first());
  mainEditor.mCode->setFocus();
  placeCaret(mainEditor, 1, "@GFX");
  press(Qt::Key_F12);
  EXPECT_EQ(main().activeEditor(), gfxEditor);
  EXPECT_EQ(main().editors().size(), 2u);
  EXPECT_FALSE(mainEditor.IsModified());
  EXPECT_EQ(mainEditor.mCode->document()->availableUndoSteps(), 0);
}

TEST_F(EditorIntelligenceTest, CtrlClickJumpsAndNothingKnownSaysSo) {
  TfrmQVEdit& editor = newDocument("LOOP:\tNOP\n\tBNE LOOP\n");
  placeCaret(editor, 1, "LOOP");
  EXPECT_FALSE(intelligence().goToDefinitionAtCaret()) << "not checked yet";
  EXPECT_TRUE(main().statusBar()->currentMessage().contains("Nothing is known")) << main().statusBar()->currentMessage().toStdString();
  ASSERT_TRUE(waitForCheck(editor));

  QTextCursor onUse(editor.mCode->document()->findBlockByNumber(1));
  onUse.setPosition(onUse.position() + 6);
  const QPoint point = editor.mCode->cursorRect(onUse).center() + QPoint(2, 0);
  QTest::mouseClick(editor.mCode->viewport(), Qt::LeftButton, Qt::ControlModifier, point);
  EXPECT_EQ(selectedLine(editor), 0);
  EXPECT_EQ(selected(editor), "LOOP:\tNOP");

  // On a word that names nothing: a message, and the caret stays.
  placeCaret(editor, 0, "NOP");
  EXPECT_FALSE(intelligence().goToDefinitionAtCaret());
  EXPECT_TRUE(main().statusBar()->currentMessage().contains("No label or constant"));
  EXPECT_EQ(selectedLine(editor), 0);
}

TEST_F(EditorIntelligenceTest, BranchesNotTakenAreGreyedAndMacrosAreInTheOutline) {
  TfrmQVEdit& editor = newDocument(
      "PAL = 1\nORIGIN $1000\nMACRO BORDER COLOUR\n\tLDA #COLOUR\nENDMACRO\n"
      "IF PAL\n\tBORDER 1\nELSE\n\tBORDER 2\n\tNOP\nENDIF\n");
  ASSERT_TRUE(waitForCheck(editor));
  QList<int> greyed;
  for (const QTextEdit::ExtraSelection& line : code(editor).selectionLayer(kInactiveLinesLayer)) {
    greyed.append(line.cursor.blockNumber());
    EXPECT_EQ(line.cursor.selectedText(), line.cursor.block().text()) << "the whole line";
  }
  EXPECT_EQ(greyed, (QList<int>{8, 9})) << "the ELSE branch";

  main().findChild<QAction*>("showOutline")->trigger();
  OutlineDock& outline = *intelligence().outline();
  QStringList rows;
  for (int row = 0; row < outline.list()->count(); ++row) rows.append(outline.list()->item(row)->text());
  EXPECT_EQ(rows, (QStringList{"PAL = $01", "MACRO BORDER COLOUR"}));

  // An edit that takes the other branch greys the first one instead.
  editor.mCode->setPlainText(editor.mCode->toPlainText().replace("PAL = 1", "PAL = 0"));
  ASSERT_TRUE(waitForCheck(editor));
  greyed.clear();
  for (const QTextEdit::ExtraSelection& line : code(editor).selectionLayer(kInactiveLinesLayer))
    greyed.append(line.cursor.blockNumber());
  EXPECT_EQ(greyed, QList<int>{6});
}

TEST_F(EditorIntelligenceTest, ReferencesPaneAndOutlineSelectTheirLines) {
  TfrmQVEdit& editor = newDocument("SCREEN = $0C00\nORIGIN $1000\nLOOP:\tSTA SCREEN\n\tINC LOOP+1\n\tJMP LOOP\n");
  ASSERT_TRUE(waitForCheck(editor));

  placeCaret(editor, 4, "LOOP");
  press(QKeySequence(Qt::SHIFT | Qt::Key_F12));
  ReferencesPane& pane = *intelligence().references();
  EXPECT_TRUE(pane.isVisible());
  ASSERT_EQ(pane.list()->count(), 3) << "the definition and two uses";
  EXPECT_TRUE(pane.list()->item(0)->text().contains("(definition)"));
  EXPECT_TRUE(pane.list()->item(1)->text().contains("INC LOOP+1"));
  QListWidgetItem* use = pane.list()->item(1);
  QTest::mouseClick(pane.list()->viewport(), Qt::LeftButton, {}, pane.list()->visualItemRect(use).center());
  EXPECT_EQ(selectedLine(editor), 3);
  EXPECT_EQ(selected(editor), "LOOP");

  // Shown after the check came: filled from it when it opens.
  OutlineDock& outline = *intelligence().outline();
  EXPECT_FALSE(outline.isVisible());
  main().findChild<QAction*>("showOutline")->trigger();
  ASSERT_TRUE(outline.isVisible());
  ASSERT_EQ(outline.list()->count(), 2);
  EXPECT_EQ(outline.list()->item(0)->text(), "SCREEN = $0C00");
  EXPECT_EQ(outline.list()->item(1)->text(), "LOOP:  $1000");
  QTest::mouseClick(outline.list()->viewport(), Qt::LeftButton, {},
                    outline.list()->visualItemRect(outline.list()->item(0)).center());
  EXPECT_EQ(selectedLine(editor), 0);
  EXPECT_EQ(selected(editor), "SCREEN = $0C00") << "the whole line";

  // The outline follows edits, in source order.
  QTextCursor end(editor.mCode->document());
  end.movePosition(QTextCursor::End);
  end.insertText("DONE:\tRTS\n");
  ASSERT_TRUE(waitForCheck(editor));
  ASSERT_EQ(outline.list()->count(), 3);
  EXPECT_EQ(outline.list()->item(2)->text(), "DONE:  $1009");
}

}  // namespace
