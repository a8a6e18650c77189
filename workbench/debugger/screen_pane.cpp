#include "workbench/debugger/screen_pane.h"

#include <QKeyEvent>
#include <QPainter>
#include <utility>

#include "plus4/screen_glyphs.h"
#include "workbench/debugger/screen_keys.h"
#include "workbench/latin1.h"
#include "workbench/debugger/ted_palette.h"

namespace {

QRgb ToQRgb(qv3::debugger::Rgb colour) { return qRgb(colour.R, colour.G, colour.B); }

// The physical key where the platform says which it is, so a release
// matches its press; else Qt's key code.
quint32 KeyIdentity(const QKeyEvent& event) {
  return event.nativeScanCode() ? event.nativeScanCode() : static_cast<quint32>(event.key()) | 0x80000000u;
}

}  // namespace

QImage RenderScreen(const std::array<std::uint8_t, 0x10000>& memory, bool backgroundSet) {
  QImage image(kScreenColumns * 8, kScreenRows * 8, QImage::Format_RGB32);
  const std::uint8_t background = backgroundSet ? memory[kBackgroundRegister] : kStartUpBackground;
  const QRgb paper = ToQRgb(qv3::debugger::TedColour(background));
  for (int row = 0; row < kScreenRows; ++row) {
    for (int column = 0; column < kScreenColumns; ++column) {
      const int cell = row * kScreenColumns + column;
      const qv3::plus4::Glyph glyph = qv3::plus4::GlyphOfScreenCode(memory[kScreenMemory + cell]);
      const QRgb ink = ToQRgb(qv3::debugger::TedColour(memory[kColourMemory + cell]));
      for (int y = 0; y < 8; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(row * 8 + y)) + column * 8;
        for (int x = 0; x < 8; ++x) line[x] = (glyph[y] & (0x80 >> x)) ? ink : paper;
      }
    }
  }
  return image;
}

QImage RenderFrame(const qv3::plus4::FrameBuffer& frame) {
  using Frame = qv3::plus4::FrameBuffer;
  QImage image(Frame::kWidth, Frame::kHeight, QImage::Format_RGB32);
  // The model's own palette (VICE's colours), not the pane's approximation.
  std::array<QRgb, 128> palette;
  for (int colour = 0; colour < 128; ++colour) {
    const qv3::plus4::Rgb rgb = qv3::plus4::PaletteColour(static_cast<std::uint8_t>(colour));
    palette[colour] = qRgb(rgb.R, rgb.G, rgb.B);
  }
  for (int y = 0; y < Frame::kHeight; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    const std::uint8_t* pixels = frame.Line(y);
    for (int x = 0; x < Frame::kWidth; ++x) line[x] = palette[pixels[x] & 0x7F];
  }
  return image;
}

ScreenPane::ScreenPane(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("screenPane"));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  // Clicked or tabbed into, it takes the keys for the program.
  setFocusPolicy(Qt::StrongFocus);
  setJoystickPort(0);
}

void ScreenPane::keyPressEvent(QKeyEvent* event) {
  const quint32 identity = KeyIdentity(*event);
  if (joystickPort_) {
    if (const std::uint8_t bits =
            qv3::debugger::JoystickBitsOfKey(event->key(), event->modifiers() & Qt::KeypadModifier)) {
      joystickKeysDown_[identity] = bits;
      moveJoystick();
      event->accept();
      return;
    }
  }
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  const std::optional<std::uint8_t> petscii =
      command ? std::nullopt : qv3::debugger::PetsciiOfKey(event->key(), Bytes(event->text()), shift);
  if (!petscii) {
    QWidget::keyPressEvent(event);  // the menus' keys still work
    return;
  }
  event->accept();
  // A key held down repeats in the program's own way (the KERNAL's repeat,
  // a game's scan), not the desktop's.
  if (event->isAutoRepeat() && keysDown_.count(identity)) return;
  keysDown_[identity] = *petscii;
  emit keyTyped(*petscii);
}

void ScreenPane::keyReleaseEvent(QKeyEvent* event) {
  if (event->isAutoRepeat()) {
    event->accept();
    return;
  }
  const quint32 identity = KeyIdentity(*event);
  if (joystickKeysDown_.erase(identity)) {
    moveJoystick();
  } else if (const auto down = keysDown_.find(identity); down != keysDown_.end()) {
    const std::uint8_t petscii = down->second;
    keysDown_.erase(down);
    emit keyReleased(petscii);
  } else {
    QWidget::keyReleaseEvent(event);
    return;
  }
  event->accept();
}

void ScreenPane::moveJoystick() {
  std::uint8_t bits = 0;
  for (const auto& [identity, keyBits] : joystickKeysDown_) bits |= keyBits;
  if (bits == joystickBits_) return;
  joystickBits_ = bits;
  emit joystickMoved(joystickPort_, bits);
}

void ScreenPane::releaseAll() {
  const std::map<quint32, std::uint8_t> down = std::exchange(keysDown_, {});
  for (const auto& [identity, petscii] : down) emit keyReleased(petscii);
  joystickKeysDown_.clear();
  moveJoystick();
}

void ScreenPane::setJoystickPort(int port) {
  releaseAll();
  joystickPort_ = port;
  setToolTip(port ? tr("Click here and type: the keys go to the program as long as they are held; the cursor "
                       "keys (and the keypad) move joystick %1, Space and Ctrl fire").arg(port)
                  : tr("Click here and type: the keys go to the program as long as they are held (GETIN, "
                       "keyboard scans)"));
}

void ScreenPane::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void ScreenPane::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  // The keys no longer come here: none may stay down in the program.
  releaseAll();
  update();
}

void ScreenPane::showScreen(const std::array<std::uint8_t, 0x10000>* memory, bool backgroundSet,
                            const qv3::plus4::FrameBuffer* frame) {
  if (!memory) {
    image_ = QImage();
    text_.clear();
  } else {
    image_ = frame ? RenderFrame(*frame) : RenderScreen(*memory, backgroundSet);
    QString text;
    for (int row = 0; row < kScreenRows; ++row) {
      if (row) text += QLatin1Char('\n');
      for (int column = 0; column < kScreenColumns; ++column)
        text += QChar::fromLatin1(
            qv3::plus4::TextOfScreenCode((*memory)[kScreenMemory + row * kScreenColumns + column]));
    }
    text_ = text;
  }
  update();
}

void ScreenPane::setPictureSize(QSize size) {
  if (size == pictureSize_) return;
  pictureSize_ = size;
  updateGeometry();
}

void ScreenPane::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  if (image_.isNull()) return;
  // The largest whole multiple of the screen that fits keeps every pixel
  // square; a pane too small for even one is shown the whole picture, smaller.
  const QSize room(std::max(1, width() - 8), std::max(1, height() - 8));
  const int scale = std::min(room.width() / image_.width(), room.height() / image_.height());
  const QSize size = scale >= 1 ? image_.size() * scale : image_.size().scaled(room, Qt::KeepAspectRatio);
  const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, scale < 1);
  painter.drawImage(target, image_);
  if (hasFocus()) {
    // Shows where typing goes.
    painter.setPen(QPen(palette().highlight(), 2));
    painter.drawRect(target.adjusted(-2, -2, 1, 1));
  }
}
