// SPDX-License-Identifier: GPL-3.0-or-later
// Every key has one owner whatever has the focus: two live owners of a key
// make Qt refuse both ("Ambiguous shortcut overload"). The walk below
// decides liveness the way Qt's shortcut map does for widgets.
#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTest>
#include <vector>

#include "workbench/main_window.h"
#include "workbench_fixture.h"

namespace {

struct KeyOwner {
  QKeySequence key;
  QString name;
  const QObject* owner;  // one owner is one entry of Qt's map, however it is reached
  Qt::ShortcutContext context;
  QWidget* widget;  // where the owner is live (its scope follows from the context)
};

QString NameOf(const QObject& object) {
  return object.objectName().isEmpty() ? QString::fromLatin1(object.metaObject()->className())
                                       : object.objectName();
}

// The widgets through which an action's key is live: a menu counts only
// through the widgets that hold the menu's own action.
void LiveWidgets(const QAction& action, std::vector<QWidget*>& found, int depth = 0) {
  if (depth > 8) return;
  for (QObject* object : action.associatedObjects()) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) continue;
    if (auto* menu = qobject_cast<QMenu*>(widget))
      LiveWidgets(*menu->menuAction(), found, depth + 1);
    else
      found.push_back(widget);
  }
}

std::vector<KeyOwner> KeyOwners() {
  std::vector<KeyOwner> owners;
  std::vector<const QAction*> seen;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    QList<QWidget*> widgets = top->findChildren<QWidget*>();
    widgets.push_front(top);
    for (QWidget* widget : widgets)
      for (const QAction* action : widget->actions()) {
        // Qt passes over a disabled owner as if it were not there.
        if (!action->isEnabled() || std::find(seen.begin(), seen.end(), action) != seen.end())
          continue;
        seen.push_back(action);
        std::vector<QWidget*> live;
        LiveWidgets(*action, live);
        for (const QKeySequence& key : action->shortcuts())
          for (QWidget* where : live)
            owners.push_back({key, NameOf(*action), action, action->shortcutContext(), where});
      }
    for (const QShortcut* shortcut : top->findChildren<QShortcut*>())
      if (auto* where = qobject_cast<QWidget*>(shortcut->parent()); where && shortcut->isEnabled())
        for (const QKeySequence& key : shortcut->keys())
          owners.push_back({key, NameOf(*shortcut), shortcut, shortcut->context(), where});
  }
  return owners;
}

bool Contains(const QWidget& scope, const QWidget& widget) {
  return &scope == &widget || scope.isAncestorOf(&widget);
}

// Whether one focus can make both live.
bool Overlap(const KeyOwner& a, const KeyOwner& b) {
  if (a.context == Qt::ApplicationShortcut || b.context == Qt::ApplicationShortcut) return true;
  if (a.widget->window() != b.widget->window()) return false;
  const auto scope = [](const KeyOwner& owner) -> const QWidget& {
    return owner.context == Qt::WindowShortcut ? *owner.widget->window() : *owner.widget;
  };
  if (a.context == Qt::WidgetShortcut && b.context == Qt::WidgetShortcut) return a.widget == b.widget;
  if (a.context == Qt::WidgetShortcut) return Contains(scope(b), *a.widget);
  if (b.context == Qt::WidgetShortcut) return Contains(scope(a), *b.widget);
  return Contains(scope(a), scope(b)) || Contains(scope(b), scope(a));
}

using ShortcutOwnersTest = WorkbenchTest;

void ExpectOneOwnerPerKey(const char* situation) {
  SCOPED_TRACE(situation);
  const std::vector<KeyOwner> owners = KeyOwners();
  ASSERT_GT(owners.size(), 15u) << "the walk finds the menus' keys";
  for (size_t i = 0; i < owners.size(); ++i)
    for (size_t j = i + 1; j < owners.size(); ++j)
      if (owners[i].key == owners[j].key && owners[i].owner != owners[j].owner &&
          Overlap(owners[i], owners[j]))
        ADD_FAILURE() << owners[i].key.toString().toStdString() << " is owned by "
                      << owners[i].name.toStdString() << " (" << NameOf(*owners[i].widget).toStdString()
                      << ") and " << owners[j].name.toStdString() << " ("
                      << NameOf(*owners[j].widget).toStdString() << ")";
}

