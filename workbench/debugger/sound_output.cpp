// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/debugger/sound_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <algorithm>

namespace {

// What the device holds ahead: a few frames, enough to ride out a slow
// slice of the run, little enough that the sound follows the picture.
constexpr int kBufferMilliseconds = 120;

}  // namespace

SoundOutput::SoundOutput(int sampleRate, QObject* parent) : QObject(parent), sampleRate_(sampleRate) {}

SoundOutput::~SoundOutput() { stop(); }

bool SoundOutput::open() {
  if (device_) return true;
  if (triedToOpen_) return false;
  triedToOpen_ = true;
  const QAudioDevice output = QMediaDevices::defaultAudioOutput();
  QAudioFormat format;
  format.setSampleRate(sampleRate_);
  format.setChannelCount(1);
  format.setSampleFormat(QAudioFormat::Int16);
  if (output.isNull() || !output.isFormatSupported(format)) return false;
  sink_ = std::make_unique<QAudioSink>(output, format);
  sink_->setBufferSize(format.bytesForDuration(kBufferMilliseconds * 1000));
  device_ = sink_->start();
  if (!device_ || sink_->error() != QAudio::NoError) {
    sink_.reset();
    device_ = nullptr;
    return false;
  }
  return true;
}

void SoundOutput::pushFrameSamples(const std::vector<std::int16_t>& samples) {
  if (samples.empty() || !open()) return;
  const qsizetype bytes = std::min<qsizetype>(sink_->bytesFree(), static_cast<qsizetype>(samples.size() * 2)) & ~1;
  if (bytes > 0) device_->write(reinterpret_cast<const char*>(samples.data()), bytes);
}

void SoundOutput::stop() {
  if (sink_) sink_->stop();
  sink_.reset();
  device_ = nullptr;
  triedToOpen_ = false;
}
