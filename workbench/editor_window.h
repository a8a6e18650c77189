// TfrmQVEdit: one source document in a child window of the main frame, with
// its message panes and its status bar.
#pragma once

#include <QString>
#include <QWidget>
#include <string>

class Dialogs;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QSplitter;
class QStatusBar;
class QTabWidget;

class TfrmQVEdit : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmQVEdit(Dialogs& dialogs, QWidget* parent = nullptr);

  // The document's name on screen: "anonymus", a bare file name after Open,
  // a full path after Save As.
  QString caption() const { return windowTitle(); }
  void setCaption(const QString& caption) { setWindowTitle(caption); }

  // The absolute path Save writes to; empty for a new document and for a
  // window whose file could not be read (Save then asks for a name).
  QString documentPath() const { return documentPath_; }
  void setDocumentPath(const QString& path) { documentPath_ = path; }
  // The folder of documentPath(), empty when there is none.
  QString documentFolder() const;

  bool IsModified() const { return isModified_; }
  void SetModifiedState(bool modified);

  // The editor's own edit flag: set by every change of the text, cleared only
  // when a whole text is loaded. Saving leaves it alone.
  bool HasEditsSinceLoad() const { return editedSinceLoad_; }

  // Puts a whole file's bytes into mCode (fires mCodeChange).
  void LoadDocumentBytes(const std::string& fileBytes);
  // The text as the file's bytes: CR LF line breaks, nothing added.
  std::string DocumentBytes() const;

  // Status bar panels: 0 the modified mark, 1 the file path.
  QString sbPanelText(int panel) const;
  void setPathPanel(const QString& path);

  // Asks before a modified window closes; true when it may close.
  bool FormCloseQuery();

  QPlainTextEdit* mCode;
  QSplitter* Splitter1;
  QTabWidget* pcErrors;
  QWidget* tsErrors;
  QListWidget* lbMessy;  // StatusList
  QWidget* tsHints;
  QListWidget* lbMessy2;  // HintList
  QStatusBar* sb;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void mCodeChange();

 private:
  void FormCreate();
  QWidget* createMessageTab(QListWidget*& list);

  Dialogs& dialogs_;
  QLabel* sbModified_;
  QLabel* sbPath_;
  QString documentPath_;
  bool isModified_ = false;
  bool editedSinceLoad_ = false;
};
