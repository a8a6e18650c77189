// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/emulator/inside_placement.h"

#include <algorithm>

namespace {

// The position along one axis that keeps [start, start + length) inside
// [low, high], moving as little as possible; low when it cannot fit.
int Fit(int start, int length, int low, int high) { return std::max(low, std::min(start, high - length + 1)); }

}  // namespace

InsidePlacement PlaceInside(const QRect& room, const QRect& frame, const QSize& inside) {
  InsidePlacement placement;
  const int besideWidth = frame.width() + inside.width();
  if (besideWidth <= room.width()) {
    placement.Area = Qt::RightDockWidgetArea;
    const int height = std::min(std::max(frame.height(), inside.height()), room.height());
    placement.Frame = QRect(Fit(frame.x(), besideWidth, room.left(), room.right()),
                            Fit(frame.y(), height, room.top(), room.bottom()), besideWidth, height);
    return placement;
  }
  // Below: as wide as the view needs, as tall as the screen allows (the
  // picture then shrinks to the largest scale that fits).
  placement.Area = Qt::BottomDockWidgetArea;
  const int width = std::min(std::max(frame.width(), inside.width()), room.width());
  const int height = std::min(frame.height() + inside.height(), room.height());
  placement.Frame = QRect(Fit(frame.x(), width, room.left(), room.right()),
                          Fit(frame.y(), height, room.top(), room.bottom()), width, height);
  return placement;
}
