// The progress window as the engine's progress sink. Repaints are throttled
// so that a long compile shows its progress without paying for a repaint on
// every line.
#pragma once

#include <QElapsedTimer>

#include "engine/session.h"

class TfrmProcess;

class ProcessWindowProgress final : public qv3::ProgressSink {
 public:
  explicit ProcessWindowProgress(TfrmProcess& window) : window_(window) {}
  void Show() override;
  void SetActivity(std::string_view text) override;
  void SetProgress(std::size_t line, std::size_t total) override;
  void Close() override;

 private:
  // Lets pending paint events through (user input stays queued) when the
  // last repaint is long enough ago.
  void RepaintNowAndThen(bool force);

  TfrmProcess& window_;
  QElapsedTimer sinceRepaint_;
};
