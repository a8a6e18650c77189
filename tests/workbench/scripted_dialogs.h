// A Dialogs replacement for headless tests: answers come from queues the
// test fills, and every box and dialog is recorded. An unscripted question
// fails the test and gets the cautious answer (No, Cancel).
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <deque>
#include <ostream>
#include <optional>
#include <utility>
#include <vector>

#include "workbench/dialogs.h"

// Readable texts in the failure messages of the tests.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

class ScriptedDialogs : public Dialogs {
 public:
  struct Question {
    QString caption;
    QString text;
    bool yesIsDefault = true;
  };

  void showMessage(const QString& text) override { messages.push_back(text); }
  void showInfo(const QString& text) override { infos.push_back(text); }
  void showError(const QString& text) override { errors.push_back(text); }
  bool askYesNo(const QString& caption, const QString& text) override {
    return answer({caption, text, true});
  }
  bool askYesNoDefaultNo(const QString& caption, const QString& text) override {
    return answer({caption, text, false});
  }
  std::optional<int> askLineNumber(int current, int lineCount) override {
    lineQuestions.push_back({current, lineCount});
    if (lineAnswers.empty()) {
      ADD_FAILURE() << "unexpected Go to Line question";
      return std::nullopt;
    }
    const std::optional<int> line = lineAnswers.front();
    lineAnswers.pop_front();
    return line;
  }
  std::optional<QString> askText(const QString& caption, const QString& label, const QString& proposed) override {
    textQuestions.push_back({caption, label + QStringLiteral(" [") + proposed + QStringLiteral("]")});
    if (textAnswers.empty()) {
      ADD_FAILURE() << "unexpected text question: " << label.toStdString();
      return std::nullopt;
    }
    const std::optional<QString> text = textAnswers.front();
    textAnswers.pop_front();
    return text;
  }
  bool answer(const Question& question) {
    const QString& text = question.text;
    questions.push_back(question);
    if (yesNoAnswers.empty()) {
      ADD_FAILURE() << "unexpected question: " << text.toStdString();
      return false;
    }
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
  }
  ReplaceAnswer askReplace() override {
    ADD_FAILURE() << "unexpected replace confirmation";
    return ReplaceAnswer::Abort;
  }
  bool askReloadChangedFile(const QString& path) override {
    reloadQuestions.push_back(path);
    if (reloadAnswers.empty()) {
      ADD_FAILURE() << "unexpected reload question: " << path.toStdString();
      return false;
    }
    const bool answer = reloadAnswers.front();
    reloadAnswers.pop_front();
    return answer;
  }
  std::optional<QString> openFileName(const QString& proposed) override {
    openProposals.push_back(proposed);
    return next(openAnswers, "open");
  }
  std::optional<QString> saveFileName(const QString& proposed) override {
    saveProposals.push_back(proposed);
    return next(saveAnswers, "save");
  }
  void setStartFolder(const QString& folder) override { startFolders.push_back(folder); }

  // Answers: a file name, or nullopt for Cancel.
  std::deque<std::optional<QString>> openAnswers;
  std::deque<std::optional<QString>> saveAnswers;
  std::deque<bool> yesNoAnswers;
  std::deque<bool> reloadAnswers;  // true: Reload, false: Keep
  std::deque<std::optional<int>> lineAnswers;  // a line number, or nullopt for Cancel
  std::vector<std::pair<int, int>> lineQuestions;  // (proposed line, line count)
  std::deque<std::optional<QString>> textAnswers;  // the text typed, or nullopt for Cancel
  std::vector<Question> textQuestions;  // text: the label and [the proposed text]

  QStringList messages, infos, errors;
  std::vector<Question> questions;
  QStringList openProposals, saveProposals, startFolders;
  QStringList reloadQuestions;  // the paths asked about

 private:
  static std::optional<QString> next(std::deque<std::optional<QString>>& answers, const char* kind) {
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected " << kind << " dialog";
      return std::nullopt;
    }
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
};
