// The search dialog and the Search menu commands with real widgets, headless:
// the dialog's modal loop and the message boxes are scripted.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <functional>

#include "workbench/dialogs.h"
#include "workbench/search/search_commands.h"
#include "workbench/search/search_dialog.h"

namespace {

// Stands in for the user at the modal dialog: shows it, acts, and returns
// how the dialog was closed.
class ScriptedSearchDialog final : public TfrmSearch {
 public:
  std::function<void(TfrmSearch&)> user;
  int shown = 0;

 protected:
  int runModal() override {
    ++shown;
    setResult(QDialog::Rejected);
    show();
    if (user) user(*this);
    hide();
    return result();
  }
};

class ScriptedDialogs final : public Dialogs {
 public:
  std::deque<ReplaceAnswer> answers;
  QStringList messages;  // plain boxes and Info boxes, in order

  void showMessage(const QString& text) override { messages << text; }
  void showInfo(const QString& text) override { messages << text; }
  void showError(const QString& text) override { ADD_FAILURE() << text.toStdString(); }
  bool askYesNo(const QString&, const QString&) override {
    ADD_FAILURE() << "unexpected question";
    return false;
  }
  ReplaceAnswer askReplace() override {
    if (answers.empty()) {
      ADD_FAILURE() << "asked more often than scripted";
      return ReplaceAnswer::Abort;
    }
    const ReplaceAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<QString> openFileName(const QString&) override { return std::nullopt; }
  std::optional<QString> saveFileName(const QString&) override { return std::nullopt; }
};

std::function<void(TfrmSearch&)> TypeAndPressOK(QString term, QString replacement = {}) {
  return [term, replacement](TfrmSearch& dialog) {
    dialog.cbTerm->setEditText(term);
    dialog.cbRepl->setEditText(replacement);
    dialog.btnOK->click();
  };
}

QStringList HistoryOf(const QComboBox& box) {
  QStringList items;
  for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
  return items;
}

TEST(SearchDialog, StartsEmptyWithItsControlsInTabOrder) {
  TfrmSearch dialog;
  EXPECT_FALSE(dialog.cbRepl->isEnabled());
  EXPECT_EQ(dialog.cbTerm->count() + dialog.cbRepl->count(), 0);

  const QList<QWidget*> order{dialog.cbTerm, dialog.cbSkipComm, dialog.cbNeedRepl,
                              dialog.cbRepl, dialog.btnOK,      dialog.BitBtn2};
  QList<QWidget*> visited;
  for (QWidget* w = dialog.cbTerm; visited.size() < order.size(); w = w->nextInFocusChain()) {
    if (order.contains(w) && !visited.contains(w)) visited << w;
  }
  EXPECT_EQ(visited, order);
}

TEST(SearchDialog, OkGivesTheTermAndKeepsHistoriesWithoutCaseDuplicates) {
  ScriptedSearchDialog dialog;
  dialog.user = [](TfrmSearch& shown) {
    EXPECT_TRUE(shown.cbNeedRepl->isChecked());
    EXPECT_TRUE(shown.cbRepl->isEnabled());
    shown.cbNeedRepl->setChecked(false);  // the user may change the preset
    EXPECT_FALSE(shown.cbRepl->isEnabled());
    TypeAndPressOK("lda", "sta")(shown);
  };
  EXPECT_EQ(dialog.AskSearchParameters(true), "lda");
  EXPECT_FALSE(dialog.parameters().replace);

  dialog.user = TypeAndPressOK("LDA", "STA");
  EXPECT_EQ(dialog.AskSearchParameters(false), "LDA");
  dialog.user = TypeAndPressOK("ldx", "STA");
  dialog.AskSearchParameters(false);
  EXPECT_EQ(HistoryOf(*dialog.cbTerm), (QStringList{"lda", "ldx"}));
  // Recorded although "Replace with:" was not checked.
  EXPECT_EQ(HistoryOf(*dialog.cbRepl), (QStringList{"sta"}));
  EXPECT_EQ(dialog.cbTerm->currentText(), QStringLiteral("ldx"));

  dialog.user = [](TfrmSearch& shown) {
    shown.cbTerm->setEditText("jmp");
    shown.BitBtn2->click();
  };
  EXPECT_EQ(dialog.AskSearchParameters(false), "");
  EXPECT_EQ(HistoryOf(*dialog.cbTerm).size(), 2);
}

// The real modal loop, driven by keys: Enter presses OK, Esc cancels.
TEST(SearchDialog, EnterAndEscapeCloseTheModalDialog) {
  TfrmSearch dialog;
  dialog.cbTerm->addItem("SEI");
  dialog.cbTerm->setEditText("sei");
  const auto press = [&dialog](Qt::Key key) {
    QTimer::singleShot(0, &dialog, [&dialog, key] {
      QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
      QCoreApplication::sendEvent(dialog.cbTerm->lineEdit(), &event);
    });
    QTimer::singleShot(2000, &dialog, [&dialog] {
      if (dialog.isVisible()) {
        ADD_FAILURE() << "the key did not close the dialog";
        dialog.done(QDialog::Rejected);
      }
    });
  };
  press(Qt::Key_Return);
  EXPECT_EQ(dialog.AskSearchParameters(false), "sei");
  // Enter in the box adds no case duplicate to its history either.
  EXPECT_EQ(HistoryOf(*dialog.cbTerm), (QStringList{"SEI"}));
  press(Qt::Key_Escape);
  EXPECT_EQ(dialog.AskSearchParameters(false), "");
}

TEST(SearchCommands, NeedAnActiveEditor) {
  ScriptedSearchDialog search;
  ScriptedDialogs dialogs;
  RunFindCommand(nullptr, search, dialogs);
  RunFindAgainCommand(nullptr, search, dialogs);
  RunReplaceCommand(nullptr, search, dialogs);
  EXPECT_EQ(dialogs.messages, QStringList(3, "Open a .QV3 source first..."));
  EXPECT_EQ(search.shown, 0);
}

TEST(SearchCommands, CancelOrEmptyTermRunsNothing) {
  QPlainTextEdit editor;
  editor.setPlainText("abc");
  ScriptedSearchDialog search;
  ScriptedDialogs dialogs;
  RunFindCommand(&editor, search, dialogs);  // closed without OK
  search.user = TypeAndPressOK("");
  RunReplaceCommand(&editor, search, dialogs);
  EXPECT_TRUE(dialogs.messages.isEmpty());
  // Find again before any term was entered runs and finds nothing.
  RunFindAgainCommand(&editor, search, dialogs);
  EXPECT_EQ(dialogs.messages, QStringList{"Search string not found!"});
}

TEST(SearchCommands, FindAgainAfterReplaceReplacesAgain) {
  QPlainTextEdit editor;
  editor.setPlainText("a a\na");
  ScriptedSearchDialog search;
  ScriptedDialogs dialogs;
  search.user = TypeAndPressOK("A", "b");
  dialogs.answers = {Dialogs::ReplaceAnswer::Yes, Dialogs::ReplaceAnswer::Abort};
  RunReplaceCommand(&editor, search, dialogs);
  EXPECT_EQ(editor.toPlainText(), QStringLiteral("b a\na"));
  EXPECT_TRUE(dialogs.messages.isEmpty());

  // Starts after the occurrence left selected by Abort.
  dialogs.answers = {Dialogs::ReplaceAnswer::Yes};
  RunFindAgainCommand(&editor, search, dialogs);
  EXPECT_EQ(editor.toPlainText(), QStringLiteral("b a\nb"));
  EXPECT_EQ(dialogs.messages, QStringList{"1 occurrences replaced."});
  EXPECT_EQ(search.shown, 1);
}

TEST(SearchCommands, FindReplacesWhenTheUserChecksReplaceWith) {
  QPlainTextEdit editor;
  editor.setPlainText("x x");
  ScriptedSearchDialog search;
  ScriptedDialogs dialogs;
  search.user = [](TfrmSearch& shown) {
    shown.cbNeedRepl->setChecked(true);
    TypeAndPressOK("x", "y")(shown);
  };
  dialogs.answers = {Dialogs::ReplaceAnswer::No, Dialogs::ReplaceAnswer::Yes};
  RunFindCommand(&editor, search, dialogs);
  EXPECT_EQ(editor.toPlainText(), QStringLiteral("x y"));
  EXPECT_EQ(dialogs.messages, QStringList{"1 occurrences replaced."});
}

}  // namespace
