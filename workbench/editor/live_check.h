// The background check of one editor's text while it is edited: a check-only
// compile on a worker thread shortly after the last keystroke. The window
// never waits for it; a newer edit cancels the run in progress and only the
// newest finished run is kept.
#pragma once

#include <QObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/check_compile.h"

class QPlainTextEdit;

// What one check is given: a copy of the text and where it lives.
struct CheckRequest {
  std::string Text;        // the document's bytes
  std::string ModuleName;  // as the compile command names it
  std::string Folder;      // the document's folder, "/"-terminated
  std::string CurrentDirectory;
  // The other open documents and the object files their checks would
  // write, read in place of the files on disk.
  qv3::FileOverlay Overlay;
};

// A finished check and the text it saw, line by line (the knowledge's lines
// and columns refer to these lines).
struct CheckSnapshot {
  qv3::CheckResult Result;
  std::vector<std::string> Lines;
  double EngineMilliseconds = 0;  // the check itself, on the worker
  double TotalMilliseconds = 0;   // from the start of the run to its delivery
};

class LiveCheck : public QObject {
  Q_OBJECT
 public:
  static constexpr int kQuietMilliseconds = 300;

  // request gathers the inputs when a run starts (on the user-interface thread).
  LiveCheck(QPlainTextEdit& editor, std::function<CheckRequest()> request, QObject* parent = nullptr);
  // Cancels the runs in progress and waits for them to stop.
  ~LiveCheck() override;

  // Starts a run after the quiet time (every edit calls this).
  void schedule();
  // Starts a run at once, superseding any other.
  void checkNow();
  // The newest finished check; null before the first.
  std::shared_ptr<const CheckSnapshot> latest() const { return latest_; }
  // Whether a check is scheduled or running whose result is still wanted.
  bool isPending() const { return timer_.isActive() || running_; }
  // Whether the 0-based line reads now as the latest check saw it, so the
  // check's columns on it are right.
  bool lineUnchanged(int blockNumber) const;
  // The object file's symbol section the last check without a fatal
  // diagnostic says a compile would write (empty before the first).
  const std::string& objectText() const { return objectText_; }

 signals:
  // A newer check has become latest().
  void checked();
  // objectText() changed: the modules that use this one's names see others.
  void objectTextChanged();

 private:
  struct Run {
    std::thread Worker;
    std::shared_ptr<std::atomic<bool>> Cancel;
    std::shared_ptr<std::atomic<bool>> Finished;
  };
  void cancelRuns();
  void reapFinishedRuns();
  void deliver(std::uint64_t generation, std::shared_ptr<CheckSnapshot> snapshot,
               std::chrono::steady_clock::time_point started);

  QPlainTextEdit& editor_;
  std::function<CheckRequest()> request_;
  QTimer timer_;
  std::list<Run> runs_;
  std::uint64_t generation_ = 0;  // of the run whose result is wanted
  bool running_ = false;
  std::shared_ptr<const CheckSnapshot> latest_;
  std::string objectText_;
};
