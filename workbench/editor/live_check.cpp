#include "workbench/editor/live_check.h"

#include <QPlainTextEdit>
#include <QTextBlock>

#include "engine/file_system.h"
#include "language/check_object_text.h"
#include "workbench/latin1.h"

LiveCheck::LiveCheck(QPlainTextEdit& editor, std::function<CheckRequest()> request, QObject* parent)
    : QObject(parent), editor_(editor), request_(std::move(request)) {
  timer_.setSingleShot(true);
  timer_.setInterval(kQuietMilliseconds);
  connect(&timer_, &QTimer::timeout, this, &LiveCheck::checkNow);
}

LiveCheck::~LiveCheck() {
  cancelRuns();
  for (Run& run : runs_) run.Worker.join();
}

void LiveCheck::schedule() {
  // The run in progress checks a text that is no longer there.
  cancelRuns();
  ++generation_;
  running_ = false;
  timer_.start();
}

void LiveCheck::cancelRuns() {
  for (Run& run : runs_) run.Cancel->store(true);
}

void LiveCheck::reapFinishedRuns() {
  for (auto run = runs_.begin(); run != runs_.end();) {
    if (run->Finished->load()) {
      run->Worker.join();
      run = runs_.erase(run);
    } else {
      ++run;
    }
  }
}

void LiveCheck::checkNow() {
  timer_.stop();
  cancelRuns();
  reapFinishedRuns();
  const std::uint64_t generation = ++generation_;
  running_ = true;
  auto cancel = std::make_shared<std::atomic<bool>>(false);
  auto finished = std::make_shared<std::atomic<bool>>(false);
  const auto started = std::chrono::steady_clock::now();
  Run run;
  run.Cancel = cancel;
  run.Finished = finished;
  run.Worker = std::thread([this, request = request_(), generation, cancel, finished, started] {
    auto snapshot = std::make_shared<CheckSnapshot>();
    qv3::CheckOptions options;
    options.CurrentDirectory = request.CurrentDirectory;
    options.Cancel = cancel.get();
    options.Overlay = &request.Overlay;
    const auto engineStart = std::chrono::steady_clock::now();
    snapshot->Result = qv3::CheckCompile(std::string_view(request.Text), request.ModuleName, request.Folder, options);
    snapshot->EngineMilliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - engineStart).count();
    if (!snapshot->Result.Cancelled) snapshot->Lines = qv3::SplitLines(request.Text);
    // This object waits for the worker before it goes, so it is alive here;
    // the queued call is dropped if it is deleted before the call runs.
    QMetaObject::invokeMethod(
        this, [this, generation, snapshot, started] { deliver(generation, snapshot, started); },
        Qt::QueuedConnection);
    finished->store(true);
  });
  runs_.push_back(std::move(run));
}

void LiveCheck::deliver(std::uint64_t generation, std::shared_ptr<CheckSnapshot> snapshot,
                        std::chrono::steady_clock::time_point started) {
  reapFinishedRuns();
  if (generation != generation_ || snapshot->Result.Cancelled) return;  // superseded
  running_ = false;
  snapshot->TotalMilliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  latest_ = std::move(snapshot);
  std::string objectText = ObjectTextOfCheck(latest_->Result);
  const bool objectChanged = !objectText.empty() && objectText != objectText_;
  if (objectChanged) objectText_ = std::move(objectText);
  emit checked();
  if (objectChanged) emit objectTextChanged();
}

bool LiveCheck::lineUnchanged(int blockNumber) const {
  if (!latest_ || blockNumber < 0 || static_cast<std::size_t>(blockNumber) >= latest_->Lines.size())
    return false;
  const QTextBlock block = editor_.document()->findBlockByNumber(blockNumber);
  return block.isValid() && Bytes(block.text()) == latest_->Lines[static_cast<std::size_t>(blockNumber)];
}
