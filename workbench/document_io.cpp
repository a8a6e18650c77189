#include "workbench/document_io.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace qv3 {

DocumentRead ReadDocumentFile(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return {ReadOutcome::Missing, {}};
  if (!info.isFile()) return {ReadOutcome::Unreadable, {}};
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {ReadOutcome::Unreadable, {}};
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return {ReadOutcome::Unreadable, {}};
  return {ReadOutcome::Read, bytes.toStdString()};
}

bool WriteDocumentFile(const QString& path, std::string_view bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const auto size = static_cast<qint64>(bytes.size());
  if (file.write(bytes.data(), size) != size) {
    file.cancelWriting();
    file.commit();  // only discards the temporary file after cancelWriting
    return false;
  }
  return file.commit();
}

std::string EditorTextFromFileBytes(std::string_view fileBytes) {
  std::string text;
  text.reserve(fileBytes.size());
  for (std::size_t i = 0; i < fileBytes.size(); ++i) {
    const char c = fileBytes[i];
    if (c == '\r') {
      text += '\n';
      if (i + 1 < fileBytes.size() && fileBytes[i + 1] == '\n') ++i;
    } else {
      text += c;
    }
  }
  return text;
}

std::string FileBytesFromEditorText(std::string_view editorText) {
  std::string bytes;
  bytes.reserve(editorText.size() + editorText.size() / 16);
  for (const char c : editorText) {
    if (c == '\n')
      bytes += "\r\n";
    else
      bytes += c;
  }
  return bytes;
}

}  // namespace qv3
