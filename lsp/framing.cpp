// SPDX-License-Identifier: GPL-3.0-or-later
#include "lsp/framing.h"

#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <charconv>

namespace lsp {

namespace {
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (lower(text[i]) != lower(prefix[i])) return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}
}  // namespace

void MessageReader::Compact() {
  if (consumed_ > 65536 && consumed_ * 2 > buffer_.size()) {
    buffer_.erase(0, consumed_);
    consumed_ = 0;
  }
}

std::optional<Frame> MessageReader::Next() {
  if (skipBody_ > 0) {
    const std::size_t drop = std::min(skipBody_, buffer_.size() - consumed_);
    consumed_ += drop;
    skipBody_ -= drop;
    Compact();
    if (skipBody_ > 0) return std::nullopt;
  }
  const std::string_view rest = std::string_view(buffer_).substr(consumed_);
  const std::size_t end = rest.find("\r\n\r\n");
  if (end == std::string_view::npos) {
    if (rest.size() <= kMaxHeader) return std::nullopt;
    // No end of header in sight: everything up to the last line break goes.
    const std::size_t cut = rest.rfind('\n');
    consumed_ += cut == std::string_view::npos ? rest.size() : cut + 1;
    Compact();
    return Frame{{}, "header without an end"};
  }
  const std::string_view header = rest.substr(0, end);
  std::optional<std::size_t> length;
  bool bad = false;
  std::size_t at = 0;
  while (at <= header.size()) {
    std::size_t next = header.find("\r\n", at);
    if (next == std::string_view::npos) next = header.size();
    const std::string_view line = header.substr(at, next - at);
    at = next + 2;
    if (StartsWithIgnoringCase(line, "Content-Length:")) {
      const std::string_view digits = Trimmed(line.substr(15));
      std::size_t value = 0;
      const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
      if (ec != std::errc() || ptr != digits.data() + digits.size() || digits.empty())
        bad = true;
      else
        length = value;
    } else if (!line.empty() && line.find(':') == std::string_view::npos) {
      bad = true;  // not a header field at all
    }
  }
  const std::size_t bodyStart = end + 4;
  if (bad || !length) {
    consumed_ += bodyStart;
    Compact();
    return Frame{{}, length ? "malformed header" : "header without Content-Length"};
  }
  if (*length > kMaxBody) {
    consumed_ += bodyStart;
    skipBody_ = *length;
    Compact();
    return Frame{{}, "message too large"};
  }
  if (rest.size() - bodyStart < *length) return std::nullopt;
  Frame frame{std::string(rest.substr(bodyStart, *length)), {}};
  consumed_ += bodyStart + *length;
  Compact();
  return frame;
}

std::string FrameMessage(std::string_view body) {
  std::string message = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  message += body;
  return message;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace lsp
