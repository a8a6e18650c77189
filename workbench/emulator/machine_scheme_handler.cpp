#include "workbench/emulator/machine_scheme_handler.h"

#include <QBuffer>
#include <QFile>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include "workbench/emulator/machine_routes.h"

namespace {
const QString kPageFolder = QStringLiteral(":/qv3/machine");

void ReplyWithBytes(QWebEngineUrlRequestJob* job, const QByteArray& mimeType, const QByteArray& bytes) {
  auto* buffer = new QBuffer(job);  // the job owns what it reads from
  buffer->setData(bytes);
  buffer->open(QIODevice::ReadOnly);
  job->reply(mimeType, buffer);
}
}  // namespace

MachineSchemeHandler::MachineSchemeHandler(const EmulatorFiles& files, QObject* parent)
    : QWebEngineUrlSchemeHandler(parent), files_(files) {}

void MachineSchemeHandler::setProgram(const QByteArray& program, const QByteArray& commandFile) {
  program_ = program;
  commandFile_ = commandFile;
}

void MachineSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
  const MachineRoute route =
      RouteMachineRequest(job->requestUrl(), job->requestMethod(), files_, kPageFolder);
  switch (route.kind) {
    case MachineRoute::Kind::Program:
      ReplyWithBytes(job, route.mimeType, program_);
      return;
    case MachineRoute::Kind::CommandFile:
      ReplyWithBytes(job, route.mimeType, commandFile_);
      return;
    case MachineRoute::Kind::File: {
      auto* file = new QFile(route.filePath, job);
      if (file->open(QIODevice::ReadOnly)) {
        job->reply(route.mimeType, file);
        return;
      }
      ++refused_;
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
      return;
    }
    case MachineRoute::Kind::NotFound:
      ++refused_;
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
      return;
    case MachineRoute::Kind::Refused:
      ++refused_;
      job->fail(QWebEngineUrlRequestJob::RequestDenied);
      return;
  }
}

void NetworkGuard::interceptRequest(QWebEngineUrlRequestInfo& info) {
  if (IsMachineUrlAllowed(info.requestUrl())) return;
  ++blocked_;
  info.block(true);
}

void RegisterMachineScheme() {
  QWebEngineUrlScheme scheme(kMachineScheme);
  scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
  scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::CorsEnabled);
  QWebEngineUrlScheme::registerScheme(scheme);
}
