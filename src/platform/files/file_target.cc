#include "file_target.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "drive_path.h"
#include "text_format.h"

namespace kestrine {

namespace {

bool IsWindowsSeparator(char c) {
  return c == '/' || c == '\\';
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) !=
        std::toupper(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithIgnoringCase(a, b);
}

bool IsDriveLetterPrefix(std::string_view path) {
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

// "\\.\", "//./", "\??\" and the like: the path is read in a namespace of devices, not files.
// "\\?\" only reaches files when a drive ("\\?\C:\") or a share ("\\?\UNC\") follows.
std::optional<std::string> DeviceNamespaceFault(std::string_view path) {
  const auto separator_at = [&path](std::size_t i) {
    return i < path.size() && IsWindowsSeparator(path[i]);
  };
  if (separator_at(0) && separator_at(1) && path.size() > 2 && (path[2] == '.' || path[2] == '?') &&
      (path.size() == 3 || separator_at(3))) {
    if (path[2] == '.') return std::string("Names a device (") + kDeviceNamespacePrefix + ")";
    const std::string_view rest = path.substr(std::min<std::size_t>(path.size(), 4));
    if (IsDriveLetterPrefix(rest) && (rest.size() == 2 || IsWindowsSeparator(rest[2]))) {
      return std::nullopt;
    }
    if (StartsWithIgnoringCase(rest, "UNC") && (rest.size() == 3 || IsWindowsSeparator(rest[3]))) {
      return std::nullopt;
    }
    return "Names a device (\\\\?\\)";
  }
  if (separator_at(0) && path.size() >= 4 && path[1] == '?' && path[2] == '?' && separator_at(3)) {
    return "Names a device (\\??\\)";
  }
  return std::nullopt;
}

// The names the system keeps for devices in every folder. A '$' name and the superscript digits
// (ISO-8859-1 and UTF-8) are read as devices too.
bool IsReservedDeviceName(std::string_view base) {
  static constexpr std::array<std::string_view, 7> kWhole = {"CON",    "PRN",     "AUX",   "NUL",
                                                             "CONIN$", "CONOUT$", "CLOCK$"};
  for (const std::string_view name : kWhole) {
    if (SameIgnoringCase(base, name)) return true;
  }
  if (!StartsWithIgnoringCase(base, "COM") && !StartsWithIgnoringCase(base, "LPT")) return false;
  const std::string_view digit = base.substr(3);
  if (digit.size() == 1) {
    const auto c = static_cast<unsigned char>(digit[0]);
    return (c >= '0' && c <= '9') || c == 0xB9 || c == 0xB2 || c == 0xB3;
  }
  return digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

}  // namespace

std::string PrintableFileName(std::string_view name) {
  std::string text;
  text.reserve(name.size());
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      AppendEscapedByte(text, byte);
    } else {
      text += c;
    }
  }
  return text;
}

std::string_view LastPathComponent(std::string_view path, bool windows) {
  if (windows && IsDriveLetterPrefix(path)) path.remove_prefix(2);
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '/' || (windows && path[i] == '\\')) start = i + 1;
  }
  return path.substr(start);
}

std::optional<std::string> TargetNameFault(std::string_view path, bool windows) {
  if (windows) {
    if (std::optional<std::string> fault = DeviceNamespaceFault(path)) return fault;
  }
  std::string_view name = LastPathComponent(path, windows);
  if (windows) {
    // The system drops trailing blanks and dots before it looks the name up.
    while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.remove_suffix(1);
  }
  if (name.empty() || name == "." || name == "..") return "Not a file name";
  if (!windows) return std::nullopt;
  if (name.find(':') != std::string_view::npos) return "Names a stream of another file (':')";
  // "NUL.html", "con .txt" and "aux:" name the device as much as the bare name does.
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  if (IsReservedDeviceName(base)) return "Names a device (" + std::string(base) + ")";
  return std::nullopt;
}

bool IsTemporaryFileName(std::string_view name) {
  return name.size() == kTemporaryFileNameLength && name.starts_with(".kst") &&
         std::ranges::all_of(name.substr(4), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
         });
}

std::string TemporaryFileName(std::uint64_t random) {
  std::string name = ".kst";
  while (name.size() < kTemporaryFileNameLength) {
    name += kUpperHexDigits[random & 0x0F];
    random >>= 4;
  }
  return name;
}

}  // namespace kestrine
