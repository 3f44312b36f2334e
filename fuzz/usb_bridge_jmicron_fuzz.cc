// Replies of a JMicron bridge to the drive layer's bridge commands (usb_bridge_reply_fuzz.h).
#include "usb_bridge_reply_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzz::RunBridgeReplies(kestrine::UsbBridge::JMicron, data, size);
}
