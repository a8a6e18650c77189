// Fuzz target: arbitrary bytes as the source of a module, assembled through
// the compile command that qv3asm runs, in a private folder that holds the
// files a source may name (see module_checks.h for what is checked beyond
// "no crash").
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "tests/fuzz/fixture_folder.h"
#include "tests/fuzz/module_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static qv3fuzz::FixtureFolder folder;  // one private folder per process
  const std::string_view source(reinterpret_cast<const char*>(data), size);
  if (const std::string broken = qv3fuzz::CheckModuleSource(folder, source); !broken.empty()) {
    std::fprintf(stderr, "fuzz_module: check failed: %s\n", broken.c_str());
    __builtin_trap();
  }
  return 0;
}
