// The private folder a fuzzed module is assembled in: the files its source
// may name (include files, a binary, an object file, a dependent module) and
// the folder that takes the temporary copy of external-constant lookups.
// Header-only, so the fuzz target and the regression tests share it.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv3fuzz {

namespace files {
[[noreturn]] inline void Fail(const std::string& what) {
  std::fprintf(stderr, "fixture folder: %s\n", what.c_str());
  std::abort();
}

inline void Write(const std::string& path, std::string_view content) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) Fail("cannot create " + path);
  const bool ok = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
  ::close(fd);
  if (!ok) Fail("cannot write " + path);
}

inline std::string Read(const std::string& path) {
  std::string content;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return content;
  char buffer[4096];  // the fixtures and outputs are small
  for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
    content.append(buffer, static_cast<std::size_t>(got));
  ::close(fd);
  return content;
}

inline std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(dir);
  return names;
}

inline bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

inline void EmptyFolder(const std::string& folder) {
  for (const auto& name : Entries(folder)) {
    const std::string path = folder + name;
    if (IsFolder(path)) {
      EmptyFolder(path + "/");
      ::rmdir(path.c_str());
    } else {
      ::unlink(path.c_str());
    }
  }
}
}  // namespace files

// Lower-case "inc.qv3" is found only through the case-insensitive lookup of
// the upper-cased name; "INC2.QV3" is found exactly and includes itself.
// "lib.qv3" is a dependent module that reads the fuzzed module's object
// file and names itself, so it is assembled twice; its own object file
// replaces the fixture "lib.qvo" when it is compiled.
inline const std::map<std::string, std::string>& Fixtures() {
  static const std::map<std::string, std::string> fixtures = [] {
    std::string data;
    for (int i = 0; i < 300; ++i) data.push_back(static_cast<char>((i * 7 + 3) & 0xFF));
    return std::map<std::string, std::string>{
        {"inc.qv3",
         "// included by the fuzzed module\r\n"
         "INCVALUE = $2A\r\n"
         "INCLABEL: LDA #INCVALUE\r\n"
         " BIN.B $01 $02 $03\r\n"
         "SCREEN ~Inc~\r\n"},
        {"INC2.QV3",
         "NOP\r\n"
         "INCLUDE INC2.QV3\r\n"},
        {"data.bin", data},
        {"lib.qvo",
         "// Objects\r\n"
         "LIBSTART = $1000\r\n"
         "SCREENPTR = $10\r\n"
         "SCREEN = $0C00\r\n"
         "NEG = $FFFF\r\n"
         "BAD = $1G\r\n"
         "EMPTY =\r\n"
         "\r\n"
         "// Code\r\n"
         "1000 : A9 01      LDA #$01\t\t[$01]\r\n"},
        {"lib.qv3",
         "ORIGIN $2000\r\n"
         "OBJECTFILE\r\n"
         "LIBSTART: LDA @FUZZ.START\r\n"
         " STA $D020\r\n"
         "SCREENPTR = $10\r\n"
         "COMPILE LIB\r\n"
         " RTS\r\n"},
    };
  }();
  return fixtures;
}

class FixtureFolder {
 public:
  // Creates a fresh folder with mkdtemp under /dev/shm (memory-backed: every
  // input creates and deletes files), else $TMPDIR, else /tmp, and points
  // XDG_RUNTIME_DIR and TMPDIR into it. Aborts when that is impossible.
  FixtureFolder() {
    const char* tmp = std::getenv("TMPDIR");
    if (tmp) savedTmpDir_ = tmp;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) savedRuntimeDir_ = runtime;
    const std::string base = ::access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm"
                             : tmp && *tmp == '/'                  ? tmp
                                                                   : "/tmp";
    std::string pattern = base + "/qv3fuzz.XXXXXX";
    if (!::mkdtemp(pattern.data())) files::Fail("mkdtemp failed for " + pattern);
    root_ = pattern + "/";
    // Folder names without letters: sources cannot reach them by an
    // upper-cased relative name and see files of another assembly.
    work_ = root_ + "1/";
    runtime_ = root_ + "2";
    if (::mkdir(work_.c_str(), 0700) != 0 || ::mkdir(runtime_.c_str(), 0700) != 0)
      files::Fail("cannot create folders in " + root_);
    ::setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    ::setenv("TMPDIR", runtime_.c_str(), 1);
    Reset();
  }
  ~FixtureFolder() {
    files::EmptyFolder(root_);
    ::rmdir(root_.c_str());
    Restore("TMPDIR", savedTmpDir_);
    Restore("XDG_RUNTIME_DIR", savedRuntimeDir_);
  }
  FixtureFolder(const FixtureFolder&) = delete;
  FixtureFolder& operator=(const FixtureFolder&) = delete;

  // The module's folder, ending in "/": fixtures and outputs live here.
  const std::string& Work() const { return work_; }

  // Deletes whatever an assembly left (outputs, the temporary copy) and
  // restores changed fixtures, so every assembly starts from the same
  // files. Only what changed is undone: rewriting every fixture each time
  // would cost more than most assemblies do.
  void Reset() {
    for (const auto& name : files::Entries(work_)) {
      const std::string path = work_ + name;
      const auto fixture = Fixtures().find(name);
      if (files::IsFolder(path)) {
        files::EmptyFolder(path + "/");
        ::rmdir(path.c_str());
      } else if (fixture == Fixtures().end() || files::Read(path) != fixture->second) {
        ::unlink(path.c_str());
      }
    }
    for (const auto& [name, content] : Fixtures())
      if (::access((work_ + name).c_str(), F_OK) != 0) files::Write(work_ + name, content);
    files::EmptyFolder(runtime_ + "/");
  }

  // Every regular file of the module's folder: name -> content.
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> found;
    for (const auto& name : files::Entries(work_)) found[name] = files::Read(work_ + name);
    return found;
  }

 private:
  static void Restore(const char* name, const std::optional<std::string>& value) {
    if (value)
      ::setenv(name, value->c_str(), 1);
    else
      ::unsetenv(name);
  }

  std::string root_;
  std::string work_;
  std::string runtime_;
  std::optional<std::string> savedTmpDir_;
  std::optional<std::string> savedRuntimeDir_;
};

}  // namespace qv3fuzz
