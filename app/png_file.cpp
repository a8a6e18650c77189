// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/png_file.h"

#include <algorithm>

namespace qv3 {
namespace {

std::uint32_t Crc32(const std::string& bytes, std::size_t first) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = first; i < bytes.size(); ++i)
    crc = table[(crc ^ static_cast<std::uint8_t>(bytes[i])) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void PutBig32(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
  PutBig32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out += type;
  out += data;
  PutBig32(out, Crc32(out, typeAt));
}

// A zlib stream of stored deflate blocks (at most 65535 bytes each).
std::string StoredZlib(const std::string& raw) {
  std::string out = "\x78\x01";
  std::uint32_t a = 1, b = 0;
  for (const char c : raw) {
    a = (a + static_cast<std::uint8_t>(c)) % 65521;
    b = (b + a) % 65521;
  }
  std::size_t at = 0;
  do {
    const std::size_t length = std::min<std::size_t>(raw.size() - at, 65535);
    const bool last = at + length == raw.size();
    out += static_cast<char>(last ? 1 : 0);
    out += static_cast<char>(length & 0xFF);
    out += static_cast<char>(length >> 8);
    out += static_cast<char>(~length & 0xFF);
    out += static_cast<char>((~length >> 8) & 0xFF);
    out.append(raw, at, length);
    at += length;
  } while (at < raw.size());
  PutBig32(out, b << 16 | a);
  return out;
}

}  // namespace

std::string EncodePalettePng(int width, int height, std::span<const std::uint8_t> indices,
                             std::span<const PaletteEntry> palette) {
  std::string out = "\x89PNG\r\n\x1a\n";
  std::string header;
  PutBig32(header, static_cast<std::uint32_t>(width));
  PutBig32(header, static_cast<std::uint32_t>(height));
  header += std::string("\x08\x03\x00\x00\x00", 5);  // 8 bits, palette, deflate, no filter choice, no interlace
  PutChunk(out, "IHDR", header);
  std::string colours;
  for (const PaletteEntry& entry : palette) {
    colours += static_cast<char>(entry.R);
    colours += static_cast<char>(entry.G);
    colours += static_cast<char>(entry.B);
  }
  PutChunk(out, "PLTE", colours);
  std::string raw;
  raw.reserve(static_cast<std::size_t>((width + 1) * height));
  for (int y = 0; y < height; ++y) {
    raw += '\0';  // filter: none
    const auto row = indices.subspan(static_cast<std::size_t>(y * width), static_cast<std::size_t>(width));
    raw.append(reinterpret_cast<const char*>(row.data()), row.size());
  }
  PutChunk(out, "IDAT", StoredZlib(raw));
  PutChunk(out, "IEND", "");
  return out;
}

}  // namespace qv3
