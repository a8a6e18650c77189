#include "workbench/editor/editor_intelligence.h"

#include <QAction>
#include <QFileInfo>
#include <QHelpEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextBlock>
#include <QToolTip>
#include <algorithm>
#include <map>

#include "engine/file_system.h"
#include "engine/source_text.h"
#include "language/check_object_text.h"
#include "language/completion.h"
#include "language/quick_fixes.h"
#include "workbench/editor/code_editor.h"
#include "workbench/editor/completion_popup.h"
#include "workbench/editor/editor_workspace.h"
#include "workbench/editor/diagnostic_marks.h"
#include "workbench/editor/inactive_lines.h"
#include "workbench/editor_window.h"
#include "language/hover_text.h"
#include "workbench/latin1.h"
#include "workbench/editor/live_check.h"
#include "workbench/main_window.h"
#include "workbench/editor/outline_dock.h"
#include "workbench/process_window.h"
#include "workbench/editor/references_pane.h"

namespace {
constexpr int kMessageMilliseconds = 5000;

QString PlainToolTip(const QString& text) {
  return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}
}  // namespace

EditorIntelligence::EditorIntelligence(TfrmQV3& main) : QObject(&main), main_(main) {
  main.Search1->addSeparator();
  goToDefinition_ = main.Search1->addAction(QStringLiteral("Go to Definition"));
  goToDefinition_->setObjectName(QStringLiteral("goToDefinition"));
  goToDefinition_->setShortcut(Qt::Key_F12);
  findReferences_ = main.Search1->addAction(QStringLiteral("Find References"));
  findReferences_->setObjectName(QStringLiteral("findReferences"));
  findReferences_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F12));
  connect(goToDefinition_, &QAction::triggered, this, &EditorIntelligence::goToDefinitionAtCaret);
  connect(findReferences_, &QAction::triggered, this, &EditorIntelligence::findReferencesAtCaret);
  quickFix_ = main.Search1->addAction(QStringLiteral("Quick Fix"));
  quickFix_->setObjectName(QStringLiteral("quickFix"));
  quickFix_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Period));
  connect(quickFix_, &QAction::triggered, this, &EditorIntelligence::quickFixAtCaret);

  outline_ = new OutlineDock(&main);
  main.addDockWidget(Qt::RightDockWidgetArea, outline_);
  outline_->hide();
  QAction* outlineToggle = outline_->toggleViewAction();
  outlineToggle->setText(QStringLiteral("&Outline"));
  outlineToggle->setObjectName(QStringLiteral("showOutline"));
  main.Search1->addAction(outlineToggle);
  connect(outline_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (visible) activeEditorChanged();
  });
  connect(outline_, &OutlineDock::lineChosen, this, [this](int lineNumber) {
    if (TfrmQVEdit* editor = main_.activeEditor()) {
      SelectSourceSpan(*editor->mCode, qv3::SourceSpan{lineNumber, 0, 0, false});
      editor->mCode->setFocus();
    }
  });

  references_ = new ReferencesPane(&main);
  main.addDockWidget(Qt::BottomDockWidgetArea, references_);
  references_->hide();
  connect(references_, &ReferencesPane::placeChosen, this, [this](const SourcePlace& place) {
    if (TfrmQVEdit* editor = main_.activeEditor()) showPlace(*editor, place);
  });

  connect(main.mdiArea(), &QMdiArea::subWindowActivated, this, [this] {
    attachEditors();
    activeEditorChanged();
  });
  // A compile writes object files whose constants other modules read.
  for (QAction* compile : {main.Compile2, main.CompileRun1})
    connect(compile, &QAction::triggered, this, [this] {
      for (TfrmQVEdit* editor : main_.editors()) liveCheck(*editor).schedule();
    });
}

void EditorIntelligence::attachEditors() {
  for (TfrmQVEdit* editor : main_.editors()) liveCheck(*editor);
}

LiveCheck& EditorIntelligence::liveCheck(TfrmQVEdit& editor) {
  if (auto* existing = editor.findChild<LiveCheck*>(QString(), Qt::FindDirectChildrenOnly)) return *existing;
  attach(editor);
  return *editor.findChild<LiveCheck*>(QString(), Qt::FindDirectChildrenOnly);
}

