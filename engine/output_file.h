// An output file of a module (".prg", ".qvo"): created when pass 2 starts,
// closed on every way out. A failure abandons the compile, naming the file.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace qv3 {

class OutputFile {
 public:
  explicit OutputFile(std::string path);
  // Appends bytes to the file.
  void Write(std::string_view bytes);
  // Appends the last bytes and closes the file, so that a failure to store
  // what was written is reported too.
  void WriteAndClose(std::string_view bytes);

 private:
  [[noreturn]] void Fail() const;
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::string path_;
  std::unique_ptr<std::FILE, Closer> file_;
};

}  // namespace qv3
