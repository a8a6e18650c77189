#include "workbench/emulator/machine_routes.h"

#include <QDir>
#include <QFileInfo>

namespace {

QByteArray MimeTypeOf(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("html")) return "text/html";
  if (suffix == QLatin1String("js")) return "text/javascript";
  if (suffix == QLatin1String("css")) return "text/css";
  if (suffix == QLatin1String("json")) return "application/json";
  if (suffix == QLatin1String("wasm")) return "application/wasm";
  return "application/octet-stream";
}

// relative (already free of "." and "..") inside folder, when it names a
// regular file there; links that lead out of the folder are not followed.
MachineRoute FileIn(const QString& folder, const QString& relative) {
  const QString path = folder + QLatin1Char('/') + relative;
  const QFileInfo info(path);
  if (!info.isFile()) return {MachineRoute::Kind::NotFound, {}, {}};
  if (!folder.startsWith(QLatin1Char(':'))) {
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty() || !info.canonicalFilePath().startsWith(root + QLatin1Char('/')))
      return {MachineRoute::Kind::Refused, {}, {}};
  }
  return {MachineRoute::Kind::File, path, MimeTypeOf(path)};
}

}  // namespace

QUrl MachinePageUrl() {
  QUrl url;
  url.setScheme(QLatin1String(kMachineScheme));
  url.setHost(QLatin1String(kMachineHost));
  url.setPath(QStringLiteral("/machine.html"));
  return url;
}

MachineRoute RouteMachineRequest(const QUrl& url, const QByteArray& method,
                                 const EmulatorFiles& files, const QString& pageFolder) {
  const MachineRoute refused{MachineRoute::Kind::Refused, {}, {}};
  if (url.scheme() != QLatin1String(kMachineScheme) || url.host() != QLatin1String(kMachineHost))
    return refused;
  if (method != "GET" && method != "HEAD") return refused;
  const QString path = url.path(QUrl::FullyDecoded);
  // Every path is absolute and stays absolute when cleaned: a ".." that
  // climbs above the root is refused rather than clamped.
  const QString clean = QDir::cleanPath(path);
  if (!path.startsWith(QLatin1Char('/')) || clean != path || path.contains(QLatin1String("/..")) ||
      path.contains(QLatin1Char('\\')) || path.contains(QChar(0)))
    return refused;

  if (path == QLatin1String("/program.prg")) return {MachineRoute::Kind::Program, {}, "application/octet-stream"};
  if (path == QLatin1String("/program.cmd")) return {MachineRoute::Kind::CommandFile, {}, "text/plain"};
  if (path == QLatin1String("/machine.html") || path == QLatin1String("/machine.js") ||
      path == QLatin1String("/plus4_keys.vkm"))
    return FileIn(pageFolder, path.mid(1));
  const QString cores = QStringLiteral("/data/cores/");
  if (path.startsWith(cores)) return FileIn(files.core, path.mid(cores.size()));
  const QString data = QStringLiteral("/data/");
  if (path.startsWith(data)) return FileIn(files.frontEnd, path.mid(data.size()));
  return {MachineRoute::Kind::NotFound, {}, {}};
}

bool IsMachineUrlAllowed(const QUrl& url) {
  const QString scheme = url.scheme();
  if (scheme == QLatin1String(kMachineScheme)) return url.host() == QLatin1String(kMachineHost);
  return scheme == QLatin1String("data") || scheme == QLatin1String("blob");
}
