// An output file of a module (".prg", ".qvo"), written under a temporary
// name in the same folder and put in place by one rename, so that a module
// that fails leaves the files of its last good compile as they were. A
// target that is a symbolic link is written through: the file it points to
// is replaced (keeping its permissions) and the link stays. A failure to
// create, write or rename abandons the compile, naming the file.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace qv3 {

class OutputFile {
 public:
  // Creates the temporary file beside path.
  explicit OutputFile(std::string path);
  // Removes the temporary file unless it was put in place.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Appends bytes to the temporary file.
  void Write(std::string_view bytes);
  // Appends the last bytes and closes the temporary file, so that a failure
  // to store what was written is reported too.
  void WriteAndClose(std::string_view bytes);
  // Replaces the file at path with the closed temporary file.
  void PutInPlace();
  // Hands the closed temporary file over to the caller, who removes it.
  std::string ReleaseTemporary() { return std::exchange(temporaryPath_, {}); }

 private:
  [[noreturn]] void Fail() const;
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::string path_;
  std::string temporaryPath_;  // empty once renamed
  std::unique_ptr<std::FILE, Closer> file_;
};

}  // namespace qv3
