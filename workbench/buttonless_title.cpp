// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/buttonless_title.h"

#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

#ifdef QV3_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace {

#ifdef QV3_HAVE_XCB

xcb_connection_t* X11Connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeReply>;

xcb_atom_t Atom(xcb_connection_t* x, const char* name) {
  const ReplyPtr<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, static_cast<std::uint16_t>(qstrlen(name)), name), nullptr));
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

ReplyPtr<xcb_get_property_reply_t> Property(xcb_connection_t* x, xcb_window_t window, xcb_atom_t name,
                                            xcb_atom_t type) {
  return ReplyPtr<xcb_get_property_reply_t>(
      xcb_get_property_reply(x, xcb_get_property(x, 0, window, name, type, 0, 1024), nullptr));
}

std::optional<xcb_window_t> WindowProperty(xcb_connection_t* x, xcb_window_t window, xcb_atom_t name) {
  const auto reply = Property(x, window, name, XCB_ATOM_WINDOW);
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return std::nullopt;
  return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
}

xcb_window_t RootWindow(xcb_connection_t* x) {
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
  return screen ? screen->root : xcb_window_t{XCB_WINDOW_NONE};
}

#endif

}  // namespace

QString RunningWindowManagerName() {
#ifdef QV3_HAVE_XCB
  xcb_connection_t* x = X11Connection();
  if (!x) return {};
  const xcb_atom_t check = Atom(x, "_NET_SUPPORTING_WM_CHECK");
  // The manager names its check window, which names itself again: a stale
  // property left by a manager that died points at a window that does not.
  const auto manager = WindowProperty(x, RootWindow(x), check);
  if (!manager || WindowProperty(x, *manager, check) != manager) return {};
  const auto name = Property(x, *manager, Atom(x, "_NET_WM_NAME"), Atom(x, "UTF8_STRING"));
  if (!name || name->format != 8) return {};
  return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(name.get())),
                           xcb_get_property_value_length(name.get()));
#else
  return {};
#endif
}

bool DrawsButtonsOnEveryTitle(const QString& windowManagerName) {
  return windowManagerName.compare(QLatin1String("Openbox"), Qt::CaseInsensitive) == 0;
}

CaptionStrip::CaptionStrip(QWidget* window) : QWidget(window) {
  setObjectName(QStringLiteral("captionStrip"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  window->installEventFilter(this);
}

int CaptionStrip::stripHeight(const QWidget& window) {
  QFont bold = window.font();
  bold.setBold(true);
  return QFontMetrics(bold).height() + 6;
}

void CaptionStrip::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QWidget* owner = window();
  const bool active = owner->isActiveWindow();
  const QPalette::ColorGroup group = active ? QPalette::Active : QPalette::Inactive;
  painter.fillRect(rect(), palette().color(group, active ? QPalette::Highlight : QPalette::Mid));
  QFont bold = font();
  bold.setBold(true);
  painter.setFont(bold);
  painter.setPen(palette().color(group, active ? QPalette::HighlightedText : QPalette::WindowText));
  const QRect text = rect().adjusted(6, 0, -6, 0);
  painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                   painter.fontMetrics().elidedText(owner->windowTitle(), Qt::ElideRight, text.width()));
}

void CaptionStrip::mousePressEvent(QMouseEvent* event) {
  // The window manager moves the window, as from its own title bar.
  if (event->button() == Qt::LeftButton && window()->windowHandle()) {
    window()->windowHandle()->startSystemMove();
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

bool CaptionStrip::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::WindowTitleChange || type == QEvent::ActivationChange) update();
  return QWidget::eventFilter(watched, event);
}

CaptionStrip& ShowOwnCaption(QDialog& dialog) {
  if (auto* strip = dialog.findChild<CaptionStrip*>(QString(), Qt::FindDirectChildrenOnly)) return *strip;
  const int height = CaptionStrip::stripHeight(dialog);
  const QSize client = dialog.size();
  for (QWidget* child : dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (!child->isWindow()) child->move(child->pos() + QPoint(0, height));
  }
  auto* strip = new CaptionStrip(&dialog);
  strip->setGeometry(0, 0, client.width(), height);
  strip->show();
  dialog.setFixedSize(client.width(), client.height() + height);
  return *strip;
}

void AskForBorderWithoutTitle(QWidget& window) {
#ifdef QV3_HAVE_XCB
  xcb_connection_t* x = X11Connection();
  if (!x) return;
  enum : std::uint32_t { kFunctionsGiven = 1, kDecorationsGiven = 2, kMove = 4, kBorder = 2 };
  // flags, functions, decorations, input mode, status
  const std::array<std::uint32_t, 5> hints{kFunctionsGiven | kDecorationsGiven, kMove, kBorder, 0, 0};
  const xcb_atom_t motif = Atom(x, "_MOTIF_WM_HINTS");
  xcb_change_property(x, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window.winId()), motif, motif, 32,
                      hints.size(), hints.data());
  xcb_flush(x);
#else
  (void)window;
#endif
}

void KeepTitleWithoutButtons(QDialog& dialog) {
  if (!DrawsButtonsOnEveryTitle(RunningWindowManagerName())) return;
  ShowOwnCaption(dialog);
  AskForBorderWithoutTitle(dialog);
}
