// The private folder a fuzzed module is assembled in: the files its source
// may name (include files, a binary, an object file, a dependent module) and
// the folder that takes the temporary copy of external-constant lookups.
#pragma once

#include <map>
#include <string>

namespace qv3fuzz {

class FixtureFolder {
 public:
  // Creates a fresh folder with mkdtemp under /dev/shm (else $TMPDIR, else
  // /tmp) and points
  // XDG_RUNTIME_DIR and TMPDIR into it. Aborts when that is impossible.
  FixtureFolder();
  ~FixtureFolder();
  FixtureFolder(const FixtureFolder&) = delete;
  FixtureFolder& operator=(const FixtureFolder&) = delete;

  // The module's folder, ending in "/": fixtures and outputs live here.
  const std::string& Work() const { return work_; }
  // Deletes whatever an assembly left (outputs, the temporary copy) and
  // writes the fixtures afresh, so every assembly starts from the same files.
  void Reset();
  // Every regular file of the module's folder: name -> content.
  std::map<std::string, std::string> Snapshot() const;

 private:
  std::string root_;
  std::string work_;
  std::string runtime_;
};

}  // namespace qv3fuzz
