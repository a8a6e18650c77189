// What the editor knows about the code, wired into the main window: the
// background check of every editor (diagnostic marks), the tooltips, go to
// definition (F12, Ctrl+click), find references (Shift+F12) and the outline.
// None of it changes a text, its undo history or a window's modified state.
#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

#include "workbench/editor/symbol_navigation.h"

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
  bool goToDefinitionAt(TfrmQVEdit& editor, int position);
  // The tooltip text for a text position of an editor.
  QString hoverTextAt(TfrmQVEdit& editor, int position);
  // Selects a place in its module's window, opening or activating it.
  bool showPlace(TfrmQVEdit& from, const SourcePlace& place);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void attachEditors();
  void attach(TfrmQVEdit& editor);
  void editorChecked(TfrmQVEdit& editor);
  void activeEditorChanged();
  TfrmQVEdit* editorOfViewport(QObject* viewport) const;
  // The last check of the editor when it is usable for the 0-based line;
  // otherwise says in the status bar why not and returns null.
  std::shared_ptr<const CheckSnapshot> knowledgeFor(TfrmQVEdit& editor, int blockNumber, bool report);
  void tell(const QString& message);

  TfrmQV3& main_;
  QAction* goToDefinition_;
  QAction* findReferences_;
  OutlineDock* outline_;
  ReferencesPane* references_;
};
