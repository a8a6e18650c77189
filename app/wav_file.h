// SPDX-License-Identifier: GPL-3.0-or-later
// A WAV file of 16-bit signed mono samples (RIFF, PCM). Standard C++.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qv3 {

// The file's bytes.
std::string EncodeWav(std::span<const std::int16_t> samples, int sampleRate);
// Whether the file could be written.
bool WriteWavFile(const std::string& path, std::span<const std::int16_t> samples, int sampleRate);

}  // namespace qv3
