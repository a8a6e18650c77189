#include "engine/source_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "engine/file_system.h"

namespace qv3 {

std::optional<SourceFile> SourceFile::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  void* mapping = MAP_FAILED;
  if (regular && info.st_size > 0)
    mapping = ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ,
                     MAP_PRIVATE | MAP_POPULATE, fd, 0);
  ::close(fd);  // a mapping outlives its descriptor
  if (!regular) return std::nullopt;

  SourceFile file;
  if (mapping != MAP_FAILED) {
    file.mapping_ = mapping;
    file.mappedSize_ = static_cast<std::size_t>(info.st_size);
    return file;
  }
  auto content = ReadWholeFile(path);
  if (!content) return std::nullopt;
  file.read_ = std::move(*content);
  return file;
}

SourceFile::SourceFile(SourceFile&& other) noexcept
    : mapping_(std::exchange(other.mapping_, nullptr)),
      mappedSize_(std::exchange(other.mappedSize_, 0)),
      read_(std::move(other.read_)) {}

SourceFile& SourceFile::operator=(SourceFile&& other) noexcept {
  if (this != &other) {
    Release();
    mapping_ = std::exchange(other.mapping_, nullptr);
    mappedSize_ = std::exchange(other.mappedSize_, 0);
    read_ = std::move(other.read_);
  }
  return *this;
}

SourceFile::~SourceFile() { Release(); }

void SourceFile::Release() {
  if (mapping_ != nullptr) ::munmap(mapping_, mappedSize_);
  mapping_ = nullptr;
  mappedSize_ = 0;
}

std::string_view SourceFile::Text() const {
  if (mapping_ != nullptr) return {static_cast<const char*>(mapping_), mappedSize_};
  return read_;
}

}  // namespace qv3
