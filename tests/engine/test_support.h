// Small helpers shared by the engine's unit tests: private temporary
// folders, environment overrides, a module ready for direct calls, and
// readers for the Status list.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/line_context.h"
#include "engine/module_assembly.h"
#include "engine/session.h"
#include "engine/source_text.h"

namespace qv3::test {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes. Path() ends in "/".
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qv3-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern + "/";
  }
  ~TempDir() {
    std::error_code ignored;
    // Tests may leave read-only folders behind; make them removable first.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string operator/(std::string_view name) const { return path_ + std::string(name); }

  void Write(std::string_view name, std::string_view content) const {
    std::ofstream out(path_ + std::string(name), std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << name;
  }
  bool Exists(std::string_view name) const {
    return std::filesystem::exists(path_ + std::string(name));
  }

 private:
  std::string path_;
};

inline std::optional<std::string> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<std::uint8_t> ReadFileAsBytes(const std::string& path) {
  const auto text = ReadFileBytes(path);
  if (!text) return {};
  return {text->begin(), text->end()};
}

// Sets (or, with nullopt, unsets) an environment variable for the lifetime
// of the object and restores the previous state afterwards.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    if (value)
      ::setenv(name_.c_str(), value->c_str(), 1);
    else
      ::unsetenv(name_.c_str());
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_.c_str(), old_->c_str(), 1);
    else
      ::unsetenv(name_.c_str());
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// The message texts of the diagnostics in the Status list, in order.
inline std::vector<std::string> ReportedMessages(const CompileSession& session) {
  std::vector<std::string> messages;
  for (const auto& line : session.StatusList.Lines()) {
    if (!line.Info) continue;
    const auto start = line.Text.find(": ");
    const auto end = line.Text.rfind(" (at line: ");
    if (start == std::string::npos || end == std::string::npos || end < start) {
      messages.emplace_back(line.Text);
      continue;
    }
    messages.emplace_back(line.Text.substr(start + 2, end - start - 2));
  }
  return messages;
}

inline std::vector<std::string> StatusTexts(const CompileSession& session) {
  std::vector<std::string> texts;
  for (const auto& line : session.StatusList.Lines()) texts.emplace_back(line.Text);
  return texts;
}

// A module named "demo" whose files live in a private temporary folder, for
// calling the line-level operations directly.
struct ModuleBench {
  TempDir Folder;
  CompileSession Session;
  std::vector<std::string> Lines;
  ModuleAssembly Module{Session, Lines};

  ModuleBench() {
    Module.ModuleName = "demo";
    Module.Directory = Folder.Path();
    Session.CurrentDirectory = Folder.Path();
    Session.CurrentLineNumber = 1;
  }

  // The program file's bytes after the two-byte load address.
  std::vector<std::uint8_t> Code() const {
    const auto& bytes = Module.ProgramFile.Bytes();
    if (bytes.size() < 2) return {};
    return {bytes.begin() + 2, bytes.end()};
  }

  std::vector<std::string> Messages() const { return ReportedMessages(Session); }
};

inline std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> bytes;
  for (int v : values) bytes.push_back(static_cast<std::uint8_t>(v));
  return bytes;
}

}  // namespace qv3::test