void EditorIntelligence::attach(TfrmQVEdit& editor) {
  auto request = [this, &editor] {
    CheckRequest request;
    request.Text = editor.DocumentBytes();
    request.ModuleName = ModuleNameOf(editor);
    request.Folder = FolderOf(main_, editor);
    request.CurrentDirectory = CurrentDirectoryOf(main_);
    request.Overlay = checkOverlay(editor);
    return request;
  };
  auto* check = new LiveCheck(*editor.mCode, request, &editor);
  connect(editor.mCode, &QPlainTextEdit::textChanged, check, &LiveCheck::schedule);
  connect(editor.mCode, &QPlainTextEdit::textChanged, this, [this, &editor] { scheduleIncluders(editor); });
  connect(check, &LiveCheck::checked, this, [this, &editor] { editorChecked(editor); });
  connect(check, &LiveCheck::objectTextChanged, this, [this, &editor] { scheduleFolderMates(editor); });
  editor.mCode->viewport()->installEventFilter(this);
  // The editor's own key: each window completes in its own text.
  auto* complete = new QAction(QStringLiteral("Complete"), editor.mCode);
  complete->setObjectName(QStringLiteral("completeAtCaret"));
  complete->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Space));
  complete->setShortcutContext(Qt::WidgetShortcut);
  editor.mCode->addAction(complete);
  connect(complete, &QAction::triggered, this, [this, &editor] { completeAtCaret(editor); });
  check->schedule();
}

namespace {
// The editor's check, when it has one already (none is made for asking).
const LiveCheck* ExistingCheck(const TfrmQVEdit& editor) {
  return editor.findChild<LiveCheck*>(QString(), Qt::FindDirectChildrenOnly);
}
}  // namespace

qv3::FileOverlay EditorIntelligence::checkOverlay(const TfrmQVEdit& editor) const {
  qv3::FileOverlay overlay = OpenDocumentsOverlay(main_, &editor);
  for (const TfrmQVEdit* other : main_.editors()) {
    const LiveCheck* check = ExistingCheck(*other);
    if (other == &editor || other->documentPath().isEmpty() || !check || check->objectText().empty()) continue;
    overlay.Files.emplace_back(ObjectFilePathOf(ModuleNameOf(*other), FolderOf(main_, *other)), check->objectText());
  }
  return overlay;
}

void EditorIntelligence::scheduleFolderMates(const TfrmQVEdit& changed) {
  // Any module of the folder may name the changed module's constants.
  const std::string folder = FolderOf(main_, changed);
  for (TfrmQVEdit* editor : main_.editors())
    if (editor != &changed && FolderOf(main_, *editor) == folder) liveCheck(*editor).schedule();
}

void EditorIntelligence::scheduleIncluders(const TfrmQVEdit& changed) {
  if (changed.documentPath().isEmpty()) return;
  const std::string path = Bytes(QFileInfo(changed.documentPath()).absoluteFilePath());
  for (TfrmQVEdit* editor : main_.editors()) {
    const LiveCheck* check = editor == &changed ? nullptr : ExistingCheck(*editor);
    const auto snapshot = check ? check->latest() : nullptr;
    const qv3::ModuleKnowledge* top = snapshot ? snapshot->Result.Knowledge.TopModule() : nullptr;
    if (top && std::find(top->IncludedFiles.begin(), top->IncludedFiles.end(), path) != top->IncludedFiles.end())
      liveCheck(*editor).schedule();
  }
}

CompletionPopup& EditorIntelligence::completionPopup(TfrmQVEdit& editor) {
  auto* code = qobject_cast<CodeEditor*>(editor.mCode);
  if (auto* existing = code->findChild<CompletionPopup*>(QString(), Qt::FindDirectChildrenOnly)) return *existing;
  return *new CompletionPopup(*code);  // owned by the editor
}

