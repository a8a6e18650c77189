// Serves the built-in Plus/4's page, the emulator's files and the program
// being run through the qv3machine: scheme (see machine_routes.h).
#pragma once

#include <QByteArray>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlSchemeHandler>

#include "workbench/emulator/emulator_files.h"

class MachineSchemeHandler final : public QWebEngineUrlSchemeHandler {
  Q_OBJECT
 public:
  MachineSchemeHandler(const EmulatorFiles& files, QObject* parent);

  void setProgram(const QByteArray& program, const QByteArray& commandFile);
  void requestStarted(QWebEngineUrlRequestJob* job) override;

  // How many requests were refused or not found (kept for the window's log).
  int refusedCount() const { return refused_; }

 private:
  EmulatorFiles files_;
  QByteArray program_;
  QByteArray commandFile_;
  int refused_ = 0;
};

// Blocks every request the page makes outside its own scheme: the front
// end's update check and any address a core or page might try.
class NetworkGuard final : public QWebEngineUrlRequestInterceptor {
  Q_OBJECT
 public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
  void interceptRequest(QWebEngineUrlRequestInfo& info) override;
  int blockedCount() const { return blocked_; }

 private:
  int blocked_ = 0;
};

// Registers the scheme with the web engine; before the application object.
void RegisterMachineScheme();
