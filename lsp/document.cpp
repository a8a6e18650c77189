// SPDX-License-Identifier: GPL-3.0-or-later
#include "lsp/document.h"

#include <QString>
#include <algorithm>

namespace lsp {

std::string LatinBytes(const QString& text) {
  std::string bytes(static_cast<std::size_t>(text.size()), '?');
  for (qsizetype i = 0; i < text.size(); ++i)
    if (const char16_t unit = text[i].unicode(); unit <= 0xFF) bytes[static_cast<std::size_t>(i)] = static_cast<char>(unit);
  return bytes;
}

void Document::SetText(std::string text) {
  text_ = std::move(text);
  lineStarts_.assign(1, 0);
  for (std::size_t i = 0; i < text_.size(); ++i) {
    if (text_[i] == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n') ++i;
    if (text_[i] == '\r' || text_[i] == '\n') lineStarts_.push_back(i + 1);
  }
}

std::string_view Document::Line(std::size_t index) const {
  if (index >= lineStarts_.size()) return {};
  const std::size_t start = lineStarts_[index];
  std::size_t end = index + 1 < lineStarts_.size() ? lineStarts_[index + 1] : text_.size();
  while (end > start && (text_[end - 1] == '\n' || text_[end - 1] == '\r')) --end;
  return std::string_view(text_).substr(start, end - start);
}

std::size_t Document::Offset(Position position) const {
  if (position.Line < 0) return 0;
  const auto line = static_cast<std::size_t>(position.Line);
  if (line >= lineStarts_.size()) return text_.size();
  const std::size_t length = Line(line).size();
  return lineStarts_[line] + std::min(length, static_cast<std::size_t>(std::max(0, position.Character)));
}

void Document::Replace(Position from, Position to, std::string_view replacement) {
  std::size_t begin = Offset(from);
  std::size_t end = Offset(to);
  if (end < begin) std::swap(begin, end);
  std::string text = std::move(text_);
  text.replace(begin, end - begin, replacement);
  SetText(std::move(text));
}

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

std::string PathOfUri(std::string_view uri) {
  constexpr std::string_view kScheme = "file://";
  if (uri.substr(0, kScheme.size()) != kScheme) return {};
  uri.remove_prefix(kScheme.size());
  const std::size_t slash = uri.find('/');  // after an authority ("localhost"), if any
  if (slash == std::string_view::npos) return {};
  uri.remove_prefix(slash);
  std::string path;
  for (std::size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size() && HexDigit(uri[i + 1]) >= 0 && HexDigit(uri[i + 2]) >= 0) {
      path += static_cast<char>(HexDigit(uri[i + 1]) * 16 + HexDigit(uri[i + 2]));
      i += 2;
    } else {
      path += uri[i];
    }
  }
  return path;
}

std::string UriOfPath(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                       (byte >= '0' && byte <= '9') || std::string_view("/-._~").find(c) != std::string_view::npos;
    if (plain) {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 15];
    }
  }
  return uri;
}

}  // namespace lsp
