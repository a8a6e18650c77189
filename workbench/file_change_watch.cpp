#include "workbench/file_change_watch.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSet>
#include <QTextCursor>
#include <algorithm>

#include "workbench/dialogs.h"
#include "workbench/document_io.h"
#include "workbench/editor_window.h"
#include "workbench/main_window.h"
#include "workbench/process_window.h"  // main_window.h hands out a TfrmProcess*

namespace {

constexpr int kSettleMilliseconds = 300;

QByteArray DigestOf(const std::string& bytes) {
  return QCryptographicHash::hash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                  QCryptographicHash::Sha256);
}

QString FolderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

}  // namespace

FileChangeWatch::FileChangeWatch(TfrmQV3& frame) : QObject(&frame), frame_(frame) {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMilliseconds);
  connect(&settle_, &QTimer::timeout, this, &FileChangeWatch::checkPending);
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &FileChangeWatch::changed);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &FileChangeWatch::changed);
  connect(&frame, &TfrmQV3::documentOpened, this, &FileChangeWatch::track);
  connect(&frame, &TfrmQV3::documentSaved, this, &FileChangeWatch::track);
  // A question that waited for the user to come back is asked then.
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive) checkPending();
  });
}

FileChangeWatch::~FileChangeWatch() = default;

QStringList FileChangeWatch::watchedPaths() const { return watcher_.files() + watcher_.directories(); }

void FileChangeWatch::track(TfrmQVEdit* editor) {
  if (!editor || editor->documentPath().isEmpty()) return;
  auto found = std::find_if(documents_.begin(), documents_.end(),
                            [editor](const auto& document) { return document->editor == editor; });
  Document* document = nullptr;
  if (found != documents_.end()) {
    document = found->get();
  } else {
    documents_.push_back(std::make_unique<Document>());
    document = documents_.back().get();
    document->editor = editor;
    connect(editor, &QObject::destroyed, this, [this] { updateWatchedPaths(); }, Qt::QueuedConnection);
  }
  // Just read or written: what is on disk now is what the editor shows.
  const qv3::DocumentRead read = qv3::ReadDocumentFile(editor->documentPath());
  document->path = editor->documentPath();
  document->fileDigest = read.Outcome == qv3::ReadOutcome::Read ? DigestOf(read.Bytes) : QByteArray();
  document->editorTextAtSync = editor->DocumentBytes();
  document->missing = false;
  document->pending = false;
  updateWatchedPaths();
}

void FileChangeWatch::changed(const QString& path) {
  // A replaced file may linger in the watcher on its old, deleted inode:
  // it is watched afresh after the check.
  if (watcher_.files().contains(path)) watcher_.removePath(path);
  for (const auto& document : documents_)
    if (document->path == path || FolderOf(document->path) == path) document->pending = true;
  settle_.start();
}

void FileChangeWatch::checkAll() {
  for (const auto& document : documents_) document->pending = true;
  checkPending();
}

void FileChangeWatch::checkPending() {
  // A question is open (its event loop runs timers): after the answer.
  if (checking_) {
    settle_.start();
    return;
  }
  checking_ = true;
  for (std::size_t i = 0; i < documents_.size(); ++i) {
    Document& document = *documents_[i];
    if (!document.pending || !document.editor) continue;
    document.pending = false;
    check(document);
  }
  checking_ = false;
  updateWatchedPaths();
  const bool waiting = std::any_of(documents_.begin(), documents_.end(),
                                   [](const auto& document) { return document->pending; });
  // Waiting for another modal window to close: look again shortly.
  if (waiting && QGuiApplication::applicationState() == Qt::ApplicationActive) settle_.start();
}

bool FileChangeWatch::mayInteract() {
  // No question pops up over another program, or over a box already open.
  return QApplication::activeModalWidget() == nullptr &&
         QGuiApplication::applicationState() == Qt::ApplicationActive;
}

