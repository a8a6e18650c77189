#include "workbench/command_line_files.h"

#include <QDir>
#include <QFileInfo>

#include "workbench/dialogs.h"
#include "workbench/main_window.h"
#include "workbench/process_window.h"  // main_window.h hands out a TfrmProcess*

QStringList FileArguments(const QStringList& arguments) {
  QStringList files;
  bool optionsEnded = false;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (!optionsEnded && arguments[i] == QStringLiteral("--")) {
      optionsEnded = true;
      continue;
    }
    files.push_back(arguments[i]);
  }
  return files;
}

int OpenFilesFromCommandLine(TfrmQV3& frame, const QStringList& files) {
  QStringList missing;
  int opened = 0;
  for (const QString& file : files) {
    // OpenSourceFile says nothing about a name no file bears (the message
    // jump relies on that); a name the user typed deserves an answer.
    if (!QFileInfo::exists(QDir(frame.currentFolder()).absoluteFilePath(file))) {
      missing.push_back(QStringLiteral("Cannot open file %1: no such file.").arg(file));
      continue;
    }
    if (frame.OpenSourceFile(file)) ++opened;
  }
  if (!missing.isEmpty()) frame.dialogs().showError(missing.join(u'\n'));
  return opened;
}
