// Arbitrary bytes as the name of a file to write, through the checks every writer makes before
// it touches the disk (snapshots, HTML reports, the style sheet copy): no name crashes them, a
// refused name always says why, a device namespace or name is never accepted on Windows, and a
// name shown in a message holds no control character.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "file_target.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool StartsLikeADevicePath(std::string_view path) {
  const auto slash = [](char c) { return c == '\\' || c == '/'; };
  return path.size() >= 4 && slash(path[0]) && slash(path[1]) && path[2] == '.' && slash(path[3]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view path(reinterpret_cast<const char*>(data), size);

  for (const bool windows : {false, true}) {
    const std::string_view last = kestrine::LastPathComponent(path, windows);
    Check(last.size() <= path.size());
    Check(path.ends_with(last));
    Check(last.find('/') == std::string_view::npos);
    if (windows) Check(last.find('\\') == std::string_view::npos);

    const auto fault = kestrine::TargetNameFault(path, windows);
    if (fault) Check(!fault->empty());
    if (!fault) Check(!last.empty() && last != "." && last != "..");
    if (windows && StartsLikeADevicePath(path)) Check(fault.has_value());
  }

  const std::string shown = kestrine::PrintableFileName(path);
  for (const char c : shown) {
    const auto byte = static_cast<unsigned char>(c);
    Check(byte >= 0x20 && byte != 0x7F);
  }
  Check(shown.size() >= path.size() && shown.size() <= 4 * path.size());

  std::uint64_t random = 0;
  for (std::size_t i = 0; i < size && i < 8; ++i) random = random << 8 | data[i];
  const std::string temporary = kestrine::TemporaryFileName(random);
  Check(temporary.size() == kestrine::kTemporaryFileNameLength);
  Check(!kestrine::TargetNameFault(temporary, true) &&
        !kestrine::TargetNameFault(temporary, false));
  return 0;
}
