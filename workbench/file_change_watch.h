// Keeps the open documents in step with their files when another program
// changes them. A document without edits follows its file (it is reloaded);
// one with edits asks first (Dialogs::askReloadChangedFile). A file that is
// deleted or moved away leaves its text in the window, marked modified and
// told once, so the user decides whether Save writes it back; the window is
// never emptied.
//
// Files are compared by content with the state last loaded or saved, so the
// workbench's own saves and a mere touch change nothing. The folder of each
// file is watched too: editors that save by writing a new file and renaming
// it over the old one replace the watched file, and a deleted file may come
// back.
#pragma once

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

class TfrmQV3;
class TfrmQVEdit;

class FileChangeWatch final : public QObject {
  Q_OBJECT
 public:
  explicit FileChangeWatch(TfrmQV3& frame);
  ~FileChangeWatch() override;

  // How long the files must stay still before they are compared, so a
  // program that writes a file in several steps is seen once, finished.
  void setSettleTime(int milliseconds) { settle_.setInterval(milliseconds); }
  // Compares every document with its file now; the watcher's events do it
  // otherwise after the settle time.
  void checkAll();
  // The files and folders watched now.
  QStringList watchedPaths() const;

 private:
  struct Document {
    QPointer<TfrmQVEdit> editor;
    QString path;
    QByteArray fileDigest;          // the file as last loaded, saved or kept
    std::string editorTextAtSync;   // the editor's text at that moment
    bool missing = false;           // the file is gone and the user was told
    bool pending = false;           // a change waits to be looked at
  };

  void track(TfrmQVEdit* editor);
  void changed(const QString& path);
  void checkPending();
  void check(Document& document);
  void reload(Document& document, const std::string& bytes);
  bool holdsEdits(const Document& document) const;
  static bool mayInteract();
  void updateWatchedPaths();

  TfrmQV3& frame_;
  QFileSystemWatcher watcher_;
  QTimer settle_;
  // Pointers stay valid while a question is open and windows come and go.
  std::vector<std::unique_ptr<Document>> documents_;
  bool checking_ = false;
};
