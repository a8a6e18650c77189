// SPDX-License-Identifier: GPL-3.0-or-later
// qv3-lsp: the assembler's language server for editors other than QV3,
// speaking the Language Server Protocol on standard input and output.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "lsp/server.h"

namespace {
constexpr char kUsage[] =
    "Usage: qv3-lsp [--debounce MILLISECONDS] [--timing]\n"
    "The language server of the QV3 6502 assembler: diagnostics, definitions,\n"
    "references, hover, symbols, rename, completion, semantic tokens, inlay\n"
    "hints and the long-branch fix for .qv3 sources, spoken over standard\n"
    "input and output (JSON-RPC with Content-Length headers). An editor starts\n"
    "it; see the README for Neovim, Emacs, Helix, Kate and VS Code.\n"
    "\n"
    "  --debounce MS  wait this long after the last change before checking\n"
    "                 a document (default 150)\n"
    "  --timing       report each check's engine time on standard error\n"
    "  --stdio        accepted and ignored: standard input and output are used\n"
    "  --help         this text\n"
    "  --version      the version\n";
}  // namespace

int main(int argc, char** argv) {
  lsp::ServerOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (argument == "--version") {
      std::printf("qv3-lsp (QV3 - language server for 6502) v%s\n", QV3_VERSION);
      return 0;
    }
    if (argument == "--stdio") continue;
    if (argument == "--timing") {
      options.Timing = true;
      continue;
    }
    if (argument == "--debounce" && i + 1 < argc) {
      char* end = nullptr;
      const long value = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || value < 0 || value > 60000) {
        std::fprintf(stderr, "qv3-lsp: --debounce wants milliseconds from 0 to 60000, not %s\n", argv[i]);
        return 2;
      }
      options.Debounce = std::chrono::milliseconds(value);
      continue;
    }
    std::fprintf(stderr, "qv3-lsp: unknown argument %s\n%s", argument.c_str(), kUsage);
    return 2;
  }
  // A client that closes its end must not kill the server mid-write.
  std::signal(SIGPIPE, SIG_IGN);
  return lsp::Server(options).Run(0, 1);
}
