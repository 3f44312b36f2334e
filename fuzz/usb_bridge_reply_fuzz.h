// The body of the USB bridge reply targets (one per bridge, usb_bridge_*_fuzz.cc): the drive
// layer's bridge commands answered by the fuzzer's replies, one per SCSI exchange. Nothing may be
// read outside a reply; a drive identified holds a plausible controller block and reads as an
// NVMe drive; a drive not identified keeps its slots as they were.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_input.h"
#include "nvme_controller_check.h"
#include "reading.h"
#include "smart_drv.h"
#include "usb_bridge_commands.h"

namespace fuzz {

using kestrine::Byte;

// A device whose bridge answers each exchange with the next reply of the input.
class BridgeReplyPort final : public kestrine::DevicePort {
 public:
  void SetInput(kestrine::fuzzing::InputReader* input) { input_ = input; }
  kestrine::DeviceHandle Open(std::string_view, kestrine::Access) override { return 1; }
  bool Close(kestrine::DeviceHandle) override { return true; }
  bool Control(kestrine::DeviceHandle, std::uint32_t, std::span<const Byte>, std::span<Byte> out,
               std::uint32_t& bytes_returned) override {
    if (input_->AtEnd()) return false;
    const bool fails = (input_->Next() & kestrine::fuzzing::kBridgeExchangeFails) != 0;
    bytes_returned = input_->Next16();
    const std::vector<Byte> reply = input_->Take(input_->Next16());
    if (fails) return false;
    std::copy_n(reply.begin(), std::min(reply.size(), out.size()), out.begin());
    return true;
  }
  void DebugText(std::string_view) override {}

 private:
  kestrine::fuzzing::InputReader* input_ = nullptr;
};

inline int RunBridgeReplies(kestrine::UsbBridge bridge, const std::uint8_t* data,
                            std::size_t size) {
  using namespace kestrine;
  auto check = [](bool condition) {
    if (!condition) __builtin_trap();
  };
  // One drive layer for the run: its tables are large.
  static BridgeReplyPort* const port = new BridgeReplyPort;
  static SmartDrv* const drv = new SmartDrv(*port);
  fuzzing::InputReader input(data, size);
  port->SetInput(&input);
  SmartTables& tables = drv->Tables();
  tables.Family[3] = CommandFamily::None;
  tables.NvmeController[3] = {};
  const bool identified = Succeeded(IdentifyDeviceBridge(*drv, 1, 3, bridge));
  ReadHealthLogBridge(*drv, 1, 3, bridge);
  ReadSelfTestLogBridge(*drv, 1, bridge);
  RunSelfTestBridge(*drv, 1, bridge, kStcShort);
  if (!identified) {
    check(tables.Family[3] == CommandFamily::None);
    check(tables.NvmeController[3] == NvmeIdentifyBlock{});
    return 0;
  }
  check(tables.Family[3] == CommandFamily::Nvme);
  check(PlausibleNvmeController(tables.NvmeController[3]));
  const DriveReading reading = NvmeReadingFromTables(tables, 3);
  check(!reading.identity.model.empty());
  return 0;
}

}  // namespace fuzz
