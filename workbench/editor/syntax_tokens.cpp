#include "workbench/editor/syntax_tokens.h"

#include <array>
#include <cstdint>
#include <string>

#include "engine/data_directives.h"
#include "engine/directives.h"
#include "engine/instruction_set.h"
#include "engine/source_text.h"

namespace qv3 {

namespace {

// In the order the line processor compares them.
constexpr std::array<std::string_view, 14> kDirectiveKeywords = {
    "ORIGIN", "LEAP", "NEXTPAGE", "OBJECTFILE", "BINARY", "SCREEN", "INCLUDE", "BIN.B", "BIN.W", "STRIP", "COMPILE",
    "TEXT", "FILL", "ALIGN",
};
// The directives that may follow a label on its line.
constexpr std::array<std::string_view, 6> kDataKeywords = {"BIN.B", "BIN.W", "SCREEN", "TEXT", "FILL", "ALIGN"};

struct Word {
  std::size_t begin = 0;
  std::size_t end = 0;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Letters inside a "~" stretch keep their case, but a word holding a tilde
// can never be a keyword, so folding the whole word gives the same answer.
bool EqualsKeyword(std::string_view word, std::string_view keyword) {
  if (word.size() != keyword.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (UpperAscii(word[i]) != keyword[i]) return false;
  return true;
}

bool IsMnemonic(std::string_view word) {
  if (word.size() != 3) return false;  // every 6502 mnemonic has three letters
  const std::string upper{UpperAscii(word[0]), UpperAscii(word[1]), UpperAscii(word[2])};
  return FindMnemonic(upper) >= 0;
}

// Today's directive arguments and constant values are literals; a leading
// sign belongs to a decimal literal there.
bool IsNumberWord(std::string_view word) {
  if (word.empty()) return false;
  if (word[0] == '$' || word[0] == '%' || IsDigit(word[0])) return true;
  return (word[0] == '-' || word[0] == '+') && word.size() > 1 && IsDigit(word[1]);
}

// Whether the assembler reads the text as today's number literal (it sees
// the line upper-cased outside tildes); otherwise it reads an expression.
bool ReadsAsLiteral(std::string_view text) {
  return ReadNumberLiteral(UpperCaseOutsideTildes(text)).Valid;
}

// Upper case outside tildes, TABs as blanks.
std::string AsTheAssemblerReadsIt(std::string_view text) {
  std::string read = UpperCaseOutsideTildes(text);
  for (char& c : read)
    if (c == '\t') c = ' ';
  return read;
}

// Characters that separate the terms of an operand or expression.
bool IsOperandPunctuation(char c) {
  switch (c) {
    case '#': case '(': case ')': case ',': case '+': case '-': case '<': case '>': case '[': case ']':
    case '/': case '&': case '|': case '^': case '=': case '\'': case '"': case '{': case '}':
      return true;
    default:
      return false;
  }
}

std::vector<Word> SplitWords(std::string_view code) {
  std::vector<Word> words;
  std::size_t i = 0;
  while (i < code.size()) {
    while (i < code.size() && IsBlank(code[i])) ++i;
    if (i == code.size()) break;
    const std::size_t begin = i;
    while (i < code.size() && !IsBlank(code[i])) ++i;
    words.push_back({begin, i});
  }
  return words;
}

// One mark per character of the code part; runs of equal marks become the
// tokens, so later paint simply wins and nothing overlaps.
class LineMarks {
 public:
  explicit LineMarks(std::size_t size) : marks_(size, kUnmarked) {}

  void paint(std::size_t begin, std::size_t end, TokenKind kind) {
    for (std::size_t i = begin; i < end && i < marks_.size(); ++i) marks_[i] = static_cast<std::int8_t>(kind);
  }
  void paint(Word word, TokenKind kind) { paint(word.begin, word.end, kind); }

  void appendTokens(std::vector<SyntaxToken>& tokens) const {
    std::size_t i = 0;
    while (i < marks_.size()) {
      const std::int8_t mark = marks_[i];
      const std::size_t begin = i;
      while (i < marks_.size() && marks_[i] == mark) ++i;
      if (mark != kUnmarked)
        tokens.push_back({static_cast<int>(begin), static_cast<int>(i - begin), static_cast<TokenKind>(mark)});
    }
  }

 private:
  static constexpr std::int8_t kUnmarked = -1;
  std::vector<std::int8_t> marks_;
};

std::string_view TextOf(std::string_view code, Word word) { return code.substr(word.begin, word.end - word.begin); }

// The operand's blanks are ignored by the assembler, so a term runs up to
// the next punctuation and only its outer blanks are left uncoloured.
void MarkOperand(std::string_view code, std::size_t from, LineMarks& marks) {
  std::size_t i = from;
  char previous = 0;  // the last character that is no blank
  // After a term, "*" multiplies; where a term belongs it is the location.
  const auto endsTerm = [](char c) {
    return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '.' || c == ')' ||
           c == ']' || c == '\'';
  };
  while (i < code.size()) {
    if (IsBlank(code[i]) || IsOperandPunctuation(code[i]) || (code[i] == '*' && endsTerm(previous))) {
      if (!IsBlank(code[i])) previous = code[i];
      ++i;
      continue;
    }
    const std::size_t begin = i;
    while (i < code.size() && !IsOperandPunctuation(code[i]) && !(code[i] == '*' && i > begin && code[begin] != '*'))
      ++i;
    for (std::size_t j = begin; j < i; ++j)
      if (!IsBlank(code[j])) previous = code[j];
    std::size_t end = i;
    while (end > begin && IsBlank(code[end - 1])) --end;
    const std::string_view term = code.substr(begin, end - begin);
    const char first = term[0];
    if (first == '*') {
      if (term.find_first_not_of(" \t", 1) == std::string_view::npos) marks.paint(begin, end, TokenKind::SpecialTerm);
    } else if (first == '!' || first == '@') {
      marks.paint(begin, end, TokenKind::SpecialTerm);
    } else if (first == '$' || first == '%' || IsDigit(first)) {
      marks.paint(begin, end, TokenKind::Number);
    }
  }
}

// "..." strings of TEXT and 'c' character literals.
void MarkQuotes(std::string_view code, std::size_t from, LineMarks& marks) {
  for (std::size_t i = from; i < code.size(); ++i) {
    if (code[i] == '\'' && i + 2 < code.size() && code[i + 2] == '\'') {
      marks.paint(i, i + 3, TokenKind::Number);
      i += 2;
    } else if (code[i] == '"') {
      const std::size_t close = code.find('"', i + 1);
      const std::size_t end = close == std::string_view::npos ? code.size() : close + 1;
      marks.paint(i, end, TokenKind::Text);
      i = end - 1;
    }
  }
}

void MarkInstruction(std::string_view code, Word word, LineMarks& marks) {
  const std::string_view text = TextOf(code, word);
  const std::size_t dot = text.find('.');
  const std::size_t mnemonicEnd = dot == std::string_view::npos ? word.end : word.begin + dot;
  if (IsMnemonic(text.substr(0, mnemonicEnd - word.begin))) {
    marks.paint(word.begin, mnemonicEnd, TokenKind::Mnemonic);
    marks.paint(mnemonicEnd, word.end, TokenKind::Postfix);
  }
  MarkOperand(code, word.end, marks);
  MarkQuotes(code, word.end, marks);
}

void MarkDirectiveArguments(std::string_view keyword, std::string_view code, const std::vector<Word>& words,
                            LineMarks& marks) {
  if (words.size() < 2) return;
  const auto expression = [&] {  // literals and terms as in an operand
    MarkOperand(code, words[0].end, marks);
    MarkQuotes(code, words[0].end, marks);
  };
  const std::string_view rest = code.substr(words[1].begin);
  if (keyword == "ORIGIN" || keyword == "LEAP") {
    const std::string_view value = keyword == "ORIGIN" ? TextOf(code, words[1]) : rest;
    if (!ReadsAsLiteral(value)) expression();
    else if (IsNumberWord(TextOf(code, words[1]))) marks.paint(words[1], TokenKind::Number);
  } else if (keyword == "BIN.B" || keyword == "BIN.W") {
    if (!IsLiteralList(UpperCaseOutsideTildes(rest))) {
      // Without a comma each word is one expression.
      if (rest.find(',') != std::string_view::npos) {
        expression();
        return;
      }
      for (std::size_t i = 1; i < words.size(); ++i) {
        MarkOperand(code.substr(0, words[i].end), words[i].begin, marks);
        MarkQuotes(code.substr(0, words[i].end), words[i].begin, marks);
      }
      return;
    }
    for (std::size_t i = 1; i < words.size(); ++i)
      if (IsNumberWord(TextOf(code, words[i]))) marks.paint(words[i], TokenKind::Number);
  } else if (keyword == "TEXT" || keyword == "FILL" || keyword == "ALIGN") {
    expression();
  } else if (keyword == "BINARY" || keyword == "INCLUDE" || keyword == "COMPILE") {
    marks.paint(words[1].begin, words.back().end, TokenKind::FileName);
  }
}

void MarkLine(std::string_view code, LineMarks& marks) {
  const std::vector<Word> words = SplitWords(code);
  if (words.empty()) return;
  const Word first = words.front();
  const std::string_view firstText = TextOf(code, first);

  // A directive whose argument holds "=" (a SCREEN text '~A=B~') still does
  // the directive's work in the pass that writes the bytes, so the keyword
  // wins over the constant reading here.
  for (const std::string_view keyword : kDirectiveKeywords) {
    if (EqualsKeyword(firstText, keyword)) {
      marks.paint(first, TokenKind::Directive);
      MarkDirectiveArguments(keyword, code, words, marks);
      return;
    }
  }
  if (code.find('=', first.end) != std::string_view::npos && DefinesConstant(AsTheAssemblerReadsIt(code.substr(first.end)))) {
    marks.paint(first, TokenKind::Constant);
    // The second word is skipped whatever it holds; the third is the value,
    // or after a lone "=" an expression where it is no number.
    if (words.size() > 2 && TextOf(code, words[1]) == "=" && !ReadsAsLiteral(TextOf(code, words[2]))) {
      MarkOperand(code, words[1].end, marks);
      MarkQuotes(code, words[1].end, marks);
    } else if (words.size() > 2 && IsNumberWord(TextOf(code, words[2]))) {
      marks.paint(words[2], TokenKind::Number);
    }
    return;
  }
  std::size_t instruction = 0;
  if (firstText.back() == ':') {
    marks.paint(first, TokenKind::Label);
    instruction = 1;
    for (const std::string_view keyword : kDataKeywords) {
      if (words.size() > 1 && EqualsKeyword(TextOf(code, words[1]), keyword)) {
        marks.paint(words[1], TokenKind::Directive);
        const std::vector<Word> rest(words.begin() + 1, words.end());
        MarkDirectiveArguments(keyword, code, rest, marks);
        return;
      }
    }
  }
  if (instruction < words.size()) MarkInstruction(code, words[instruction], marks);
}

// From a "~" to the next one; an unpaired "~" keeps the rest of the line.
void MarkTildeStretches(std::string_view code, LineMarks& marks) {
  std::size_t from = 0;
  while (true) {
    const std::size_t open = code.find('~', from);
    if (open == std::string_view::npos) return;
    const std::size_t close = code.find('~', open + 1);
    const std::size_t end = close == std::string_view::npos ? code.size() : close + 1;
    marks.paint(open, end, TokenKind::Text);
    from = end;
  }
}

}  // namespace

std::vector<SyntaxToken> TokeniseLine(std::string_view line) {
  const std::size_t commentStart = line.find("//");
  const std::string_view code = line.substr(0, commentStart);
  LineMarks marks(code.size());
  MarkLine(code, marks);
  MarkTildeStretches(code, marks);

  std::vector<SyntaxToken> tokens;
  marks.appendTokens(tokens);
  if (commentStart != std::string_view::npos)
    tokens.push_back({static_cast<int>(commentStart), static_cast<int>(line.size() - commentStart), TokenKind::Comment});
  return tokens;
}

}  // namespace qv3
