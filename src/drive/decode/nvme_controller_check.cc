#include "nvme_controller_check.h"

#include <algorithm>

namespace kestrine {

namespace {

// ASCII from the space to the tilde, blank-padded, and something besides the padding.
bool PrintableText(std::span<const Byte> field) {
  constexpr Byte kSpace = 0x20;
  constexpr Byte kTilde = 0x7E;
  return std::ranges::all_of(field, [](Byte b) { return b >= kSpace && b <= kTilde; }) &&
         std::ranges::any_of(field, [](Byte b) { return b != kSpace; });
}

}  // namespace

bool PlausibleNvmeController(std::span<const Byte, nvme_controller::kSize> controller) {
  using namespace nvme_controller;
  return PrintableText(controller.subspan(kModelNumber, kModelNumberSize));
}

}  // namespace kestrine
