// SPDX-License-Identifier: GPL-3.0-or-later
// A title bar without buttons for the fixed-size dialogs, also under window
// managers that put their buttons on every title bar they draw.
//
// Qt asks for "title only" through Motif hints, and most window managers
// honour them. Openbox takes Motif *decoration* hints but ignores the
// *function* hints, and keeps its close and minimise buttons on every title
// bar it draws. There the dialog asks for a border without a title bar and
// shows its caption itself, in a strip that moves the window when dragged.
#pragma once

#include <QString>
#include <QWidget>

class QDialog;

// The name the running X window manager gives itself (_NET_WM_NAME of its
// _NET_SUPPORTING_WM_CHECK window); empty off X or without a manager.
QString RunningWindowManagerName();

// Whether a window manager of that name draws buttons on every title bar,
// whatever the window asks for.
bool DrawsButtonsOnEveryTitle(const QString& windowManagerName);

// The caption painted like a title bar: the window's title, left-aligned;
// a left-button drag moves the window as its title bar would.
class CaptionStrip : public QWidget {
  Q_OBJECT
 public:
  explicit CaptionStrip(QWidget* window);
  static int stripHeight(const QWidget& window);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// Puts a CaptionStrip on top of the dialog (once): the dialog grows by the
// strip's height and its controls move down, so the client area below the
// strip keeps its size and layout. Returns the strip.
CaptionStrip& ShowOwnCaption(QDialog& dialog);

// Asks the window manager for a border and no title bar (_MOTIF_WM_HINTS);
// nothing off X.
void AskForBorderWithoutTitle(QWidget& window);

// What the dialogs call before they are shown: under a window manager that
// keeps its buttons, the own caption and the border-only frame.
void KeepTitleWithoutButtons(QDialog& dialog);
