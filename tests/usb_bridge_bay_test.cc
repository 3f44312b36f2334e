// NVMe drives behind the three USB bridges, read end to end through the simulated bridges: the
// tables hold what the same drive gives read directly, a bridge answering garbage leaves the
// drive not read, and a probe sends nothing but the read commands of kBridgeReadCommands.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "demo_drives.h"
#include "nvme_decode.h"
#include "nvme_image_builder.h"
#include "pass_through_request.h"
#include "sat_pass_through_block.h"
#include "smart_drv.h"
#include "usb_bridge_commands.h"

namespace kestrine {
namespace {

constexpr int kDirect = kDemoWornNvmeSsd;
constexpr int kBridged = 20;  // the same drive in a USB enclosure

std::string PathOf(int number) {
  return "\\\\.\\PHYSICALDRIVE" + std::to_string(number);
}

struct Bay {
  SimBay bay;
  SmartDrv drv{bay};
  explicit Bay(UsbBridge bridge) {
    AddDemoDrives(bay);
    // A full self-test log, so that what a bridge cannot carry of it shows.
    DriveImage& direct = bay.FindDrive(kDirect)->image;
    for (std::uint64_t hours = 1; hours <= nvme_self_test_log::kResultCount; ++hours) {
      AddNvmeSelfTestResult(direct.nvme->self_test_log,
                            {.code = 1, .result = 0, .power_on_hours = hours});
    }
    DriveImage image = direct;
    image.usb_bridge = bridge;
    image.bus_type = BusType::Usb;
    bay.AddDrive(kBridged, image);
  }
  DeviceHandle Open(int number) { return bay.Open(PathOf(number), Access::ReadWrite); }
};

TEST(UsbBridgeBay, EachBridgeGivesTheBlocksOfTheDriveReadDirectly) {
  for (const UsbBridge bridge : kUsbBridges) {
    SCOPED_TRACE(UsbBridgeName(bridge));
    Bay b(bridge);
    const DeviceHandle direct = b.Open(kDirect);
    ASSERT_TRUE(Succeeded(b.drv.IdentifyDeviceNvme(direct, 1)));
    ASSERT_TRUE(Succeeded(b.drv.ReadHealthLogNvme(direct, 1)));
    ASSERT_TRUE(Succeeded(b.drv.ReadSelfTestLogNvme(direct)));
    const NvmeSelfTestLog direct_log = b.drv.Tables().NvmeSelfTest;

    const DeviceHandle handle = b.Open(kBridged);
    // The direct requests do not reach a drive in an enclosure.
    EXPECT_FALSE(Succeeded(b.drv.IdentifyDeviceNvme(handle, 2)));
    ASSERT_TRUE(Succeeded(IdentifyDeviceBridge(b.drv, handle, 2, bridge)));
    ASSERT_TRUE(Succeeded(ReadHealthLogBridge(b.drv, handle, 2, bridge)));
    ASSERT_TRUE(Succeeded(ReadSelfTestLogBridge(b.drv, handle, bridge)));
    const SmartTables& t = b.drv.Tables();
    EXPECT_EQ(t.Family[2], CommandFamily::Nvme);
    EXPECT_EQ(t.NvmeController[2], t.NvmeController[1]);
    EXPECT_EQ(t.NvmeNamespace[2], t.NvmeNamespace[1]);
    EXPECT_EQ(t.NvmeHealth[2], t.NvmeHealth[1]);
    EXPECT_TRUE(t.HealthRead[2]);
    // The newest results the bridge carries whole: JMicron 19, Realtek 18, ASMedia all 20.
    const std::size_t kept = bridge == UsbBridge::JMicron   ? 19
                             : bridge == UsbBridge::Realtek ? 18
                                                            : 20;
    auto expected = NvmeSelfTestResults(direct_log);
    ASSERT_EQ(expected.size(), 20u);
    expected.resize(kept);
    EXPECT_EQ(NvmeSelfTestResults(t.NvmeSelfTest), expected);

    // A command the controller fails (JMicron: in its completion) is not read.
    b.bay.FindDrive(kBridged)->behaviour.refuses_health_data = true;
    EXPECT_FALSE(Succeeded(ReadHealthLogBridge(b.drv, handle, 2, bridge)));
    EXPECT_FALSE(t.HealthRead[2]);
    EXPECT_EQ(t.NvmeHealth[2], NvmeHealthLog{});
  }
}

TEST(UsbBridgeBay, OnlyJMicronCarriesTheSelfTest) {
  for (const UsbBridge bridge : kUsbBridges) {
    SCOPED_TRACE(UsbBridgeName(bridge));
    Bay b(bridge);
    const DeviceHandle handle = b.Open(kBridged);
    b.bay.ClearRecords();
    const bool carried = bridge == UsbBridge::JMicron;
    EXPECT_EQ(Succeeded(RunSelfTestBridge(b.drv, handle, bridge, kStcShort)), carried);
    EXPECT_EQ(b.bay.FindDrive(kBridged)->self_tests_started, carried ? 1 : 0);
    EXPECT_EQ(b.bay.Requests().empty(), !carried);  // nothing is sent where it is not carried
    // A second start while the first runs: the completion reports the controller's refusal.
    EXPECT_FALSE(Succeeded(RunSelfTestBridge(b.drv, handle, bridge, kStcShort)));
    EXPECT_EQ(Succeeded(RunSelfTestBridge(b.drv, handle, bridge, kStcAbort)), carried);
  }
}

// A port that lets the bay answer, then spoils every reply that brings Identify's 4096 bytes.
class SpoilingPort final : public DevicePort {
 public:
  SpoilingPort(SimBay& bay, std::function<void(std::span<Byte>)> spoil)
      : bay_(bay), spoil_(std::move(spoil)) {}
  DeviceHandle Open(std::string_view path, Access access) override {
    return bay_.Open(path, access);
  }
  bool Close(DeviceHandle handle) override { return bay_.Close(handle); }
  bool Control(DeviceHandle handle, std::uint32_t code, std::span<const Byte> in,
               std::span<Byte> out, std::uint32_t& returned) override {
    if (!bay_.Control(handle, code, in, out, returned)) return false;
    if (out.size() == sat_block::kData + nvme_controller::kSize) spoil_(out);
    return true;
  }
  void DebugText(std::string_view) override {}

