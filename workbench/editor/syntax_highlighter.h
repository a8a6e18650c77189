// Colours the source in an editor line by line. Every line is coloured on
// its own (no state carried from one block to the next), so an edit only
// recolours the lines it touches, however long the document is.
#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <array>

#include "workbench/editor/syntax_tokens.h"

class QPalette;

class Qv3Highlighter : public QSyntaxHighlighter {
  Q_OBJECT
 public:
  // Picks its colours for the application's palette.
  explicit Qv3Highlighter(QTextDocument* document);
  Qv3Highlighter(QTextDocument* document, const QPalette& palette);

  // Switches between the light and the dark colours when the palette's
  // text background calls for it, and recolours the document then.
  void adaptToPalette(const QPalette& palette);
  bool usesDarkColours() const { return dark_; }
  QTextCharFormat formatOf(qv3::TokenKind kind) const { return formats_[static_cast<std::size_t>(kind)]; }

 protected:
  void highlightBlock(const QString& text) override;

 private:
  void useColours(bool dark);

  std::array<QTextCharFormat, qv3::kTokenKindCount> formats_;
  bool dark_ = false;
};
