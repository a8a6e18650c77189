// SPDX-License-Identifier: GPL-3.0-or-later
#include "language/module_workspace.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "engine/file_system.h"
#include "engine/source_text.h"

namespace {

// Whether text may hold a use of one of module's names.
bool MayUse(const std::string& text, std::string_view module) {
  const std::string folded = qv3::FoldCase(text);
  return folded.find("@" + qv3::FoldCase(module) + ".") != std::string::npos ||
         folded.find(qv3::FoldCase("include")) != std::string::npos;
}

}  // namespace

bool IsModuleSourceName(std::string_view fileName) {
  constexpr std::string_view kExtension = ".qv3";
  return fileName.size() > kExtension.size() &&
         qv3::EqualsIgnoringCase(fileName.substr(fileName.size() - kExtension.size()), kExtension);
}

ModuleWorkspace::ModuleWorkspace(std::vector<OpenSource> open, std::string currentDirectory)
    : open_(std::move(open)), currentDirectory_(std::move(currentDirectory)), openChecks_(open_.size(), nullptr) {
  for (const OpenSource& source : open_)
    if (!source.Path.empty()) overlay_.Files.emplace_back(source.Path, source.Text);
}

const qv3::CompileKnowledge& ModuleWorkspace::Check(const std::string& text, std::string_view module,
                                                    const std::string& folder) {
  qv3::CheckOptions options;
  options.CurrentDirectory = currentDirectory_;
  options.Overlay = &overlay_;
  return checks_.emplace_back(qv3::CheckCompile(std::string_view(text), module, folder, options)).Knowledge;
}

const qv3::CompileKnowledge& ModuleWorkspace::CheckOfOpen(std::size_t index) {
  if (!openChecks_[index]) {
    const OpenSource& source = open_[index];
    openChecks_[index] = &Check(source.Text, source.Module, source.Folder);
  }
  return *openChecks_[index];
}

std::optional<std::size_t> ModuleWorkspace::FindOpenModule(std::string_view module, const std::string& folder) const {
  for (std::size_t index = 0; index < open_.size(); ++index)
    if (open_[index].Folder == folder && qv3::EqualsIgnoringCase(open_[index].Module, module)) return index;
  return std::nullopt;
}

std::optional<std::string> ModuleWorkspace::TextOf(const std::string& path) const {
  return qv3::ReadFileOrOverlay(path, &overlay_);
}

Workspace ModuleWorkspace::UsersOf(std::string_view module, const std::string& folder,
                                   std::optional<std::size_t> except) {
  Workspace workspace;
  const auto add = [&](const qv3::CompileKnowledge& check) {
    if (std::find(workspace.Checks.begin(), workspace.Checks.end(), &check) == workspace.Checks.end())
      workspace.Checks.push_back(&check);
  };
  for (std::size_t index = 0; index < open_.size(); ++index) {
    const OpenSource& source = open_[index];
    if (index == except || source.Folder != folder) continue;
    if (qv3::EqualsIgnoringCase(source.Module, module) || MayUse(source.Text, module)) add(CheckOfOpen(index));
  }
  std::error_code error;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, error)) {
    if (!entry.is_regular_file(error)) continue;
    std::string name = entry.path().filename().string();
    if (IsModuleSourceName(name)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());  // the same order every time
  for (const std::string& name : names) {
    const std::string_view moduleName = qv3::CutAtFirstDot(name);
    if (FindOpenModule(moduleName, folder)) continue;  // its open text counts, checked above
    const std::optional<std::string> text = qv3::ReadWholeFile(folder + name);
    if (!text) continue;
    if (qv3::EqualsIgnoringCase(moduleName, module) || MayUse(*text, module)) add(Check(*text, moduleName, folder));
  }
  return workspace;
}