 private:
  SimBay& bay_;
  std::function<void(std::span<Byte>)> spoil_;
};

TEST(UsbBridgeBay, ABridgeAnsweringGarbageLeavesTheDriveNotRead) {
  using namespace sat_block;
  const struct {
    const char* what;
    std::function<void(std::span<Byte>)> spoil;
  } cases[] = {
      {"a length past the buffer",
       [](std::span<Byte> b) { WriteLe32(b, kDataTransferLength, 8192); }},
      {"a short transfer", [](std::span<Byte> b) { WriteLe32(b, kDataTransferLength, 4000); }},
      {"an Identify of zeros",
       [](std::span<Byte> b) { std::ranges::fill(b.subspan(kData), Byte{0}); }},
      {"a model of 0xFF bytes",
       [](std::span<Byte> b) {
         std::ranges::fill(b.subspan(kData + nvme_controller::kModelNumber, 40), Byte{0xFF});
       }},
      {"a blank model",
       [](std::span<Byte> b) {
         std::ranges::fill(b.subspan(kData + nvme_controller::kModelNumber, 40), Byte{' '});
       }},
  };
  for (const UsbBridge bridge : kUsbBridges) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(UsbBridgeName(bridge)) + ": " + c.what);
      Bay b(bridge);
      SpoilingPort port(b.bay, c.spoil);
      SmartDrv drv(port);
      const DeviceHandle handle = port.Open(PathOf(kBridged), Access::ReadWrite);
      EXPECT_FALSE(Succeeded(IdentifyDeviceBridge(drv, handle, 2, bridge)));
      EXPECT_EQ(drv.Tables().Family[2], CommandFamily::None);
      EXPECT_EQ(drv.Tables().NvmeController[2], NvmeIdentifyBlock{});
    }
  }
}

// What a recorded SCSI pass-through request asks of a bridge that reads it.
std::optional<NvmeCommand> AskedOf(UsbBridge bridge, const RecordedRequest& request) {
  const auto scsi = ReadScsiPassThroughRequest(request.in, request.out_size);
  if (!scsi) return std::nullopt;
  const std::span<const Byte> cdb(scsi->cdb.data(), scsi->cdb_length);
  const bool sends = scsi->direction == sat_block::kScsiIoctlDataOut;
  const std::span<const Byte> out =
      sends ? std::span<const Byte>(request.in).subspan(scsi->data_offset, scsi->length)
            : std::span<const Byte>();
  return ReadBridgeCommand(bridge, cdb, scsi->length, out);
}

TEST(UsbBridgeBay, AProbeFindsTheBridgeAndSendsOnlyReadCommands) {
  // The bridges in the order tried for ids not known.
  constexpr UsbBridge order[] = {UsbBridge::Realtek, UsbBridge::ASMedia, UsbBridge::JMicron};
  for (const UsbBridge bridge : kUsbBridges) {
    SCOPED_TRACE(UsbBridgeName(bridge));
    Bay b(bridge);
    // The bridged drive, a SATA disk in a USB bridge and a direct NVMe drive.
    const struct {
      int number;
      std::optional<UsbBridge> found;
    } drives[] = {{kBridged, bridge}, {kDemoUsbSsd, std::nullopt}, {kDirect, std::nullopt}};
    for (const auto& d : drives) {
      const DeviceHandle handle = b.Open(d.number);
      EXPECT_EQ(ProbeUsbBridge(b.drv, handle, 3, order), d.found) << d.number;
      ReadHealthLogBridge(b.drv, handle, 3, bridge);
      ReadSelfTestLogBridge(b.drv, handle, bridge);
    }
    int commands = 0;
    for (const RecordedRequest& request : b.bay.Requests()) {
      ASSERT_EQ(request.code, kIoctlScsiPassThrough);
      for (const UsbBridge reader : kUsbBridges) {
        const std::optional<NvmeCommand> asked = AskedOf(reader, request);
        if (!asked) continue;
        ++commands;
        EXPECT_TRUE(IsBridgeReadCommand(reader, *asked))
            << UsbBridgeName(reader) << " opcode " << int{asked->opcode};
      }
    }
    EXPECT_GT(commands, 9);
  }
}

}  // namespace
}  // namespace kestrine