TEST_F(ShortcutOwnersTest, NoKeyHasTwoOwnersThatOneFocusMakesLive) {
  ExpectOneOwnerPerKey("no editor: the File items disabled");
  // Two editors, each with its window menu and panes; File items enabled.
  main().New1Click();
  main().New1Click();
  emit main().File1->aboutToShow();
  ExpectOneOwnerPerKey("two editors");
}

// Rename Symbol belongs to the window, completion to each editor's text:
// the walk must see both, and no other owner of either key.
TEST_F(ShortcutOwnersTest, RenameAndCompletionKeysAreWalkedAndOwnedOnce) {
  main().New1Click();
  main().New1Click();
  QCoreApplication::processEvents();  // the editors get their keys when they are shown
  const auto ownersOf = [](const QKeySequence& key) {
    std::vector<const QObject*> owners;
    for (const KeyOwner& owner : KeyOwners())
      if (owner.key == key && std::find(owners.begin(), owners.end(), owner.owner) == owners.end())
        owners.push_back(owner.owner);
    return owners.size();
  };
  EXPECT_EQ(ownersOf(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)), 1u) << "the Search menu's item";
  EXPECT_EQ(ownersOf(QKeySequence(Qt::CTRL | Qt::Key_Space)), 2u) << "one per editor";
  ExpectOneOwnerPerKey("two editors with their completion keys");
}

// The File menu opened by a click and closed with Escape leaves the menu bar
// with the focus; F3 (Open) and Ctrl+N (New) must still act.
TEST_F(ShortcutOwnersTest, FileKeysActAfterAMenuWasClosedWithEscape) {
  main().New1Click();
  QMenuBar& bar = *main().menuBar();
  const QRect file = bar.actionGeometry(bar.actions().front());
  QTest::mouseClick(&bar, Qt::LeftButton, {}, file.center());
  ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }));
  QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
  ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() == nullptr; }));

  dialogs.openAnswers = {std::nullopt};
  press(Qt::Key_F3);
  EXPECT_EQ(dialogs.openProposals.size(), 1u) << "F3 opened no dialog";
  const size_t before = main().editors().size();
  press(QKeySequence(Qt::CTRL | Qt::Key_N));
  EXPECT_EQ(main().editors().size(), before + 1);
}

TEST_F(ShortcutOwnersTest, CloseGoToLineAndNewTakeTheirKeys) {
  press(QKeySequence(Qt::CTRL | Qt::Key_N));
  ASSERT_EQ(main().editors().size(), 1u);
  TfrmQVEdit& editor = *main().activeEditor();
  editor.mCode->setPlainText("LDA #1\nSTA $D020\nRTS\n");

  // Go to Line proposes the caret's line and takes a line beyond the end as the last.
  dialogs.lineAnswers = {2, 99, std::nullopt};
  press(QKeySequence(Qt::CTRL | Qt::Key_G));
  EXPECT_EQ(editor.mCode->textCursor().blockNumber(), 1);
  EXPECT_EQ(editor.mCode->textCursor().positionInBlock(), 0);
  press(QKeySequence(Qt::CTRL | Qt::Key_G));
  EXPECT_EQ(editor.mCode->textCursor().blockNumber(), 3);
  const int lineBefore = editor.mCode->textCursor().blockNumber();
  press(QKeySequence(Qt::CTRL | Qt::Key_G));
  EXPECT_EQ(editor.mCode->textCursor().blockNumber(), lineBefore) << "Cancel moves nothing";
  ASSERT_EQ(dialogs.lineQuestions.size(), 3u);
  EXPECT_EQ(dialogs.lineQuestions[0], (std::pair<int, int>{1, 4}));
  EXPECT_EQ(dialogs.lineQuestions[1], (std::pair<int, int>{2, 4}));

  // Ctrl+W closes the edited window only after the question, answered No first.
  dialogs.yesNoAnswers = {false, true};
  press(QKeySequence(Qt::CTRL | Qt::Key_W));
  EXPECT_EQ(main().editors().size(), 1u);
  press(QKeySequence(Qt::CTRL | Qt::Key_W));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(main().editors().empty());
  EXPECT_FALSE(main().Close1->isEnabled());

  // Without an editor, Go to Line says what every search command says.
  press(QKeySequence(Qt::CTRL | Qt::Key_G));
  EXPECT_EQ(dialogs.messages, QStringList{"Open a .QV3 source first..."});
}

}  // namespace
