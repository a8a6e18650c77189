// What the editor knows about the code, wired into the main window: the
// background check of every editor (diagnostic marks), the tooltips, go to
// definition (F12, Ctrl+click), find references (Shift+F12), the outline,
// completion (Ctrl+Space) and Quick Fix (Ctrl+.). Only completion (when an
// item is chosen) and Quick Fix change a text. The checks of the windows read
// each other's texts and the constants each other's checks find.
#pragma once

#include <QObject>
#include <QPointer>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/file_system.h"
#include "workbench/editor/symbol_navigation.h"

class CompletionPopup;
class EditorWorkspace;
class LiveCheck;
class OutlineDock;
class QAction;
class QMdiSubWindow;
class ReferencesPane;
class TfrmQV3;
class TfrmQVEdit;
struct CheckSnapshot;

class EditorIntelligence : public QObject {
  Q_OBJECT
 public:
  explicit EditorIntelligence(TfrmQV3& main);

  QAction* goToDefinitionAction() const { return goToDefinition_; }
  QAction* findReferencesAction() const { return findReferences_; }
  OutlineDock* outline() const { return outline_; }
  ReferencesPane* references() const { return references_; }
  // The editor's background check (made on first use).
  LiveCheck& liveCheck(TfrmQVEdit& editor);

  // The commands at the caret of the active editor, and at a text position
  // of an editor (Ctrl+click). False when nothing was found.
  bool goToDefinitionAtCaret();
  bool findReferencesAtCaret();
  // Quick Fix (Ctrl+.): puts the fix the caret line's diagnostic offers in
  // place of the line (the branch over a JMP, the ".16" postfix), one undo
  // step; false with the reason in the status bar when there is none.
  bool quickFixAtCaret();
  QAction* quickFixAction() const { return quickFix_; }
  bool goToDefinitionAt(TfrmQVEdit& editor, int position);
  // Opens the completion list at the caret of an editor; false when
  // nothing can be typed there.
  bool completeAtCaret(TfrmQVEdit& editor);
  // The editor's completion list (made on first use).
  CompletionPopup& completionPopup(TfrmQVEdit& editor);
  // The tooltip text for a text position of an editor.
  QString hoverTextAt(TfrmQVEdit& editor, int position);
  // Selects a place in its module's window (an included file's own window
  // when the place is known there), opening or activating it. A definition
  // is shown as go to definition shows it.
  enum class Show { Span, Definition };
  bool showPlace(TfrmQVEdit& from, const SourcePlace& place, Show how = Show::Span);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void attachEditors();
  void attach(TfrmQVEdit& editor);
  void editorChecked(TfrmQVEdit& editor);
  // What a check of editor reads in place of files: the other windows'
  // texts and the object files their last good checks would write.
  qv3::FileOverlay checkOverlay(const TfrmQVEdit& editor) const;
  // Checks again the windows a change may concern: those of modules of the
  // same folder (the changed module's constants), those that include it.
  void scheduleFolderMates(const TfrmQVEdit& changed);
  void scheduleIncluders(const TfrmQVEdit& changed);
  void activeEditorChanged();
  TfrmQVEdit* editorOfViewport(QObject* viewport) const;
  // The last check of the editor when it is usable for the 0-based line;
  // otherwise says in the status bar why not and returns null.
  std::shared_ptr<const CheckSnapshot> knowledgeFor(TfrmQVEdit& editor, int blockNumber, bool report);
  void tell(const QString& message);
  // A row of the References pane: where, what, and the line's text.
  QString referenceRow(const SourcePlace& place, const CheckSnapshot& snapshot, EditorWorkspace& workspace,
                       std::map<std::string, std::vector<std::string>>& filesRead) const;

  TfrmQV3& main_;
  QAction* goToDefinition_;
  QAction* findReferences_;
  QAction* quickFix_;
  OutlineDock* outline_;
  ReferencesPane* references_;
};
