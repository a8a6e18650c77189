#include "workbench/command_line_files.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>

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

namespace {

// Why a named path cannot become a document, or nothing when it can. Asked
// before any window opens, so a folder or a locked file leaves no empty editor.
QString RefusalOf(const QString& name, const QFileInfo& file) {
  if (!file.exists()) return QStringLiteral("Cannot open file %1: no such file.").arg(name);
  if (file.isDir()) return QStringLiteral("Cannot open file %1: it is a folder.").arg(name);
  if (!file.isFile()) return QStringLiteral("Cannot open file %1: not a regular file.").arg(name);
  if (!file.isReadable()) return QStringLiteral("Cannot open file %1: permission denied.").arg(name);
  return {};
}

}  // namespace

int OpenFilesFromCommandLine(TfrmQV3& frame, const QStringList& files) {
  QStringList refused;
  int opened = 0;
  for (const QString& name : files) {
    // OpenSourceFile says nothing about a name no file bears (the message
    // jump relies on that); a name the user typed deserves an answer.
    const QFileInfo file(QDir(frame.currentFolder()).absoluteFilePath(name));
    if (const QString refusal = RefusalOf(name, file); !refusal.isEmpty()) {
      refused.push_back(refusal);
      continue;
    }
    if (frame.OpenSourceFile(name)) ++opened;
  }
  if (!refused.isEmpty()) {
    // Also for whoever started the program from a shell or a script.
    const QByteArray text = (refused.join(u'\n') + u'\n').toLocal8Bit();
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stderr);
    frame.dialogs().showError(refused.join(u'\n'));
  }
  return opened;
}
