// The widget boundary: the engine's byte strings and Qt's texts convert
// through Latin-1 both ways, so every byte value 0..255 survives.
#pragma once

#include <QString>
#include <string>
#include <string_view>

inline QString Latin1(std::string_view bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string Bytes(const QString& text) { return text.toLatin1().toStdString(); }
