// The Plus/4's text screen as the program left it: the 40x25 screen codes at
// $0C00 drawn with the debugger's own glyphs, each in the colour its byte of
// colour memory ($0800) gives, on the background of TED register $FF15.
// The simulator has no KERNAL to set up the screen: until the program stores
// into $FF15 the background is the start-up white ($71) the real machine
// shows, after that the register's value.
#pragma once

#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>
#include <map>

#include "plus4/frame_buffer.h"

inline constexpr std::uint16_t kScreenMemory = 0x0C00;
inline constexpr std::uint16_t kColourMemory = 0x0800;
inline constexpr std::uint16_t kBackgroundRegister = 0xFF15;
inline constexpr std::uint8_t kStartUpBackground = 0x71;
inline constexpr int kScreenColumns = 40;
inline constexpr int kScreenRows = 25;

// 320 x 200 pixels, one 8x8 cell per character. backgroundSet: the program
// has stored into $FF15.
QImage RenderScreen(const std::array<std::uint8_t, 0x10000>& memory, bool backgroundSet);
// The TED's picture, 384 x 288 with the borders, in RGB.
QImage RenderFrame(const qv3::plus4::FrameBuffer& frame);

class ScreenPane : public QWidget {
  Q_OBJECT
 public:
  explicit ScreenPane(QWidget* parent = nullptr);
  // Draws the screen of memory (null: an empty pane), or the TED's picture
  // when the machine has one.
  void showScreen(const std::array<std::uint8_t, 0x10000>* memory, bool backgroundSet = false,
                  const qv3::plus4::FrameBuffer* frame = nullptr);
  const QImage& image() const { return image_; }
  // The screen as 25 lines of text (screen codes read as characters).
  QString screenText() const { return text_; }

  // What the pane will show, before the first picture comes: the text
  // screen's 320 x 200 (the bare 6502) or the TED's whole frame.
  void setPictureSize(QSize size);
  QSize pictureSize() const { return pictureSize_; }
  QSize sizeHint() const override { return pictureSize_ + QSize(8, 8); }
  // Smaller panes show the picture scaled down.
  QSize minimumSizeHint() const override { return pictureSize_ / 2 + QSize(8, 8); }

  // The joystick port (1 or 2) the cursor keys, the keypad, Space and Ctrl
  // move; 0: none, they are keys of the Plus/4's keyboard.
  void setJoystickPort(int port);
  int joystickPort() const { return joystickPort_; }

 signals:
  // A key pressed in the pane, as PETSCII for the program's GETIN.
  void keyTyped(std::uint8_t petscii);
  // That key let go (or the pane lost the focus while it was down).
  void keyReleased(std::uint8_t petscii);
  // The joystick's bits (plus4::JoystickBit) changed.
  void joystickMoved(int port, std::uint8_t bits);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  // Lets go of every key and the joystick.
  void releaseAll();
  // Tells the joystick's bits as the keys down make them.
  void moveJoystick();

  QImage image_;
  QString text_;
  QSize pictureSize_{kScreenColumns * 8, kScreenRows * 8};
  // The keys down now, by the physical key: what each gave the program, so
  // its release takes back the same, whatever Shift did in between.
  std::map<quint32, std::uint8_t> keysDown_;
  std::map<quint32, std::uint8_t> joystickKeysDown_;  // and the joystick bits each moves
  int joystickPort_ = 0;
  std::uint8_t joystickBits_ = 0;
};
