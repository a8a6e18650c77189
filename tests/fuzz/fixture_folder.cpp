#include "tests/fuzz/fixture_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace qv3fuzz {

namespace {
[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fixture folder: %s\n", what.c_str());
  std::abort();
}

void WriteFile(const std::string& path, std::string_view content) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) Fail("cannot create " + path);
  const bool ok = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
  ::close(fd);
  if (!ok) Fail("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::string content;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return content;
  char buffer[4096];  // the fixtures and outputs are small
  for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
    content.append(buffer, static_cast<std::size_t>(got));
  ::close(fd);
  return content;
}

std::vector<std::string> Entries(const std::string& folder) {
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

// The engine writes only files, never folders; anything else found here
// would be a fault of the fixture itself.
void EmptyFolder(const std::string& folder) {
  for (const auto& name : Entries(folder)) {
    const std::string path = folder + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      EmptyFolder(path + "/");
      ::rmdir(path.c_str());
    } else {
      ::unlink(path.c_str());
    }
  }
}

std::string DataBytes() {
  std::string bytes;
  for (int i = 0; i < 300; ++i) bytes.push_back(static_cast<char>((i * 7 + 3) & 0xFF));
  return bytes;
}

// Lower-case "inc.qv3" is found only through the case-insensitive lookup of
// the upper-cased name; "INC2.QV3" is found exactly and includes itself.
constexpr std::string_view kInclude =
    "// included by the fuzzed module\r\n"
    "INCVALUE = $2A\r\n"
    "INCLABEL: LDA #INCVALUE\r\n"
    " BIN.B $01 $02 $03\r\n"
    "SCREEN ~Inc~\r\n";
constexpr std::string_view kSelfInclude =
    "NOP\r\n"
    "INCLUDE INC2.QV3\r\n";
constexpr std::string_view kObjectFile =
    "// Objects\r\n"
    "LIBSTART = $1000\r\n"
    "SCREENPTR = $10\r\n"
    "SCREEN = $0C00\r\n"
    "NEG = $FFFF\r\n"
    "BAD = $1G\r\n"
    "EMPTY =\r\n"
    "\r\n"
    "// Code\r\n"
    "1000 : A9 01      LDA #$01\t\t[$01]\r\n";
// A dependent module that reads the fuzzed module's object file and names
// itself, so it is assembled twice.
constexpr std::string_view kDependent =
    "ORIGIN $2000\r\n"
    "OBJECTFILE\r\n"
    "LIBSTART: LDA @FUZZ.START\r\n"
    " STA $D020\r\n"
    "SCREENPTR = $10\r\n"
    "COMPILE LIB\r\n"
    " RTS\r\n";
}  // namespace

FixtureFolder::FixtureFolder() {
  // Memory-backed /dev/shm first: every input creates and deletes files.
  const char* tmp = std::getenv("TMPDIR");
  std::string base = ::access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm"
                     : tmp && *tmp == '/'                  ? tmp
                                                           : "/tmp";
  std::string pattern = base + "/qv3fuzz.XXXXXX";
  if (!::mkdtemp(pattern.data())) Fail("mkdtemp failed for " + pattern);
  root_ = pattern + "/";
  // A folder name without letters, so sources cannot reach it by an
  // upper-cased relative name and see another run's files.
  work_ = root_ + "1/";
  runtime_ = root_ + "2/";
  if (::mkdir(work_.c_str(), 0700) != 0 || ::mkdir(runtime_.c_str(), 0700) != 0)
    Fail("cannot create folders in " + root_);
  ::setenv("XDG_RUNTIME_DIR", runtime_.substr(0, runtime_.size() - 1).c_str(), 1);
  ::setenv("TMPDIR", runtime_.substr(0, runtime_.size() - 1).c_str(), 1);
  Reset();
}

FixtureFolder::~FixtureFolder() {
  EmptyFolder(root_);
  ::rmdir(root_.c_str());
}

void FixtureFolder::Reset() {
  // Only what an assembly changed is undone: rewriting every fixture each
  // time would cost more than most assemblies do.
  static const std::map<std::string, std::string> fixtures = {
      {"inc.qv3", std::string(kInclude)},      {"INC2.QV3", std::string(kSelfInclude)},
      {"data.bin", DataBytes()},               {"lib.qvo", std::string(kObjectFile)},
      {"lib.qv3", std::string(kDependent)}};
  for (const auto& name : Entries(work_)) {
    const std::string path = work_ + name;
    const auto fixture = fixtures.find(name);
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      EmptyFolder(path + "/");
      ::rmdir(path.c_str());
    } else if (fixture == fixtures.end() || ReadFile(path) != fixture->second) {
      ::unlink(path.c_str());
    }
  }
  for (const auto& [name, content] : fixtures)
    if (::access((work_ + name).c_str(), F_OK) != 0) WriteFile(work_ + name, content);
  EmptyFolder(runtime_);
}

std::map<std::string, std::string> FixtureFolder::Snapshot() const {
  std::map<std::string, std::string> files;
  for (const auto& name : Entries(work_)) files[name] = ReadFile(work_ + name);
  return files;
}

}  // namespace qv3fuzz
