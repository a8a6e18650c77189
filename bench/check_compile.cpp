// The engine time of checking a document while it is edited: CheckCompile
// (both passes, diagnostics, definitions, references, line/address ranges,
// no file written) on one source file, repeated, with the median reported.
//
//   check_compile FILE.qv3 [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/check_compile.h"
#include "engine/file_system.h"
#include "engine/source_text.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: check_compile FILE.qv3 [RUNS]\n");
    return 2;
  }
  const std::string path = argv[1];
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;
  const auto text = qv3::ReadWholeFile(path);
  if (!text) {
    std::fprintf(stderr, "check_compile: cannot read %s\n", path.c_str());
    return 2;
  }
  const std::string module(qv3::CutAtFirstDot(qv3::FileNameOf(path)));
  const std::string folder = qv3::FolderOf(path);

  std::vector<double> milliseconds;
  qv3::CheckResult last;
  for (int run = -3; run < runs; ++run) {  // three warm-up runs
    const auto start = std::chrono::steady_clock::now();
    qv3::CheckResult result = qv3::CheckCompile(*text, module, folder);
    const auto stop = std::chrono::steady_clock::now();
    if (run >= 0) milliseconds.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    last = std::move(result);
  }
  std::sort(milliseconds.begin(), milliseconds.end());
  const qv3::ModuleKnowledge* top = last.Knowledge.TopModule();
  std::printf("%s: %zu lines, %zu definitions, %zu references, %zu ranges, %zu diagnostics\n",
              path.c_str(), qv3::SourceText(*text).LineCount(), top ? top->Definitions.size() : 0,
              top ? top->References.size() : 0, top ? top->Ranges.size() : 0,
              top ? top->Diagnostics.size() : 0);
  std::printf("check-only compile: median %.2f ms, min %.2f ms, max %.2f ms (%d runs)\n",
              milliseconds[milliseconds.size() / 2], milliseconds.front(), milliseconds.back(), runs);
  return last.Fatal ? 1 : 0;
}
