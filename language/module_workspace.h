// SPDX-License-Identifier: GPL-3.0-or-later
// The modules a rename or a search for references looks across, checked
// from the texts a front end has open (unsaved edits count) and from the
// files of the defining module's folder. A name of module M is used in M's
// own text and, as @M.NAME, in modules of M's folder only: COMPILE lines and
// @MODULE.NAME both resolve in the folder of the module that writes them, so
// the modules of a compile that can hold a use are all found there.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/check_compile.h"
#include "language/symbol_queries.h"

// A document the front end has open.
struct OpenSource {
  std::string Path;    // empty for a document without a file
  std::string Module;  // as the compile command names it
  std::string Folder;  // "/"-terminated
  std::string Text;    // the bytes a save would write
};

class ModuleWorkspace {
 public:
  ModuleWorkspace(std::vector<OpenSource> open, std::string currentDirectory);
  ModuleWorkspace(const ModuleWorkspace&) = delete;
  ModuleWorkspace& operator=(const ModuleWorkspace&) = delete;

  const std::vector<OpenSource>& Open() const { return open_; }
  // The open texts, read in place of their files by every check made here.
  const qv3::FileOverlay& Overlay() const { return overlay_; }

  // A check of the open document at index (made once, then kept).
  const qv3::CompileKnowledge& CheckOfOpen(std::size_t index);

  // The checks of the modules where a name that module (of folder) defines
  // can be used: the module itself, and every source of the folder that
  // writes "@MODULE." or INCLUDEs a file (a use may stand in the included
  // text), from its open text when it is open. The open document at
  // except is left out: it is the check the query starts from.
  Workspace UsersOf(std::string_view module, const std::string& folder,
                    std::optional<std::size_t> except = std::nullopt);

  // The open document that is module of folder, as the assembler tells
  // modules apart (letter case ignored).
  std::optional<std::size_t> FindOpenModule(std::string_view module, const std::string& folder) const;
  // A file's text as the checks see it: the open text, else the file's bytes.
  std::optional<std::string> TextOf(const std::string& path) const;

 private:
  const qv3::CompileKnowledge& Check(const std::string& text, std::string_view module, const std::string& folder);

  std::vector<OpenSource> open_;
  std::string currentDirectory_;
  qv3::FileOverlay overlay_;
  std::deque<qv3::CheckResult> checks_;  // entries stay where they are
  std::vector<const qv3::CompileKnowledge*> openChecks_;  // by index into open_; null until made
};

// Whether a file name has the assembler's source extension (".qv3", any case).
bool IsModuleSourceName(std::string_view fileName);
