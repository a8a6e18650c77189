// The search engine's rules, without any widget: a text held as lines and a
// script of answers to the confirmation box.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "workbench/search/search_engine.h"

namespace {

using qv3::ReplaceAnswer;

class LinesText final : public qv3::SearchText {
 public:
  explicit LinesText(std::vector<std::string> lines) : lines(std::move(lines)) {}

  std::size_t lineCount() const override { return lines.size(); }
  std::string lineText(std::size_t line) const override { return lines.at(line); }
  void setLineText(std::size_t line, const std::string& text) override { lines.at(line) = text; }
  std::int64_t selectionStart() const override { return start; }
  std::int64_t selectionLength() const override { return length; }
  void select(std::int64_t offset, std::int64_t count) override {
    start = offset;
    length = count;
    selected.push_back(textAt(offset, count));
  }

  // The text at a CR LF offset, so a test sees what the selection covered.
  std::string textAt(std::int64_t offset, std::int64_t count) const {
    for (const std::string& line : lines) {
      const auto size = static_cast<std::int64_t>(line.size());
      if (offset <= size) return line.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
      offset -= size + 2;
    }
    return "<past the end>";
  }

  std::vector<std::string> lines;
  std::int64_t start = 0;
  std::int64_t length = 0;
  std::vector<std::string> selected;
};

class ScriptedPrompts final : public qv3::SearchPrompts {
 public:
  explicit ScriptedPrompts(std::deque<ReplaceAnswer> answers = {}) : answers(std::move(answers)) {}

