// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/wav_file.h"

#include <fstream>

namespace qv3 {
namespace {

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::string EncodeWav(std::span<const std::int16_t> samples, int sampleRate) {
  constexpr int kChannels = 1, kBytesPerSample = 2;
  const auto dataBytes = static_cast<std::uint32_t>(samples.size() * kBytesPerSample);
  std::string out = "RIFF";
  PutLittleEndian(out, 36 + dataBytes, 4);
  out += "WAVEfmt ";
  PutLittleEndian(out, 16, 4);  // the format chunk's size
  PutLittleEndian(out, 1, 2);   // PCM
  PutLittleEndian(out, kChannels, 2);
  PutLittleEndian(out, static_cast<std::uint32_t>(sampleRate), 4);
  PutLittleEndian(out, static_cast<std::uint32_t>(sampleRate * kChannels * kBytesPerSample), 4);
  PutLittleEndian(out, kChannels * kBytesPerSample, 2);
  PutLittleEndian(out, 8 * kBytesPerSample, 2);
  out += "data";
  PutLittleEndian(out, dataBytes, 4);
  out.reserve(out.size() + dataBytes);
  for (const std::int16_t sample : samples) PutLittleEndian(out, static_cast<std::uint16_t>(sample), 2);
  return out;
}

bool WriteWavFile(const std::string& path, std::span<const std::int16_t> samples, int sampleRate) {
  const std::string bytes = EncodeWav(samples, sampleRate);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

}  // namespace qv3
