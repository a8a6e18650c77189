// SPDX-License-Identifier: GPL-3.0-or-later
#include "lsp/protocol.h"

#include <algorithm>

#include "language/hover_text.h"
#include "lsp/server.h"

namespace lsp {

QJsonObject PositionJson(std::int32_t line, std::int32_t character) {
  return {{"line", line}, {"character", character}};
}

QJsonObject RangeJson(std::int32_t line, std::int32_t from, std::int32_t to) {
  return {{"start", PositionJson(line, from)}, {"end", PositionJson(line, to)}};
}

QJsonObject SpanRange(const qv3::SourceSpan& span) {
  const std::int32_t line = std::max(0, span.Line - 1);
  const auto from = static_cast<std::int32_t>(span.Column);
  return RangeJson(line, from, from + static_cast<std::int32_t>(span.Length));
}

Position PositionOf(const QJsonObject& params) {
  const QJsonValue position = params.value("position");
  if (!position.isObject()) throw RequestError{ErrorCode::InvalidParams, "position missing"};
  const QJsonObject object = position.toObject();
  return {object.value("line").toInt(), object.value("character").toInt()};
}

QString Text(std::string_view bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

Caret CaretIn(const Document& text, const QJsonObject& params) {
  const Position position = PositionOf(params);
  Caret caret;
  caret.LineNumber = std::max(0, position.Line) + 1;
  caret.Line = text.Line(static_cast<std::size_t>(caret.LineNumber - 1));
  caret.Column = std::min(static_cast<std::size_t>(std::max(0, position.Character)), caret.Line.size());
  if (!WordAtColumn(caret.Line, caret.Column) && caret.Column > 0 && WordAtColumn(caret.Line, caret.Column - 1))
    --caret.Column;
  return caret;
}

}  // namespace lsp
