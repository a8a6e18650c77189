// SPDX-License-Identifier: GPL-3.0-or-later
// Where Pause's look inside goes: beside the screen, growing toward the side
// with room, or below it when the screen is too narrow, and the window
// always within the screen.
#include <gtest/gtest.h>

#include "workbench/emulator/inside_placement.h"

namespace {

TEST(InsidePlacement, BesideTowardTheRoomElseBelowAndAlwaysOnTheScreen) {
  const QRect room(0, 24, 1280, 936);  // a panel on top
  const QSize inside(640, 520);
  struct Case {
    const char* what;
    QRect frame;
    Qt::DockWidgetArea area;
    QRect expected;
  };
  const Case cases[] = {
      {"1x at the left edge grows to the right", {0, 64, 402, 370}, Qt::RightDockWidgetArea, {0, 64, 1042, 520}},
      {"1x at the right edge grows to the left", {870, 64, 402, 370}, Qt::RightDockWidgetArea, {238, 64, 1042, 520}},
      {"1x half off the right edge comes back", {1100, 64, 402, 370}, Qt::RightDockWidgetArea, {238, 64, 1042, 520}},
      {"2x is too wide beside: below", {488, 64, 786, 658}, Qt::BottomDockWidgetArea, {488, 24, 786, 936}},
      {"2x low on the screen moves up", {488, 400, 786, 658}, Qt::BottomDockWidgetArea, {488, 24, 786, 936}},
      {"a window past the right edge comes back whole", {1000, 64, 500, 300}, Qt::RightDockWidgetArea,
       {140, 64, 1140, 520}},
  };
  for (const Case& c : cases) {
    const InsidePlacement placement = PlaceInside(room, c.frame, inside);
    EXPECT_EQ(placement.Area, c.area) << c.what;
    EXPECT_EQ(placement.Frame, c.expected) << c.what;
    EXPECT_TRUE(room.contains(placement.Frame)) << c.what << ": off the screen";
  }
  // A screen narrower than the view: below, as wide as the screen.
  const InsidePlacement narrow = PlaceInside(QRect(0, 0, 600, 900), QRect(200, 0, 402, 370), inside);
  EXPECT_EQ(narrow.Area, Qt::BottomDockWidgetArea);
  EXPECT_EQ(narrow.Frame, QRect(0, 0, 600, 890));
}

}  // namespace
