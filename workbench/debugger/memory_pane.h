// A window on the 64 KB: rows of 16 bytes in hex with their characters, each
// row starting on a 16-byte boundary, from an address typed as $hex, as a
// decimal number or as a label of the program (that byte is selected). The
// mouse wheel and Page Up/Down move the window. While the program is stopped
// a byte is edited in place: two hex digits, then Return.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QTableWidget;
class QTableWidgetItem;

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
  // The address gone to; the rows start at its 16-byte boundary.
  void setAddress(std::uint16_t address);
  void setEditable(bool editable);
  // A new program: what was typed for the last one (a label it had) goes.
  void forgetProgram();

  std::uint16_t address() const { return address_; }
  std::uint16_t firstRowAddress() const { return static_cast<std::uint16_t>(address_ & 0xFFF0); }
  QString rowsText() const;
  QString noteText() const;
  QLineEdit* addressField() const { return field_; }
  QTableWidget* table() const { return view_; }
  // The cell of the byte at address, when the window shows it.
  QTableWidgetItem* cellOf(std::uint16_t address) const;

 signals:
  void byteEdited(std::uint16_t address, std::uint8_t value);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void scrollRows(int rows);
  void render();
  void takeEdit(QTableWidgetItem* item);

  QLineEdit* field_;
  QLabel* note_;
  QTableWidget* view_;
  LabelLookup labels_;
  const Ram* memory_ = nullptr;
  std::uint16_t address_ = 0x1000;
  bool editable_ = false;
  bool rendering_ = false;
};

// "$hex" or decimal, up to $FFFF; nothing for anything else.
std::optional<std::uint16_t> ParseAddressText(const std::string& text);
