// SPDX-License-Identifier: GPL-3.0-or-later
// The machine's sound on the computer's speakers while the debugger runs a
// program: 16-bit mono samples pushed as the emulation makes them, played
// through Qt Multimedia's default audio output. Where there is no audio
// device (a headless session, CI) or it refuses the format, it stays
// silent without an error; samples the device cannot take yet are dropped
// rather than queued, so the sound never lags behind the picture.
#pragma once

#include <QObject>
#include <cstdint>
#include <memory>
#include <vector>

class QAudioSink;
class QIODevice;

class SoundOutput : public QObject {
  Q_OBJECT
 public:
  explicit SoundOutput(int sampleRate, QObject* parent = nullptr);
  ~SoundOutput() override;

  // The samples of one emulated frame (or of several): called once per
  // frame, or per slice of the run, with what the machine made since.
  void pushFrameSamples(const std::vector<std::int16_t>& samples);
  // Silence at once, as when the run pauses or stops; the next push starts
  // the sound again.
  void stop();
  // Whether an audio device is playing the samples.
  bool playing() const { return device_ != nullptr; }

 private:
  bool open();

  int sampleRate_;
  bool triedToOpen_ = false;
  std::unique_ptr<QAudioSink> sink_;
  QIODevice* device_ = nullptr;  // owned by sink_
};
