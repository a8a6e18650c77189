#include "workbench/editor/syntax_highlighter.h"

#include <QGuiApplication>
#include <QPalette>

using qv3::TokenKind;

namespace {

struct Style {
  TokenKind kind;
  const char* light;  // on a light text background
  const char* dark;   // on a dark one
  bool bold;
  bool italic;
};

// Hues stay apart in both schemes; the dark ones are lighter, softer tints
// of the same hues, so a reader switching schemes finds the same colours.
constexpr std::array<Style, qv3::kTokenKindCount> kStyles = {{
    {TokenKind::Comment, "#6a737d", "#8b949e", false, true},
    {TokenKind::Mnemonic, "#0033b3", "#79b8ff", true, false},
    {TokenKind::Postfix, "#0033b3", "#79b8ff", false, false},
    {TokenKind::Directive, "#871094", "#d2a8ff", true, false},
    {TokenKind::Label, "#7a4a00", "#ffc66d", true, false},
    {TokenKind::Constant, "#00627a", "#56d4dd", true, false},
    {TokenKind::Number, "#a31515", "#f28b82", false, false},
    {TokenKind::SpecialTerm, "#c24e00", "#ffa657", true, false},
    {TokenKind::FileName, "#067d17", "#a5d6a7", false, false},
    {TokenKind::Text, "#067d17", "#a5d6a7", false, false},
}};

bool IsDark(const QPalette& palette) { return palette.color(QPalette::Base).lightness() < 128; }

}  // namespace

Qv3Highlighter::Qv3Highlighter(QTextDocument* document)
    : Qv3Highlighter(document, QGuiApplication::palette()) {}

Qv3Highlighter::Qv3Highlighter(QTextDocument* document, const QPalette& palette)
    : QSyntaxHighlighter(document) {
  useColours(IsDark(palette));
}

void Qv3Highlighter::adaptToPalette(const QPalette& palette) {
  const bool dark = IsDark(palette);
  if (dark == dark_) return;
  useColours(dark);
  rehighlight();
}

void Qv3Highlighter::useColours(bool dark) {
  dark_ = dark;
  for (const Style& style : kStyles) {
    QTextCharFormat format;
    format.setForeground(QColor(QString::fromLatin1(dark ? style.dark : style.light)));
    if (style.bold) format.setFontWeight(QFont::Bold);
    if (style.italic) format.setFontItalic(true);
    formats_[static_cast<std::size_t>(style.kind)] = format;
  }
}

void Qv3Highlighter::highlightBlock(const QString& text) {
  // Latin-1 keeps one byte per character, so the positions carry over.
  const QByteArray bytes = text.toLatin1();
  for (const qv3::SyntaxToken& token : qv3::TokeniseLine(std::string_view(bytes.constData(), bytes.size())))
    setFormat(token.start, token.length, formatOf(token.kind));
}