bool FileChangeWatch::holdsEdits(const Document& document) const {
  // Typing and undoing again leaves nothing to lose.
  return document.editor->IsModified() && document.editor->DocumentBytes() != document.editorTextAtSync;
}

void FileChangeWatch::check(Document& document) {
  const qv3::DocumentRead read = qv3::ReadDocumentFile(document.path);
  if (read.Outcome == qv3::ReadOutcome::Missing) {
    if (document.missing) return;
    if (!mayInteract()) {
      document.pending = true;
      return;
    }
    document.missing = true;
    // The text is now saved nowhere: closing asks, Save writes it back.
    document.editor->SetModifiedState(true);
    frame_.dialogs().showMessage(
        QStringLiteral("%1 has been deleted or moved by another program.\n\n"
                       "The text stays in the editor; Save writes it to that file again.")
            .arg(document.path));
    return;
  }
  // Unreadable for now (permissions, a folder in its place): the next change
  // is looked at again.
  if (read.Outcome != qv3::ReadOutcome::Read) return;

  const QByteArray digest = DigestOf(read.Bytes);
  if (digest == document.fileDigest) {
    // Back as it was, like after a save by rename, or a restored file.
    if (document.missing) {
      document.missing = false;
      if (!holdsEdits(document)) document.editor->SetModifiedState(false);
    }
    return;
  }
  if (!holdsEdits(document)) {
    reload(document, read.Bytes);
    return;
  }
  if (!mayInteract()) {
    document.pending = true;
    return;
  }
  const QPointer<TfrmQVEdit> editor = document.editor;
  const bool reloadIt = frame_.dialogs().askReloadChangedFile(document.path);
  if (!editor) return;  // closed while the question was open
  if (!reloadIt) {
    // This version of the file is not asked about again; a later change is.
    document.fileDigest = digest;
    document.missing = false;
    return;
  }
  // The file may have changed again while the question was open.
  const qv3::DocumentRead now = qv3::ReadDocumentFile(document.path);
  if (now.Outcome == qv3::ReadOutcome::Read) reload(document, now.Bytes);
}

void FileChangeWatch::reload(Document& document, const std::string& bytes) {
  TfrmQVEdit& editor = *document.editor;
  QPlainTextEdit& memo = *editor.mCode;
  const int caret = memo.textCursor().position();
  const int firstLine = memo.verticalScrollBar()->value();
  editor.LoadDocumentBytes(bytes);
  editor.SetModifiedState(false);
  // The caret and the view stay where they were, as far as the new text reaches.
  QTextCursor cursor(memo.document());
  cursor.setPosition(std::clamp(caret, 0, memo.document()->characterCount() - 1));
  memo.setTextCursor(cursor);
  memo.verticalScrollBar()->setValue(firstLine);
  document.fileDigest = DigestOf(bytes);
  document.editorTextAtSync = editor.DocumentBytes();
  document.missing = false;
}

void FileChangeWatch::updateWatchedPaths() {
  if (checking_) return;
  documents_.erase(std::remove_if(documents_.begin(), documents_.end(),
                                  [](const auto& document) { return document->editor.isNull(); }),
                   documents_.end());
  QSet<QString> files, folders;
  for (const auto& document : documents_) {
    if (QFileInfo::exists(document->path)) files.insert(document->path);
    folders.insert(FolderOf(document->path));
  }
  // A file replaced by a rename drops out of the watcher: it is added again.
  const QStringList watchedFiles = watcher_.files();
  for (const QString& path : watchedFiles)
    if (!files.contains(path)) watcher_.removePath(path);
  const QStringList watchedFolders = watcher_.directories();
  for (const QString& path : watchedFolders)
    if (!folders.contains(path)) watcher_.removePath(path);
  for (const QString& path : files)
    if (!watchedFiles.contains(path)) watcher_.addPath(path);
  for (const QString& path : folders)
    if (!watchedFolders.contains(path) && QFileInfo(path).isDir()) watcher_.addPath(path);
}