  ReplaceAnswer askReplace() override {
    ++questions;
    if (answers.empty()) {
      ADD_FAILURE() << "asked more often than scripted";
      return ReplaceAnswer::Abort;
    }
    const ReplaceAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void showResult(const std::string& text) override { messages.push_back(text); }

  std::deque<ReplaceAnswer> answers;
  int questions = 0;
  std::vector<std::string> messages;
};

qv3::SearchParameters Find(std::string term, bool skipComments = false) {
  return {std::move(term), "", skipComments, false};
}

qv3::SearchParameters Replace(std::string term, std::string replacement, bool skipComments = false) {
  return {std::move(term), std::move(replacement), skipComments, true};
}

using Messages = std::vector<std::string>;

TEST(SearchOccurrences, ResumeOneCharacterAfterEachHit) {
  EXPECT_EQ(qv3::FindOccurrences("ABAB", "AB"), (std::vector<std::size_t>{1}));
  EXPECT_EQ(qv3::FindOccurrences("AAA", "A"), (std::vector<std::size_t>{1, 3}));
  EXPECT_EQ(qv3::FindOccurrences("XAB AB", "AB"), (std::vector<std::size_t>{2, 5}));
  EXPECT_TRUE(qv3::FindOccurrences("ABC", "").empty());
  EXPECT_TRUE(qv3::FindOccurrences("AB", "ABC").empty());
}

TEST(SearchFind, WalksForwardAndNeverWrapsToTheTop) {
  LinesText text({"lda Value", "sta VALUE // value"});
  ScriptedPrompts prompts;
  EXPECT_EQ(qv3::RunSearch(Find("value"), text, prompts).outcome, qv3::SearchOutcome::Found);
  EXPECT_EQ(text.start, 4);
  EXPECT_EQ(qv3::RunSearch(Find("value"), text, prompts).outcome, qv3::SearchOutcome::Found);
  EXPECT_EQ(text.start, 9 + 2 + 4);  // the line break counts as two
  qv3::RunSearch(Find("value"), text, prompts);
  EXPECT_EQ(text.start, 11 + 13);
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_EQ(text.selected, (Messages{"Value", "VALUE", "value"}));

  EXPECT_EQ(qv3::RunSearch(Find("value"), text, prompts).outcome, qv3::SearchOutcome::Finished);
  EXPECT_EQ(prompts.messages, (Messages{"Search string not found!"}));
  EXPECT_EQ(text.start, 24);  // the last hit stays selected
}

TEST(SearchFind, StartsAtTheEndOfTheSelection) {
  LinesText text({"AB AB"});
  ScriptedPrompts prompts;
  text.start = 0;
  text.length = 1;  // the first AB begins inside the selection
  qv3::RunSearch(Find("AB"), text, prompts);
  EXPECT_EQ(text.start, 3);
  text.start = 1;
  text.length = 2;  // the second AB begins exactly at its end
  qv3::RunSearch(Find("AB"), text, prompts);
  EXPECT_EQ(text.start, 3);
  text.length = 3;
  qv3::RunSearch(Find("AB"), text, prompts);
  EXPECT_EQ(prompts.messages, (Messages{"Search string not found!"}));
}

TEST(SearchFind, LettersBetweenTildesKeepTheirCase) {
  LinesText text({"text ~hello~ Hello"});
  ScriptedPrompts prompts;
  qv3::RunSearch(Find("hello"), text, prompts);  // folded to HELLO: only the one outside
  EXPECT_EQ(text.start, 13);
  text.start = text.length = 0;
  qv3::RunSearch(Find("~hello~"), text, prompts);
  EXPECT_EQ(text.start, 5);
  text.start = text.length = 0;
  qv3::RunSearch(Find("~HELLO~"), text, prompts);
  EXPECT_EQ(prompts.messages, (Messages{"Search string not found!"}));
}

TEST(SearchReplace, ReplacementIsNeverSearchedAgain) {
  LinesText text({"A A"});
  ScriptedPrompts prompts({ReplaceAnswer::All});
  const qv3::SearchResult result = qv3::RunSearch(Replace("a", "AA"), text, prompts);
  EXPECT_EQ(result.replacedCount, 2);
  EXPECT_EQ(text.lines, (Messages{"AA AA"}));
  EXPECT_EQ(prompts.questions, 1);  // All stops asking
  EXPECT_EQ(prompts.messages, (Messages{"2 occurrences replaced."}));
}

TEST(SearchReplace, LaterPositionsAndLinesFollowTheChangedLengths) {
  LinesText text({"x.X.x", "lda x"});
  ScriptedPrompts prompts({ReplaceAnswer::Yes, ReplaceAnswer::No, ReplaceAnswer::Yes, ReplaceAnswer::Yes});
  qv3::RunSearch(Replace("x", "Long"), text, prompts);
  EXPECT_EQ(text.lines, (Messages{"Long.X.Long", "lda Long"}));
  // Every question was asked with the occurrence itself selected.
  EXPECT_EQ(text.selected, (Messages{"x", "X", "x", "x"}));
  EXPECT_EQ(prompts.messages, (Messages{"3 occurrences replaced."}));

  LinesText shorter({"abcXabcX", "abc"});
  ScriptedPrompts all({ReplaceAnswer::All});
  qv3::RunSearch(Replace("ABC", ""), shorter, all);  // an empty replacement deletes
  EXPECT_EQ(shorter.lines, (Messages{"XX", ""}));
  EXPECT_EQ(shorter.selected, (Messages{"abc", "abc", "abc"}));
}

TEST(SearchReplace, AbortKeepsEarlierReplacementsWithoutMessage) {
  LinesText text({"a a", "a"});
  ScriptedPrompts prompts({ReplaceAnswer::Yes, ReplaceAnswer::Yes, ReplaceAnswer::Abort});
  const qv3::SearchResult result = qv3::RunSearch(Replace("A", "b"), text, prompts);
  EXPECT_EQ(result.outcome, qv3::SearchOutcome::Aborted);
  EXPECT_EQ(text.lines, (Messages{"b b", "a"}));
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_EQ(text.start, 5);  // the refused occurrence stays selected
}

TEST(SearchReplace, AllAnsweredNoIsNotFound) {
  LinesText text({"a a"});
  ScriptedPrompts prompts({ReplaceAnswer::No, ReplaceAnswer::No});
  qv3::RunSearch(Replace("A", "b"), text, prompts);
  EXPECT_EQ(text.lines, (Messages{"a a"}));
  EXPECT_EQ(prompts.messages, (Messages{"Search string not found!"}));
}

TEST(SearchSkipComments, PassesOverWhatStartsInTheComment) {
  LinesText text({"lda val // val", "sta val", "// val"});
  ScriptedPrompts prompts({ReplaceAnswer::All});
  qv3::RunSearch(Replace("val", "v", true), text, prompts);
  EXPECT_EQ(text.lines, (Messages{"lda v // val", "sta v", "// val"}));

  // The comment is where it stood before the line's first replacement, even
  // when the replacement brings in a "//" of its own.
  LinesText slashes({"x x // x"});
  ScriptedPrompts all({ReplaceAnswer::All});
  qv3::RunSearch(Replace("x", "//", true), slashes, all);
  EXPECT_EQ(slashes.lines, (Messages{"// // // x"}));

  // A "//" itself starts at the comment.
  LinesText markers({"inc // a // b"});
  ScriptedPrompts unasked;
  qv3::RunSearch(Replace("//", ";", true), markers, unasked);
  EXPECT_EQ(markers.lines, (Messages{"inc // a // b"}));
  EXPECT_EQ(unasked.messages, (Messages{"Search string not found!"}));

  LinesText find({"nop // val", "lda val"});
  ScriptedPrompts none;
  qv3::RunSearch(Find("val", true), find, none);
  EXPECT_EQ(find.start, 12 + 4);
}

}  // namespace
