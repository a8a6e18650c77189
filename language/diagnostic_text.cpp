// SPDX-License-Identifier: GPL-3.0-or-later
#include "language/diagnostic_text.h"

#include "engine/source_text.h"

std::string DiagnosticMessage(const qv3::LineDiagnostic& diagnostic, std::string_view lineText) {
  const std::string_view text = diagnostic.Text;
  // "Fatal: ", "Warning in file [game]: ": the first ": " ends the prefix
  // (a module name holds no ": ").
  const std::size_t prefixEnd = text.find(": ");
  if (prefixEnd == std::string_view::npos) return std::string(text);
  const std::size_t messageStart = prefixEnd + 2;
  const std::string quoteStart = " (at line: " + std::to_string(diagnostic.Line) + " \"";
  const std::size_t suffix = text.find(quoteStart, messageStart);
  constexpr std::string_view kQuoteEnd = "\", pass: ";
  const std::size_t quoteEnd = text.rfind(kQuoteEnd);
  std::string message(text.substr(messageStart, suffix == std::string_view::npos ? text.npos : suffix - messageStart));
  if (suffix == std::string_view::npos || quoteEnd == std::string_view::npos || quoteEnd < suffix) return message;
  const std::string_view quoted = text.substr(suffix + quoteStart.size(), quoteEnd - suffix - quoteStart.size());
  if (!quoted.empty() && quoted != qv3::StripComment(lineText)) {
    message += " in \"";
    message += quoted;
    message += '"';
  }
  return message;
}
