#include "engine/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "engine/file_system.h"
#include "engine/session.h"

namespace qv3 {

namespace {
// A hidden name beside the target, unique by a random suffix. O_EXCL never
// opens a file that is already there (nor follows a link planted there);
// mode 0666 leaves the final permissions to the umask, as a plain fopen
// would.
int CreateBeside(const std::string& path, std::string& temporaryPath) {
  const std::string folder = FolderOf(path);
  const std::string prefix = folder + "." + FileNameOf(path) + ".tmp-";
  std::random_device random;
  for (int attempt = 0; attempt < 16; ++attempt) {
    char suffix[9];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
    temporaryPath = prefix + suffix;
    const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// The file a path finally names: a symbolic link is followed (relative
// targets from the link's folder) so that the rename replaces the file it
// points to and the link stays a link, as editors save through one. A chain
// too long to be a real one is left as it is.
std::string FollowLinks(std::string path) {
  for (int hop = 0; hop < 40; ++hop) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 4096) + 1, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return path;
    target.resize(static_cast<std::size_t>(length));
    path = target.front() == '/' ? target : FolderOf(path) + target;
  }
  return path;
}
}  // namespace

OutputFile::OutputFile(std::string path) : path_(FollowLinks(std::move(path))) {
  const int fd = CreateBeside(path_, temporaryPath_);
  if (fd < 0) {
    const int error = errno;
    temporaryPath_.clear();
    throw CompileAbandoned("Cannot create file " + path_ + ": " + std::strerror(error));
  }
  // The file replaced keeps its permissions (an executable bit, a shared group's write).
  struct stat existing {};
  if (::stat(path_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
    ::fchmod(fd, existing.st_mode & 07777);
  file_.reset(::fdopen(fd, "wb"));
  if (!file_) {
    const int error = errno;
    ::close(fd);
    ::unlink(temporaryPath_.c_str());
    temporaryPath_.clear();
    throw CompileAbandoned("Cannot create file " + path_ + ": " + std::strerror(error));
  }
}

OutputFile::~OutputFile() {
  file_.reset();
  if (!temporaryPath_.empty()) ::unlink(temporaryPath_.c_str());
}

void OutputFile::Write(std::string_view bytes) {
  errno = 0;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size()) Fail();
}

void OutputFile::WriteAndClose(std::string_view bytes) {
  Write(bytes);
  errno = 0;
  if (std::fclose(file_.release()) != 0) Fail();
}

void OutputFile::PutInPlace() {
  if (::rename(temporaryPath_.c_str(), path_.c_str()) != 0) Fail();
  temporaryPath_.clear();
}

void OutputFile::Fail() const {
  throw CompileAbandoned("Cannot write file " + path_ + ": " +
                         (errno ? std::strerror(errno) : "write failed"));
}

}  // namespace qv3
