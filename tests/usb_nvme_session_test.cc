// NVMe drives in USB enclosures through the drive session and kestrine-cli: each bridge's demo
// drive reads as NVMe with its bridge named, the probes send nothing outside a fixed read-only
// list and SAT goes first, and a bridge that stalls is given up while the run goes on.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "ata_pass_through_cdb.h"
#include "cli_support.h"
#include "demo_drives.h"
#include "drive_path.h"
#include "drive_session.h"
#include "nvme_controller_check.h"
#include "pass_through_request.h"
#include "usb_bridge_requests.h"

namespace kestrine {
namespace {

using testing::CliResult;
using testing::RunCliWith;

TEST(UsbNvmeSession, EachBridgedDriveReadsAsNvmeWithItsBridgeNamed) {
  const struct {
    int drive;
    const char* bridge;
    const char* condition;
  } cases[] = {{kDemoJmicronSsd, "JMicron", "OK"},
               {kDemoAsmediaSsd, "ASMedia", "OK"},
               {kDemoRealtekWornSsd, "Realtek", "WARNING"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bridge);
    SimBay bay;
    AddDemoDrives(bay);
    const CliResult result = RunCliWith({"--drive", std::to_string(c.drive), "--json"}, &bay);
    const auto drive = result.Json().at("drives").at(0);
    EXPECT_EQ(drive["status_bar"], std::string("BusType:Usb Method:USB NVMe (") + c.bridge + ")");
    EXPECT_EQ(drive["condition"], c.condition);
    EXPECT_EQ(drive["reading"]["family"], "nvme");
    EXPECT_EQ(drive["reading"]["usb_bridge"], c.bridge);
    EXPECT_EQ(drive["reading"]["parts_read"]["self_test_log"], true);
  }
}

TEST(UsbNvmeSession, ASelfTestStartsOnlyThroughABridgeThatCarriesIt) {
  SimBay bay;
  AddDemoDrives(bay);
  SmartDrv drv(bay);
  for (const int number : {kDemoJmicronSsd, kDemoAsmediaSsd}) {
    const auto drive_number = static_cast<Byte>(number);
    ASSERT_TRUE(ReadDrive(drv, DriveDevicePath(number), drive_number).Identified());
    const DeviceHandle handle = drv.OpenDrive(DriveDevicePath(number));
    EXPECT_EQ(StartSelfTest(drv, handle, drive_number, kShortSelfTestOffline),
              number == kDemoJmicronSsd);
    drv.CloseDrive(handle);
  }
  EXPECT_EQ(bay.FindDrive(kDemoJmicronSsd)->self_tests_started, 1);
}

// The SCSI commands a probe or a reading may send to a disk on USB: SAT's reads, the bridges'
// read commands (kBridgeReadCommands), and SCSI's own reads.
bool InReadOnlyList(std::span<const Byte> cdb, std::span<const Byte> out, std::uint32_t length) {
  if (IsUsbBridgeCdb(cdb)) {
    for (const UsbBridge bridge : kUsbBridges) {
      const std::optional<NvmeCommand> command = ReadBridgeCommand(bridge, cdb, length, out);
      if (command && !IsBridgeReadCommand(bridge, *command)) return false;
    }
    return true;  // JMicron's data and completion phases carry no command of their own
  }
  if (const auto ata = ReadAtaPassThroughCdb(cdb, cdb.size())) {
    const Byte command = ata->registers.command;
    const Byte features = ata->registers.features;
    constexpr Byte kIdentify = 0xEC, kCheckPower = 0xE5, kReadLogExt = 0x2F, kSmart = 0xB0;
    return command == kIdentify || command == kCheckPower || command == kReadLogExt ||
           (command == kSmart && (features == 0xD0 || features == 0xD1 || features == 0xD5));
  }
  // TEST UNIT READY, REQUEST SENSE, INQUIRY, MODE SENSE (6), RECEIVE DIAGNOSTIC RESULTS,
  // READ CAPACITY (10), LOG SENSE, MODE SENSE (10), READ CAPACITY (16).
  constexpr Byte kScsiReads[] = {0x00, 0x03, 0x12, 0x1A, 0x1C, 0x25, 0x4D, 0x5A, 0x9E};
  return !cdb.empty() && std::ranges::find(kScsiReads, cdb[0]) != std::end(kScsiReads);
}

TEST(UsbNvmeSession, ProbesSendOnlyReadCommandsAndSatGoesFirst) {
  SimBay bay;
  AddDemoDrives(bay);
  SmartDrv drv(bay);
  for (int number = 0; number < 16; ++number) {
    ReadDrive(drv, DriveDevicePath(number), static_cast<Byte>(number));
  }
  std::set<int> sat_tried;
  std::set<int> bridged;
  for (const RecordedRequest& request : bay.Requests()) {
    if (request.code != kIoctlScsiPassThrough) continue;
    const SimDrive* drive = bay.FindDrive(request.drive);
    if (drive == nullptr || drive->image.bus_type != BusType::Usb) continue;
    const auto scsi = ReadScsiPassThroughRequest(request.in, request.out_size);
    ASSERT_TRUE(scsi);
    const std::span<const Byte> cdb(scsi->cdb.data(), scsi->cdb_length);
    const bool sends = scsi->direction == sat_block::kScsiIoctlDataOut;
    const auto out =
        sends ? std::span<const Byte>(request.in).subspan(scsi->data_offset, scsi->length)
              : std::span<const Byte>();
    EXPECT_TRUE(InReadOnlyList(cdb, out, scsi->length))
        << "drive " << request.drive << " opcode " << int{cdb[0]};
    if (IsUsbBridgeCdb(cdb)) {
      EXPECT_TRUE(sat_tried.contains(request.drive)) << "drive " << request.drive;
      bridged.insert(request.drive);
    } else {
      sat_tried.insert(request.drive);
    }
  }
  // The SATA SSD in its USB bridge answered SAT: no bridge command reached it.
  EXPECT_EQ(bridged,
            (std::set{kDemoCardReader, kDemoJmicronSsd, kDemoAsmediaSsd, kDemoRealtekWornSsd}));
}

TEST(UsbNvmeSession, AStallingBridgeIsGivenUpAfterItsTimeOutAndTheRunGoesOn) {
  SimBay bay;
  AddDemoDrives(bay);
  bay.FindDrive(kDemoJmicronSsd)->behaviour.bridge_stalls = true;
  const auto before = bay.Now();
  const CliResult result = RunCliWith({"--json"}, &bay);
  const nlohmann::json document = result.Json();
  std::map<int, nlohmann::json> drives;
  for (const auto& drive : document.at("drives")) drives[drive.at("drive_number")] = drive;
  EXPECT_TRUE(drives[kDemoJmicronSsd]["status_bar"].is_null());
  EXPECT_EQ(drives[kDemoAsmediaSsd]["condition"], "OK");
  EXPECT_EQ(drives[kDemoRealtekWornSsd]["condition"], "WARNING");
  // Each stalled command was held for the time-out the request gave, and that is the bridges'.
  int stalled = 0;
  for (const RecordedRequest& request : bay.Requests()) {
    const auto scsi = ReadScsiPassThroughRequest(request.in, request.out_size);
    if (request.drive != kDemoJmicronSsd || !scsi) continue;
    if (!IsUsbBridgeCdb(std::span<const Byte>(scsi->cdb.data(), scsi->cdb_length))) continue;
    EXPECT_EQ(scsi->timeout_seconds, kBridgeTimeOutSeconds);
    ++stalled;
  }
  EXPECT_GT(stalled, 0);
  EXPECT_LE(stalled, static_cast<int>(kUsbBridges.size()));  // one try of each protocol at most
  EXPECT_EQ(bay.Now() - before, std::chrono::seconds(stalled * kBridgeTimeOutSeconds));
}

TEST(UsbNvmeSession, AHealthLogOfOneRepeatedByteOrOfTheLastCommandsDataIsNotRead) {
  NvmeIdentifyBlock identify{};
  std::ranges::fill(identify, Byte{0x41});
  identify[0] = 0x0F;
  NvmeHealthLog log{};
  log[nvme_health::kCompositeTemperature] = 0x30;
  EXPECT_TRUE(PlausibleNvmeHealthLog(log, {identify}));
  NvmeHealthLog same{};
  for (const Byte fill : {Byte{0x00}, Byte{0xFF}}) {
    std::ranges::fill(same, fill);
    EXPECT_FALSE(PlausibleNvmeHealthLog(same, {identify})) << int{fill};
  }
  std::copy_n(identify.begin(), same.size(), same.begin());
  EXPECT_FALSE(PlausibleNvmeHealthLog(same, {identify}));
}

}  // namespace
}  // namespace kestrine
