#include "workbench/emulator/emulator_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QStringList EmulatorSearchRoots() {
  QStringList roots;
  const QString programFolder = QCoreApplication::applicationDirPath();
  if (!programFolder.isEmpty())
    roots << QDir::cleanPath(programFolder + QStringLiteral("/../share/qv3/emulator"));
#ifdef QV3_EMULATOR_INSTALL_DIR
  roots << QStringLiteral(QV3_EMULATOR_INSTALL_DIR);
#endif
#ifdef QV3_EMULATOR_SOURCE_DIR
  roots << QStringLiteral(QV3_EMULATOR_SOURCE_DIR);
#endif
  roots.removeDuplicates();
  return roots;
}

std::optional<EmulatorFiles> FindEmulatorFiles(const QStringList& roots) {
  for (const QString& root : roots) {
    const EmulatorFiles files{root + QStringLiteral("/emulatorjs/data"),
                              root + QStringLiteral("/core-vice_xplus4")};
    if (QFileInfo(files.frontEnd + QLatin1Char('/') + QLatin1String(kFrontEndMarker)).isFile() &&
        QFileInfo(files.core + QLatin1Char('/') + QLatin1String(kCoreMarker)).isFile())
      return files;
  }
  return std::nullopt;
}

QString MissingEmulatorFilesText(const QStringList& roots) {
  return QStringLiteral("the built-in Plus/4's emulator files are missing (looked in %1); "
                        "scripts/install-deps installs them (npm ci), or install VICE's xplus4.")
      .arg(roots.join(QStringLiteral(", ")));
}
