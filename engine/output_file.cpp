#include "engine/output_file.h"

#include <cerrno>
#include <cstring>

#include "engine/session.h"

namespace qv3 {

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
  file_.reset(std::fopen(path_.c_str(), "wb"));
  if (!file_) throw CompileAbandoned("Cannot create file " + path_ + ": " + std::strerror(errno));
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

void OutputFile::Fail() const {
  throw CompileAbandoned("Cannot write file " + path_ + ": " +
                         (errno ? std::strerror(errno) : "write failed"));
}

}  // namespace qv3
