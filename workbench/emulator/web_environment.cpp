#include "workbench/emulator/web_environment.h"

#include <unistd.h>

#include <QList>
#include <cstdio>

namespace {
// llvmpipe is blocklisted for WebGL, and the core draws only through WebGL.
// Chromium's own log stays at fatal messages: on a desktop without a system
// bus it otherwise prints a screenful of harmless D-Bus errors at every start
// (the page's console messages reach the window by another way).
const QList<QByteArray> kNeededFlags = {"--ignore-gpu-blocklist", "--log-level=3"};
}  // namespace

QByteArray ChromiumFlagsWith(const QByteArray& existing) {
  QByteArray flags = existing.trimmed();
  const QList<QByteArray> present = flags.split(' ');
  for (const QByteArray& flag : kNeededFlags) {
    if (present.contains(flag)) continue;
    if (!flags.isEmpty()) flags += ' ';
    flags += flag;
  }
  return flags;
}

void PrepareWebEngineEnvironment() {
  qputenv("QTWEBENGINE_CHROMIUM_FLAGS", ChromiumFlagsWith(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS")));
  if (geteuid() == 0 && qgetenv("QTWEBENGINE_DISABLE_SANDBOX") != "1") {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    std::fputs("qv3: running as root, so the built-in Plus/4's web engine runs without its sandbox\n",
               stderr);
  }
}
