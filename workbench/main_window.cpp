#include "workbench/main_window.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
#include <QTextBlock>
#include <QShortcutEvent>
#include <QTextCursor>
#include <algorithm>
#include <optional>

#include "engine/compile_command.h"
#include "engine/file_system.h"
#include "engine/source_text.h"
#include "engine/vice_labels.h"
#include "workbench/about_box.h"
#include "workbench/compile_progress.h"
#include "workbench/debugger/debugger_ui.h"
#include "workbench/editor/editor_intelligence.h"
#include "workbench/editor/editor_workspace.h"
#include "workbench/editor/symbol_rename.h"
#include "workbench/search/editor_search_text.h"
#include "workbench/launcher.h"
#include "workbench/latin1.h"
#include "workbench/message_jump.h"
#include "workbench/message_panes.h"
#include "workbench/dialogs.h"
#include "workbench/document_io.h"
#include "workbench/editor_window.h"
#include "workbench/process_window.h"
#include "workbench/program_info.h"
#include "workbench/search/search_commands.h"
#include "workbench/search/search_dialog.h"

namespace {

// The caption of a document that has no file yet; Save asks for a name when
// a caption is exactly this (letter case counts).
const QString kNewDocumentCaption = QStringLiteral("anonymus");

QAction* AddItem(QMenu* menu, const char* name, const QString& caption,
                 const QKeySequence& shortcut = {}) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(QString::fromLatin1(name));
  item->setShortcut(shortcut);
  return item;
}

}  // namespace

TfrmQV3::TfrmQV3(Dialogs* dialogs, QWidget* parent) : QMainWindow(parent) {
  if (!dialogs) {
    ownDialogs_ = std::make_unique<QtDialogs>(this);
    dialogs = ownDialogs_.get();
  }
  dialogs_ = dialogs;
  ownLauncher_ = std::make_unique<DesktopLauncher>();
  launcher_ = ownLauncher_.get();
  currentFolder_ = QDir::currentPath();
  // The debugging label file of "Compile && Run" needs the top module's symbols.
  session_.KeepTopModuleSymbols = true;

  setObjectName(QStringLiteral("frmQV3"));
  setWindowTitle(QString::fromLatin1(kMainWindowTitle));
  // The restored size, centred on the screen; the program shows it maximised.
  resize(544, 375);
  if (const QScreen* where = QGuiApplication::primaryScreen())
    move(where->availableGeometry().center() - rect().center());

  mdiArea_ = new QMdiArea(this);
  mdiArea_->setObjectName(QStringLiteral("mdiArea"));
  mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdiArea_);

  createMenus();
  editorIntelligence_ = new EditorIntelligence(*this);
  // After the editor's navigation items, which EditorIntelligence appends.
  GoToLine1 = AddItem(Search1, "GoToLine1", QStringLiteral("Go to Line..."),
                      QKeySequence(Qt::CTRL | Qt::Key_G));
  connect(GoToLine1, &QAction::triggered, this, &TfrmQV3::GoToLine1Click);
  symbolRename_ = new SymbolRename(*this);  // the Search menu's last item
  FormCreate();
  InstallDebugger(*this);
}

TfrmQV3::~TfrmQV3() = default;

void TfrmQV3::attachCompanions(TfrmProcess& process, TfrmAbout& about, TfrmSearch& search) {
  frmProcess_ = &process;
  frmAbout_ = &about;
  frmSearch_ = &search;
}

