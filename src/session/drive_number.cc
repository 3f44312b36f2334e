#include "drive_number.h"

#include <cctype>
#include <cstdint>

#include "message_format.h"

namespace kestrine {

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// One left-to-right pass, as a replace-all does: text joined by a removal is not searched again.
std::string RemoveAllIgnoringCase(std::string_view text, std::string_view what) {
  std::string rest;
  std::size_t i = 0;
  while (i < text.size()) {
    if (i + what.size() <= text.size() && SameIgnoringCase(text.substr(i, what.size()), what)) {
      i += what.size();
    } else {
      rest += text[i++];
    }
  }
  return rest;
}

}  // namespace

Byte DriveNumberFromText(std::string_view text) {
  const std::string rest = RemoveAllIgnoringCase(text, kPhysicalDrivePrefix);
  std::size_t i = 0;
  bool negative = false;
  if (i < rest.size() && (rest[i] == '+' || rest[i] == '-')) negative = rest[i++] == '-';
  std::int64_t value = 0;
  const std::size_t first_digit = i;
  for (; i < rest.size() && value <= 0x80000000LL; ++i) {
    if (rest[i] < '0' || rest[i] > '9') break;
    value = value * 10 + (rest[i] - '0');
  }
  if (i == first_digit || i != rest.size() || value > (negative ? 0x80000000LL : 0x7FFFFFFFLL)) {
    throw EConvertError(FormatMessage(kNotValidInteger, {rest}));
  }
  // The number is passed on as a byte, as the drive layer takes it.
  return static_cast<Byte>(negative ? -value : value);
}

}  // namespace kestrine
