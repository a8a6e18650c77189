// A check of one document's text while it is edited: the two passes and the
// diagnostics of a compile, and what the compile would learn about the
// source, without writing any file, without assembling the modules its
// COMPILE lines name, and without touching any state of the "Compile"
// command (it runs in a session of its own). Object files already on disk
// give the external constants, read where they lie.
//
// Safe to run on a worker thread: everything it changes belongs to the call.
// A file it reads while a compile rewrites it may be read half written; the
// check then reports what it read (a missing constant, say), and the next
// check reads the file whole. Nothing of the compile is disturbed.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "engine/compile_knowledge.h"
#include "engine/file_system.h"
#include "engine/message_list.h"
#include "engine/source_text_lines.h"

namespace qv3 {

struct CheckOptions {
  // Where a document without a folder of its own is checked ("/"-terminated),
  // as CompileSession::CurrentDirectory.
  std::string CurrentDirectory;
  // Texts read in place of files (open documents, the object files their
  // checks would write). May be null; must outlive the call.
  const FileOverlay* Overlay = nullptr;
  // Read between lines; when it turns true the check stops early and
  // reports Cancelled. May be null.
  const std::atomic<bool>* Cancel = nullptr;
};

struct CheckResult {
  CompileKnowledge Knowledge;
  // The Status and Hints lines a compile of this text alone would show
  // (its own "*** compiling" and "Success" or "Failed" lines and, with a fatal
  // diagnostic, the closing verdict line).
  MessageList Status;
  MessageList Hints;
  bool Fatal = false;      // a fatal diagnostic was listed
  bool Cancelled = false;  // stopped by the flag: the rest is incomplete
  bool Abandoned = false;  // an input/output failure ended it
  std::string Error;       // its message
};

// folder is the document's directory (empty: options.CurrentDirectory).
CheckResult CheckCompile(SourceText source, std::string_view moduleName, std::string_view folder,
                         const CheckOptions& options = {});
CheckResult CheckCompile(std::string_view text, std::string_view moduleName,
                         std::string_view folder, const CheckOptions& options = {});

}  // namespace qv3
