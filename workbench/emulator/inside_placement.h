// SPDX-License-Identifier: GPL-3.0-or-later
// Where the built-in Plus/4's "Inside" view goes when Pause opens it: beside
// the screen when the window can grow sideways within the screen (toward the
// side with room, so a window at the right edge grows to the left), else
// below the screen, and never past the screen's edges, so the memory and
// TED text stay readable.
#pragma once

#include <QRect>
#include <QSize>
#include <Qt>

struct InsidePlacement {
  Qt::DockWidgetArea Area = Qt::RightDockWidgetArea;
  QRect Frame;  // the window's frame (title bar and borders included) with the view open
};

// room: the screen's available area; frame: the window's frame now; inside:
// the size the view needs.
InsidePlacement PlaceInside(const QRect& room, const QRect& frame, const QSize& inside);
