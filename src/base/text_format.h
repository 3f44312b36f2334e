// How the program writes text wherever it shows bytes or ends lines: upper-case hexadecimal, and
// the CR LF line end of the window's texts and of the HTML reports.
#pragma once

#include <cstdint>
#include <string>

#include "bytes.h"

namespace kestrine {

inline constexpr char kLineEnd[] = "\r\n";

inline constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

// `value` in upper-case hexadecimal without a prefix, padded with zeros to `min_digits` and
// never cut ("0", "1F", UpperHex(5, 2) "05").
inline std::string UpperHex(std::uint32_t value, int min_digits = 1) {
  std::string reversed;
  do {
    reversed += kUpperHexDigits[value & 0xF];
    value >>= 4;
  } while (value != 0);
  while (static_cast<int>(reversed.size()) < min_digits) reversed += '0';
  return std::string(reversed.rbegin(), reversed.rend());
}

// Appends a byte that cannot be shown as it is: "\x" and two upper-case digits.
inline void AppendEscapedByte(std::string& text, Byte byte) {
  text += "\\x";
  text += kUpperHexDigits[byte >> 4];
  text += kUpperHexDigits[byte & 0x0F];
}

}  // namespace kestrine
