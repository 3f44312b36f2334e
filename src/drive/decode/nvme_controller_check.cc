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

bool PlausibleNvmeHealthLog(std::span<const Byte, nvme_health::kSize> log,
                            std::initializer_list<std::span<const Byte>> identify) {
  const Byte first = log[0];
  if (std::ranges::all_of(log, [first](Byte b) { return b == first; })) return false;
  return std::ranges::none_of(identify, [log](std::span<const Byte> block) {
    return block.size() >= log.size() && std::ranges::equal(log, block.first(log.size()));
  });
}

}  // namespace kestrine
