// SPDX-License-Identifier: GPL-3.0-or-later
// The open editor windows as the documents of a ModuleWorkspace, and the way
// back from a file a query names to the window that shows it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "language/module_workspace.h"

class TfrmQV3;
class TfrmQVEdit;

class EditorWorkspace {
 public:
  // Every open editor of main, with its text as it is now.
  explicit EditorWorkspace(TfrmQV3& main);

  ModuleWorkspace& modules() { return *modules_; }
  // The index of editor among the documents.
  std::optional<std::size_t> indexOf(const TfrmQVEdit& editor) const;

 private:
  std::vector<TfrmQVEdit*> editors_;  // as the documents, by index
  std::unique_ptr<ModuleWorkspace> modules_;
};

// What the workspace calls an editor's document: its module name and its
// folder ("/"-terminated; the main window's current folder for a document
// without a file), as the editor's background check names them.
std::string ModuleNameOf(const TfrmQVEdit& editor);
std::string FolderOf(const TfrmQV3& main, const TfrmQVEdit& editor);
// The main window's current folder, "/"-terminated.
std::string CurrentDirectoryOf(const TfrmQV3& main);

// The texts of the open editors that show a file, read by a compile or a
// check in place of those files, so that unsaved edits count. except is
// left out (a check's own document, which it is given as its text).
qv3::FileOverlay OpenDocumentsOverlay(const TfrmQV3& main, const TfrmQVEdit* except = nullptr);

// The window that shows a module's source (includedFile empty) or an
// included file: an open one, else the file opened into a new window
// (which then becomes the active one). Null when no file bears the name.
TfrmQVEdit* EditorOfFile(TfrmQV3& main, const std::string& module, const std::string& folder,
                         const std::string& includedFile);