bool EditorIntelligence::completeAtCaret(TfrmQVEdit& editor) {
  const QTextCursor caret = editor.mCode->textCursor();
  // An older check still knows the names; the line itself is read as it is now.
  const auto snapshot = liveCheck(editor).latest();
  const std::string line = Bytes(caret.block().text());
  const Completions completions =
      CompletionsAt(snapshot ? &snapshot->Result.Knowledge : nullptr, line, caret.blockNumber() + 1,
                    static_cast<std::size_t>(caret.positionInBlock()), FolderOf(main_, editor));
  if (!completionPopup(editor).show(completions)) {
    tell(QStringLiteral("Nothing to complete here"));
    return false;
  }
  return true;
}

void EditorIntelligence::editorChecked(TfrmQVEdit& editor) {
  const auto snapshot = liveCheck(editor).latest();
  const qv3::ModuleKnowledge* top = snapshot ? snapshot->Result.Knowledge.TopModule() : nullptr;
  if (auto* code = qobject_cast<CodeEditor*>(editor.mCode)) {
    ShowDiagnosticMarks(*code, top);
    ShowInactiveLines(*code, top);
  }
  if (&editor == main_.activeEditor() && outline_->isVisible()) outline_->showModule(top);
}

void EditorIntelligence::activeEditorChanged() {
  // A hidden outline is filled when it is shown: a document of 100,000
  // labels would otherwise cost the window a second after every check.
  if (!outline_->isVisible()) return;
  TfrmQVEdit* editor = main_.activeEditor();
  const auto snapshot = editor ? liveCheck(*editor).latest() : nullptr;
  outline_->showModule(snapshot ? snapshot->Result.Knowledge.TopModule() : nullptr);
}

void EditorIntelligence::tell(const QString& message) {
  main_.statusBar()->showMessage(message, kMessageMilliseconds);
}

std::shared_ptr<const CheckSnapshot> EditorIntelligence::knowledgeFor(TfrmQVEdit& editor, int blockNumber,
                                                                      bool report) {
  LiveCheck& check = liveCheck(editor);
  const auto snapshot = check.latest();
  if (!snapshot || !snapshot->Result.Knowledge.TopModule()) {
    if (report) tell(QStringLiteral("Nothing is known about this text yet: the check has not finished"));
    if (!check.isPending()) check.checkNow();
    return nullptr;
  }
  if (!check.lineUnchanged(blockNumber)) {
    if (report) tell(QStringLiteral("The line has changed since the last check; it is being checked again"));
    if (!check.isPending()) check.checkNow();
    return nullptr;
  }
  return snapshot;
}

bool EditorIntelligence::goToDefinitionAtCaret() {
  TfrmQVEdit* editor = main_.activeEditor();
  if (!editor) {
    tell(QStringLiteral("Open a .QV3 source first..."));
    return false;
  }
  return goToDefinitionAt(*editor, editor->mCode->textCursor().position());
}

bool EditorIntelligence::goToDefinitionAt(TfrmQVEdit& editor, int position) {
  const QTextBlock block = editor.mCode->document()->findBlock(position);
  const auto snapshot = knowledgeFor(editor, block.blockNumber(), true);
  if (!snapshot) return false;
  const auto place = DefinitionAt(snapshot->Result.Knowledge, block.blockNumber() + 1,
                                  static_cast<std::size_t>(position - block.position()));
  if (!place) {
    tell(QStringLiteral("No label or constant with a known definition here"));
    return false;
  }
  return showPlace(editor, *place, Show::Definition);
}

