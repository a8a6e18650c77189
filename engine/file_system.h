// File access for the engine: line splitting, case-insensitive lookup of the
// upper-cased names that sources give, and the private temporary copy.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv3 {

// Splits a text into lines: CR LF, a lone CR and a lone LF each end a line;
// a break at the very end does not start one more, empty line.
std::vector<std::string> SplitLines(std::string_view text);

// Reads a whole file as bytes; nothing when it cannot be opened or read, or
// when it is not a regular file.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Texts that stand in for files while a check reads them: an editor's
// unsaved documents, the object file an unsaved module would write. Keyed by
// full path; the last path element is matched ignoring letter case, as
// ResolveInFolder matches names on disk.
struct FileOverlay {
  std::vector<std::pair<std::string, std::string>> Files;  // path, text
  const std::string* Find(std::string_view path) const;
};

// The overlay's text for path when it has one, else the file's bytes as
// ReadWholeFile reads them. overlay may be null.
std::optional<std::string> ReadFileOrOverlay(const std::string& path, const FileOverlay* overlay);

// Resolves name (relative to folder, which ends in "/", unless absolute) to
// an existing file: the exact spelling wins; otherwise a case-insensitive
// match of the last path element (the all-lower-case spelling first, else
// the first in byte order); a name ending in blanks also finds the file
// without them. Returns the path to use (the exact one when nothing matches).
std::string ResolveInFolder(const std::string& folder, std::string_view name);

// The folder part of a path, ending in "/" (empty when there is none).
std::string FolderOf(std::string_view path);
// The part of a path after its last "/".
std::string FileNameOf(std::string_view path);

}  // namespace qv3

namespace qv3 {

// The size of a regular file that can be opened for reading; nothing for
// missing or unreadable files, folders, devices.
std::optional<std::uint64_t> RegularFileSize(const std::string& path);

// The per-user private temporary folder ("/"-terminated), created with mode
// 0700 when missing; nothing when no safe folder can be had.
std::optional<std::string> PrivateTemporaryFolder();

// The name of the copy of the object file last read for an external constant,
// left in the private temporary folder.
inline constexpr char kPrivateCopyName[] = "~qv3tmp~.dat";

// Copies source into the per-user private temporary folder (mode 0700, owned
// by this user) and leaves it there as kPrivateCopyName, replacing the
// previous copy. Returns the bytes copied; nothing on failure.
// Safe against other processes doing the same at the same time.
std::optional<std::string> ReadThroughPrivateCopy(const std::string& source);

}  // namespace qv3
