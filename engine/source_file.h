// A source file's bytes for the length of a compile, mapped into memory
// when the file allows it: no copy is made and the pages come from the
// file cache, which matters for a large source. Other files (empty ones,
// files that cannot be mapped) are read.
//
// Another program truncating a mapped file while it is assembled makes the
// bytes past the new end unreadable (SIGBUS); a program using this class
// for its sources turns that signal into an error message (qv3asm does).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qv3 {

class SourceFile {
 public:
  // Nothing when the file is missing, unreadable or not a regular file.
  static std::optional<SourceFile> Open(const std::string& path);

  SourceFile(SourceFile&& other) noexcept;
  SourceFile& operator=(SourceFile&& other) noexcept;
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;
  ~SourceFile();

  std::string_view Text() const;
  bool IsMapped() const { return mapping_ != nullptr; }

 private:
  SourceFile() = default;
  void Release();

  void* mapping_ = nullptr;
  std::size_t mappedSize_ = 0;
  std::string read_;  // the bytes when the file is not mapped
};

}  // namespace qv3
