// The bay's NVMe drives from the driver's side: the Windows query and protocol command and the
// Linux admin command carry out the same commands on the same blocks, a malformed request is
// refused, the self-test runs on the bay's clock; and NVMe snapshot sections.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "demo_drives.h"
#include "drive_number.h"
#include "nvme_admin_block.h"
#include "nvme_protocol_command_block.h"
#include "nvme_query_block.h"
#include "smart_drv.h"
#include "snapshot_drive.h"
#include "snapshot_file.h"

namespace kestrine {
namespace {

using namespace std::chrono_literals;

struct Bay {
  SimBay bay;
  Bay() { AddDemoDrives(bay); }
  DeviceHandle Open(int number) {
    return bay.Open("\\\\.\\PHYSICALDRIVE" + std::to_string(number), Access::ReadWrite);
  }
  // The Windows query: the data of the reply, or nullopt when the driver refused it.
  std::optional<std::vector<Byte>> Query(DeviceHandle handle, std::vector<Byte> query,
                                         std::uint32_t length) {
    std::uint32_t returned = 0;
    if (!bay.Control(handle, kIoctlStorageQueryProperty, query, query, returned)) {
      return std::nullopt;
    }
    const auto data = ReadNvmeProtocolReply(query, length);
    if (!data) return std::nullopt;
    return std::vector<Byte>(data->begin(), data->end());
  }
  // The Linux admin command: its status and the data.
  int Admin(DeviceHandle handle, const NvmeCommand& command, std::vector<Byte>& data) {
    NvmeAdminBlock block = BuildNvmeAdminBlock(command);
    data.assign(command.data_length, 0xEE);
    return bay.NvmeAdminCommand(handle, block, data);
  }
};

TEST(NvmeBay, WindowsQueryAndLinuxAdminCommandGiveTheSameBlocks) {
  Bay b;
  const DeviceHandle handle = b.Open(kDemoWornNvmeSsd);
  const NvmeBlocks& blocks = *b.bay.FindDrive(kDemoWornNvmeSsd)->image.nvme;
  const struct {
    const char* name;
    std::vector<Byte> query;
    NvmeCommand command;
    std::vector<Byte> expected;
  } cases[] = {
      {"controller",
       BuildNvmeIdentifyControllerQuery(),
       IdentifyControllerCommand(),
       {blocks.controller.begin(), blocks.controller.end()}},
      {"namespace",
       BuildNvmeIdentifyNamespaceQuery(1),
       IdentifyNamespaceCommand(1),
       {blocks.namespace_data.begin(), blocks.namespace_data.end()}},
      {"health",
       BuildNvmeLogPageQuery(kLogHealth, 512),
       HealthLogCommand(),
       {blocks.health.begin(), blocks.health.end()}},
      {"self-test log",
       BuildNvmeLogPageQuery(kLogSelfTest, 564),
       SelfTestLogCommand(),
       {blocks.self_test_log.begin(), blocks.self_test_log.end()}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(b.Query(handle, c.query, c.command.data_length), c.expected);
    std::vector<Byte> data;
    EXPECT_EQ(b.Admin(handle, c.command, data), 0);
    EXPECT_EQ(data, c.expected);
  }
  EXPECT_EQ(b.bay.Requests().back().code, kNvmeIoctlAdminCmd);
}

TEST(NvmeBay, RefusesWhatADriverRefuses) {
  Bay b;
  const DeviceHandle nvme = b.Open(kDemoNvmeSsd);
  const DeviceHandle ata = b.Open(kDemoHealthyDisk);
  std::vector<Byte> data;
  // An ATA drive has no NVMe side.
  EXPECT_FALSE(b.Query(ata, BuildNvmeIdentifyControllerQuery(), 4096));
  EXPECT_EQ(b.Admin(ata, IdentifyControllerCommand(), data), kNvmeAdminRefused);
  // The controller's answers to commands it does not carry out.
  EXPECT_EQ(b.Admin(nvme, IdentifyNamespaceCommand(2), data), kNvmeInvalidNamespace);
  EXPECT_EQ(b.Admin(nvme, GetLogPageCommand(0x03, kAllNamespaces, 512), data), kNvmeInvalidLogPage);
  EXPECT_EQ(b.Admin(nvme, NvmeCommand{0x7F, 0, 0, 0, 0}, data), kNvmeInvalidOpcode);
  EXPECT_FALSE(b.Query(nvme, BuildNvmeIdentifyNamespaceQuery(2), 4096));
  // A buffer that is not the command's data length, a block with fields never set.
  NvmeAdminBlock block = BuildNvmeAdminBlock(HealthLogCommand());
  std::vector<Byte> short_buffer(511);
  EXPECT_EQ(b.bay.NvmeAdminCommand(nvme, block, short_buffer), kNvmeAdminRefused);
  block[nvme_admin::kFlags] = 1;
  data.assign(512, 0);
  EXPECT_EQ(b.bay.NvmeAdminCommand(nvme, block, data), kNvmeAdminRefused);
  // A reply buffer too small for the data asked for.
  std::vector<Byte> query = BuildNvmeLogPageQuery(kLogHealth, 512);
  std::vector<Byte> reply(100);
  std::uint32_t returned = 0;
  EXPECT_FALSE(b.bay.Control(nvme, kIoctlStorageQueryProperty, query, reply, returned));
  // The protocol command carries only the self-test here, and needs a writable handle.
  NvmeProtocolCommandBlock command = BuildNvmeProtocolCommandBlock(IdentifyControllerCommand());
  WriteLe32(command, nvme_protocol_command::kDataFromDeviceTransferLength, 0);
  EXPECT_FALSE(b.bay.Control(nvme, kIoctlStorageProtocolCommand, command, command, returned));
  const DeviceHandle read_only =
      b.bay.Open("\\\\.\\PHYSICALDRIVE" + std::to_string(kDemoNvmeSsd), Access::ReadOnly);
  command = BuildNvmeProtocolCommandBlock(DeviceSelfTestCommand(kStcShort));
  EXPECT_FALSE(b.bay.Control(read_only, kIoctlStorageProtocolCommand, command, command, returned));
  // The ATA requests of the other families.
  EXPECT_FALSE(b.bay.Control(nvme, kSmartGetVersion, {}, reply, returned));
}

TEST(NvmeBay, SelfTestThroughTheAdminCommandRunsOnTheClockAndCanBeAborted) {
  Bay b;
  const DeviceHandle handle = b.Open(kDemoNvmeSsd);
  std::vector<Byte> data;
  EXPECT_EQ(b.Admin(handle, DeviceSelfTestCommand(kStcExtended), data), 0);
  EXPECT_EQ(b.Admin(handle, DeviceSelfTestCommand(kStcShort), data), kNvmeSelfTestInProgress);
  b.bay.AdvanceClock(17min);  // a tenth of the 170 minutes
  ASSERT_EQ(b.Admin(handle, SelfTestLogCommand(), data), 0);
  EXPECT_EQ(data[0], 2);
  EXPECT_EQ(data[1], 10);
  EXPECT_EQ(b.Admin(handle, DeviceSelfTestCommand(kStcAbort), data), 0);
  ASSERT_EQ(b.Admin(handle, SelfTestLogCommand(), data), 0);
  EXPECT_EQ(data[0], 0);
  EXPECT_EQ(data[4], 0x21);       // extended, aborted by a Device Self-test command
  EXPECT_EQ(data[4 + 28], 0x20);  // the former newest result moved back
  // Through the Windows protocol command, the drive layer's own request.
  SmartDrv drv(b.bay);
  EXPECT_EQ(drv.RunSelfTestNvme(handle, kStcShort), CommandResult::Success);
  b.bay.AdvanceClock(2min);
  EXPECT_EQ(drv.ReadSelfTestLogNvme(handle), CommandResult::Success);
  EXPECT_EQ(drv.Tables().NvmeSelfTest[4], 0x10);
  EXPECT_EQ(b.bay.FindDrive(kDemoNvmeSsd)->self_tests_started, 2);
}

TEST(NvmeBay, AControllerWithoutTheSelfTestCommandRefusesIt) {
  Bay b;
  NvmeBlocks& blocks = *b.bay.FindDrive(kDemoNvmeSsd)->image.nvme;
  WriteLe16(blocks.controller, nvme_controller::kAdminCommands, 0);
  SmartDrv drv(b.bay);
  EXPECT_EQ(drv.RunSelfTestNvme(b.Open(kDemoNvmeSsd), kStcShort), CommandResult::Failure);
}

std::vector<Byte> Section(const char* tag, std::size_t size, Byte fill = 0) {
  std::vector<Byte> bytes(tag, tag + 4);
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<Byte>(size >> shift));
  bytes.insert(bytes.end(), size, fill);
  return bytes;
}

std::vector<Byte> Join(const std::vector<std::vector<Byte>>& parts) {
  std::vector<Byte> bytes;
  for (const auto& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
  return bytes;
}

TEST(NvmeSnapshot, RoundTripAndTheDriveItMakes) {
  Bay b;
  const NvmeBlocks& blocks = *b.bay.FindDrive(kDemoWornNvmeSsd)->image.nvme;
  Snapshot snapshot;
  snapshot.nvme =
      NvmeSnapshot{blocks.controller, blocks.namespace_data, blocks.health, blocks.self_test_log};
  const std::vector<Byte> bytes = SerializeSnapshot(snapshot);
  const FileResult<Snapshot> parsed = ParseSnapshot(bytes);
  ASSERT_TRUE(parsed) << parsed.error().Reason();
  ASSERT_TRUE(parsed->nvme);
  EXPECT_EQ(parsed->nvme->health, blocks.health);
  EXPECT_EQ(parsed->nvme->self_test_log, blocks.self_test_log);
  EXPECT_FALSE(parsed->smart_data);
  EXPECT_EQ(SnapshotDriveImage(*parsed).nvme, blocks);

  EXPECT_FALSE(SnapshotDriveBehaviour(*parsed).refuses_health_data);

  // Only the controller is required. A missing namespace reads as zeros; a missing health log
  // stays missing: the drive refuses it, as the drive did when the file was written, rather than
  // serve zeros that read as a spare at its threshold.
  const FileResult<Snapshot> bare = ParseSnapshot(Section("NVIC", 4096, 0x41));
  ASSERT_TRUE(bare);
  ASSERT_TRUE(bare->nvme);
  SimBay bay;
  AddSnapshotDrive(bay, 0, *bare);
  const NvmeBlocks& image = *bay.FindDrive(0)->image.nvme;
  EXPECT_EQ(image.controller[0], 0x41);
  EXPECT_EQ(image.namespace_data, NvmeIdentifyBlock{});
  SmartDrv drv(bay);
  const DeviceHandle handle = drv.OpenDrive(DriveDevicePath(0));
  EXPECT_EQ(drv.IdentifyDeviceNvme(handle, 0), CommandResult::Success);
  EXPECT_EQ(drv.ReadHealthLogNvme(handle, 0), CommandResult::Failure);
  EXPECT_FALSE(drv.Tables().HealthRead[0]);
}

TEST(NvmeSnapshot, RefusesAFaultyFileAndNamesTheFault) {
  const std::vector<Byte> controller = Section("NVIC", 4096);
  const struct {
    const char* what;
    std::vector<Byte> bytes;
    const char* fault;
  } cases[] = {
      {"an ATA and an NVMe drive", Join({Section("IDFY", 512), controller}),
       "holds sections of both an ATA drive and an NVMe drive"},
      {"NVMe data with an ATA log", Join({controller, Section("SLOG", 512)}),
       "holds sections of both an ATA drive and an NVMe drive"},
      {"no controller", Section("NVHL", 512), "no NVIC section"},
      {"controller short", Section("NVIC", 512),
       "section \"NVIC\" at byte 0 has 512 bytes, not 4096"},
      {"log short", Join({controller, Section("NVST", 512)}),
       "section \"NVST\" at byte 4104 has 512 bytes, not 564"},
      {"health twice", Join({controller, Section("NVHL", 512), Section("NVHL", 512)}),
       "section \"NVHL\" appears twice (again at byte 4624)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const FileResult<Snapshot> result = ParseSnapshot(c.bytes);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().Reason(), c.fault);
  }
}

}  // namespace
}  // namespace kestrine
