// The drive number that the selector's text names.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "bytes.h"
#include "drive_path.h"  // DriveDevicePath

namespace kestrine {

// A text that should have been a number.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr char kNotValidInteger[] = "'%s' is not a valid integer value";

// Every "\\.\physicaldrive" removed (letter case ignored), the rest read as a decimal integer and
// taken as a byte. Throws EConvertError ("'%s' is not a valid integer value") otherwise.
Byte DriveNumberFromText(std::string_view text);

}  // namespace kestrine
