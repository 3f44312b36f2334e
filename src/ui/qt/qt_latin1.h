// Texts cross between the window logic and Qt here. The logic's texts are single bytes, each the
// ISO-8859-1 character with the same number, so drive texts show byte for byte.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace kestrine {

inline QString FromLatin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Characters beyond ISO-8859-1 (only typed text can hold them) become '?'.
inline std::string ToLatin1(const QString& text) {
  return text.toLatin1().toStdString();
}

}  // namespace kestrine
