// SPDX-License-Identifier: GPL-3.0-or-later
// An open document's text as the engine reads it: Latin-1 bytes, lines
// ended by CR LF, LF or CR, as the assembler splits them. The protocol
// counts columns in UTF-16 code units; a Latin-1 character is one code unit
// and one byte, so a column is the same number on both sides. What the
// client sends that Latin-1 cannot hold (a character above U+00FF) becomes
// "?", one byte per code unit, so that the columns after it still agree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QString;

namespace lsp {

struct Position {
  std::int32_t Line = 0;  // 0-based
  std::int32_t Character = 0;
};

// The bytes of a QString, one per UTF-16 code unit.
std::string LatinBytes(const QString& text);

class Document {
 public:
  Document() = default;
  explicit Document(std::string text) { SetText(std::move(text)); }

  const std::string& Text() const { return text_; }
  void SetText(std::string text);
  // Replaces the text between two positions (clamped to the text) with
  // replacement.
  void Replace(Position from, Position to, std::string_view replacement);

  std::size_t LineCount() const { return lineStarts_.size(); }
  // A line without its line break; empty past the end.
  std::string_view Line(std::size_t index) const;
  // The byte offset of a position: its character clamped to the line.
  std::size_t Offset(Position position) const;

 private:
  std::string text_;
  std::vector<std::size_t> lineStarts_;  // always at least one line
};

// file:///a%20b/c.qv3 <-> /a b/c.qv3; other schemes give an empty path.
std::string PathOfUri(std::string_view uri);
std::string UriOfPath(std::string_view path);

}  // namespace lsp
