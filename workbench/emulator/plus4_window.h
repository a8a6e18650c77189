// The built-in Plus/4: VICE xplus4 (a WebAssembly core under EmulatorJS) in
// a web view, with Reset, Pause/Continue, Warp and a look inside while
// paused. An ordinary window of the desktop beside the editors; the Window
// menu brings it up.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QRect>
#include <QStringList>
#include <functional>

#include "workbench/emulator/emulator_files.h"

class MachineInspector;
class MachinePage;
class MachineSchemeHandler;
class NetworkGuard;
class QAction;
class QDockWidget;
class QLabel;
class QProgressBar;
class QTimer;
class QWebEngineProfile;
class QWebEngineView;

class Plus4Window final : public QMainWindow {
  Q_OBJECT
 public:
  explicit Plus4Window(const EmulatorFiles& files, QWidget* parent = nullptr);
  ~Plus4Window() override;

  // Boots a fresh machine that runs the program (name for the title,
  // labelsPath: the VICE label file of the compile or empty). A file that is
  // not a program leaves a message in the window and starts nothing.
  void runProgram(const QByteArray& bytes, const QString& name, const QString& labelsPath);

  bool isRunning() const { return running_; }
  bool isPaused() const { return paused_; }
  // The machine as it stands (raw VICE snapshot bytes; empty when there is
  // no machine yet or the page did not answer).
  void takeSnapshot(const std::function<void(const QByteArray&)>& done);
  void setPaused(bool paused);
  void setWarp(bool on);
  // Sizes the window for the screen at a whole-number scale of 384 x 288.
  void setScreenScale(int scale);
  // How long a start may take before it is reported as failed: the page
  // and the core to load, then the program to be in RAM and running.
  void setStartTimeLimit(int seconds);
  int startTimeLimit() const;
  // The failure shown in the window, empty when none.
  QString failure() const { return failure_; }
  // The page's and the core's last console lines (for failure reports).
  QStringList consoleTail() const { return console_; }
  int blockedRequests() const;
  QWebEngineView* view() const { return view_; }
  MachineInspector* inspector() const { return inspector_; }
  QAction* resetAction() const { return resetAction_; }
  QAction* pauseAction() const { return pauseAction_; }
  QAction* warpAction() const { return warpAction_; }
  // The frame rate or the state in the status bar ("stopped").
  QString speedText() const;
  // The status bar's line: what the machine does ("NAME running.", "NAME paused.").
  QString statusText() const;

 signals:
  void progressed(const QString& text);
  // The first frame after the program was started in the machine.
  void programRunning();
  void failed(const QString& message);
  void frameRate(double framesPerSecond);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void handleReport(const QString& kind, const QString& text);
  void handleConsole(const QString& line);
  void fail(const QString& message);
  void showProgress(const QString& text);
  void refreshInspector();
  // Opens the window's room for the look inside: beside the screen or below
  // it, within the screen (see PlaceInside).
  void makeRoomForInside();
  // Moves and sizes the window by its frame.
  void setFrame(const QRect& frame);
  void reset();
  void rerun();
  void prepareStart();
  void startTookTooLong();
  QByteArray commandFile() const;

  EmulatorFiles files_;
  QWebEngineProfile* profile_;
  NetworkGuard* guard_;
  MachineSchemeHandler* handler_;
  MachinePage* page_;
  QWebEngineView* view_;
  QLabel* banner_;
  QLabel* status_;
  QLabel* speed_;
  QProgressBar* busy_;
  QTimer* startLimit_;
  QAction* resetAction_;
  QAction* pauseAction_;
  QAction* warpAction_;
  QDockWidget* inspectorDock_;
  MachineInspector* inspector_;
  QByteArray program_;
  QByteArray startedCommand_;  // the command file the page booted with
  QString programName_;
  QString labelsPath_;
  QString failure_;
  QStringList console_;
  QElapsedTimer sinceStart_;
  bool started_ = false;  // the page's core has started
  bool running_ = false;
  bool paused_ = false;
  bool insideShown_ = false;
  QRect frameBeforeInside_;  // where the window was before the look inside opened
  bool sized_ = false;  // sized once for the renderer; the user's size is kept after
};
