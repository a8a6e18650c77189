// Source documents on disk: line breaks, byte fidelity, and saves that fail.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>

#include "workbench/document_io.h"

namespace {

using qv3::EditorTextFromFileBytes;
using qv3::FileBytesFromEditorText;
using qv3::ReadDocumentFile;
using qv3::ReadOutcome;
using qv3::WriteDocumentFile;

std::string ReadAll(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  return file.readAll().toStdString();
}

TEST(DocumentLineBreaks, EveryKindOfBreakBecomesOneEditorLineBreak) {
  EXPECT_EQ(EditorTextFromFileBytes("a\r\nb"), "a\nb");
  EXPECT_EQ(EditorTextFromFileBytes("a\rb"), "a\nb");
  EXPECT_EQ(EditorTextFromFileBytes("a\nb"), "a\nb");
  // LF CR is two lone breaks; CR CR LF is a lone CR and then a pair.
  EXPECT_EQ(EditorTextFromFileBytes("a\n\rb"), "a\n\nb");
  EXPECT_EQ(EditorTextFromFileBytes("a\r\r\nb"), "a\n\nb");
  EXPECT_EQ(EditorTextFromFileBytes("end\r"), "end\n");
  EXPECT_EQ(EditorTextFromFileBytes(""), "");
}

TEST(DocumentLineBreaks, SavedTextGetsCrLfAndNothingAtTheEnd) {
  EXPECT_EQ(FileBytesFromEditorText("a\nb"), "a\r\nb");
  EXPECT_EQ(FileBytesFromEditorText("a\n\n"), "a\r\n\r\n");
  EXPECT_EQ(FileBytesFromEditorText(""), "");
  const std::string binary("\0\x01\xA0\xFF", 4);
  EXPECT_EQ(FileBytesFromEditorText(binary), binary);
}

TEST(DocumentFiles, MissingFilesDiffersFromNamesThatCannotBeRead) {
  QTemporaryDir folder;
  EXPECT_EQ(ReadDocumentFile(folder.filePath("none.qv3")).Outcome, ReadOutcome::Missing);
  ASSERT_TRUE(QDir(folder.path()).mkdir("dir.qv3"));
  EXPECT_EQ(ReadDocumentFile(folder.filePath("dir.qv3")).Outcome, ReadOutcome::Unreadable);
  // A pipe without a writer would block a plain open for ever.
  const QString pipe = folder.filePath("pipe.qv3");
  ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  EXPECT_EQ(ReadDocumentFile(pipe).Outcome, ReadOutcome::Unreadable);
}

TEST(DocumentFiles, WriteReplacesTheFileAndKeepsItsPermissions) {
  QTemporaryDir folder;
  const QString path = folder.filePath("keep.qv3");
  ASSERT_TRUE(WriteDocumentFile(path, "old"));
  ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0640), 0);
  ASSERT_TRUE(WriteDocumentFile(path, "new\r\n"));
  EXPECT_EQ(ReadAll(path), "new\r\n");
  struct stat status {};
  ASSERT_EQ(stat(QFile::encodeName(path).constData(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0640u);
}

// A disk that fills up part-way, simulated with the file size limit (which
// binds even a privileged user).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = nullptr;
};

TEST(DocumentFiles, AWriteFailingPartWayLeavesTheOldFileAsItWas) {
  QTemporaryDir folder;
  const QString path = folder.filePath("safe.qv3");
  const std::string old = "LDA #$00\r\nRTS\r\n";
  ASSERT_TRUE(WriteDocumentFile(path, old));
  const std::string large(64 * 1024, 'x');
  bool written = true;
  {
    FileSizeLimit limit(4096);
    written = WriteDocumentFile(path, large);
  }
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadAll(path), old);
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"safe.qv3"})
      << "no temporary file may stay behind";
}

}  // namespace
