// The Linux device port's NVMe namespaces: which drive numbers name them, and each Windows NVMe
// request turned into one NVMe admin command and back, against a scripted controller.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ata_pass_through_block.h"
#include "disk_path.h"
#include "linux_device_port.h"
#include "nvme_admin_block.h"
#include "nvme_protocol_command_block.h"
#include "nvme_query_block.h"
#include "sg_io_fakes.h"
#include "smart_drv.h"
#include "storage_property.h"

namespace kestrine {
namespace {

using testing::FakeSysfsTree;
using testing::FakeSystemCalls;
using testing::ScriptedNvmeReply;
using Bytes = std::vector<Byte>;

constexpr const char* kNvmeDrive = "\\\\.\\PHYSICALDRIVE192";
constexpr std::uint32_t kInvalidOpcode = 0x4001;  // generic status, Invalid Command Opcode

Bytes Pattern(std::size_t n, Byte seed) {
  Bytes bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<Byte>(seed + i * 13);
  return bytes;
}

TEST(DiskPath, NvmeNamespacesTakeTheTopSixtyFourNumbers) {
  const struct {
    std::uint32_t number;
    const char* name;
    bool nvme;
  } cases[] = {
      {0, "sda", false},       {25, "sdz", false},     {191, "sdgj", false},
      {192, "nvme0n1", true},  {193, "nvme1n1", true}, {202, "nvme10n1", true},
      {255, "nvme63n1", true}, {256, "sdiw", false},   {701, "sdzz", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    const DiskName disk = DiskNameForDrive(c.number);
    EXPECT_EQ(disk.name, c.name);
    EXPECT_EQ(disk.nvme, c.nvme);
  }
}

class SgIoNvmeTest : public ::testing::Test {
 protected:
  SgIoNvmeTest() {
    tree_.AddNvmeNamespace("nvme0n1", "pci0000:00/0000:00:04.0/nvme/nvme0",
                           "Samsung SSD 980 PRO 1TB", "S5GXNF0R123456A", "5B2QGXA7");
    tree_.AddDisk({"sda", "pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0", "ATA     ",
                   "ST2000DM001-1CH1", "CC27", "Z1E0AAAA", false});
    for (const char* name : {"nvme0n1", "sda"}) {
      system_.existing.insert((tree_.Root() / "dev" / name).string());
    }
  }

  bool Control(DeviceHandle handle, std::uint32_t code, std::span<const Byte> in,
               std::span<Byte> out) {
    returned_ = 0xDEADBEEF;
    return port_.Control(handle, code, in, out, returned_);
  }

  // The admin block the port handed to the kernel, with the data address left out.
  Bytes SentBlock(std::size_t i) const {
    nvme_admin_cmd command = system_.admin_commands.at(i).command;
    command.addr = 0;
    Bytes block(sizeof command);
    std::memcpy(block.data(), &command, sizeof command);
    return block;
  }

  FakeSysfsTree tree_;
  FakeSystemCalls system_;
  LinuxDevicePort port_{system_, LinuxDevicePortOptions{tree_.Root(), tree_.Root() / "dev", {}}};
  std::uint32_t returned_ = 0;
};

TEST_F(SgIoNvmeTest, OpensTheNamespaceAndRefusesAtaAndScsiRequests) {
  const DeviceHandle handle = port_.Open(kNvmeDrive, Access::ReadWrite);
  ASSERT_NE(handle, kInvalidHandle);
  ASSERT_EQ(system_.opens.size(), 1u);
  EXPECT_EQ(system_.opens[0].first, (tree_.Root() / "dev" / "nvme0n1").string());
  EXPECT_EQ(system_.opens[0].second & O_ACCMODE, O_RDWR);
  EXPECT_EQ(port_.Open("\\\\.\\PHYSICALDRIVE193", Access::ReadOnly), kInvalidHandle);  // no nvme1

  AtaPassThroughBlock ata =
      BuildAtaPassThroughBlock({.count = 1, .command = kIdentifyDeviceCommand}, 512);
  for (const std::uint32_t code : {kIoctlAtaPassThrough, kIoctlScsiPassThrough, kSmartRcvDriveData,
                                   kSmartSendDriveCommand, kSmartGetVersion}) {
    const Bytes before(ata.begin(), ata.end());
    EXPECT_FALSE(Control(handle, code, ata, ata)) << code;
    EXPECT_EQ(Bytes(ata.begin(), ata.end()), before);
  }
  EXPECT_TRUE(system_.exchanges.empty());
  EXPECT_TRUE(system_.admin_commands.empty());
}

TEST_F(SgIoNvmeTest, PropertyQueryNamesTheNvmeBusAndTheControllersTexts) {
  const DeviceHandle handle = port_.Open(kNvmeDrive, Access::ReadOnly);
  Bytes query(kPropertyQuerySize, 0), reply(kPropertyReplySize, 0);
  ASSERT_TRUE(Control(handle, kIoctlStorageQueryProperty, query, reply));
  EXPECT_EQ(ReadLe32(reply, storage_descriptor::kBusType), 17u);  // BusTypeNvme
  const TDisk_Property property = ParseStorageDeviceDescriptor(reply);
  EXPECT_EQ(property.ProductId, "Samsung SSD 980 PRO 1TB");
  EXPECT_EQ(property.ProductRevision, "5B2QGXA7");
  EXPECT_EQ(property.SerialNumber, "S5GXNF0R123456A");
  EXPECT_FALSE(property.RemovableMedia);
  EXPECT_TRUE(system_.admin_commands.empty());
}

// Each query becomes the admin command the Windows driver sends for it, and the controller's
// data comes back behind the protocol data descriptor.
TEST_F(SgIoNvmeTest, ProtocolQueriesBecomeOneAdminCommandEach) {
  const struct {
    const char* what;
    Bytes query;
    NvmeCommand command;
  } cases[] = {
      {"identify controller", BuildNvmeIdentifyControllerQuery(), IdentifyControllerCommand()},
      {"identify namespace", BuildNvmeIdentifyNamespaceQuery(kFirstNamespace),
       IdentifyNamespaceCommand(kFirstNamespace)},
      {"health log", BuildNvmeLogPageQuery(kLogHealth, nvme_health::kSize), HealthLogCommand()},
      {"self-test log", BuildNvmeLogPageQuery(kLogSelfTest, nvme_self_test_log::kSize),
       SelfTestLogCommand()},
  };
  const DeviceHandle handle = port_.Open(kNvmeDrive, Access::ReadOnly);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    system_.admin_commands.clear();
    const Bytes data = Pattern(c.command.data_length, static_cast<Byte>(c.command.cdw10));
    system_.nvme_replies.assign(1, ScriptedNvmeReply{0, 0, data});
    Bytes buffer = c.query;  // in place, as the drive layer sends it
    ASSERT_TRUE(Control(handle, kIoctlStorageQueryProperty, buffer, buffer));

    ASSERT_EQ(system_.admin_commands.size(), 1u);
    const nvme_admin_cmd& sent = system_.admin_commands[0].command;
    EXPECT_NE(sent.addr, 0u);
    EXPECT_EQ(sent.timeout_ms, 60000u);
    EXPECT_EQ(ReadNvmeAdminBlock(SentBlock(0)), c.command);
    EXPECT_EQ(returned_, nvme_query::kData + c.command.data_length);
    const std::optional<std::span<const Byte>> answer =
        ReadNvmeProtocolReply(std::span(buffer).first(returned_), c.command.data_length);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(Bytes(answer->begin(), answer->end()), data);
  }
}

// Identify Namespace asks about the namespace the device node is, by the ID the kernel gives:
// nvme0n1 is namespace 3 where namespaces 1 and 2 were deleted. Without that answer, namespace 1.
TEST_F(SgIoNvmeTest, IdentifyNamespaceAsksForTheOpenNamespacesId) {
  for (const auto& [kernel_answer, asked] : {std::pair{3, 3u}, std::pair{-1, kFirstNamespace}}) {
    SCOPED_TRACE(kernel_answer);
    system_.namespace_id = kernel_answer;
    system_.admin_commands.clear();
    SmartDrv drv(port_);
    const DeviceHandle handle = port_.Open(kNvmeDrive, Access::ReadOnly);
    ASSERT_EQ(drv.IdentifyDeviceNvme(handle, 0), CommandResult::Success);
    ASSERT_EQ(system_.admin_commands.size(), 2u);
    EXPECT_EQ(ReadNvmeAdminBlock(SentBlock(1)), IdentifyNamespaceCommand(asked));
    port_.Close(handle);
  }
}

TEST_F(SgIoNvmeTest, RefusedOrMalformedQueriesLeaveTheReplyAlone) {
  using namespace nvme_query;
  const DeviceHandle handle = port_.Open(kNvmeDrive, Access::ReadOnly);
  const Bytes health = BuildNvmeLogPageQuery(kLogHealth, nvme_health::kSize);
  auto with = [](Bytes query, std::size_t field, std::uint32_t value) {
    WriteLe32(query, kProtocolSpecificData + field, value);
    return query;
  };
  const struct {
    const char* what;
    Bytes query;
    std::size_t reply_size;
    int controller;  // the scripted answer, for a query that reaches the controller
  } cases[] = {
      {"reply without room for the data", health, health.size() - 1, 0},
      {"query cut short", Bytes(health.begin(), health.begin() + kData - 1), health.size(), 0},
      {"SCSI protocol", with(health, kProtocolType, 1), health.size(), 0},
      {"feature data type", with(health, kDataType, 3), health.size(), 0},
      {"identify CNS 2", with(BuildNvmeIdentifyControllerQuery(), kRequestValue, 2),
       BufferSize(nvme_controller::kSize), 0},
      {"log page above 4 KiB", BuildNvmeLogPageQuery(kLogHealth, 8192), BufferSize(8192), 0},
      {"controller says Invalid Field", health, health.size(), 0x4002},
      {"kernel says no", health, health.size(), -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    system_.admin_commands.clear();
    system_.nvme_replies.assign(1, ScriptedNvmeReply{c.controller, 0, {}});
    Bytes reply(c.reply_size, 0xA5);
    EXPECT_FALSE(Control(handle, kIoctlStorageQueryProperty, c.query, reply));
    EXPECT_EQ(reply, Bytes(c.reply_size, 0xA5));
    EXPECT_EQ(system_.admin_commands.size(), c.controller != 0 ? 1u : 0u);
  }
}

// The self-test start: Device Self-test of every namespace, no data; the driver's status comes
// back in the block.
TEST_F(SgIoNvmeTest, SelfTestStartBecomesDeviceSelfTest) {
  using namespace nvme_protocol_command;
  const DeviceHandle handle = port_.Open(kNvmeDrive, Access::ReadWrite);
  for (const std::uint32_t code : {kStcShort, kStcExtended}) {
    SCOPED_TRACE(code);
    system_.admin_commands.clear();
    system_.nvme_replies.assign(1, ScriptedNvmeReply{0, 0x1234, {}});
    NvmeProtocolCommandBlock block = BuildNvmeProtocolCommandBlock(DeviceSelfTestCommand(code));
    ASSERT_TRUE(Control(handle, kIoctlStorageProtocolCommand, block, block));
    EXPECT_EQ(returned_, block.size());
    EXPECT_TRUE(NvmeProtocolCommandSucceeded(block));
    EXPECT_EQ(ReadLe32(block, kFixedProtocolReturnData), 0x1234u);
    ASSERT_EQ(system_.admin_commands.size(), 1u);
    // Opcode 14h, namespace FFFFFFFFh, the code in CDW10, no data, 60 s.
    EXPECT_EQ(ReadNvmeAdminBlock(SentBlock(0)), DeviceSelfTestCommand(code));
    EXPECT_EQ(system_.admin_commands[0].command.addr, 0u);
    EXPECT_EQ(system_.admin_commands[0].command.timeout_ms, 60000u);
  }

  // A controller without the command: the block comes back with the error and its status.
  system_.nvme_replies.assign(1, ScriptedNvmeReply{static_cast<int>(kInvalidOpcode), 0, {}});
  NvmeProtocolCommandBlock block = BuildNvmeProtocolCommandBlock(DeviceSelfTestCommand(kStcShort));
  ASSERT_TRUE(Control(handle, kIoctlStorageProtocolCommand, block, block));
  EXPECT_FALSE(NvmeProtocolCommandSucceeded(block));
  EXPECT_EQ(ReadLe32(block, kReturnStatus), kStatusError);
  EXPECT_EQ(ReadLe32(block, kErrorCode), kInvalidOpcode);
}

TEST_F(SgIoNvmeTest, OnlyTheSelfTestStartsGetThrough) {
  const DeviceHandle rw = port_.Open(kNvmeDrive, Access::ReadWrite);
  const DeviceHandle ro = port_.Open(kNvmeDrive, Access::ReadOnly);
  const NvmeCommand short_test = DeviceSelfTestCommand(kStcShort);
  const struct {
    const char* what;
    DeviceHandle handle;
    NvmeCommand command;
    int kernel;
  } cases[] = {
      {"read-only handle", ro, short_test, 0},
      {"abort", rw, DeviceSelfTestCommand(kStcAbort), 0},
      {"vendor-specific test", rw, DeviceSelfTestCommand(0xE), 0},
      {"one namespace", rw, {kNvmeDeviceSelfTest, 1, kStcShort, 0, 0}, 0},
      {"format NVM", rw, {0x80, kAllNamespaces, 0, 0, 0}, 0},
      {"kernel refuses", rw, short_test, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    system_.admin_commands.clear();
    system_.nvme_replies.assign(1, ScriptedNvmeReply{c.kernel, 0, {}});
    const NvmeProtocolCommandBlock block = BuildNvmeProtocolCommandBlock(c.command);
    Bytes out(block.size(), 0xA5);
    EXPECT_FALSE(Control(c.handle, kIoctlStorageProtocolCommand, block, out));
    EXPECT_EQ(out, Bytes(block.size(), 0xA5));
    EXPECT_EQ(system_.admin_commands.size(), c.kernel < 0 ? 1u : 0u);
  }
  // A reply smaller than the block.
  const NvmeProtocolCommandBlock block = BuildNvmeProtocolCommandBlock(short_test);
  Bytes out(block.size() - 1, 0);
  EXPECT_FALSE(Control(rw, kIoctlStorageProtocolCommand, block, out));
}

TEST_F(SgIoNvmeTest, ScsiDisksAnswerNoNvmeRequest) {
  const DeviceHandle sata = port_.Open("\\\\.\\PHYSICALDRIVE0", Access::ReadWrite);
  ASSERT_NE(sata, kInvalidHandle);
  Bytes query = BuildNvmeIdentifyControllerQuery();
  EXPECT_FALSE(Control(sata, kIoctlStorageQueryProperty, query, query));
  NvmeProtocolCommandBlock block = BuildNvmeProtocolCommandBlock(DeviceSelfTestCommand(kStcShort));
  EXPECT_FALSE(Control(sata, kIoctlStorageProtocolCommand, block, block));
  EXPECT_TRUE(system_.exchanges.empty());
  EXPECT_TRUE(system_.admin_commands.empty());
}

}  // namespace
}  // namespace kestrine
