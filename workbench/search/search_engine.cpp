#include "workbench/search/search_engine.h"

#include "engine/source_text.h"

namespace qv3 {

std::string ReplacedCountMessage(int count) {
  return std::to_string(count) + " occurrences replaced.";
}

std::vector<std::size_t> FindOccurrences(std::string_view foldedLine, std::string_view foldedTerm) {
  std::vector<std::size_t> positions;
  if (foldedTerm.empty()) return positions;
  std::size_t consumed = 0;  // characters dropped from the front of the line so far
  while (consumed < foldedLine.size()) {
    const std::size_t hit = foldedLine.find(foldedTerm, consumed);
    if (hit == std::string_view::npos) break;
    positions.push_back(hit + 1);
    // The hit and the character after it are dropped before the next look.
    consumed = hit + foldedTerm.size() + 1;
  }
  return positions;
}

namespace {

// The state of one run; it ends with the run.
class SearchRun {
 public:
  SearchRun(const SearchParameters& parameters, SearchText& text, SearchPrompts& prompts)
      : parameters_(parameters),
        text_(text),
        prompts_(prompts),
        foldedTerm_(UpperCaseOutsideTildes(parameters.term)),
        termLength_(static_cast<std::int64_t>(parameters.term.size())),
        startOffset_(text.selectionStart() + text.selectionLength()) {}

  SearchResult RunSearch() {
    // The run visits the lines the text has now.
    const std::size_t lines = text_.lineCount();
    for (std::size_t line = 0; line < lines; ++line) {
      if (!VisitLine(line)) return {outcome_, replacedCount_};
      lineStart_ += static_cast<std::int64_t>(text_.lineText(line).size()) + 2;
    }
    prompts_.showResult(replacedCount_ == 0 ? std::string(kSearchNotFound)
                                            : ReplacedCountMessage(replacedCount_));
    return {SearchOutcome::Finished, replacedCount_};
  }

 private:
  // False when the run ends inside the line (Find's hit or Abort).
  bool VisitLine(std::size_t line) {
    // The list is built once, before any replacement in the line, and never
    // rebuilt: text brought in by the replacement is not searched again, so
    // a replacement that contains the term cannot loop.
    occurrences_ = OccurrencesToVisit(text_.lineText(line));
    for (std::size_t index = 0; index < occurrences_.size(); ++index) {
      const std::int64_t offset = lineStart_ + static_cast<std::int64_t>(occurrences_[index]) - 1;
      if (offset < startOffset_) continue;
      text_.select(offset, termLength_);
      if (!parameters_.replace) {
        outcome_ = SearchOutcome::Found;
        return false;
      }
      if (replaceAll_) {
        ReplaceOccurrence(line, index);
        continue;
      }
      switch (prompts_.askReplace()) {
        case ReplaceAnswer::Yes:
          ReplaceOccurrence(line, index);
          break;
        case ReplaceAnswer::All:
          ReplaceOccurrence(line, index);
          replaceAll_ = true;
          break;
        case ReplaceAnswer::Abort:
          outcome_ = SearchOutcome::Aborted;
          return false;
        case ReplaceAnswer::No:
          break;
      }
    }
    return true;
  }

  std::vector<std::size_t> OccurrencesToVisit(const std::string& lineText) const {
    const std::string folded = UpperCaseOutsideTildes(lineText);
    std::vector<std::size_t> positions = FindOccurrences(folded, foldedTerm_);
    if (parameters_.skipComments) {
      // "Skip comments" leaves alone what starts inside the comment, which
      // runs from the line's first "//" to its end. The positions are still
      // unshifted here, so they compare with the "//" as the line stood
      // before any replacement. A line without "//" is searched in full.
      const std::size_t comment = folded.find("//");
      if (comment != std::string::npos) {
        std::erase_if(positions, [comment](std::size_t position) { return position >= comment + 1; });
      }
    }
    return positions;
  }

  void ReplaceOccurrence(std::size_t line, std::size_t index) {
    std::string lineText = text_.lineText(line);
    const std::size_t at = occurrences_[index] - 1;
    // Only a text that changed behind the run's back could leave the
    // occurrence outside its line; leave such a line alone.
    if (at + parameters_.term.size() > lineText.size()) return;
    // What is deleted is whatever stands there in its own case; the
    // replacement goes in exactly as typed.
    lineText.replace(at, parameters_.term.size(), parameters_.replacement);
    // Later occurrences keep pointing at the same text as before.
    const std::ptrdiff_t shift = static_cast<std::ptrdiff_t>(parameters_.replacement.size()) -
                                 static_cast<std::ptrdiff_t>(parameters_.term.size());
    for (std::size_t later = index + 1; later < occurrences_.size(); ++later) {
      occurrences_[later] = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(occurrences_[later]) + shift);
    }
    text_.setLineText(line, lineText);
    ++replacedCount_;
  }

  const SearchParameters& parameters_;
  SearchText& text_;
  SearchPrompts& prompts_;
  const std::string foldedTerm_;
  const std::int64_t termLength_;
  const std::int64_t startOffset_;  // taken once, when the run begins
  std::int64_t lineStart_ = 0;
  int replacedCount_ = 0;
  bool replaceAll_ = false;
  SearchOutcome outcome_ = SearchOutcome::Finished;
  std::vector<std::size_t> occurrences_;  // of the current line, 1-based
};

}  // namespace

SearchResult RunSearch(const SearchParameters& parameters, SearchText& text, SearchPrompts& prompts) {
  return SearchRun(parameters, text, prompts).RunSearch();
}

}  // namespace qv3
