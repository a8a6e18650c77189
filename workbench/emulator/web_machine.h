// The built-in Plus/4 of a build with Qt WebEngine: one Plus4Window, made on
// the first run and reused by the next until the user closes it.
#pragma once

#include <QPointer>
#include <functional>

class QAction;

#include "workbench/emulator/emulator_files.h"
#include "workbench/emulator/plus4_window.h"
#include "workbench/emulator/workbench_launcher.h"

class WebMachine final : public BuiltInMachine {
 public:
  explicit WebMachine(QWidget* windowParent, QStringList searchRoots = EmulatorSearchRoots());
  ~WebMachine() override;

  QString missingParts() const override;
  void runProgram(const QString& programPath, const QString& debugLabels) override;
  void setStatusReporter(std::function<void(const QString& line)> report) override { report_ = std::move(report); }
  // How long a start may take before it is reported as failed (the
  // window's own limit when not set); for the window made by the next run.
  void setStartTimeLimit(int seconds) { startSeconds_ = seconds; }
  // The main window's Window menu item that brings the machine's window up
  // (null without a main window or before the first run).
  QAction* windowMenuItem() const { return windowMenuItem_; }
  // The open window; null before the first run and after it was closed.
  Plus4Window* window() const { return window_; }

 private:
  void placeBesideEditors(QWidget& window) const;
  void listInWindowMenu();
  void bringUp();

  QWidget* windowParent_;
  QStringList roots_;
  QPointer<Plus4Window> window_;
  QPointer<QAction> windowMenuItem_;
  std::function<void(const QString& line)> report_;
  int startSeconds_ = 0;  // 0: the window's own
};
