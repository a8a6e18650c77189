// SPDX-License-Identifier: GPL-3.0-or-later
// Small conversions between the engine's places and the protocol's JSON.
#pragma once

#include <QJsonObject>
#include <cstdint>
#include <string_view>

#include "engine/compile_knowledge.h"
#include "lsp/document.h"

namespace lsp {

QJsonObject PositionJson(std::int32_t line, std::int32_t character);
QJsonObject RangeJson(std::int32_t line, std::int32_t from, std::int32_t to);
// A span of the engine (1-based line, byte columns) as a range.
QJsonObject SpanRange(const qv3::SourceSpan& span);
// params.position; InvalidParams when missing.
Position PositionOf(const QJsonObject& params);
QString Text(std::string_view bytes);  // Latin-1 bytes to JSON text

// params.position as the queries count it: a 1-based line and a byte column.
// A caret just after a word (where many editors put it) counts as on the word.
struct Caret {
  std::int32_t LineNumber = 1;
  std::size_t Column = 0;
  std::string_view Line;  // the line's text, a view into the document
};
Caret CaretIn(const Document& text, const QJsonObject& params);

}  // namespace lsp
