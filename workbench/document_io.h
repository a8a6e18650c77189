// Source documents on disk: read and written byte for byte, so that every
// byte value except the line breaks survives an open and a save unchanged.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace qv3 {

enum class ReadOutcome {
  Read,        // bytes hold the whole file
  Missing,     // nothing bears the name
  Unreadable,  // something is there, but it is not a file we could read
};

struct DocumentRead {
  ReadOutcome Outcome = ReadOutcome::Missing;
  std::string Bytes;
};

// Reads a whole document. Names of folders, pipes and devices count as
// unreadable: opening them could block or never end.
DocumentRead ReadDocumentFile(const QString& path);

// Replaces the file with bytes through a temporary file in the same folder
// that is renamed over the old one, so a write that fails part-way (disk
// full, permission lost) leaves the old file as it was. The old file's
// permissions are kept. False when the file could not be written.
bool WriteDocumentFile(const QString& path, std::string_view bytes);

// The editor's view of a file: CR LF, a lone CR and a lone LF each become one
// '\n'. All other bytes pass unchanged.
std::string EditorTextFromFileBytes(std::string_view fileBytes);

// The file's bytes for an editor text whose lines are separated by '\n':
// every '\n' becomes CR LF, nothing is added at the end.
std::string FileBytesFromEditorText(std::string_view editorText);

}  // namespace qv3
