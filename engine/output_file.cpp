#include "engine/output_file.h"

#include <fcntl.h>
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
}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
  const int fd = CreateBeside(path_, temporaryPath_);
  if (fd < 0) {
    const int error = errno;
    temporaryPath_.clear();
    throw CompileAbandoned("Cannot create file " + path_ + ": " + std::strerror(error));
  }
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
