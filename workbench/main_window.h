// TfrmQV3: the multiple-document frame with the menu, the document commands
// and window arrangement.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

#include "engine/session.h"

class Dialogs;
class EditorIntelligence;
class Launcher;
class QPlainTextEdit;
class QActionGroup;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class SymbolRename;
class TfrmAbout;
class TfrmProcess;
class TfrmQVEdit;
class TfrmSearch;

class TfrmQV3 : public QMainWindow {
  Q_OBJECT
 public:
  // dialogs: the boxes and file dialogs to use; the real ones when null
  // (tests pass a scripted replacement).
  explicit TfrmQV3(Dialogs* dialogs = nullptr, QWidget* parent = nullptr);
  ~TfrmQV3() override;

  // The windows created after this one at program start.
  void attachCompanions(TfrmProcess& process, TfrmAbout& about, TfrmSearch& search);
  TfrmProcess* frmProcess() const { return frmProcess_; }

  // The MDI area's current child: it stays set while another top-level
  // window (progress window, search dialog) has the focus. Null when none.
  TfrmQVEdit* activeEditor() const;
  // The open editor windows in the order they were created.
  std::vector<TfrmQVEdit*> editors() const;
  QMdiArea* mdiArea() const { return mdiArea_; }
  // Diagnostics while typing, hover, go to definition, references, outline.
  EditorIntelligence* editorIntelligence() const { return editorIntelligence_; }
  // Search > Rename Symbol...
  SymbolRename* symbolRename() const { return symbolRename_; }
  Dialogs& dialogs() const { return *dialogs_; }

  // Where documents without a folder of their own belong: the working
  // directory at start, then the folder of the last file chosen in a file
  // dialog. The process's working directory itself is never changed.
  QString currentFolder() const { return currentFolder_; }

  // Opens a source file in a new editor window. Null when no file bears the
  // name, and when the file could not be read (the empty window stays open).
  // A relative path is taken against currentFolder().
  TfrmQVEdit* OpenSourceFile(const QString& path);

  // Where "Compile && Run" hands the program; the desktop's when not set.
  void setLauncher(Launcher* launcher);
  void setCurrentFolder(const QString& folder) { currentFolder_ = folder; }
  // The state of the last compile (its verdict in FatalFlag).
  const qv3::CompileSession& compileSession() const { return session_; }

  // The double click on a line of an editor's Status list.
  void lbMessyDblClick(TfrmQVEdit& editor);
  // The memo of the window that shows the module, opened from the folder of
  // editor's document when no window shows it; null when there is none.
  QPlainTextEdit* FindModuleEditor(TfrmQVEdit& editor, const QString& moduleFileName);

  // "Compile" on the active editor; false when refused or abandoned. On
  // success programPath is the ".prg" written and folder the document's
  // folder. With knowledge set, what the compile learnt is left there.
  bool compileActiveEditor(QString& programPath, QString& folder,
                           qv3::CompileKnowledge* knowledge = nullptr);

  QMenu* File1;
  QAction* New1;
  QAction* Open1;
  QAction* Save1;
  QAction* SaveAs1;
  QAction* Close1;  // closes the active editor (Ctrl+W)
  QAction* Exit1;
  QMenu* Search1;
  QAction* Find1;
  QAction* Findagain1;
  QAction* Replace1;
  QAction* GoToLine1;  // after the navigation items (Ctrl+G)
  QMenu* Tools1;
  QAction* Screeneditor1;
  QAction* Sinuseditor1;
  QAction* Chareditor1;
  QMenu* Compile1;
  QAction* Compile2;
  QAction* CompileRun1;
  QMenu* Window1;
  QAction* Tile1;
  QAction* Cascade1;
  QAction* miAbout;

 signals:
  // A document window now shows a file on disk: after OpenSourceFile read
  // it, and after a successful Save or Save As wrote it.
  void documentOpened(TfrmQVEdit* editor);
  void documentSaved(TfrmQVEdit* editor);

 public slots:
  void File1Click();
  void New1Click();
  void Open1Click();
  void Save1Click();
  void SaveAs1Click();
  void Close1Click();
  void Exit1Click();
  void GoToLine1Click();
  void Find1Click();
  void Findagain1Click();
  void Replace1Click();
  void Compile2Click();
  void CompileRun1Click();
  void Tile1Click();
  void Cascade1Click();
  void miAboutClick();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void UpdateFileMenu();
  void createMenus();
  void routeShortcutThroughFileMenu(QAction* item);
  void runFileMenuKey(QAction& item);
  void listEditorWindows();
  TfrmQVEdit* createEditor();
  QMdiSubWindow* subWindowOf(const TfrmQVEdit& editor) const;
  QString absolutePath(const QString& path) const;
  void rememberFolderOf(const QString& chosenPath);
  bool writeDocument(TfrmQVEdit& editor, const QString& path);
  void reportSaved(TfrmQVEdit& editor, const QString& savedTo);
  QString folderOfDocument(const TfrmQVEdit& editor) const;
  QString writeDebugLabels(const QString& moduleName) const;

  std::unique_ptr<Dialogs> ownDialogs_;
  Dialogs* dialogs_;
  QMdiArea* mdiArea_;
  std::vector<QAction*> fileMenuKeys_;  // items whose key runs File1Click first
  std::unique_ptr<QActionGroup> windowList_;  // the Window menu's list of editors
  QString currentFolder_;
  QString lastOpenedName_;  // odFile proposes the name of its last use
  QPointer<TfrmProcess> frmProcess_;
  QPointer<TfrmAbout> frmAbout_;
  QPointer<TfrmSearch> frmSearch_;
  // The main window owns the compile state, module lists included.
  qv3::CompileSession session_;
  std::unique_ptr<Launcher> ownLauncher_;
  Launcher* launcher_;
  EditorIntelligence* editorIntelligence_ = nullptr;  // a child of this window
  SymbolRename* symbolRename_ = nullptr;              // a child of this window
};
