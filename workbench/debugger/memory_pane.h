// A window on the 64 KB: rows of 16 bytes in hex with their characters, from
// an address typed as $hex, as a decimal number or as a label of the program.
// The mouse wheel and Page Up/Down move the window.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

class MemoryPane : public QWidget {
  Q_OBJECT
 public:
  using Ram = std::array<std::uint8_t, 0x10000>;
  // The value of a label, letter case ignored; nothing when unknown.
  using LabelLookup = std::function<std::optional<std::uint16_t>(const std::string& name)>;

  static constexpr int kRows = 16;

  explicit MemoryPane(QWidget* parent = nullptr);

  void setLabels(LabelLookup lookup) { labels_ = std::move(lookup); }
  // Shows memory (null: nothing) from the current address.
  void showMemory(const Ram* memory);
  // Goes to an address or label as typed; false (and a note under the field)
  // when the text names neither.
  bool goTo(const QString& text);
  void setAddress(std::uint16_t address);

  std::uint16_t address() const { return address_; }
  QString rowsText() const;
  QString noteText() const;
  QLineEdit* addressField() const { return field_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void scrollRows(int rows);
  void render();

  QLineEdit* field_;
  QLabel* note_;
  QPlainTextEdit* view_;
  LabelLookup labels_;
  const Ram* memory_ = nullptr;
  std::uint16_t address_ = 0x1000;
};

// "$hex" or decimal, up to $FFFF; nothing for anything else.
std::optional<std::uint16_t> ParseAddressText(const std::string& text);
