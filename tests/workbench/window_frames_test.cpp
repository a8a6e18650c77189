// How the boxes and dialogs look on any desktop: the replace question's
// button order, title bars without buttons, the program's icon.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "workbench/buttonless_title.h"
#include "workbench/dialogs.h"
#include "workbench/process_window.h"
#include "workbench/program_icon.h"
#include "workbench/search/replace_confirmation.h"
#include "workbench/search/search_dialog.h"

namespace {

using Answer = Dialogs::ReplaceAnswer;

TEST(ReplaceConfirmation, ButtonsStandYesNoAbortAllFromLeftToRightInEveryStyle) {
  for (const char* style : {"Fusion", "Windows"}) {
    QApplication::setStyle(style);
    ReplaceConfirmation box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(box.windowTitle(), "Confirm");
    const std::vector<QPushButton*> order{box.yesButton, box.noButton, box.abortButton, box.allButton};
    const QStringList captions{"&Yes", "&No", "&Abort", "&All"};
    for (std::size_t i = 0; i < order.size(); ++i) {
      EXPECT_EQ(order[i]->text(), captions[static_cast<int>(i)]);
      if (i > 0) {
        EXPECT_LT(order[i - 1]->geometry().right(), order[i]->geometry().left()) << style;
      }
    }
    EXPECT_TRUE(box.yesButton->isDefault());
  }
  QApplication::setStyle("Fusion");
}

TEST(ReplaceConfirmation, EachButtonItsAnswerEnterYesEscapeAndClosingNo) {
  const auto answerAfter = [](const std::function<void(ReplaceConfirmation&)>& act) {
    ReplaceConfirmation box;
    box.show();
    act(box);
    EXPECT_FALSE(box.isVisible());
    return box.answer();
  };
  EXPECT_EQ(answerAfter([](auto& box) { box.yesButton->click(); }), Answer::Yes);
  EXPECT_EQ(answerAfter([](auto& box) { box.noButton->click(); }), Answer::No);
  EXPECT_EQ(answerAfter([](auto& box) { box.abortButton->click(); }), Answer::Abort);
  EXPECT_EQ(answerAfter([](auto& box) { box.allButton->click(); }), Answer::All);
  EXPECT_EQ(answerAfter([](auto& box) { QTest::keyClick(&box, Qt::Key_Return); }), Answer::Yes);
  EXPECT_EQ(answerAfter([](auto& box) { QTest::keyClick(&box, Qt::Key_Escape); }), Answer::No);
  EXPECT_EQ(answerAfter([](auto& box) { box.close(); }), Answer::No);
}

TEST(ReplaceConfirmation, IsTheBoxThePlatformDialogsAskWith) {
  QWidget parent;
  QtDialogs dialogs(&parent);
  const auto answer = [] {
    if (auto* box = qobject_cast<ReplaceConfirmation*>(QApplication::activeModalWidget())) box->allButton->click();
    else if (QWidget* other = QApplication::activeModalWidget()) other->close();  // never hang
  };
  QTimer::singleShot(0, answer);
  QTimer::singleShot(3000, answer);
  EXPECT_EQ(dialogs.askReplace(), Answer::All);
}

// No minimise, maximise or close button, and no window menu: a title only.
void ExpectTitleOnly(const QWidget& window) {
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
  EXPECT_TRUE(flags & Qt::CustomizeWindowHint) << "else the platform adds its default buttons";
  EXPECT_TRUE(flags & Qt::WindowTitleHint);
  EXPECT_FALSE(flags & (Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                        Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint));
  EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "fixed size";
}

TEST(TitleBars, SearchDialogAndProgressWindowHaveNoButtons) {
  QWidget frame;
  TfrmSearch search(&frame);
  TfrmProcess process(&frame);
  ExpectTitleOnly(search);
  ExpectTitleOnly(process);
  // Showing them does not bring the buttons back.
  search.show();
  process.show();
  ExpectTitleOnly(search);
  ExpectTitleOnly(process);
}

// Where the window manager would keep its buttons the dialog draws its own
// caption: the controls move down as one, the client area keeps its size.
TEST(TitleBars, OwnCaptionGoesAboveTheClientAreaOnce) {
  QWidget frame;
  TfrmSearch search(&frame);
  const QSize client = search.size();
  const QRect ok = search.btnOK->geometry();
  const QRect term = search.cbTerm->geometry();
  CaptionStrip& strip = ShowOwnCaption(search);
  const int height = strip.height();
  EXPECT_GT(height, search.fontMetrics().height());
  EXPECT_EQ(strip.geometry(), QRect(0, 0, client.width(), height));
  EXPECT_EQ(search.btnOK->geometry(), ok.translated(0, height));
  EXPECT_EQ(search.cbTerm->geometry(), term.translated(0, height));
  EXPECT_EQ(search.size(), client + QSize(0, height));
  EXPECT_EQ(search.minimumSize(), search.maximumSize());
  EXPECT_EQ(&ShowOwnCaption(search), &strip);
  EXPECT_EQ(search.btnOK->geometry(), ok.translated(0, height)) << "moved twice";
  EXPECT_EQ(search.size(), client + QSize(0, height));
}

TEST(TitleBars, OnlyOpenboxGetsTheOwnCaption) {
  EXPECT_TRUE(DrawsButtonsOnEveryTitle("Openbox"));
  EXPECT_TRUE(DrawsButtonsOnEveryTitle("openbox"));
  for (const char* name : {"KWin", "Mutter", "Xfwm4", "IceWM", "", "Openbox2"}) EXPECT_FALSE(DrawsButtonsOnEveryTitle(name)) << name;
  // Off X there is no manager to ask, and the dialogs keep their layout.
  EXPECT_TRUE(RunningWindowManagerName().isEmpty());
  QWidget frame;
  TfrmProcess process(&frame);
  const QSize client = process.size();
  process.show();
  EXPECT_EQ(process.findChild<CaptionStrip*>(), nullptr);
  EXPECT_EQ(process.size(), client);
}

TEST(ProgramIcon, BuiltIntoTheProgramInTheSizesDesktopsAskFor) {
  const QIcon icon = ProgramIcon();
  ASSERT_FALSE(icon.isNull()) << "the icon resource is missing from the program";
  const QList<QSize> sizes = icon.availableSizes();
  for (const QSize size : {QSize(16, 16), QSize(32, 32), QSize(48, 48), QSize(256, 256)}) {
    EXPECT_TRUE(sizes.contains(size)) << size.width();
    EXPECT_EQ(icon.pixmap(size).size(), size);
  }
  // Not a blank square: the chip's dark, opaque body.
  const QImage image = icon.pixmap(QSize(64, 64)).toImage();
  EXPECT_LT(qGray(image.pixel(32, 20)), 80);
  EXPECT_GT(qAlpha(image.pixel(32, 20)), 200);
}

}  // namespace
