// The texts the window and the command line show for a reading: its condition, an item's
// verdict, the access method of its family.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "condition_text.h"
#include "form_texts.h"
#include "reading.h"

namespace kestrine {

// An item's verdict in the words of the condition it would raise the drive to.
constexpr std::string_view VerdictText(Verdict verdict) {
  return ConditionText(ConditionOf(verdict));
}

// The status bar's method: the request each family's blocks travel in.
constexpr std::string_view MethodText(CommandFamily family) {
  switch (family) {
    case CommandFamily::Ata:
      return texts::kMethodAta;
    case CommandFamily::Sat:
      return texts::kMethodSat;
    case CommandFamily::Nvme:
      return texts::kMethodNvme;
    case CommandFamily::Scsi:
      return texts::kMethodScsi;
    case CommandFamily::None:
      break;
  }
  return {};
}

// The method of a reading: its family's, or for an NVMe drive behind a USB bridge, the bridge's
// ("USB NVMe (JMicron)").
inline std::string ReadingMethodText(CommandFamily family, std::optional<UsbBridge> bridge) {
  if (bridge && family == CommandFamily::Nvme) {
    return std::string(texts::kMethodUsbNvme) + " (" + std::string(UsbBridgeName(*bridge)) + ")";
  }
  return std::string(MethodText(family));
}

}  // namespace kestrine
