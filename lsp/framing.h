// SPDX-License-Identifier: GPL-3.0-or-later
// The protocol's base layer: "Content-Length: N" headers, an empty line,
// then N bytes of JSON. The reader takes whatever bytes arrive and hands out
// whole messages; a header it cannot read is reported once and skipped, so
// the server answers it with a parse error and goes on.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lsp {

struct Frame {
  std::string Body;   // the JSON text (when Error is empty)
  std::string Error;  // why the header was not understood
};

class MessageReader {
 public:
  // Headers longer than this without their empty line, and bodies larger
  // than kMaxBody, are refused rather than buffered without end.
  static constexpr std::size_t kMaxHeader = 8192;
  static constexpr std::size_t kMaxBody = std::size_t{256} << 20;

  void Feed(std::string_view bytes) { buffer_.append(bytes); }
  // The next whole message or header error; nothing while one is incomplete.
  std::optional<Frame> Next();
  // Bytes of a message begun but not finished (at the end of input: a
  // truncated message).
  bool HasPartialMessage() const { return consumed_ < buffer_.size(); }

 private:
  void Compact();

  std::string buffer_;
  std::size_t consumed_ = 0;
  std::size_t skipBody_ = 0;  // bytes of a refused body still to drop
};

// The framed message: header and body, ready to write.
std::string FrameMessage(std::string_view body);

// Writes all bytes to a file descriptor; false when it is closed.
bool WriteAll(int fd, std::string_view bytes);

}  // namespace lsp
