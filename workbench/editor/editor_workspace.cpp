// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/editor/editor_workspace.h"

#include <QFileInfo>

#include "engine/file_system.h"
#include "engine/source_text.h"
#include "workbench/editor_window.h"
#include "workbench/latin1.h"
#include "workbench/main_window.h"
#include "workbench/process_window.h"  // main_window.h holds a QPointer to it

namespace {

bool SameFile(const QString& a, const QString& b) {
  if (a.isEmpty() || b.isEmpty()) return false;
  const QFileInfo left(a), right(b);
  if (left.exists() && right.exists()) return left.canonicalFilePath() == right.canonicalFilePath();
  return left.absoluteFilePath() == right.absoluteFilePath();
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

std::string ModuleNameOf(const TfrmQVEdit& editor) {
  return std::string(qv3::CutAtFirstDot(qv3::FileNameOf(Bytes(editor.caption()))));
}

std::string FolderOf(const TfrmQV3& main, const TfrmQVEdit& editor) {
  return WithSlash(Bytes(editor.documentFolder().isEmpty() ? main.currentFolder() : editor.documentFolder()));
}

std::string CurrentDirectoryOf(const TfrmQV3& main) { return WithSlash(Bytes(main.currentFolder())); }

qv3::FileOverlay OpenDocumentsOverlay(const TfrmQV3& main, const TfrmQVEdit* except) {
  qv3::FileOverlay overlay;
  for (const TfrmQVEdit* editor : main.editors())
    if (editor != except && !editor->documentPath().isEmpty())
      overlay.Files.emplace_back(Bytes(QFileInfo(editor->documentPath()).absoluteFilePath()),
                                 editor->DocumentBytes());
  return overlay;
}

EditorWorkspace::EditorWorkspace(TfrmQV3& main) : editors_(main.editors()) {
  std::vector<OpenSource> documents;
  for (const TfrmQVEdit* editor : editors_)
    documents.push_back({Bytes(editor->documentPath()), ModuleNameOf(*editor), FolderOf(main, *editor),
                         editor->DocumentBytes()});
  modules_ = std::make_unique<ModuleWorkspace>(std::move(documents), CurrentDirectoryOf(main));
}

std::optional<std::size_t> EditorWorkspace::indexOf(const TfrmQVEdit& editor) const {
  for (std::size_t index = 0; index < editors_.size(); ++index)
    if (editors_[index] == &editor) return index;
  return std::nullopt;
}

TfrmQVEdit* EditorOfFile(TfrmQV3& main, const std::string& module, const std::string& folder,
                         const std::string& includedFile) {
  for (TfrmQVEdit* editor : main.editors()) {
    const bool shows = includedFile.empty() ? qv3::EqualsIgnoringCase(ModuleNameOf(*editor), module) &&
                                                  FolderOf(main, *editor) == folder
                                            : SameFile(editor->documentPath(), Latin1(includedFile));
    if (shows) return editor;
  }
  // Opened afresh: its text is the file's, which the checks read as well.
  qv3::ModuleKnowledge place;
  place.Name = module;
  place.Folder = folder;
  const std::string path = includedFile.empty() ? ModuleSourcePath(place) : includedFile;
  return main.OpenSourceFile(Latin1(path));
}
