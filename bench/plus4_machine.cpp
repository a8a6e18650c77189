// The built-in Plus/4 measured: time from "run" to the program's first
// frame after autostart, cold (no window yet) and warm (window open, a
// changed program); emulated frames per second in real time; the memory of
// the whole process tree with the window open. Needs an X server (the core
// draws with WebGL); bench/plus4_machine.sh starts one.
//
//   plus4_machine PROGRAM.prg CHANGED.prg [SCREENSHOT_PREFIX]
#include <QApplication>
#include <QGuiApplication>
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

struct TreeMemory {
  double rss = 0;  // resident memory summed (shared pages counted in each process)
  double pss = 0;  // proportional set size summed (shared pages divided among their users)
  int processes = 0;
};

// The memory of this process and every process below it, in MiB.
TreeMemory MeasureTree() {
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
  TreeMemory tree;
  for (auto it = rss.cbegin(); it != rss.cend(); ++it) {
    for (QString at = it.key(); !at.isEmpty() && at != QLatin1String("0"); at = parentOf.value(at)) {
      if (at != self) continue;
      tree.rss += it.value();
      ++tree.processes;
      QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(it.key()));
      if (rollup.open(QIODevice::ReadOnly))
        for (const QByteArray& line : rollup.readAll().split('\n'))
          if (line.startsWith("Pss:")) tree.pss += line.mid(4).trimmed().split(' ').first().toDouble() / 1024;
      break;
    }
  }
  return tree;
}

void Shoot(const char* prefix, const char* name) {
  if (!prefix) return;
  QScreen* screen = QGuiApplication::primaryScreen();
  screen->grabWindow(0).save(QStringLiteral("%1-%2.png").arg(QString::fromLocal8Bit(prefix), QLatin1String(name)));
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
    std::fprintf(stderr, "usage: plus4_machine PROGRAM.prg CHANGED.prg [SCREENSHOT_PREFIX]\n");
    return 2;
  }
  WebMachine machine(nullptr);
  if (const QString missing = machine.missingParts(); !missing.isEmpty()) {
    std::fprintf(stderr, "%s\n", qPrintable(missing));
    return 2;
  }
  const char* shots = argc > 3 ? argv[3] : nullptr;
  double peakRss = 0, peakPss = 0;
  QTimer sampler;
  QObject::connect(&sampler, &QTimer::timeout, [&] {
    const TreeMemory now = MeasureTree();
    peakRss = std::max(peakRss, now.rss);
    peakPss = std::max(peakPss, now.pss);
  });
  sampler.start(250);

  const auto timeRun = [&](const char* path, const char* label) -> double {
    bool running = false;
    QString failure;
    QElapsedTimer clock;
    clock.start();
    machine.runProgram(QString::fromLocal8Bit(path), {});
    Plus4Window* window = machine.window();
    if (std::string(label).rfind("cold", 0) == 0 && shots)
      QTimer::singleShot(1500, window, [shots] { Shoot(shots, "starting"); });
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

  // Frames per second at the window's first size (the screen at 1x on a
  // software renderer), then at 2x: the cost of drawing the bigger picture.
  const auto measureRate = [&](const char* label) {
    std::vector<double> rates;
    const auto c = QObject::connect(machine.window(), &Plus4Window::frameRate, [&](double r) { rates.push_back(r); });
    WaitFor([] { return false; }, 12000);
    QObject::disconnect(c);
    if (rates.size() > 2) rates.erase(rates.begin());  // the first second holds the change
    double sum = 0, low = 1e9;
    for (double r : rates) {
      sum += r;
      low = std::min(low, r);
    }
    std::printf("%-28s %6.2f (lowest second %.2f, PAL 49.86)\n", label,
                rates.empty() ? 0 : sum / static_cast<double>(rates.size()), rates.empty() ? 0 : low);
  };
  measureRate("frames/s, first window size");
  const QSize size = machine.window()->size();
  machine.window()->setScreenScale(2);
  measureRate("frames/s, screen at 2x");
  machine.window()->resize(size);
  WaitFor([] { return false; }, 1000);
  const TreeMemory tree = MeasureTree();
  std::printf("%-28s %6.0f MiB PSS, %.0f MiB RSS summed, %d processes (peaks %.0f / %.0f MiB)\n",
              "memory of the process tree", tree.pss, tree.rss, tree.processes, peakPss, peakRss);
  if (shots) {
    Shoot(shots, "running");
    machine.window()->setPaused(true);
    WaitFor([] { return false; }, 2500);
    Shoot(shots, "inside");
    machine.window()->setPaused(false);
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
