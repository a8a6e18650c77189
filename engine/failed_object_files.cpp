// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/failed_object_files.h"

#include <unistd.h>

#include <algorithm>

#include "engine/source_text.h"

namespace qv3 {

void FailedObjectFiles::Keep(std::string folder, std::string module, std::string temporaryPath) {
  Forget(folder, module);
  entries_.push_back({std::move(folder), std::move(module), std::move(temporaryPath)});
}

void FailedObjectFiles::Forget(std::string_view folder, std::string_view module) {
  std::erase_if(entries_, [&](const Entry& entry) {
    if (entry.Folder != folder || !EqualsIgnoringCase(entry.Module, module)) return false;
    ::unlink(entry.TemporaryPath.c_str());
    return true;
  });
}

std::optional<std::string> FailedObjectFiles::Find(std::string_view folder,
                                                   std::string_view module) const {
  const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) {
    return entry.Folder == folder && EqualsIgnoringCase(entry.Module, module);
  });
  if (found == entries_.end()) return std::nullopt;
  return found->TemporaryPath;
}

void FailedObjectFiles::Clear() {
  for (const Entry& entry : entries_) ::unlink(entry.TemporaryPath.c_str());
  entries_.clear();
}

}  // namespace qv3