void TfrmQV3::createMenus() {
  File1 = menuBar()->addMenu(QStringLiteral("&File"));
  File1->setObjectName(QStringLiteral("File1"));
  New1 = AddItem(File1, "New1", QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N));
  Open1 = AddItem(File1, "Open1", QStringLiteral("&Open..."), Qt::Key_F3);
  Save1 = AddItem(File1, "Save1", QStringLiteral("&Save"), Qt::Key_F2);
  SaveAs1 = AddItem(File1, "SaveAs1", QStringLiteral("Save &As..."));
  Close1 = AddItem(File1, "Close1", QStringLiteral("&Close"), QKeySequence(Qt::CTRL | Qt::Key_W));
  File1->addSeparator()->setObjectName(QStringLiteral("N2"));
  Exit1 = AddItem(File1, "Exit1", QStringLiteral("E&xit"));
  connect(File1, &QMenu::aboutToShow, this, &TfrmQV3::File1Click);
  connect(New1, &QAction::triggered, this, &TfrmQV3::New1Click);
  connect(Open1, &QAction::triggered, this, &TfrmQV3::Open1Click);
  connect(Save1, &QAction::triggered, this, &TfrmQV3::Save1Click);
  connect(SaveAs1, &QAction::triggered, this, &TfrmQV3::SaveAs1Click);
  connect(Close1, &QAction::triggered, this, &TfrmQV3::Close1Click);
  connect(Exit1, &QAction::triggered, this, &TfrmQV3::Exit1Click);
  for (QAction* item : {New1, Open1, Save1, Close1}) routeShortcutThroughFileMenu(item);

  Search1 = menuBar()->addMenu(QStringLiteral("Search"));
  Search1->setObjectName(QStringLiteral("Search1"));
  Find1 = AddItem(Search1, "Find1", QStringLiteral("Find"), QKeySequence(Qt::CTRL | Qt::Key_F));
  Findagain1 = AddItem(Search1, "Findagain1", QStringLiteral("Find again"),
                       QKeySequence(Qt::CTRL | Qt::Key_L));
  Search1->addSeparator()->setObjectName(QStringLiteral("N1"));
  Replace1 = AddItem(Search1, "Replace1", QStringLiteral("Replace"), QKeySequence(Qt::CTRL | Qt::Key_R));
  connect(Find1, &QAction::triggered, this, &TfrmQV3::Find1Click);
  connect(Findagain1, &QAction::triggered, this, &TfrmQV3::Findagain1Click);
  connect(Replace1, &QAction::triggered, this, &TfrmQV3::Replace1Click);

  // The editors of the Tools menu do not exist; the items only hold their place.
  Tools1 = menuBar()->addMenu(QStringLiteral("&Tools"));
  Tools1->setObjectName(QStringLiteral("Tools1"));
  Screeneditor1 = AddItem(Tools1, "Screeneditor1", QStringLiteral("&Screeneditor"));
  Sinuseditor1 = AddItem(Tools1, "Sinuseditor1", QStringLiteral("Sinus&editor"));
  Chareditor1 = AddItem(Tools1, "Chareditor1", QStringLiteral("&Chareditor"));
  for (QAction* item : {Screeneditor1, Sinuseditor1, Chareditor1}) item->setEnabled(false);

  Compile1 = menuBar()->addMenu(QStringLiteral("&Compile"));
  Compile1->setObjectName(QStringLiteral("Compile1"));
  Compile2 = AddItem(Compile1, "Compile2", QStringLiteral("Compile"),
                     QKeySequence(Qt::CTRL | Qt::Key_F9));
  CompileRun1 = AddItem(Compile1, "CompileRun1", QStringLiteral("Compile && Run"), Qt::Key_F9);
  connect(Compile2, &QAction::triggered, this, &TfrmQV3::Compile2Click);
  connect(CompileRun1, &QAction::triggered, this, &TfrmQV3::CompileRun1Click);

  Window1 = menuBar()->addMenu(QStringLiteral("&Window"));
  Window1->setObjectName(QStringLiteral("Window1"));
  Tile1 = AddItem(Window1, "Tile1", QStringLiteral("&Tile"));
  Cascade1 = AddItem(Window1, "Cascade1", QStringLiteral("&Cascade"));
  connect(Tile1, &QAction::triggered, this, &TfrmQV3::Tile1Click);
  connect(Cascade1, &QAction::triggered, this, &TfrmQV3::Cascade1Click);
  connect(Window1, &QMenu::aboutToShow, this, &TfrmQV3::listEditorWindows);

  miAbout = menuBar()->addAction(QStringLiteral("About"));
  miAbout->setObjectName(QStringLiteral("miAbout"));
  connect(miAbout, &QAction::triggered, this, &TfrmQV3::miAboutClick);
}

