#include "workbench/compile_progress.h"

#include <QCoreApplication>
#include <QLabel>

#include "workbench/process_window.h"
#include "workbench/latin1.h"

namespace {
constexpr qint64 kRepaintIntervalMs = 40;
}  // namespace

void ProcessWindowProgress::Show() {
  // The editor keeps the keyboard focus while the window comes and goes.
  window_.setAttribute(Qt::WA_ShowWithoutActivating);
  window_.show();
  RepaintNowAndThen(true);
}

void ProcessWindowProgress::SetActivity(std::string_view text) {
  window_.lbWhat->setText(Latin1(text));
  RepaintNowAndThen(false);
}

void ProcessWindowProgress::SetProgress(std::size_t line, std::size_t total) {
  // Checking the clock only every 256 lines keeps the per-line cost nil.
  if ((line & 0xFF) != 0 && line != total) return;
  if (sinceRepaint_.isValid() && sinceRepaint_.elapsed() < kRepaintIntervalMs && line != total)
    return;
  window_.lbProgress->setText(QString::number(line) + QStringLiteral(" / ") + QString::number(total));
  RepaintNowAndThen(false);
}

void ProcessWindowProgress::Close() { window_.close(); }

void ProcessWindowProgress::RepaintNowAndThen(bool force) {
  if (!force && sinceRepaint_.isValid() && sinceRepaint_.elapsed() < kRepaintIntervalMs) return;
  sinceRepaint_.start();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
