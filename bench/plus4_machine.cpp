// The built-in Plus/4 measured: time from "run" to the program's first
// frame after autostart, cold (no window yet) and warm (window open, a
// changed program); emulated frames per second in real time; the memory of
// the whole process tree with the window open. Needs an X server (the core
// draws with WebGL); bench/plus4_machine.sh starts one.
//
//   plus4_machine PROGRAM.prg CHANGED.prg [SCREENSHOT.png]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QScreen>
#include <QTimer>
#include <QWebEngineView>
#include <QWindow>
#include <cstdio>
#include <functional>

#include "workbench/emulator/emulator_startup.h"
#include "workbench/emulator/web_machine.h"

namespace {

// Resident memory of this process and every process below it, in MiB.
double TreeMemoryMiB() {
  const QString self = QString::number(QCoreApplication::applicationPid());
  QHash<QString, QString> parentOf;
  QHash<QString, double> rss;
  for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    if (pid.toInt() <= 0) continue;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) continue;
    for (const QByteArray& line : status.readAll().split('\n')) {
      if (line.startsWith("PPid:")) parentOf[pid] = QString::fromLatin1(line.mid(5).trimmed());
      if (line.startsWith("VmRSS:")) rss[pid] = line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
  }
  double total = 0;
  for (auto it = rss.cbegin(); it != rss.cend(); ++it) {
    for (QString at = it.key(); !at.isEmpty() && at != QLatin1String("0"); at = parentOf.value(at)) {
      if (at == self) {
        total += it.value();
        break;
      }
    }
  }
  return total;
}

// Runs the event loop until done() or timeoutMs; false on time-out.
bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  PrepareEmulatorEnvironment();
  QApplication application(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: plus4_machine PROGRAM.prg CHANGED.prg [SCREENSHOT.png]\n");
    return 2;
  }
  WebMachine machine(nullptr);
  if (const QString missing = machine.missingParts(); !missing.isEmpty()) {
    std::fprintf(stderr, "%s\n", qPrintable(missing));
    return 2;
  }
  double peak = 0;
  QTimer sampler;
  QObject::connect(&sampler, &QTimer::timeout, [&] { peak = std::max(peak, TreeMemoryMiB()); });
  sampler.start(250);

  const auto timeRun = [&](const char* path, const char* label) -> double {
    bool running = false;
    QString failure;
    QElapsedTimer clock;
    clock.start();
    machine.runProgram(QString::fromLocal8Bit(path), {});
    Plus4Window* window = machine.window();
    const auto a = QObject::connect(window, &Plus4Window::programRunning, [&] { running = true; });
    const auto b = QObject::connect(window, &Plus4Window::failed, [&](const QString& m) { failure = m; });
    const bool ok = WaitFor([&] { return running || !failure.isEmpty(); }, 60000);
    const double seconds = clock.elapsed() / 1000.0;
    QObject::disconnect(a);
    QObject::disconnect(b);
    if (!ok || !failure.isEmpty()) {
      std::fprintf(stderr, "%s: %s\n%s\n", label, ok ? qPrintable(failure) : "timed out",
                   qPrintable(window->consoleTail().join(QLatin1Char('\n'))));
      return -1;
    }
    std::printf("%-28s %6.2f s\n", label, seconds);
    return seconds;
  };

  if (timeRun(argv[1], "cold: run to first frame") < 0) return 1;
  WaitFor([] { return false; }, 3000);  // let the program settle before the next run
  if (timeRun(argv[2], "warm: run to first frame") < 0) return 1;

  std::vector<double> rates;
  const auto c = QObject::connect(machine.window(), &Plus4Window::frameRate, [&](double r) { rates.push_back(r); });
  WaitFor([] { return false; }, 12000);
  QObject::disconnect(c);
  if (rates.size() > 2) rates.erase(rates.begin());  // the first second holds the start
  double sum = 0;
  double low = 1e9;
  for (double r : rates) {
    sum += r;
    low = std::min(low, r);
  }
  std::printf("%-28s %6.2f (lowest second %.2f, PAL 49.86)\n", "frames/s in real time",
              rates.empty() ? 0 : sum / static_cast<double>(rates.size()), rates.empty() ? 0 : low);
  std::printf("%-28s %6.0f MiB (peak %0.f MiB)\n", "memory of the process tree", TreeMemoryMiB(), peak);
  if (argc > 3) {
    Plus4Window* window = machine.window();
    const QPixmap shot = window->screen()->grabWindow(0, window->x(), window->y(), window->frameGeometry().width(),
                                                      window->frameGeometry().height());
    shot.save(QString::fromLocal8Bit(argv[3]));
  }
  std::printf("%-28s %d\n", "requests refused", machine.window()->blockedRequests());
  if (qEnvironmentVariableIsSet("QV3_DEBUG_JS")) {
    bool done = false;
    machine.window()->view()->page()->runJavaScript(qEnvironmentVariable("QV3_DEBUG_JS"), [&](const QVariant& v) {
      std::printf("%s\n", qPrintable(v.toString()));
      done = true;
    });
    WaitFor([&] { return done; }, 5000);
  }
  return 0;
}
