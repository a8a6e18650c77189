// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/debugger/stripped_module.h"

#include <QStringList>

#include "engine/compile_command.h"
#include "workbench/editor/editor_workspace.h"
#include "workbench/latin1.h"
#include "workbench/process_window.h"  // before main_window.h: its QPointer needs the class
#include "workbench/main_window.h"

QString StrippedModuleText(const TfrmQV3& main, const TfrmQVEdit& editor) {
  const std::string module = ModuleNameOf(editor);
  const qv3::FileOverlay open = OpenDocumentsOverlay(main);
  QStringList loaders;
  for (const std::string& name : qv3::ModulesThatCompile(module, FolderOf(main, editor), &open))
    loaders << Latin1(name);
  const QString start = QStringLiteral("%1 has no load address (STRIP): it is no program of its own. ")
                            .arg(Latin1(module));
  if (loaders.isEmpty())
    return start + QStringLiteral("No module of its folder COMPILEs it; debug the one that loads it.");
  if (loaders.size() == 1)
    return start + QStringLiteral("%1 COMPILEs it and loads it: debug %1.").arg(loaders.front());
  return start + QStringLiteral("%1 COMPILE it: debug the one that loads it.").arg(loaders.join(QStringLiteral(", ")));
}