bool EditorIntelligence::findReferencesAtCaret() {
  TfrmQVEdit* editor = main_.activeEditor();
  if (!editor) {
    tell(QStringLiteral("Open a .QV3 source first..."));
    return false;
  }
  const QTextCursor caret = editor->mCode->textCursor();
  const QTextBlock block = caret.block();
  const auto snapshot = knowledgeFor(*editor, block.blockNumber(), true);
  if (!snapshot) return false;
  const qv3::CompileKnowledge& knowledge = snapshot->Result.Knowledge;
  const std::int32_t lineNumber = block.blockNumber() + 1;
  const auto column = static_cast<std::size_t>(caret.positionInBlock());
  const std::optional<SourcePlace> definition = DefinitionAt(knowledge, lineNumber, column);
  if (!definition) {
    tell(QStringLiteral("No label or constant with a known definition here"));
    return false;
  }
  // The other modules that can use the name, as their windows show them or
  // as their files read.
  EditorWorkspace workspace(main_);
  const Workspace users =
      workspace.modules().UsersOf(definition->Module, definition->Folder, workspace.indexOf(*editor));
  std::vector<SourcePlace> places = ReferencesAt(knowledge, lineNumber, column, users);
  // The window may show a file that modules of the folder INCLUDE.
  if (!editor->documentPath().isEmpty())
    for (SourcePlace& use : UsesInIncludingModules(users, Bytes(editor->documentPath()), definition->Name))
      places.push_back(std::move(use));
  std::vector<ReferencesPane::Row> rows;
  std::map<std::string, std::vector<std::string>> filesRead;  // each file split once, however many uses it holds
  for (const SourcePlace& place : places)
    rows.push_back({place, referenceRow(place, *snapshot, workspace, filesRead)});
  const std::size_t uses = places.size() - 1;
  references_->showReferences(QStringLiteral("References to %1 (%2 %3)")
                                  .arg(Latin1(places.front().Name))
                                  .arg(uses)
                                  .arg(uses == 1 ? QStringLiteral("use") : QStringLiteral("uses")),
                              rows);
  references_->show();
  references_->raise();
  tell(QStringLiteral("%1 %2 found").arg(uses).arg(uses == 1 ? QStringLiteral("use") : QStringLiteral("uses")));
  return true;
}

QString EditorIntelligence::referenceRow(const SourcePlace& place, const CheckSnapshot& snapshot,
                                         EditorWorkspace& workspace,
                                         std::map<std::string, std::vector<std::string>>& filesRead) const {
  const bool included = !place.IncludedFile.empty();
  const qv3::SourceSpan& span = included ? place.IncludedSpan : place.Span;
  QString text = QStringLiteral("%1 %2:%3")
                     .arg(Latin1(included ? qv3::FileNameOf(place.IncludedFile) : place.Module))
                     .arg(span.Line)
                     .arg(span.Column + 1);
  if (place.IsDefinition) text += QStringLiteral("  (definition)");
  if (included)
    text += QStringLiteral("  (included by %1)").arg(Latin1(place.Module));
  else if (place.Span.FromInclude)
    text += QStringLiteral("  (in an included file)");
  const auto line = static_cast<std::size_t>(span.Line - 1);
  const qv3::ModuleKnowledge* top = snapshot.Result.Knowledge.TopModule();
  if (!included && !place.Span.FromInclude && top && qv3::EqualsIgnoringCase(place.Module, top->Name) &&
      place.Folder == top->Folder) {
    if (line < snapshot.Lines.size()) text += QStringLiteral("   ") + Latin1(snapshot.Lines[line]).trimmed();
    return text;
  }
  if (place.Span.FromInclude && !included) return text;
  qv3::ModuleKnowledge module;
  module.Name = place.Module;
  module.Folder = place.Folder;
  const std::string path = included ? place.IncludedFile : ModuleSourcePath(module);
  auto read = filesRead.find(path);
  if (read == filesRead.end()) {
    const auto source = workspace.modules().TextOf(path);
    read = filesRead.emplace(path, source ? qv3::SplitLines(*source) : std::vector<std::string>{}).first;
  }
  if (line < read->second.size()) text += QStringLiteral("   ") + Latin1(read->second[line]).trimmed();
  return text;
}

bool EditorIntelligence::showPlace(TfrmQVEdit& from, const SourcePlace& place, Show how) {
  const auto snapshot = liveCheck(from).latest();
  const qv3::ModuleKnowledge* top = snapshot ? snapshot->Result.Knowledge.TopModule() : nullptr;
  QPlainTextEdit* memo = nullptr;
  qv3::SourceSpan span = place.Span;
  QString where = Latin1(place.Module);
  if (!place.IncludedFile.empty()) {
    // The included file's own window, not the INCLUDE line.
    span = place.IncludedSpan;
    where = Latin1(place.IncludedFile);
    if (TfrmQVEdit* shown = EditorOfFile(main_, place.Module, place.Folder, place.IncludedFile)) memo = shown->mCode;
  } else if (top && qv3::EqualsIgnoringCase(place.Module, top->Name)) {
    memo = from.mCode;
  } else {
    memo = main_.FindModuleEditor(from, Latin1(place.Module));
  }
  if (!memo) {
    tell(place.IncludedFile.empty() ? QStringLiteral("No source of module %1 found").arg(where)
                                    : QStringLiteral("Cannot open file %1").arg(where));
    return false;
  }
  if (!(how == Show::Definition ? SelectDefinitionLine(*memo, span) : SelectSourceSpan(*memo, span))) {
    tell(QStringLiteral("Line %1 is past the end of %2").arg(span.Line).arg(where));
    return false;
  }
  for (QMdiSubWindow* sub : main_.mdiArea()->subWindowList())
    if (auto* editor = qobject_cast<TfrmQVEdit*>(sub->widget()); editor && editor->mCode == memo)
      main_.mdiArea()->setActiveSubWindow(sub);
  memo->setFocus();
  return true;
}

