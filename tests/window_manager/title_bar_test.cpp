// SPDX-License-Identifier: GPL-3.0-or-later
// The search dialog and the progress window under openbox, which puts close
// and minimise buttons on every title bar it draws: they must get a border
// without openbox's title bar, and show their caption themselves.
#include <gtest/gtest.h>

#include <QDialog>
#include <QTest>

#include "workbench/buttonless_title.h"
#include "workbench/process_window.h"
#include "workbench/search/search_dialog.h"
#include "x_tools.h"

namespace {

std::vector<int> ReadFrameExtents(const QWidget& window) {
  std::vector<int> sides;  // left, right, top, bottom
  for (const QString& side : WindowProperty(window.winId(), QStringLiteral("_NET_FRAME_EXTENTS")).split(',')) {
    bool ok = false;
    const int width = side.trimmed().toInt(&ok);
    if (ok) sides.push_back(width);
  }
  return sides;
}

// Openbox passes through other values while it (re)frames a window: the
// extents count once two reads a moment apart agree.
std::vector<int> FrameExtents(const QWidget& window) {
  std::vector<int> sides;
  WaitUntil([&] {
    sides = ReadFrameExtents(window);
    QTest::qWait(150);
    return sides.size() == 4 && ReadFrameExtents(window) == sides;
  });
  return sides;
}

void ExpectBorderOnlyWithOwnCaption(QDialog& dialog) {
  SCOPED_TRACE(dialog.windowTitle().toStdString());
  const QSize client = dialog.size();
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

  const std::vector<int> sides = FrameExtents(dialog);
  ASSERT_EQ(sides.size(), 4u) << "openbox did not frame the window: "
                              << RunTool("xprop", {"-id", QString::number(dialog.winId())}).toStdString();
  // A title bar of openbox's own would make the top thicker than the rest.
  EXPECT_EQ(sides[2], sides[3]) << "top " << sides[2] << ", bottom " << sides[3];
  EXPECT_EQ(sides[0], sides[2]);
  // Openbox lets a window shade only through its title bar.
  const QString actions = WindowProperty(dialog.winId(), QStringLiteral("_NET_WM_ALLOWED_ACTIONS"));
  EXPECT_TRUE(actions.contains(QLatin1String("_NET_WM_ACTION_MOVE"))) << actions.toStdString();
  EXPECT_FALSE(actions.contains(QLatin1String("_NET_WM_ACTION_SHADE"))) << actions.toStdString();
  EXPECT_FALSE(actions.contains(QLatin1String("_NET_WM_ACTION_MAXIMIZE"))) << actions.toStdString();

  // The caption on top of the client area (its layout: window_frames_test).
  const auto* strip = dialog.findChild<CaptionStrip*>();
  ASSERT_NE(strip, nullptr);
  EXPECT_TRUE(strip->isVisible());
  EXPECT_EQ(dialog.size(), client + QSize(0, strip->height()));

  // Shown again: the same frame, no second strip.
  dialog.hide();
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_EQ(dialog.findChildren<CaptionStrip*>().size(), 1);
  EXPECT_EQ(FrameExtents(dialog), sides);
  dialog.hide();
}

TEST(TitleBarsUnderOpenbox, SearchDialogAndProgressWindowShowNoButtons) {
  ASSERT_EQ(RunningWindowManagerName(), "Openbox") << "these tests run under openbox";
  QWidget frame;  // the main window they stand over
  frame.resize(600, 400);
  frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
  TfrmSearch search(&frame);
  TfrmProcess process(&frame);
  ExpectBorderOnlyWithOwnCaption(search);
  ExpectBorderOnlyWithOwnCaption(process);

  // An ordinary window keeps openbox's title bar.
  const std::vector<int> sides = FrameExtents(frame);
  ASSERT_EQ(sides.size(), 4u);
  EXPECT_GT(sides[2], sides[3]);
}

struct PressSpy : QObject {
  bool seen = false;
  bool eventFilter(QObject*, QEvent* event) override {
    seen = seen || event->type() == QEvent::MouseButtonPress;
    return false;
  }
};

// The caption strip moves the window as a title bar would: through the
// window manager, with a real drag of the mouse.
TEST(TitleBarsUnderOpenbox, DraggingTheCaptionMovesTheDialog) {
  QWidget frame;
  frame.resize(600, 400);
  frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
  TfrmSearch search(&frame);
  search.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&search));
  ASSERT_EQ(FrameExtents(search).size(), 4u);
  const auto* strip = search.findChild<CaptionStrip*>();
  ASSERT_NE(strip, nullptr);
  // Where openbox placed it, once it stays there. The client area, not the
  // frame: Qt may learn the frame's extents only after this first look.
  QPoint before;
  WaitUntil([&] {
    before = search.geometry().topLeft();
    QTest::qWait(150);
    return search.geometry().topLeft() == before;
  });
  PressSpy pressed;
  const_cast<CaptionStrip*>(strip)->installEventFilter(&pressed);
  const QPoint grip = strip->mapToGlobal(QPoint(strip->width() / 3, strip->height() / 2));
  const auto at = [](QPoint point) { return QStringList{QString::number(point.x()), QString::number(point.y())}; };
  RunTool("xdotool", QStringList{"mousemove"} + at(grip));
  QTest::qWait(150);
  RunTool("xdotool", {"mousedown", "1"});
  ASSERT_TRUE(WaitUntil([&] { return pressed.seen; })) << "the press did not reach the caption";
  for (const QPoint step : {QPoint(20, 10), QPoint(60, 40), QPoint(90, 70)}) {
    QTest::qWait(150);
    RunTool("xdotool", QStringList{"mousemove"} + at(grip + step));
  }
  QTest::qWait(150);
  RunTool("xdotool", {"mouseup", "1"});
  EXPECT_TRUE(WaitUntil([&] { return search.geometry().topLeft() == before + QPoint(90, 70); }))
      << "at " << search.geometry().x() << "," << search.geometry().y() << ", from " << before.x() << ","
      << before.y();
}

}  // namespace
