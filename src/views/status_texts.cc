#include "status_texts.h"

namespace kestrine {

std::string SelfTestStatusText(Byte status) {
  static constexpr std::array<const char*, 16> kTexts = {
      "Completed without error",
      "Aborted by host",
      "Interrupted (host reset)",
      "Fatal or unknown error",
      "Completed: unknown failure",
      "Completed: electrical failure",
      "Completed: servo/seek failure",
      "Completed: read failure",
      "Completed: handling damage??",
      "",
      "",
      "",
      "",
      "",
      "",
      "Self-test routine in progress",
  };
  return kTexts[status >> 4];
}

std::string SelfTestTypeText(Byte type) {
  switch (type) {
    case 0:
      return "Offline";
    case 1:
      return "Short offline";
    case 2:
      return "Extended offline";
    case 3:
      return "Conveyance offline";
    case 4:
      return "Selective offline";
    case 127:
      return "Abort offline test";
    case 129:
      return "Short captive";
    case 130:
      return "Extended captive";
    case 131:
      return "Conveyance captive";
    case 132:
      return "Selective captive";
    default:
      return "Vendor 0x" + UpperHex(type);
  }
}

std::string OfflineStatusText(Byte status) {
  constexpr Byte kCodeMask = 0x7F;  // bit 7 is the automatic off-line collection flag
  const Byte code = status & kCodeMask;
  switch (code) {
    case 0:
      return "was never started";
    case 2:
      return "was completed without error";
    case 3:
      // Only the plain code reads as running; with the auto-offline bit set it is reserved.
      return status == 3 ? "is in progress" : "is in a Reserved state";
    case 4:
      return "was suspended by an interrupting command from host";
    case 5:
      return "was aborted by an interrupting command from host";
    case 6:
      return "was aborted by the device with a fatal error";
    default:
      return code >= 64 ? "is in a Vendor Specific state" : "is in a Reserved state";
  }
}

std::string AutoSaveText(std::uint16_t capability) {
  if (capability == 0) return "Automatic saving of SMART data is not implemented";
  std::string text = (capability & 0x1) != 0
                         ? "Saves SMART data before entering power-saving mode."
                         : "Does not save SMART data before entering power-saving mode.";
  if ((capability & 0x2) != 0) text += " Supports SMART auto save timer.";
  return text;
}

std::string ErrorLoggingText(Byte capability) {
  return (capability & 0x1) != 0 ? texts::kErrorLoggingSupported : texts::kErrorLoggingNotSupported;
}

}  // namespace kestrine
