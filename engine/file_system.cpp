#include "engine/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "engine/source_text.h"
#include "engine/source_text_lines.h"

namespace qv3 {

namespace {
// Asks the kernel to back a buffer about to be written with pages now, in
// one call, rather than one page fault at a time. Only a hint: kernels
// without it leave the faults to happen.
void PopulateForWriting(char* data, std::size_t size) {
#ifdef MADV_POPULATE_WRITE
  constexpr std::uintptr_t kPage = 4096;
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kPage - 1);
  if (end > begin + 4 * kPage)
    ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)size;
#endif
}

bool IsRegular(const std::string& path, struct stat* info = nullptr) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (info) *info = st;
  return true;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// A file descriptor closed when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

// The spelling of name that exists in folder, ignoring letter case.
std::optional<std::string> MatchIgnoringCase(const std::string& folder, std::string_view name) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()),
                                          ::closedir);
  if (!dir) return std::nullopt;
  std::vector<std::string> matches;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (EqualsIgnoringCase(entry->d_name, name)) matches.emplace_back(entry->d_name);
  }
  if (matches.empty()) return std::nullopt;
  const std::string lower = [&] {
    std::string text(name);
    for (char& c : text)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
  }();
  if (std::find(matches.begin(), matches.end(), lower) != matches.end()) return lower;
  return *std::min_element(matches.begin(), matches.end());
}

std::optional<std::string> ResolveExisting(const std::string& folder, std::string_view name) {
  const std::string exact = (!name.empty() && name[0] == '/') ? std::string(name) : folder + std::string(name);
  if (Exists(exact)) return exact;
  const std::string parent = FolderOf(exact);
  const std::string leaf = FileNameOf(exact);
  if (leaf.empty()) return std::nullopt;
  if (auto match = MatchIgnoringCase(parent, leaf)) return parent + *match;
  return std::nullopt;
}


}  // namespace

std::optional<std::string> PrivateTemporaryFolder() {
  const uid_t uid = ::getuid();
  std::vector<std::string> candidates;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/')
    candidates.push_back(std::string(runtime) + "/qv3");
  const char* tmp = std::getenv("TMPDIR");
  candidates.push_back(std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/qv3-" +
                       std::to_string(uid));
  for (const auto& folder : candidates) {
    ::mkdir(folder.c_str(), 0700);
    struct stat st {};
    // lstat: a planted symbolic link in place of the folder is refused.
    if (::lstat(folder.c_str(), &st) != 0) continue;
    if (!S_ISDIR(st.st_mode) || st.st_uid != uid || (st.st_mode & 077) != 0) continue;
    return folder + "/";
  }
  return std::nullopt;
}
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  SourceText(text).ForEachLine([&](std::string_view line) {
    lines.emplace_back(line);
    return true;
  });
  return lines;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  struct stat st {};
  if (!IsRegular(path, &st)) return std::nullopt;
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.ok()) return std::nullopt;
  // Read straight into the text, its pages made present in one call first:
  // faulting them in one by one costs more than reading a source.
  // One byte more than the size, so that the read which meets the end of
  // the file fits as well.
  std::string content;
  const std::size_t size = static_cast<std::size_t>(st.st_size) + 1;
  content.reserve(size);
  PopulateForWriting(content.data(), size);
  content.resize(size);
  std::size_t filled = 0;
  for (;;) {
    if (filled == content.size()) content.resize(content.size() * 2);  // the file grew
    const ssize_t got = ::read(fd.get(), content.data() + filled, content.size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  content.resize(filled);
  return content;
}

const std::string* FileOverlay::Find(std::string_view path) const {
  const std::string folder = FolderOf(path);
  const std::string leaf = FileNameOf(path);
  const std::string* caseless = nullptr;
  for (const auto& [name, text] : Files) {
    if (name == path) return &text;
    if (!caseless && FolderOf(name) == folder && EqualsIgnoringCase(FileNameOf(name), leaf)) caseless = &text;
  }
  return caseless;
}

std::optional<std::string> ReadFileOrOverlay(const std::string& path, const FileOverlay* overlay) {
  if (overlay)
    if (const std::string* text = overlay->Find(path)) return *text;
  return ReadWholeFile(path);
}

std::string ResolveInFolder(const std::string& folder, std::string_view name) {
  if (auto found = ResolveExisting(folder, name)) return *found;
  // A comment after a name leaves trailing blanks, which the name's file lacks.
  std::string_view trimmed = name;
  while (!trimmed.empty() && trimmed.back() == ' ') trimmed.remove_suffix(1);
  if (trimmed.size() != name.size() && !trimmed.empty())
    if (auto found = ResolveExisting(folder, trimmed)) return *found;
  return (!name.empty() && name[0] == '/') ? std::string(name) : folder + std::string(name);
}

std::string FolderOf(std::string_view path) {
  const auto cut = path.rfind('/');
  return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut + 1));
}

std::string FileNameOf(std::string_view path) {
  const auto cut = path.rfind('/');
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::optional<std::uint64_t> RegularFileSize(const std::string& path) {
  // Checked before opening, so that a FIFO cannot block the open.
  if (!IsRegular(path)) return std::nullopt;
  // The size counts only for a file that can be opened for reading: an
  // unreadable file is a file error, as it is for every other reader.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (!fd.ok() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

std::optional<std::string> ReadThroughPrivateCopy(const std::string& source) {
  const auto folder = PrivateTemporaryFolder();
  if (!folder) return std::nullopt;
  auto content = ReadWholeFile(source);
  if (!content) return std::nullopt;
  // The copy is written whole under a name of its own before it replaces the
  // shared name in one rename: two assemblies running at once would
  // otherwise truncate the copy under each other and read the other one's
  // constants. mkstemp creates the file exclusively, so no link planted in
  // its place is followed; rename replaces a link rather than its target.
  // What was written is what the copy holds, so it is not read back.
  std::string own = *folder + "~qv3tmp~.XXXXXX";
  FileDescriptor fd(::mkostemp(own.data(), O_CLOEXEC));
  if (!fd.ok()) return std::nullopt;
  std::size_t written = 0;
  while (written < content->size()) {
    const ssize_t put = ::write(fd.get(), content->data() + written, content->size() - written);
    if (put < 0) {
      if (errno == EINTR) continue;
      ::unlink(own.c_str());
      return std::nullopt;
    }
    written += static_cast<std::size_t>(put);
  }
  if (::rename(own.c_str(), (*folder + kPrivateCopyName).c_str()) != 0) ::unlink(own.c_str());
  return content;
}

}  // namespace qv3
