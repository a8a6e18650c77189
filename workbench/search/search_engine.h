// The search engine behind Find, Find again and Replace. It works on a small
// text interface rather than on a widget, so its rules can be checked without
// any window; the editor supplies an adapter (editor_search_text.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv3 {

// The text a run searches: lines of bytes, and a selection whose offsets count
// characters from the start of the text with every line break counting as two
// (CR LF), whatever the editor stores internally.
class SearchText {
 public:
  virtual ~SearchText() = default;
  virtual std::size_t lineCount() const = 0;
  // Lines are numbered from 0; the text excludes the line break.
  virtual std::string lineText(std::size_t line) const = 0;
  virtual void setLineText(std::size_t line, const std::string& text) = 0;
  virtual std::int64_t selectionStart() const = 0;
  virtual std::int64_t selectionLength() const = 0;
  // Selects length characters from offset and scrolls them into view.
  virtual void select(std::int64_t offset, std::int64_t length) = 0;
};

enum class ReplaceAnswer { Yes, No, Abort, All };

// The boxes a run talks to the user through.
class SearchPrompts {
 public:
  virtual ~SearchPrompts() = default;
  // "Replace this occurrence?" about the occurrence just selected.
  virtual ReplaceAnswer askReplace() = 0;
  // The closing result box ("Search string not found!", "<n> occurrences replaced.").
  virtual void showResult(const std::string& text) = 0;
};

// What the search dialog holds when a run starts.
struct SearchParameters {
  std::string term;
  std::string replacement;
  bool skipComments = false;
  bool replace = false;
};

enum class SearchOutcome {
  Found,     // Find selected an occurrence; no message
  Finished,  // every line visited; the closing message was shown
  Aborted,   // the user answered Abort; no message
};

struct SearchResult {
  SearchOutcome outcome = SearchOutcome::Finished;
  int replacedCount = 0;
};

inline constexpr std::string_view kSearchNotFound = "Search string not found!";
std::string ReplacedCountMessage(int count);

// The 1-based positions of foldedTerm in foldedLine. After each hit the scan
// resumes one character past its end, so in ABAB the term AB is found only at
// 1 and in AAA the term A at 1 and 3. An empty term is never found.
std::vector<std::size_t> FindOccurrences(std::string_view foldedLine, std::string_view foldedTerm);

// One forward run from the end of the selection to the end of the text: Find
// stops at the first occurrence, Replace visits them all and asks about each.
SearchResult RunSearch(const SearchParameters& parameters, SearchText& text, SearchPrompts& prompts);

}  // namespace qv3