TfrmQVEdit* EditorIntelligence::editorOfViewport(QObject* viewport) const {
  for (TfrmQVEdit* editor : main_.editors())
    if (editor->mCode->viewport() == viewport) return editor;
  return nullptr;
}

namespace {
// The fixes the check offers for one line of the editor, read as it is now.
std::vector<QuickFix> FixesOfLine(const CheckSnapshot& snapshot, const QTextBlock& block) {
  const qv3::ModuleKnowledge* top = snapshot.Result.Knowledge.TopModule();
  if (!top) return {};
  const std::string line = Bytes(block.text());
  const std::int32_t number = block.blockNumber() + 1;
  return QuickFixesOfLines(*top, number, number, [&](std::int32_t) { return std::string_view(line); }, "\n");
}
}  // namespace

bool EditorIntelligence::quickFixAtCaret() {
  TfrmQVEdit* editor = main_.activeEditor();
  if (!editor) {
    tell(QStringLiteral("Open a .QV3 source first..."));
    return false;
  }
  const QTextBlock block = editor->mCode->textCursor().block();
  const auto snapshot = knowledgeFor(*editor, block.blockNumber(), true);
  if (!snapshot) return false;
  const std::vector<QuickFix> fixes = FixesOfLine(*snapshot, block);
  if (fixes.empty()) {
    tell(QStringLiteral("No quick fix for this line"));
    return false;
  }
  // One undo step puts the line back.
  QTextCursor cursor(block);
  cursor.beginEditBlock();
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  cursor.insertText(Latin1(fixes.front().NewText));
  cursor.endEditBlock();
  tell(Latin1(fixes.front().Title));
  return true;
}

QString EditorIntelligence::hoverTextAt(TfrmQVEdit& editor, int position) {
  const QTextBlock block = editor.mCode->document()->findBlock(position);
  if (!block.isValid()) return {};
  const auto snapshot = knowledgeFor(editor, block.blockNumber(), false);
  const std::string line = Bytes(block.text());
  QString text = Latin1(HoverText(snapshot ? &snapshot->Result.Knowledge : nullptr, line, block.blockNumber() + 1,
                                  static_cast<std::size_t>(position - block.position())));
  if (snapshot)
    for (const QuickFix& fix : FixesOfLine(*snapshot, block))
      text += QStringLiteral("\n\n%1: %2").arg(quickFix_->shortcut().toString(QKeySequence::NativeText), Latin1(fix.Title));
  return text;
}

bool EditorIntelligence::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    if (TfrmQVEdit* editor = editorOfViewport(watched)) {
      const auto* help = static_cast<QHelpEvent*>(event);
      const QString text = hoverTextAt(*editor, editor->mCode->cursorForPosition(help->pos()).position());
      if (text.isEmpty())
        QToolTip::hideText();
      else
        QToolTip::showText(help->globalPos(), PlainToolTip(text), editor->mCode->viewport());
      return true;
    }
  }
  if (event->type() == QEvent::MouseButtonPress) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && (mouse->modifiers() & Qt::ControlModifier)) {
      if (TfrmQVEdit* editor = editorOfViewport(watched)) {
        goToDefinitionAt(*editor, editor->mCode->cursorForPosition(mouse->position().toPoint()).position());
        return true;
      }
    }
  }
  return QObject::eventFilter(watched, event);
}