// A shortcut of a File menu item first runs the menu's opening action, so
// Save is judged by whether an editor is active now, not when the menu was
// last opened; then the item acts only if it is enabled. Qt skips a disabled
// item's key, so while the item is disabled a shortcut of the window stands
// in for it. Exactly one of the two is enabled at any time: two live owners
// of a key make Qt refuse both as ambiguous, which showed as soon as the
// menu bar held the focus after a menu closed with Escape.
void TfrmQV3::routeShortcutThroughFileMenu(QAction* item) {
  auto* standIn = new QShortcut(item->shortcut(), this);
  standIn->setObjectName(item->objectName() + QStringLiteral("WhileDisabled"));
  standIn->setContext(Qt::WindowShortcut);
  standIn->setEnabled(!item->isEnabled());
  connect(item, &QAction::enabledChanged, standIn, [standIn](bool enabled) { standIn->setEnabled(!enabled); });
  connect(standIn, &QShortcut::activated, this, [this, item] { runFileMenuKey(*item); });
  item->installEventFilter(this);
  fileMenuKeys_.push_back(item);
}

void TfrmQV3::runFileMenuKey(QAction& item) {
  File1Click();
  if (item.isEnabled()) item.trigger();
}

bool TfrmQV3::eventFilter(QObject* watched, QEvent* event) {
  // The enabled item's own key, before QAction triggers it unasked.
  if (event->type() == QEvent::Shortcut) {
    const auto routed = std::find(fileMenuKeys_.begin(), fileMenuKeys_.end(), watched);
    if (routed != fileMenuKeys_.end() && !static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
      runFileMenuKey(**routed);
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TfrmQV3::FormCreate() {
  UpdateFileMenu();
  // The module lists of the compile commands belong to the compile session,
  // which those commands create with their first compile.
}

void TfrmQV3::UpdateFileMenu() {
  const bool editorActive = activeEditor() != nullptr;
  Save1->setEnabled(editorActive);
  SaveAs1->setEnabled(editorActive);
  Close1->setEnabled(editorActive);
}

void TfrmQV3::File1Click() { UpdateFileMenu(); }

TfrmQVEdit* TfrmQV3::activeEditor() const {
  const QMdiSubWindow* current = mdiArea_->currentSubWindow();
  return current ? qobject_cast<TfrmQVEdit*>(current->widget()) : nullptr;
}

std::vector<TfrmQVEdit*> TfrmQV3::editors() const {
  std::vector<TfrmQVEdit*> found;
  for (const QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder))
    if (auto* editor = qobject_cast<TfrmQVEdit*>(sub->widget())) found.push_back(editor);
  return found;
}

QMdiSubWindow* TfrmQV3::subWindowOf(const TfrmQVEdit& editor) const {
  for (QMdiSubWindow* sub : mdiArea_->subWindowList())
    if (sub->widget() == &editor) return sub;
  return nullptr;
}

TfrmQVEdit* TfrmQV3::createEditor() {
  auto* editor = new TfrmQVEdit(*dialogs_, mdiArea_);
  QMdiSubWindow* sub = mdiArea_->addSubWindow(editor);  // deletes itself and the editor on close
  sub->resize(544, 422);
  // The window's own menu would claim Ctrl+W as well (File > Close owns it),
  // and every editor's Ctrl+F4 would be live in the whole main window, so
  // with two editors the key would close none.
  for (QAction* item : sub->systemMenu()->actions()) {
    QList<QKeySequence> keys = item->shortcuts();
    if (keys.removeAll(Close1->shortcut()) > 0) item->setShortcuts(keys);
    item->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  }
  sub->showMaximized();
  mdiArea_->setActiveSubWindow(sub);
  editor->mCode->setFocus();
  // Only the Status list jumps: hint lines carry no record to jump with.
  connect(editor->lbMessy, &QListWidget::itemDoubleClicked, this,
          [this, editor] { lbMessyDblClick(*editor); });
  return editor;
}

QString TfrmQV3::absolutePath(const QString& path) const {
  return QDir::cleanPath(QDir(currentFolder_).absoluteFilePath(path));
}

void TfrmQV3::rememberFolderOf(const QString& chosenPath) {
  currentFolder_ = QFileInfo(absolutePath(chosenPath)).absolutePath();
}

void TfrmQV3::New1Click() {
  TfrmQVEdit* editor = createEditor();
  editor->setCaption(kNewDocumentCaption);
}

void TfrmQV3::Open1Click() {
  dialogs_->setStartFolder(currentFolder_);
  const std::optional<QString> chosen = dialogs_->openFileName(lastOpenedName_);
  if (!chosen || chosen->isEmpty()) return;
  lastOpenedName_ = *chosen;
  rememberFolderOf(*chosen);
  OpenSourceFile(*chosen);
}

TfrmQVEdit* TfrmQV3::OpenSourceFile(const QString& path) {
  const QString absolute = absolutePath(path);
  const qv3::DocumentRead read = qv3::ReadDocumentFile(absolute);
  if (read.Outcome == qv3::ReadOutcome::Missing) return nullptr;

  TfrmQVEdit* editor = createEditor();
  editor->setCaption(QFileInfo(absolute).fileName());
  if (read.Outcome == qv3::ReadOutcome::Unreadable) {
    // The window stays, empty and without a path of its own: a later Save
    // must ask for a name instead of overwriting the file it could not read.
    dialogs_->showError(QStringLiteral("Cannot open file ") + path);
    return nullptr;
  }
  editor->LoadDocumentBytes(read.Bytes);
  editor->SetModifiedState(false);
  editor->setPathPanel(path);
  editor->setDocumentPath(absolute);
  emit documentOpened(editor);
  return editor;
}

bool TfrmQV3::writeDocument(TfrmQVEdit& editor, const QString& path) {
  if (qv3::WriteDocumentFile(path, editor.DocumentBytes())) return true;
  dialogs_->showError(QStringLiteral("Cannot create file ") + path);
  return false;
}

void TfrmQV3::reportSaved(TfrmQVEdit& editor, const QString& savedTo) {
  editor.setPathPanel(savedTo);
  editor.SetModifiedState(false);
  editor.lbMessy->addItem(QStringLiteral("Saved..."));
  emit documentSaved(&editor);
}

void TfrmQV3::Save1Click() {
  UpdateFileMenu();
  TfrmQVEdit* editor = activeEditor();
  if (!editor) return;
  if (editor->caption() == kNewDocumentCaption || editor->documentPath().isEmpty()) {
    SaveAs1->trigger();
    return;
  }
  // The kept path, not the caption: a bare file name would be taken against
  // whatever folder a file dialog visited last.
  const QString path = editor->documentPath();
  if (!writeDocument(*editor, path)) return;
  reportSaved(*editor, path);
}

void TfrmQV3::SaveAs1Click() {
  TfrmQVEdit* editor = activeEditor();
  if (!editor) return;
  dialogs_->setStartFolder(editor->documentPath().isEmpty() ? currentFolder_
                                                            : editor->documentFolder());
  const std::optional<QString> chosen = dialogs_->saveFileName(editor->caption());
  if (!chosen || chosen->isEmpty()) return;
  rememberFolderOf(*chosen);
  const QString path = absolutePath(*chosen);
  editor->setCaption(path);
  editor->setDocumentPath(path);
  if (!writeDocument(*editor, path)) return;
  reportSaved(*editor, path);
}

void TfrmQV3::Close1Click() {
  // The window asks about unsaved edits itself (FormCloseQuery).
  if (QMdiSubWindow* sub = mdiArea_->currentSubWindow()) sub->close();
  UpdateFileMenu();
}

void TfrmQV3::Exit1Click() {
  // The editor's own edit flag, not IsModified: saving does not clear it, so
  // a document saved and not changed since is saved once more.
  if (TfrmQVEdit* editor = activeEditor(); editor && editor->HasEditsSinceLoad()) Save1->trigger();
  close();
}

void TfrmQV3::closeEvent(QCloseEvent* event) {
  // Every window is asked before any closes; the first refusal keeps the
  // program and all its windows open. Topmost window first.
  QList<QMdiSubWindow*> windows = mdiArea_->subWindowList(QMdiArea::StackingOrder);
  std::reverse(windows.begin(), windows.end());
  for (QMdiSubWindow* sub : windows) {
    auto* editor = qobject_cast<TfrmQVEdit*>(sub->widget());
    if (editor && !editor->FormCloseQuery()) {
      event->ignore();
      return;
    }
  }
  event->accept();
}

void TfrmQV3::Find1Click() {
  if (!frmSearch_) return;
  TfrmQVEdit* editor = activeEditor();
  RunFindCommand(editor ? editor->mCode : nullptr, *frmSearch_, *dialogs_);
}

void TfrmQV3::Findagain1Click() {
  if (!frmSearch_) return;
  TfrmQVEdit* editor = activeEditor();
  RunFindAgainCommand(editor ? editor->mCode : nullptr, *frmSearch_, *dialogs_);
}

void TfrmQV3::GoToLine1Click() {
  TfrmQVEdit* editor = activeEditor();
  if (!editor) {
    dialogs_->showMessage(QStringLiteral("Open a .QV3 source first..."));
    return;
  }
  QPlainTextEdit* memo = editor->mCode;
  const int lineCount = memo->document()->blockCount();
  const std::optional<int> line =
      dialogs_->askLineNumber(memo->textCursor().blockNumber() + 1, lineCount);
  if (!line) return;
  QTextCursor cursor(memo->document()->findBlockByNumber(std::clamp(*line, 1, lineCount) - 1));
  memo->setTextCursor(cursor);
  memo->centerCursor();
  memo->setFocus();
}

void TfrmQV3::Replace1Click() {
  if (!frmSearch_) return;
  TfrmQVEdit* editor = activeEditor();
  RunReplaceCommand(editor ? editor->mCode : nullptr, *frmSearch_, *dialogs_);
}

// The compile commands are not built yet: the items and their shortcuts are
// in place, the work they start comes with the compile commands.
namespace {
const QString kNoEditorMessage = QStringLiteral("Open a .QV3 source first...");
}  // namespace

void TfrmQV3::setLauncher(Launcher* launcher) { launcher_ = launcher ? launcher : ownLauncher_.get(); }

QString TfrmQV3::folderOfDocument(const TfrmQVEdit& editor) const {
  // The kept path decides, so a file dialog visiting another folder since
  // cannot move a document's outputs; a document without a file of its own
  // belongs to the current folder.
  const QString folder = editor.documentFolder();
  return folder.isEmpty() ? currentFolder_ : folder;
}

bool TfrmQV3::compileActiveEditor(QString& programPath, QString& folder,
                                  qv3::CompileKnowledge* knowledge) {
  TfrmQVEdit* editor = activeEditor();
  if (!editor) {
    dialogs_->showMessage(kNoEditorMessage);
    return false;
  }
  ClearMessages(*editor);
  folder = folderOfDocument(*editor);
  const std::string moduleName(qv3::CutAtFirstDot(qv3::FileNameOf(Bytes(editor->caption()))));
  const std::string text = editor->DocumentBytes();

  std::string directory = Bytes(folder);
  if (directory.empty() || directory.back() != '/') directory += '/';
  session_.CurrentDirectory = Bytes(currentFolder_) + "/";
  std::optional<ProcessWindowProgress> progress;
  if (frmProcess_) progress.emplace(*frmProcess_);
  session_.Progress = progress ? &*progress : nullptr;
  session_.Knowledge = knowledge;
  // Every module and INCLUDEd file open in a window is assembled as it
  // shows there, saved or not, so the verdict describes the visible text.
  const qv3::FileOverlay openDocuments = OpenDocumentsOverlay(*this);
  session_.Overlay = &openDocuments;
  const qv3::CompileOutcome outcome =
      qv3::RunCompileCommand(session_, qv3::SourceText(text), moduleName, directory);
  session_.Progress = nullptr;
  session_.Knowledge = nullptr;
  session_.Overlay = nullptr;

  ShowMessageLines(*editor, session_);
  if (outcome.Abandoned) {
    // The progress window stays open with its Close button; the captions
    // keep their counts.
    dialogs_->showError(Latin1(outcome.Error));
    return false;
  }
  ShowCompileVerdict(*editor);
  programPath = Latin1(session_.TopModuleProgramPath);
  return true;
}

void TfrmQV3::Compile2Click() {
  QString programPath, folder;
  compileActiveEditor(programPath, folder);
}

void TfrmQV3::CompileRun1Click() {
  QString programPath, folder;
  if (!compileActiveEditor(programPath, folder) || session_.FatalFlag) return;
  const QString labels = writeDebugLabels(QFileInfo(programPath).completeBaseName());
  launcher_->openProgram(programPath, folder, labels);
  if (const QString note = launcher_->takeStatusNote(); !note.isEmpty())
    if (TfrmQVEdit* editor = activeEditor()) editor->lbMessy->addItem(note);
}

QString TfrmQV3::writeDebugLabels(const QString& moduleName) const {
  // Kept out of the project folder: a compile's outputs stay the .prg and .qvo.
  const auto temporary = qv3::PrivateTemporaryFolder();
  if (!temporary) return {};
  const QString path = Latin1(*temporary) + moduleName + QStringLiteral(".lbl");
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
  const std::string commands = qv3::ViceLabelCommands(session_.TopModuleSymbols);
  if (file.write(commands.data(), static_cast<qint64>(commands.size())) !=
      static_cast<qint64>(commands.size()))
    return {};
  return path;
}

void TfrmQV3::lbMessyDblClick(TfrmQVEdit& editor) {
  const QListWidgetItem* selected = editor.lbMessy->currentItem();
  if (!selected) return;
  const std::optional<qv3::TErrorInfo> info = ErrorInfoOf(*selected);
  if (!info) return;
  const long long index = static_cast<long long>(info->Line) - 1;
  QPlainTextEdit* memo = FindModuleEditor(editor, Latin1(info->FileName));
  if (!memo) return;
  TfrmQVEdit* target = nullptr;
  for (TfrmQVEdit* candidate : editors())
    if (candidate->mCode == memo) target = candidate;
  const std::vector<std::string> lines =
      qv3::SplitLines(target ? target->DocumentBytes() : Bytes(memo->toPlainText()));
  const std::optional<LineSelection> selection = SelectionOfLine(lines, index);
  if (!selection) return;
  EditorSearchText(*memo).select(selection->start, selection->length);
  if (target)
    if (QMdiSubWindow* sub = subWindowOf(*target)) mdiArea_->setActiveSubWindow(sub);
  memo->setFocus();
}

QPlainTextEdit* TfrmQV3::FindModuleEditor(TfrmQVEdit& editor, const QString& moduleFileName) {
  const std::string key = ModuleKey(Bytes(moduleFileName));
  for (TfrmQVEdit* candidate : editors())
    if (CaptionShowsModule(Bytes(candidate->caption()), key)) return candidate->mCode;
  // Module files are named in lower case while keys are upper case: the
  // file is looked up ignoring case in the document's folder.
  std::string folder = Bytes(folderOfDocument(editor));
  if (folder.empty() || folder.back() != '/') folder += '/';
  const std::string path = qv3::ResolveInFolder(folder, key + ".qv3");
  TfrmQVEdit* opened = OpenSourceFile(Latin1(path));
  return opened ? opened->mCode : nullptr;
}

void TfrmQV3::Tile1Click() {
  // Horizontal tiling: the windows one above the other, each the full width,
  // the topmost first.
  QList<QMdiSubWindow*> windows;
  const QList<QMdiSubWindow*> stacked = mdiArea_->subWindowList(QMdiArea::StackingOrder);
  for (auto it = stacked.rbegin(); it != stacked.rend(); ++it)
    if (!(*it)->isMinimized() && !(*it)->isHidden()) windows.push_back(*it);
  if (windows.isEmpty()) return;
  const QRect area = mdiArea_->viewport()->rect();
  const int count = static_cast<int>(windows.size());
  const int rowHeight = std::max(1, area.height() / count);
  for (int row = 0; row < count; ++row) {
    QMdiSubWindow* sub = windows[row];
    sub->showNormal();
    const int top = row * rowHeight;
    const int bottom = row == count - 1 ? area.height() : top + rowHeight;
    sub->setGeometry(0, top, area.width(), bottom - top);
  }
}

void TfrmQV3::Cascade1Click() { mdiArea_->cascadeSubWindows(); }

void TfrmQV3::listEditorWindows() {
  // The list is made anew each time the menu opens, the captions numbered in
  // the order the windows were created and the active one marked.
  windowList_ = std::make_unique<QActionGroup>(nullptr);
  windowList_->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
  const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList(QMdiArea::CreationOrder);
  if (windows.isEmpty()) return;
  auto* separator = new QAction(windowList_.get());
  separator->setSeparator(true);
  Window1->addAction(separator);
  const QMdiSubWindow* current = mdiArea_->currentSubWindow();
  int number = 0;
  for (QMdiSubWindow* sub : windows) {
    ++number;
    QString caption = sub->windowTitle();
    caption.replace(u'&', QStringLiteral("&&"));
    const QString text =
        number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(caption) : QStringLiteral("%1 %2").arg(number).arg(caption);
    auto* item = new QAction(text, windowList_.get());
    item->setCheckable(true);
    item->setChecked(sub == current);
    connect(item, &QAction::triggered, this, [this, window = QPointer<QMdiSubWindow>(sub)] {
      if (window) mdiArea_->setActiveSubWindow(window);
    });
    Window1->addAction(item);
  }
}

void TfrmQV3::miAboutClick() {
  if (frmAbout_) frmAbout_->exec();
}
