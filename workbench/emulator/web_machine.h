// The built-in Plus/4 of a build with Qt WebEngine: one Plus4Window, made on
// the first run and reused by the next until the user closes it.
#pragma once

#include <QPointer>

#include "workbench/emulator/emulator_files.h"
#include "workbench/emulator/plus4_window.h"
#include "workbench/emulator/workbench_launcher.h"

class WebMachine final : public BuiltInMachine {
 public:
  explicit WebMachine(QWidget* windowParent, QStringList searchRoots = EmulatorSearchRoots());
  ~WebMachine() override;

  QString missingParts() const override;
  void runProgram(const QString& programPath, const QString& debugLabels) override;
  // The open window; null before the first run and after it was closed.
  Plus4Window* window() const { return window_; }

 private:
  void placeBesideEditors(QWidget& window) const;

  QWidget* windowParent_;
  QStringList roots_;
  QPointer<Plus4Window> window_;
};
