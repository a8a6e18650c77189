// The containers the engine keeps its texts in: a module's lines walked
// without a line table, the case-insensitive index, the block arena, the
// message lists and the per-line buffer.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/file_system.h"
#include "engine/source_file.h"
#include "engine/source_text.h"
#include "engine/line_context.h"
#include "engine/message_list.h"
#include "engine/source_text_lines.h"
#include "engine/symbol_table.h"
#include "engine/text_arena.h"
#include "engine/text_index.h"
#include "tests/engine/test_support.h"

namespace qv3 {
namespace {

// The line-break rule stated byte by byte: CR LF, a lone CR and a lone LF
// each end a line; a break at the very end starts no empty line.
std::vector<std::string> SplitByteByByte(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

// The walk, through the function every caller splits texts with.
std::vector<std::string> Walked(std::string_view text) { return SplitLines(text); }

TEST(SourceTextLines, SplitAtEveryKindOfBreak) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(Walked(""), Lines{});
  EXPECT_EQ(Walked("A"), Lines{"A"});
  EXPECT_EQ(Walked("A\n"), Lines{"A"}) << "a final break starts no empty line";
  EXPECT_EQ(Walked("\n"), Lines{""});
  EXPECT_EQ(Walked("A\r\nB\rC\nD"), (Lines{"A", "B", "C", "D"}));
  EXPECT_EQ(Walked("A\n\rB"), (Lines{"A", "", "B"})) << "LF CR is two breaks";
  EXPECT_EQ(Walked("\r\r\n"), (Lines{"", ""}));
  EXPECT_EQ(Walked("A\r"), Lines{"A"});
}

TEST(SourceTextLines, WalkAndCountAgreeWithTheByteByByteRuleOnRandomTexts) {
  std::mt19937 random(7);
  const std::string alphabet = "ab \t\r\n\r\n";
  for (int round = 0; round < 2000; ++round) {
    std::string text(random() % 24, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    const std::vector<std::string> split = SplitByteByByte(text);
    EXPECT_EQ(Walked(text), split) << "text: " << text;
    EXPECT_EQ(SourceText(text).LineCount(), split.size()) << "text: " << text;
  }
}

TEST(SourceTextLines, StopsWhenTheVisitorSaysSo) {
  int seen = 0;
  SourceText("A\nB\nC").ForEachLine([&](std::string_view) { return ++seen < 2; });
  EXPECT_EQ(seen, 2);
}

TEST(SourceTextLines, LinesGivenByTheCallerAreWalkedAsGiven) {
  const std::vector<std::string_view> given = {"A\r", "", "B\nC"};
  const SourceText source{std::span<const std::string_view>(given)};
  std::vector<std::string_view> seen;
  source.ForEachLine([&](std::string_view line) {
    seen.push_back(line);
    return true;
  });
  EXPECT_EQ(seen, given);
  EXPECT_EQ(source.LineCount(), 3u);
}

struct IndexedTexts {
  std::vector<std::string> Texts;
  TextIndex Index;
  auto Of() const {
    return [this](std::size_t i) { return std::string_view(Texts[i]); };
  }
  std::size_t Add(std::string text) {
    Texts.push_back(std::move(text));
    return Index.Insert(Texts.back(), Texts.size() - 1, Of());
  }
  std::size_t Find(std::string_view text) const { return Index.Find(text, Of()); }
};

TEST(TextIndex, AnswersWithTheFirstEntryOfEqualTextsIgnoringCase) {
  IndexedTexts indexed;
  EXPECT_EQ(indexed.Find("LOOP"), TextIndex::kNone) << "an empty index";
  EXPECT_EQ(indexed.Add("Loop"), 0u);
  EXPECT_EQ(indexed.Add("LOOP"), 0u) << "an equal text keeps the first entry";
  EXPECT_EQ(indexed.Find("lOoP"), 0u);
  EXPECT_EQ(indexed.Find("LOOP2"), TextIndex::kNone);
  EXPECT_EQ(indexed.Add(""), 2u);
  EXPECT_EQ(indexed.Find(""), 2u);
}

TEST(TextIndex, OnlyLettersFoldCase) {
  // The hash folds more than letters; the comparison must not.
  IndexedTexts indexed;
  indexed.Add("A@");
  indexed.Add("A_");
  EXPECT_EQ(indexed.Find("a`"), TextIndex::kNone);
  EXPECT_EQ(indexed.Find("A\x7f"), TextIndex::kNone);
  EXPECT_EQ(indexed.Find("a_"), 1u);
}

TEST(TextIndex, FindsEveryEntryAfterGrowingWithNamesDifferingLate) {
  // Names equal in their first bytes and differing only further on once
  // collided in the low bits of the hash and made lookups crawl.
  IndexedTexts indexed;
  for (int i = 0; i < 20000; ++i) indexed.Add("SYMBOL_" + std::to_string(i));
  for (int i = 0; i < 20000; i += 97)
    EXPECT_EQ(indexed.Find("symbol_" + std::to_string(i)), static_cast<std::size_t>(i));
  EXPECT_EQ(indexed.Find("SYMBOL_20000"), TextIndex::kNone);
}

TEST(TextArena, KeepsCopiesThatOutliveTheOriginalsAndStayPut) {
  TextArena arena;
  std::vector<std::string_view> kept;
  std::string original;
  for (int i = 0; i < 5000; ++i) {
    original = "NAME_" + std::to_string(i);
    kept.push_back(arena.Keep(original));
  }
  const std::string longText(200000, 'x');  // longer than a block
  const std::string_view longKept = arena.Keep(longText);
  for (int i = 0; i < 5000; ++i) EXPECT_EQ(kept[static_cast<std::size_t>(i)], "NAME_" + std::to_string(i));
  EXPECT_EQ(longKept, longText);
  EXPECT_NE(longKept.data(), longText.data());
  EXPECT_TRUE(arena.Keep("").empty());
}

TEST(MessageList, KeepsOrderRecordsAndUniquenessThroughRemoval) {
  MessageList list;
  list.Append("first", TErrorInfo{3, 1, true, "demo"});
  EXPECT_TRUE(list.AppendUnique("Second"));
  EXPECT_FALSE(list.AppendUnique("SECOND")) << "equal but for case";
  list.Append("third", TErrorInfo{9, 2, false, "lib"});
  ASSERT_EQ(list.Size(), 3u);
  EXPECT_EQ(list.Lines()[1].Info, nullptr);

  list.RemoveIf([](const StatusLine& line) { return line.Text == "first"; });
  ASSERT_EQ(list.Size(), 2u);
  EXPECT_EQ(list.Lines()[0].Text, "Second");
  ASSERT_NE(list.Lines().back().Info, nullptr);
  EXPECT_EQ(list.Lines().back().Info->Line, 9);
  EXPECT_EQ(list.Lines().back().Info->FileName, "lib");
  EXPECT_FALSE(list.Contains("FIRST")) << "a removed line leaves the index";
  EXPECT_TRUE(list.Contains("Third"));

  list.Clear();
  EXPECT_EQ(list.Size(), 0u);
  EXPECT_FALSE(list.Contains("second"));
  EXPECT_TRUE(list.AppendUnique("second"));
}

TEST(MessageList, RecordsHandedOutStayValidWhileTheListGrows) {
  MessageList list;
  list.Append("diagnostic", TErrorInfo{1, 1, true, "demo"});
  const TErrorInfo* record = list.Lines()[0].Info;
  const std::string_view text = list.Lines()[0].Text;
  for (int i = 0; i < 20000; ++i) list.Append("Hint: N" + std::to_string(i) + " never used");
  EXPECT_EQ(record, list.Lines()[0].Info);
  EXPECT_EQ(text, "diagnostic");
  EXPECT_EQ(text.data(), list.Lines()[0].Text.data());
}

TEST(LineContext, LoadUpperCasesOutsideTildesAndTurnsTabsIntoBlanks) {
  LineContext line;
  line.Load(" \t lda\t#1");
  EXPECT_EQ(line.FirstWord, "LDA");
  EXPECT_EQ(line.RestOfLine, " #1");

  line.Load("screen ~ab\tc~ x");
  EXPECT_EQ(line.FirstWord, "SCREEN");
  EXPECT_EQ(line.RestOfLine, " ~ab c~ X") << "a TAB in a stretch turns into a blank, letters stay";

  line.Load("   ");
  EXPECT_TRUE(line.FirstWord.empty());
  EXPECT_TRUE(line.RestOfLine.empty());
}

TEST(LineContext, LoadAgreesWithTheTextFunctionsOnRandomBytes) {
  // The line is prepared eight bytes at a time; the string functions are
  // the plain statement of the same rules.
  std::mt19937 random(11);
  const std::string alphabet = "aAzZ`{@[~\t ;\x80\xE1\xFA\x7F\x09\x89";
  LineContext line;
  for (int round = 0; round < 5000; ++round) {
    std::string text(random() % 40, ' ');
    for (char& c : text)
      c = random() % 4 == 0 ? static_cast<char>(random() % 256) : alphabet[random() % alphabet.size()];
    std::string rest = UpperCaseOutsideTildes(text);
    NormaliseBlanks(rest);
    const std::string word = TakeWord(rest, true);
    line.Load(text);
    ASSERT_EQ(line.FirstWord, word) << "text: " << text;
    ASSERT_EQ(line.RestOfLine, rest) << "text: " << text;
  }
}

TEST(SymbolTable, NamesAreCopiesAndFirstMatchWins) {
  SymbolTable symbols;
  std::string name = "Loop";
  symbols.Add(name, 0x1000);
  name = "XXXX";  // the table keeps its own copy
  symbols.Add("LOOP", 0x2000);
  EXPECT_EQ(symbols.Name(0), "Loop");
  ASSERT_TRUE(symbols.Find("loop"));
  EXPECT_EQ(*symbols.Find("loop"), 0u);
  EXPECT_EQ(symbols.ValueText(1), "$2000");
}

TEST(SourceFile, MapsARegularFileAndReadsWhatCannotBeMapped) {
  test::TempDir folder;
  const std::string source = folder.Path() + "main.qv3";
  const std::string bytes("ORIGIN $1000\r\n\x00\xFF NOP\n", 21);
  folder.Write("main.qv3", bytes);
  folder.Write("empty.qv3", "");

  const auto mapped = SourceFile::Open(source);
  ASSERT_TRUE(mapped);
  EXPECT_TRUE(mapped->IsMapped());
  EXPECT_EQ(mapped->Text(), bytes) << "every byte value as it is on disk";

  auto opened = SourceFile::Open(source);
  ASSERT_TRUE(opened);
  SourceFile moved = std::move(*opened);
  EXPECT_EQ(moved.Text(), bytes) << "a moved file keeps its bytes";
  EXPECT_FALSE(opened->IsMapped()) << "the mapping moved with them and is released once";

  const auto empty = SourceFile::Open(folder.Path() + "empty.qv3");
  ASSERT_TRUE(empty);
  EXPECT_FALSE(empty->IsMapped()) << "an empty file cannot be mapped and is read";
  EXPECT_TRUE(empty->Text().empty());

  EXPECT_FALSE(SourceFile::Open(folder.Path() + "missing.qv3"));
  EXPECT_FALSE(SourceFile::Open(folder.Path())) << "a folder is no source";
}

}  // namespace
}  // namespace qv3
