// SPDX-License-Identifier: GPL-3.0-or-later
// The object files of modules that failed in this compile command: kept
// under their temporary names, never put in place, and read instead of the
// file on disk by the other modules of the same command. A cycle of modules
// that refer to each other's constants converges as it always did (the
// first compile of one module fails for want of the other's object file,
// the other reads its constants as that compile left them), while the files
// on disk stay those of the last good compile. Removed when the command ends.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv3 {

class FailedObjectFiles {
 public:
  FailedObjectFiles() = default;
  FailedObjectFiles(const FailedObjectFiles&) = delete;
  FailedObjectFiles& operator=(const FailedObjectFiles&) = delete;
  FailedObjectFiles(FailedObjectFiles&& other) noexcept : entries_(std::exchange(other.entries_, {})) {}
  FailedObjectFiles& operator=(FailedObjectFiles&& other) noexcept {
    if (this != &other) {
      Clear();
      entries_ = std::exchange(other.entries_, {});
    }
    return *this;
  }
  ~FailedObjectFiles() { Clear(); }

  // Takes over the temporary file of a module that failed; an earlier one of
  // the same module is removed. module is the lower-case module name.
  void Keep(std::string folder, std::string module, std::string temporaryPath);
  // The module was compiled again and succeeded: its own file is current.
  void Forget(std::string_view folder, std::string_view module);
  // The temporary file of the module named (letter case ignored) in folder.
  std::optional<std::string> Find(std::string_view folder, std::string_view module) const;
  // Removes every temporary file.
  void Clear();

 private:
  struct Entry {
    std::string Folder, Module, TemporaryPath;
  };
  std::vector<Entry> entries_;
};

}  // namespace qv3
