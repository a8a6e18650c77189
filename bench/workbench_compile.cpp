// Times "Compile" of one document in the workbench (headless) against
// qv3asm on the same file: the workbench adds the progress window, the
// Status and Hints panes and the document's conversion to bytes.
//
//   QT_QPA_PLATFORM=offscreen workbench_compile SOURCE.qv3 QV3ASM [RUNS]
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "workbench/dialogs.h"
#include "workbench/editor_window.h"
#include "workbench/workbench_windows.h"

namespace {

// No box may wait for a click during the measurement.
class SilentDialogs final : public Dialogs {
 public:
  void showMessage(const QString& text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
  void showInfo(const QString&) override {}
  void showError(const QString& text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
  bool askYesNo(const QString&, const QString&) override { return false; }
  ReplaceAnswer askReplace() override { return ReplaceAnswer::Abort; }
  std::optional<QString> openFileName(const QString&) override { return std::nullopt; }
  std::optional<QString> saveFileName(const QString&) override { return std::nullopt; }
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Milliseconds of one qv3asm run, its output discarded.
double TimeCommandLine(const QString& qv3asm, const QString& source) {
  QElapsedTimer timer;
  timer.start();
  const pid_t child = ::fork();
  if (child == 0) {
    std::freopen("/dev/null", "w", stdout);
    ::execl(qv3asm.toLocal8Bit().constData(), "qv3asm", source.toLocal8Bit().constData(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: workbench_compile SOURCE.qv3 QV3ASM [RUNS]\n");
    return 2;
  }
  const QString source = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
  const QString qv3asm = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10;

  SilentDialogs dialogs;
  WorkbenchWindows windows(&dialogs);
  windows.frmQV3.show();
  TfrmQVEdit* editor = windows.frmQV3.OpenSourceFile(source);
  if (editor == nullptr) {
    std::fprintf(stderr, "cannot open %s\n", qPrintable(source));
    return 2;
  }
  QApplication::processEvents();

  std::vector<double> workbench, commandLine;
  for (int i = 0; i < runs + 2; ++i) {  // two warm-up rounds, taking turns
    QElapsedTimer timer;
    timer.start();
    windows.frmQV3.Compile2Click();
    QApplication::processEvents();
    const double compile = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const double cli = TimeCommandLine(qv3asm, source);
    if (i < 2) continue;
    workbench.push_back(compile);
    commandLine.push_back(cli);
  }
  const double wb = Median(workbench), cl = Median(commandLine);
  std::printf("document: %s, %d lines\n", qPrintable(source), editor->mCode->blockCount());
  std::printf("workbench Compile: median %.1f ms over %d runs\n", wb, runs);
  std::printf("qv3asm:            median %.1f ms over %d runs\n", cl, runs);
  std::printf("ratio workbench / qv3asm: %.2f\n", wb / cl);
  return 0;
}
