// The highlighter on real documents: the formats it lays on a block, its two
// colour schemes, and that colouring never touches text, undo or modified
// state nor recolours more than the edited line.
#include <gtest/gtest.h>

#include <QPalette>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <cmath>
#include <optional>

#include "workbench/editor/syntax_highlighter.h"

namespace {

using qv3::TokenKind;

QPalette PaletteWithBase(const char* base) {
  QPalette palette;
  palette.setColor(QPalette::Base, QColor(QString::fromLatin1(base)));
  return palette;
}

// WCAG relative luminance and contrast ratio.
double Luminance(const QColor& colour) {
  auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
  return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}
double Contrast(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

std::optional<QTextLayout::FormatRange> RangeAt(const QTextBlock& block, int start) {
  for (const auto& range : block.layout()->formats())
    if (range.start == start) return range;
  return std::nullopt;
}

// How often a signal fired, without the test library.
struct SignalCount {
  int count = 0;
  template <typename Sender, typename Signal>
  SignalCount(Sender* sender, Signal signal) {
    QObject::connect(sender, signal, [this] { ++count; });
  }
};

class CountingHighlighter : public Qv3Highlighter {
 public:
  using Qv3Highlighter::Qv3Highlighter;
  int blocksColoured = 0;

 protected:
  void highlightBlock(const QString& text) override {
    ++blocksColoured;
    Qv3Highlighter::highlightBlock(text);
  }
};

TEST(Qv3Highlighter, LaysTheTokenFormatsOnEachBlock) {
  QPlainTextEdit editor;
  QTextDocument& document = *editor.document();
  Qv3Highlighter highlighter(&document, PaletteWithBase("#ffffff"));
  editor.setPlainText(QStringLiteral("LOOP: lda.16 $10 // wait\n\tBIN.B %1010"));
  const QTextBlock first = document.firstBlock();
  const QList<QTextLayout::FormatRange> ranges = first.layout()->formats();
  ASSERT_EQ(ranges.size(), 5);
  EXPECT_EQ(ranges[0].start, 0);
  EXPECT_EQ(ranges[0].length, 5);
  EXPECT_EQ(ranges[0].format, highlighter.formatOf(TokenKind::Label));
  EXPECT_EQ(ranges[1].format, highlighter.formatOf(TokenKind::Mnemonic));
  EXPECT_EQ(ranges[2].format, highlighter.formatOf(TokenKind::Postfix));
  EXPECT_EQ(ranges[3].start, 13);
  EXPECT_EQ(ranges[3].format, highlighter.formatOf(TokenKind::Number));
  EXPECT_EQ(ranges[4].start, 17);
  EXPECT_EQ(ranges[4].length, 7);
  EXPECT_TRUE(ranges[4].format.fontItalic());

  const QTextBlock second = first.next();
  ASSERT_TRUE(RangeAt(second, 1).has_value());
  EXPECT_EQ(RangeAt(second, 1)->format, highlighter.formatOf(TokenKind::Directive));
  ASSERT_TRUE(RangeAt(second, 7).has_value());
  EXPECT_EQ(RangeAt(second, 7)->length, 5);
}

TEST(Qv3Highlighter, CharactersBeyondLatin1KeepThePositions) {
  QPlainTextEdit editor;
  Qv3Highlighter highlighter(editor.document(), PaletteWithBase("#ffffff"));
  // A character outside Latin-1 (here one of two UTF-16 units) stays one
  // position per unit, so the number after it is still found where it is.
  editor.setPlainText(QStringLiteral("SCREEN ~\U0001F600~ // \u20AC\nLDA #1"));
  const QTextBlock first = editor.document()->firstBlock();
  ASSERT_TRUE(RangeAt(first, 7).has_value());
  EXPECT_EQ(RangeAt(first, 7)->length, 4);
  ASSERT_TRUE(RangeAt(first, 12).has_value());
  EXPECT_EQ(RangeAt(first, 12)->format, highlighter.formatOf(TokenKind::Comment));
  EXPECT_EQ(RangeAt(first, 12)->length, 4);
}

TEST(Qv3Highlighter, ColoursAreReadableOnLightAndDarkBackgrounds) {
  QTextDocument document;
  for (const char* base : {"#ffffff", "#2a2a2a", "#1e1e1e"}) {
    const QPalette palette = PaletteWithBase(base);
    Qv3Highlighter highlighter(&document, palette);
    EXPECT_EQ(highlighter.usesDarkColours(), QString::fromLatin1(base) != QStringLiteral("#ffffff"));
    for (int kind = 0; kind < qv3::kTokenKindCount; ++kind) {
      const QColor colour = highlighter.formatOf(static_cast<TokenKind>(kind)).foreground().color();
      EXPECT_GE(Contrast(colour, palette.color(QPalette::Base)), 4.5) << base << " kind " << kind;
    }
  }
}

TEST(Qv3Highlighter, AdaptingToADarkPaletteRecoloursTheDocument) {
  QPlainTextEdit editor;
  QTextDocument& document = *editor.document();
  Qv3Highlighter highlighter(&document, PaletteWithBase("#ffffff"));
  editor.setPlainText(QStringLiteral("NOP"));
  ASSERT_TRUE(RangeAt(document.firstBlock(), 0).has_value());
  const QColor light = RangeAt(document.firstBlock(), 0)->format.foreground().color();
  highlighter.adaptToPalette(PaletteWithBase("#202020"));
  EXPECT_TRUE(highlighter.usesDarkColours());
  ASSERT_TRUE(RangeAt(document.firstBlock(), 0).has_value());
  const QColor dark = RangeAt(document.firstBlock(), 0)->format.foreground().color();
  EXPECT_NE(light, dark);
  EXPECT_EQ(dark, highlighter.formatOf(TokenKind::Mnemonic).foreground().color());
  EXPECT_GT(dark.lightness(), light.lightness());
}

// The same edits on an editor with and one without colouring leave the same
// text, the same signals, the same undo history and the same modified flag.
TEST(Qv3Highlighter, LeavesTextUndoAndModifiedStateAlone) {
  QPlainTextEdit plain;
  QPlainTextEdit coloured;
  Qv3Highlighter highlighter(coloured.document());
  SignalCount plainChanges(&plain, &QPlainTextEdit::textChanged);
  SignalCount colouredChanges(&coloured, &QPlainTextEdit::textChanged);
  SignalCount plainModified(plain.document(), &QTextDocument::modificationChanged);
  SignalCount colouredModified(coloured.document(), &QTextDocument::modificationChanged);

  for (QPlainTextEdit* editor : {&plain, &coloured}) {
    editor->setPlainText(QStringLiteral("ORIGIN $1000\r\nLOOP: LDA #$01 // x\nSCREEN ~Hi~"));
    EXPECT_FALSE(editor->document()->isModified());
    QTextCursor cursor(editor->document()->findBlockByNumber(1));
    cursor.movePosition(QTextCursor::EndOfBlock);
    cursor.insertText(QStringLiteral(" ~ab"));
    cursor.insertText(QStringLiteral("\nBNE LOOP"));
    editor->undo();
  }
  EXPECT_EQ(coloured.toPlainText(), plain.toPlainText());
  EXPECT_EQ(colouredChanges.count, plainChanges.count);
  EXPECT_EQ(colouredModified.count, plainModified.count);
  EXPECT_EQ(coloured.document()->isModified(), plain.document()->isModified());
  EXPECT_EQ(coloured.document()->availableUndoSteps(), plain.document()->availableUndoSteps());
  EXPECT_EQ(coloured.document()->availableRedoSteps(), plain.document()->availableRedoSteps());
}

// Typing into a huge document recolours only the line typed into.
TEST(Qv3Highlighter, AnEditRecoloursOnlyItsOwnLine) {
  QPlainTextEdit editor;
  QTextDocument& document = *editor.document();
  CountingHighlighter highlighter(&document, PaletteWithBase("#ffffff"));
  QString text;
  for (int i = 0; i < 100000; ++i) text += QStringLiteral("LOOP%1: LDA ~text $%1\n").arg(i);
  editor.setPlainText(text);
  EXPECT_GE(highlighter.blocksColoured, 100000);

  highlighter.blocksColoured = 0;
  const QTextBlock block = document.findBlockByNumber(50000);
  QTextCursor cursor(block);
  cursor.setPosition(block.position() + block.text().indexOf(QStringLiteral("LDA")));
  cursor.insertText(QStringLiteral("X"));  // "LDA" becomes "XLDA", no longer a mnemonic
  EXPECT_EQ(highlighter.blocksColoured, 1);
  EXPECT_EQ(block.layout()->formats().size(), 2);  // the label and the unpaired tilde's text
  // The unpaired tilde does not reach into the next line.
  const auto nextMnemonic = RangeAt(block.next(), 11);
  ASSERT_TRUE(nextMnemonic.has_value());
  EXPECT_EQ(nextMnemonic->format, highlighter.formatOf(TokenKind::Mnemonic));
}

}  // namespace
