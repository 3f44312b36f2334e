// The Linux device port: drive paths, and each request block turned into one SG_IO request and
// back, against a scripted disk and a fake sysfs tree.
#include "linux_device_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <vector>

#include "ata_pass_through_block.h"
#include "demo_drives.h"
#include "disk_path.h"
#include "drive_number.h"
#include "fake_toolkit.h"
#include "form_texts.h"
#include "legacy_request.h"
#include "sat_pass_through_block.h"
#include "scsi_commands.h"
#include "sg_io_fakes.h"
#include "smart_drv.h"
#include "usb_bridge_commands.h"

namespace kestrine {
namespace {

using testing::DescriptorAtaSense;
using testing::FakeSysfsTree;
using testing::FakeSystemCalls;
using testing::FixedAtaSense;
using testing::PlainSense;
using testing::ScriptedReply;
using Bytes = std::vector<Byte>;

constexpr const char* kSataPort = "pci0000:00/0000:00:1f.2/ata1";
constexpr const char* kUsbDisk =
    "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0";

Bytes Pattern(std::size_t n, Byte seed) {
  Bytes bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<Byte>(seed + i * 7);
  return bytes;
}

Bytes Slice(std::span<const Byte> bytes, std::size_t from, std::size_t n) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
               bytes.begin() + static_cast<std::ptrdiff_t>(from + n));
}

TEST(DiskPath, PhysicalDriveNamesTheKernelsScsiDisk) {
  const struct {
    const char* path;
    std::uint32_t number;
    const char* disk;
  } cases[] = {
      {"\\\\.\\PHYSICALDRIVE0", 0, "sda"},
      {"\\\\.\\\\\\.\\PHYSICALDRIVE1", 1, "sdb"},  // the prefix the drive layer doubles
      {"\\\\.\\physicaldrive25", 25, "sdz"},
      {"PhysicalDrive26", 26, "sdaa"},
      {"\\\\.\\PHYSICALDRIVE255", 255, "sdiv"},
      {"\\\\.\\PHYSICALDRIVE701", 701, "sdzz"},
      {"\\\\.\\PHYSICALDRIVE702", 702, "sdaaa"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    ASSERT_EQ(PhysicalDriveNumber(c.path), c.number);
    EXPECT_EQ(ScsiDiskName(c.number), c.disk);
  }
  for (const char* not_a_drive :
       {"", "\\\\.\\", "\\\\.\\PHYSICALDRIVE", "\\\\.\\PHYSICALDRIVE01", "\\\\.\\PHYSICALDRIVE-1",
        "\\\\.\\PHYSICALDRIVE1 ", " \\\\.\\PHYSICALDRIVE1", "\\\\.\\PHYSICALDRIVEX",
        "\\\\.\\C:", "\\\\?\\PHYSICALDRIVE0", "/dev/sda", "\\\\.\\PHYSICALDRIVE1234567890",
        "\\\\.\\PHYSICALDRIV0", "\\\\.\\CDROM0"}) {
    EXPECT_EQ(PhysicalDriveNumber(not_a_drive), std::nullopt) << not_a_drive;
  }
}

class LinuxDevicePortTest : public ::testing::Test {
 protected:
  LinuxDevicePortTest() {
    tree_.AddDisk({"sda", std::string(kSataPort) + "/host0/target0:0:0/0:0:0:0", "ATA     ",
                   "ST2000DM001-1CH1", "CC27", "Z1E0AAAA", false});
    tree_.AddLink(kSataPort, "link1", "6.0 Gbps");
    tree_.AddDisk({"sdb", kUsbDisk, "WD      ", "Elements 25A2   ", "1014", {}, true});
    for (const char* name : {"sda", "sdb", "sdaa"}) system_.existing.insert(Dev(name));
  }

  std::string Dev(const char* name) const { return (tree_.Root() / "dev" / name).string(); }

  DeviceHandle OpenSata(Access access = Access::ReadWrite) {
    return port_.Open("\\\\.\\\\\\.\\PHYSICALDRIVE0", access);
  }

  bool Control(DeviceHandle handle, std::uint32_t code, std::span<const Byte> in,
               std::span<Byte> out) {
    returned_ = 0xDEADBEEF;
    return port_.Control(handle, code, in, out, returned_);
  }

  // One ATA pass-through exchange of a block in place, as the drive layer sends it.
  bool AtaInPlace(DeviceHandle handle, AtaPassThroughBlock& block, std::uint32_t length) {
    const std::span<Byte> exchange(block.data(), AtaPassThroughExchangeSize(length));
    return Control(handle, kIoctlAtaPassThrough, exchange, exchange);
  }

  FakeSysfsTree tree_;
  FakeSystemCalls system_;
  std::vector<std::string> debug_;
  LinuxDevicePort port_{
      system_, LinuxDevicePortOptions{tree_.Root(), tree_.Root() / "dev",
                                      [this](std::string_view t) { debug_.emplace_back(t); }}};
  std::uint32_t returned_ = 0;
};

TEST_F(LinuxDevicePortTest, OpensTheNamedDiskNonBlockingAndClosesIt) {
  const DeviceHandle rw = port_.Open("\\\\.\\physicaldrive26", Access::ReadWrite);
  const DeviceHandle ro = port_.Open("\\\\.\\PHYSICALDRIVE0", Access::ReadOnly);
  ASSERT_NE(rw, kInvalidHandle);
  ASSERT_NE(ro, kInvalidHandle);
  ASSERT_EQ(system_.opens.size(), 2u);
  EXPECT_EQ(system_.opens[0].first, Dev("sdaa"));
  EXPECT_EQ(system_.opens[0].second & O_ACCMODE, O_RDWR);
  EXPECT_EQ(system_.opens[1].first, Dev("sda"));
  EXPECT_EQ(system_.opens[1].second & O_ACCMODE, O_RDONLY);
  for (const auto& open : system_.opens) EXPECT_NE(open.second & O_NONBLOCK, 0);

  EXPECT_EQ(port_.Open("\\\\.\\PHYSICALDRIVE2", Access::ReadWrite), kInvalidHandle);  // no sdc
  EXPECT_EQ(port_.Open("\\\\.\\C:", Access::ReadWrite), kInvalidHandle);
  EXPECT_EQ(system_.opens.size(), 3u);  // the non-drive path never reached the system

  EXPECT_TRUE(port_.Close(rw));
  EXPECT_FALSE(port_.Close(rw));
  EXPECT_EQ(system_.closes, std::vector<int>{static_cast<int>(rw)});
  Bytes query(12, 0), reply(4096, 0);
  EXPECT_FALSE(Control(rw, kIoctlStorageQueryProperty, query, reply));
  EXPECT_FALSE(Control(kInvalidHandle, kIoctlStorageQueryProperty, query, reply));
}

TEST_F(LinuxDevicePortTest, AtaSectorReadBecomesOneAtaPassThrough16) {
  const DeviceHandle handle = OpenSata();
  // READ DATA of drive 1.
  AtaPassThroughBlock block =
      BuildAtaPassThroughBlock({.features = 0xD0, .count = 1, .device = 1, .command = 0xB0}, 512);
  const Bytes sector = Pattern(512, 3);
  system_.fallback.data = sector;
  ASSERT_TRUE(AtaInPlace(handle, block, 512));

  ASSERT_EQ(system_.exchanges.size(), 1u);
  const auto& seen = system_.exchanges[0];
  EXPECT_EQ(seen.fd, handle);
  EXPECT_EQ(seen.header.interface_id, 'S');
  EXPECT_EQ(seen.header.dxfer_direction, SG_DXFER_FROM_DEV);
  EXPECT_EQ(seen.header.dxfer_len, 512u);
  // The block's 2 seconds are raised to 60: time for a disk in standby to spin up.
  EXPECT_EQ(seen.header.timeout, 60000u);
  EXPECT_EQ(seen.header.iovec_count, 0);
  EXPECT_GE(seen.header.mx_sb_len, 32);
  // PIO data-in, T_DIR from the device, length in 512-byte blocks given by the sector count. The
  // drive number in the device byte's reserved bits stays behind.
  EXPECT_EQ(seen.cdb,
            (Bytes{0x85, 0x08, 0x0E, 0, 0xD0, 0, 0x01, 0, 0x00, 0, 0x4F, 0, 0xC2, 0x00, 0xB0, 0}));

  EXPECT_EQ(Slice(block, ata_block::kData, 512), sector);
  // Completed without registers coming back: no error, DRDY|DSC; the rest of the header as sent.
  const AtaPassThroughBlock sent =
      BuildAtaPassThroughBlock({.features = 0xD0, .count = 1, .device = 1, .command = 0xB0}, 512);
  EXPECT_EQ(Slice(block, 0, 32), Slice(sent, 0, 32));
  EXPECT_EQ(Slice(block, 32, 8), (Bytes{0x00, 0x01, 0x00, 0x4F, 0xC2, 0x01, 0x50, 0x00}));
  EXPECT_EQ(returned_, 556u);
}

TEST_F(LinuxDevicePortTest, AtaNonDataAndShortDataInCommands) {
  const DeviceHandle handle = OpenSata();
  // A command without data asks for the registers back (CK_COND), which come as sense data.
  AtaPassThroughBlock no_data =
      BuildAtaPassThroughBlock({.features = 0xD4, .lba_low = 1, .command = 0xB0}, 0);
  system_.replies.push_back({.status = 2, .sense = DescriptorAtaSense(0x01, 0x00, 0x1D, 0, 0x50)});
  ASSERT_TRUE(AtaInPlace(handle, no_data, 0));
  const auto& non_data = system_.exchanges.back();
  EXPECT_EQ(non_data.header.dxfer_direction, SG_DXFER_NONE);
  EXPECT_EQ(non_data.header.dxfer_len, 0u);
  EXPECT_EQ(non_data.header.dxferp, nullptr);
  EXPECT_EQ(non_data.cdb,
            (Bytes{0x85, 0x06, 0x20, 0, 0xD4, 0, 0, 0, 0x01, 0, 0x4F, 0, 0xC2, 0x00, 0xB0, 0}));
  EXPECT_EQ(Slice(no_data, 32, 8), (Bytes{0x00, 0x01, 0x00, 0x4F, 0xC2, 0x40, 0x50, 0x00}));
  EXPECT_EQ(returned_, 40u);

  // A data-in request of 16 bytes: the disk gets a whole block, the caller 16 bytes.
  std::array<Byte, 60> start{};
  const AtaPassThroughBlock full =
      BuildAtaPassThroughBlock({.features = 0xD4, .lba_low = 2, .device = 1, .command = 0xB0}, 16);
  std::copy_n(full.begin(), start.size(), start.begin());
  system_.fallback.data = Pattern(512, 9);
  ASSERT_TRUE(Control(handle, kIoctlAtaPassThrough, start, start));
  EXPECT_EQ(system_.exchanges.back().header.dxfer_len, 512u);
  EXPECT_EQ(system_.exchanges.back().cdb[1], 0x08);
  EXPECT_EQ(Slice(start, 44, 16), Slice(Pattern(512, 9), 0, 16));
  EXPECT_EQ(returned_, 60u);
}

TEST_F(LinuxDevicePortTest, FortyEightBitRegistersTravelInTheExtendedBytes) {
  const DeviceHandle handle = OpenSata();
  AtaPassThroughBlock block = BuildAtaPassThroughBlock(
      {.count = 1, .lba_low = 0xE0, .command = 0x2F}, 512);  // READ LOG EXT
  WriteLe16(block, ata_block::kAtaFlags, 0x02 | 0x08);
  const Bytes previous = {0x11, 0x22, 0x33, 0x44, 0x55, 0, 0, 0};
  std::copy(previous.begin(), previous.end(), block.begin() + ata_block::kPreviousTaskFile);
  ASSERT_TRUE(AtaInPlace(handle, block, 512));
  EXPECT_EQ(system_.exchanges.back().cdb, (Bytes{0x85, 0x09, 0x0E, 0x11, 0x00, 0x22, 0x01, 0x33,
                                                 0x00, 0x44, 0x00, 0x55, 0x00, 0x00, 0x2F, 0}));
}

TEST_F(LinuxDevicePortTest, DriveAbortedCommandCompletesWithItsRegisters) {
  const DeviceHandle handle = OpenSata();
  const struct {
    const char* format;
    Bytes sense;
  } cases[] = {
      {"fixed", FixedAtaSense(0x0B, 0, 0, 0x04, 0x51)},
      {"descriptor", DescriptorAtaSense(0x0B, 0, 0, 0x04, 0x51)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    AtaPassThroughBlock block = BuildAtaPassThroughBlock(
        {.features = 0xD5, .count = 1, .lba_low = 6, .command = 0xB0}, 512);
    system_.replies.push_back({.status = 2, .sense = c.sense});
    ASSERT_TRUE(AtaInPlace(handle, block, 512));
    EXPECT_EQ(block[ata_block::kCurrentTaskFile + kIdeRegs.features], 0x04);  // ABRT
    EXPECT_EQ(block[ata_block::kCurrentTaskFile + kIdeRegs.command], 0x51);   // ERR
  }
}

TEST_F(LinuxDevicePortTest, RequestsTheStackCannotCarryFailAndLeaveTheReplyAlone) {
  const DeviceHandle handle = OpenSata();
  const struct {
    const char* what;
    ScriptedReply reply;
  } cases[] = {
      {"opcode refused", {.status = 2, .sense = PlainSense(0x05, 0x20)}},
      {"field refused", {.status = 2, .sense = PlainSense(0x05, 0x24)}},
      {"unit attention", {.status = 2, .sense = PlainSense(0x06, 0x29)}},
      {"check condition without sense", {.status = 2}},
      {"busy", {.status = 0x08}},
      {"host adapter error", {.host_status = 0x07}},
      {"driver time-out", {.driver_status = 0x06}},
      {"ioctl refused", {.result = -1}},
  };
  const AtaPassThroughBlock block = BuildAtaPassThroughBlock({.lba_low = 1, .command = 0xEC}, 512);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    system_.replies.push_back(c.reply);
    std::array<Byte, ata_block::kBlockSize> out;
    out.fill(0xEE);
    EXPECT_FALSE(Control(handle, kIoctlAtaPassThrough, block, out));
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](Byte b) { return b == 0xEE; }));
  }
}

TEST_F(LinuxDevicePortTest, MalformedAtaBlocksAreRefusedBeforeTheDisk) {
  const DeviceHandle handle = OpenSata();
  using Mutation = void (*)(AtaPassThroughBlock&);
  const struct {
    const char* what;
    Mutation mutate;
  } cases[] = {
      {"Length 44", [](AtaPassThroughBlock& b) { WriteLe16(b, ata_block::kLength, 44); }},
      {"data-out", [](AtaPassThroughBlock& b) { WriteLe16(b, ata_block::kAtaFlags, 0x04); }},
      {"DMA", [](AtaPassThroughBlock& b) { WriteLe16(b, ata_block::kAtaFlags, 0x12); }},
      {"time-out 0", [](AtaPassThroughBlock& b) { WriteLe32(b, ata_block::kTimeOutValue, 0); }},
      {"time-out 31 hours",
       [](AtaPassThroughBlock& b) { WriteLe32(b, ata_block::kTimeOutValue, 111600); }},
      {"length without direction",
       [](AtaPassThroughBlock& b) { WriteLe16(b, ata_block::kAtaFlags, 0); }},
      {"data inside the header",
       [](AtaPassThroughBlock& b) { WriteLe32(b, ata_block::kDataBufferOffset, 36); }},
      {"data past the reply",
       [](AtaPassThroughBlock& b) { WriteLe32(b, ata_block::kDataBufferOffset, 48); }},
      {"huge length",
       [](AtaPassThroughBlock& b) { WriteLe32(b, ata_block::kDataTransferLength, 0xFFFFFFF0); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AtaPassThroughBlock block =
        BuildAtaPassThroughBlock({.features = 0xD0, .count = 1, .command = 0xB0}, 512);
    c.mutate(block);
    EXPECT_FALSE(AtaInPlace(handle, block, 512));
  }
  AtaPassThroughBlock block =
      BuildAtaPassThroughBlock({.features = 0xD0, .count = 1, .command = 0xB0}, 512);
  EXPECT_FALSE(Control(handle, kIoctlAtaPassThrough, std::span(block.data(), 39),
                       std::span(block.data(), 39)));
  EXPECT_TRUE(system_.exchanges.empty());
}

TEST_F(LinuxDevicePortTest, AtaRequestsNeedTheAtaLayerAndAWritableHandle) {
  const DeviceHandle usb = port_.Open("\\\\.\\PHYSICALDRIVE1", Access::ReadWrite);
  const DeviceHandle read_only = OpenSata(Access::ReadOnly);
  AtaPassThroughBlock block = BuildAtaPassThroughBlock({.lba_low = 1, .command = 0xEC}, 512);
  SmartVersionBlockBytes version{};
  LegacyRequestBlock request = BuildLegacyRequest(
      {.buffer_size = 512,
       .registers = {.count = 1, .lba_low = 1, .device = 0xA0, .command = 0xEC}});
  LegacyResponse response{};
  const auto request_in = std::span<const Byte>(request.data(), legacy::kRequestSendSize);

  EXPECT_FALSE(AtaInPlace(usb, block, 512));
  EXPECT_FALSE(Control(usb, kSmartGetVersion, {}, version));
  EXPECT_FALSE(Control(usb, kSmartRcvDriveData, request_in, response));
  EXPECT_FALSE(AtaInPlace(read_only, block, 512));
  EXPECT_FALSE(Control(read_only, kSmartRcvDriveData, request_in, response));
  EXPECT_TRUE(system_.exchanges.empty());
  EXPECT_FALSE(Control(read_only, 0x2D0C00, {}, response));  // a code the port does not know

  // The version query needs no write access and no device I/O.
  ASSERT_TRUE(Control(read_only, kSmartGetVersion, {}, version));
  EXPECT_EQ(Bytes(version.begin(), version.end()),
            (Bytes{1, 1, 0, 1, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(returned_, 24u);
  EXPECT_TRUE(system_.exchanges.empty());
}

TEST_F(LinuxDevicePortTest, LegacyReceiveAndSend) {
  const DeviceHandle handle = OpenSata();
  // READ DATA of drive 2.
  const LegacyRequestBlock read = BuildLegacyRequest({.buffer_size = 512,
                                                      .registers = {.features = 0xD0,
                                                                    .count = 1,
                                                                    .lba_low = 1,
                                                                    .lba_mid = 0x4F,
                                                                    .lba_high = 0xC2,
                                                                    .device = 0xA0,
                                                                    .command = 0xB0},
                                                      .drive_number = 2});
  const auto read_in = std::span<const Byte>(read.data(), legacy::kRequestSendSize);
  LegacyResponse response{};
  system_.fallback.data = Pattern(512, 5);
  ASSERT_TRUE(Control(handle, kSmartRcvDriveData, read_in, response));
  const auto& receive = system_.exchanges.back();
  EXPECT_EQ(receive.cdb,
            (Bytes{0x85, 0x08, 0x0E, 0, 0xD0, 0, 0x01, 0, 0x01, 0, 0x4F, 0, 0xC2, 0xA0, 0xB0, 0}));
  EXPECT_EQ(receive.header.dxfer_direction, SG_DXFER_FROM_DEV);
  EXPECT_EQ(receive.header.dxfer_len, 512u);
  EXPECT_EQ(receive.header.timeout, 60000u);  // the legacy requests carry none
  EXPECT_EQ(Slice(response, 0, 16), (Bytes{0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Slice(response, 16, 512), Pattern(512, 5));
  EXPECT_EQ(returned_, 528u);

  // The drive aborts: the request completes with the error in DRIVERSTATUS.
  system_.replies.push_back({.status = 2, .sense = FixedAtaSense(0x0B, 0, 0, 0x04, 0x51)});
  ASSERT_TRUE(Control(handle, kSmartRcvDriveData, read_in, response));
  EXPECT_EQ(Slice(response, 0, 6), (Bytes{0, 0, 0, 0, 1, 0x04}));

  // EXECUTE OFF-LINE IMMEDIATE, short self-test: a non-data command.
  const LegacyRequestBlock start = BuildLegacyRequest({.registers = {.features = 0xD4,
                                                                     .lba_low = 1,
                                                                     .lba_mid = 0x4F,
                                                                     .lba_high = 0xC2,
                                                                     .device = 0xA0,
                                                                     .command = 0xB0}});
  LegacyStatusSlot status{};
  system_.replies.push_back({.status = 2, .sense = DescriptorAtaSense(0x01, 0, 0x1D, 0, 0x50)});
  ASSERT_TRUE(Control(handle, kSmartSendDriveCommand,
                      std::span<const Byte>(start.data(), legacy::kRequestSendSize), status));
  EXPECT_EQ(system_.exchanges.back().cdb,
            (Bytes{0x85, 0x06, 0x20, 0, 0xD4, 0, 0, 0, 0x01, 0, 0x4F, 0, 0xC2, 0xA0, 0xB0, 0}));
  EXPECT_EQ(system_.exchanges.back().header.dxfer_direction, SG_DXFER_NONE);
  EXPECT_EQ(Bytes(status.begin(), status.end()), Bytes(16, 0));
  EXPECT_EQ(returned_, 16u);

  // Requests the legacy interface does not carry, refused before the disk.
  const std::size_t sent = system_.exchanges.size();
  const struct {
    std::uint32_t code;
    LegacyRegisters registers;
  } refused[] = {
      {kSmartRcvDriveData,
       {.buffer_size = 512,
        .registers = {.features = 0xD4,
                      .lba_low = 1,
                      .lba_mid = 0x4F,
                      .lba_high = 0xC2,
                      .device = 0xA0,
                      .command = 0xB0}}},  // no data to read
      {kSmartRcvDriveData,
       {.registers = {.features = 0xD0,
                      .count = 1,
                      .lba_low = 1,
                      .lba_mid = 0x4F,
                      .lba_high = 0xC2,
                      .device = 0xA0,
                      .command = 0xB0}}},  // no buffer
      {kSmartRcvDriveData,
       {.buffer_size = 512,
        .registers = {.count = 1, .lba_low = 1, .device = 0xA0, .command = 0x25}}},  // READ DMA EXT
      {kSmartSendDriveCommand,
       {.registers = {.features = 0xD0,
                      .count = 1,
                      .lba_low = 1,
                      .lba_mid = 0x4F,
                      .lba_high = 0xC2,
                      .device = 0xA0,
                      .command = 0xB0}}},  // reads data
      {kSmartSendDriveCommand,
       {.registers = {.device = 0xA0, .command = 0xE0}}},  // STANDBY IMMEDIATE
  };
  for (const auto& r : refused) {
    const LegacyRequestBlock block = BuildLegacyRequest(r.registers);
    EXPECT_FALSE(Control(handle, r.code,
                         std::span<const Byte>(block.data(), legacy::kRequestSendSize), response));
  }
  EXPECT_FALSE(Control(handle, kSmartRcvDriveData, read_in, std::span(response.data(), 527)));
  EXPECT_EQ(system_.exchanges.size(), sent);
}

TEST_F(LinuxDevicePortTest, LegacyReturnStatusGivesTheRegisters) {
  const DeviceHandle handle = OpenSata();
  const LegacyRequestBlock request = BuildLegacyRequest(
      {.registers = {
           .features = 0xDA, .lba_mid = 0x4F, .lba_high = 0xC2, .device = 0xA0, .command = 0xB0}});
  std::array<Byte, 24> out{};
  auto sense = DescriptorAtaSense(0x01, 0, 0x1D, 0, 0x50);
  sense[8 + 9] = 0xF4;  // threshold exceeded: LBA mid/high F4h/2Ch
  sense[8 + 11] = 0x2C;
  system_.replies.push_back({.status = 2, .sense = sense});
  ASSERT_TRUE(Control(handle, kSmartSendDriveCommand,
                      std::span<const Byte>(request.data(), legacy::kRequestSendSize), out));
  EXPECT_EQ(Slice(out, 16, 8), (Bytes{0x00, 0x01, 0x00, 0xF4, 0x2C, 0x40, 0x50, 0x00}));
  EXPECT_EQ(returned_, 24u);
}

TEST_F(LinuxDevicePortTest, ScsiPassThroughSendsItsCdbAsItIs) {
  // The USB disk: SCSI pass-through needs no ATA layer.
  const DeviceHandle handle = port_.Open("\\\\.\\PHYSICALDRIVE1", Access::ReadWrite);
  SatPassThroughBlock block =
      BuildSatPassThroughBlock({.count = 1, .device = 0xA0, .command = 0xEC}, 512);  // IDENTIFY
  system_.fallback.data = Pattern(512, 1);
  ASSERT_TRUE(Control(handle, kIoctlScsiPassThrough, std::span(block.data(), 44), block));
  const auto& seen = system_.exchanges.back();
  EXPECT_EQ(seen.header.cmd_len, 12);
  EXPECT_EQ(seen.cdb, (Bytes{0xA1, 0x08, 0x0E, 0, 0x01, 0, 0, 0, 0xA0, 0xEC, 0, 0}));
  EXPECT_EQ(seen.header.dxfer_direction, SG_DXFER_FROM_DEV);
  EXPECT_EQ(seen.header.dxfer_len, 512u);
  EXPECT_EQ(seen.header.timeout, 60000u);
  EXPECT_EQ(seen.header.mx_sb_len, 24);
  EXPECT_EQ(block[sat_block::kScsiStatus], 0);
  EXPECT_EQ(Slice(block, sat_block::kData, 512), Pattern(512, 1));
  EXPECT_EQ(ReadLe32(block, sat_block::kDataTransferLength), 512u);
  EXPECT_EQ(returned_, 592u);

  // A short transfer reports what moved.
  system_.replies.push_back({.resid = 112});
  ASSERT_TRUE(Control(handle, kIoctlScsiPassThrough, std::span(block.data(), 44), block));
  EXPECT_EQ(ReadLe32(block, sat_block::kDataTransferLength), 400u);

  // Refused by the device: still carried, the status and sense are the caller's to read. The
  // sense area takes only the SenseInfoLength bytes offered.
  SatPassThroughBlock refused = BuildSatPassThroughBlock(
      {.features = 0xD4, .lba_low = 1, .device = 0xA0, .command = 0xB0}, 0);
  Bytes long_sense = PlainSense(0x05, 0x20);
  long_sense.resize(40, 0xAB);
  system_.replies.push_back({.status = 2, .sense = long_sense});
  ASSERT_TRUE(Control(handle, kIoctlScsiPassThrough, std::span(refused.data(), 44),
                      std::span(refused.data(), 80)));
  EXPECT_EQ(system_.exchanges.back().header.dxfer_direction, SG_DXFER_NONE);
  EXPECT_EQ(refused[sat_block::kScsiStatus], 2);
  EXPECT_EQ(Slice(refused, sat_block::kSense, 24), Slice(long_sense, 0, 24));
  EXPECT_EQ(Slice(refused, sat_block::kSense + 24, 8), Bytes(8, 0));

  system_.replies.push_back({.host_status = 0x01});  // no connect
  EXPECT_FALSE(Control(handle, kIoctlScsiPassThrough, std::span(block.data(), 44), block));
}

TEST_F(LinuxDevicePortTest, TheScsiFamilysCommandsTravelWithTheirOwnLength) {
  // A LOG SENSE of a 1 KiB buffer: the CDB as built, and only the bytes the disk moved back.
  const DeviceHandle handle = port_.Open("\\\\.\\PHYSICALDRIVE1", Access::ReadWrite);
  system_.replies.push_back({.data = Pattern(16, 3), .resid = 1024 - 16});
  const ScsiOutcome outcome = SendScsiCommand(port_, handle, LogSenseCdb(0x0D, 0, 1024), 1024);
  EXPECT_TRUE(outcome.Good());
  EXPECT_EQ(outcome.data, Pattern(16, 3));
  const auto& seen = system_.exchanges.back();
  EXPECT_EQ(seen.cdb, (Bytes{0x4D, 0, 0x4D, 0, 0, 0, 0, 0x04, 0x00, 0}));
  EXPECT_EQ(seen.header.dxfer_direction, SG_DXFER_FROM_DEV);
  EXPECT_EQ(seen.header.dxfer_len, 1024u);
}

TEST_F(LinuxDevicePortTest, ScsiPassThroughDataOutComesFromTheInput) {
  const DeviceHandle handle = OpenSata();
  Bytes block(44 + 4 + 512, 0);
  WriteLe16(block, sat_block::kLength, 44);
  block[sat_block::kCdbLength] = 10;
  block[sat_block::kDataIn] = sat_block::kScsiIoctlDataOut;
  WriteLe32(block, sat_block::kDataTransferLength, 512);
  WriteLe32(block, sat_block::kTimeOutValue, 5);
  WriteLe32(block, sat_block::kDataBufferOffset, 48);
  block[sat_block::kCdb] = 0x3B;  // WRITE BUFFER
  const Bytes payload = Pattern(512, 2);
  std::copy(payload.begin(), payload.end(), block.begin() + 48);
  ASSERT_TRUE(Control(handle, kIoctlScsiPassThrough, block, std::span(block.data(), 44)));
  EXPECT_EQ(system_.exchanges.back().header.dxfer_direction, SG_DXFER_TO_DEV);
  EXPECT_EQ(system_.exchanges.back().data_out, payload);
  EXPECT_EQ(system_.exchanges.back().header.timeout, 60000u);
}

TEST_F(LinuxDevicePortTest, ABridgeCommandTravelsInItsCdbsWithItsOwnShortTimeOut) {
  const DeviceHandle handle = port_.Open("\\\\.\\PHYSICALDRIVE1", Access::ReadWrite);  // USB
  const auto completion = BuildJMicronCompletion(0);
  system_.replies = {
      {}, {.data = Pattern(4096, 3)}, {.data = Bytes(completion.begin(), completion.end())}};
  NvmeIdentifyBlock data{};
  ASSERT_TRUE(
      BridgeNvmeCommand(port_, handle, UsbBridge::JMicron, IdentifyControllerCommand(), data));
  ASSERT_EQ(system_.exchanges.size(), 3u);
  const auto& block = system_.exchanges[0];
  EXPECT_EQ(block.header.dxfer_direction, SG_DXFER_TO_DEV);
  EXPECT_EQ(Slice(block.data_out, 0, 4), (Bytes{'N', 'V', 'M', 'E'}));
  EXPECT_EQ(system_.exchanges[1].header.dxfer_direction, SG_DXFER_FROM_DEV);
  EXPECT_EQ(system_.exchanges[1].header.dxfer_len, 4096u);
  for (const auto& seen : system_.exchanges) EXPECT_EQ(seen.header.timeout, 10000u);
  EXPECT_EQ(Bytes(data.begin(), data.end()), Pattern(4096, 3));
}

TEST_F(LinuxDevicePortTest, MalformedScsiBlocksAreRefusedBeforeTheDisk) {
  const DeviceHandle handle = OpenSata();
  using Mutation = void (*)(SatPassThroughBlock&);
  const struct {
    const char* what;
    Mutation mutate;
  } cases[] = {
      {"Length 40", [](SatPassThroughBlock& b) { WriteLe16(b, sat_block::kLength, 40); }},
      {"no CDB", [](SatPassThroughBlock& b) { b[sat_block::kCdbLength] = 0; }},
      {"CDB of 17", [](SatPassThroughBlock& b) { b[sat_block::kCdbLength] = 17; }},
      {"direction 3", [](SatPassThroughBlock& b) { b[sat_block::kDataIn] = 3; }},
      {"direction unspecified", [](SatPassThroughBlock& b) { b[sat_block::kDataIn] = 2; }},
      {"time-out 0", [](SatPassThroughBlock& b) { WriteLe32(b, sat_block::kTimeOutValue, 0); }},
      {"data in the header",
       [](SatPassThroughBlock& b) { WriteLe32(b, sat_block::kDataBufferOffset, 40); }},
      {"data past the reply",
       [](SatPassThroughBlock& b) { WriteLe32(b, sat_block::kDataBufferOffset, 81); }},
      {"sense past the reply",
       [](SatPassThroughBlock& b) { WriteLe32(b, sat_block::kSenseInfoOffset, 580); }},
      {"sense in the header",
       [](SatPassThroughBlock& b) { WriteLe32(b, sat_block::kSenseInfoOffset, 20); }},
      {"huge length",
       [](SatPassThroughBlock& b) { WriteLe32(b, sat_block::kDataTransferLength, 0x80000000); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SatPassThroughBlock block =
        BuildSatPassThroughBlock({.count = 1, .device = 0xA0, .command = 0xEC}, 512);
    c.mutate(block);
    EXPECT_FALSE(Control(handle, kIoctlScsiPassThrough, std::span(block.data(), 44), block));
  }
  EXPECT_TRUE(system_.exchanges.empty());
}

// The drive layer unchanged over the port: the ATA family answers on the ATA layer, a USB bridge
// leaves it to the SAT family, and the property query names the bus.
TEST_F(LinuxDevicePortTest, DriveLayerRunsOverThePort) {
  SmartDrv drive(port_);
  const Bytes identify = Pattern(512, 4);
  system_.fallback.data = identify;

  const DeviceHandle sata = drive.OpenDrive("\\\\.\\PHYSICALDRIVE0");
  ASSERT_NE(sata, kInvalidHandle);
  EXPECT_EQ(drive.IdentifyDeviceAta(sata, 0), CommandResult::Success);
  EXPECT_EQ(Bytes(drive.Tables().IdentifySector[0].begin(), drive.Tables().IdentifySector[0].end()),
            identify);
  ASSERT_EQ(system_.exchanges.size(), 1u);
  EXPECT_EQ(system_.exchanges[0].cdb[0], 0x85);
  // The ATA pass-through refused: the legacy request takes the same road and is refused too.
  system_.replies.assign(2, ScriptedReply{.status = 2, .sense = PlainSense(0x05, 0x20)});
  Sector log{};
  log.fill(0x77);
  EXPECT_EQ(drive.ReadSelfTestLogAta(sata, 0, log), CommandResult::Failure);
  EXPECT_EQ(log, Sector{});
  EXPECT_TRUE(debug_.empty());
  // Only the pass-through refused: the legacy request answers, and its driver error is the
  // debug text.
  system_.replies.assign(1, ScriptedReply{.status = 2, .sense = PlainSense(0x05, 0x24)});
  EXPECT_EQ(drive.ReadSelfTestLogAta(sata, 0, log), CommandResult::Success);
  EXPECT_EQ(Bytes(log.begin(), log.end()), identify);
  EXPECT_EQ(debug_, std::vector<std::string>{"0"});
  drive.CloseDrive(sata);

  const DeviceHandle usb = drive.OpenDrive("\\\\.\\PHYSICALDRIVE1");
  const std::size_t before = system_.exchanges.size();
  EXPECT_EQ(drive.IdentifyDeviceAta(usb, 1), CommandResult::Failure);
  EXPECT_EQ(system_.exchanges.size(), before);  // nothing reached the bridge
  EXPECT_EQ(drive.IdentifyDeviceSat(usb, 1), CommandResult::Success);
  EXPECT_EQ(system_.exchanges.back().cdb[0], 0xA1);
  drive.CloseDrive(usb);

  TDisk_Property sata_property, usb_property;
  EXPECT_TRUE(drive.QueryDiskProperty("\\\\.\\PHYSICALDRIVE0", sata_property));
  EXPECT_TRUE(drive.QueryDiskProperty("\\\\.\\PHYSICALDRIVE1", usb_property));
  EXPECT_EQ(sata_property.BusType, "Sata");
  EXPECT_EQ(sata_property.VendorId, "ATA");
  EXPECT_EQ(sata_property.SerialNumber, "Z1E0AAAA");
  EXPECT_EQ(usb_property.BusType, "Usb");
  EXPECT_TRUE(usb_property.RemovableMedia);
}

// Runs only where a SCSI disk is present and can be opened (root, or the disk group).
TEST(LinuxDevicePortRealDisk, AnswersThePropertyQueryAndIdentify) {
  std::optional<std::uint32_t> found;
  for (std::uint32_t n = 0; n < 26 && !found; ++n) {
    if (std::filesystem::exists("/sys/block/" + ScsiDiskName(n))) found = n;
  }
  if (!found) GTEST_SKIP() << "no SCSI disk in /sys/block";
  LinuxDevicePort port;
  const std::string path = "\\\\.\\PHYSICALDRIVE" + std::to_string(*found);
  const DeviceHandle handle = port.Open(path, Access::ReadWrite);
  if (handle == kInvalidHandle) GTEST_SKIP() << "cannot open /dev/" << ScsiDiskName(*found);
  Bytes query(12, 0), reply(4096, 0);
  std::uint32_t returned = 0;
  EXPECT_TRUE(port.Control(handle, kIoctlStorageQueryProperty, query, reply, returned));
  EXPECT_GE(returned, 40u);
  if (SysfsDisk("/sys", ScsiDiskName(*found)).Attachment().ata_layer) {
    AtaPassThroughBlock block = BuildAtaPassThroughBlock({.lba_low = 1, .command = 0xEC}, 512);
    const std::span<Byte> exchange(block.data(), block.size());
    EXPECT_TRUE(port.Control(handle, kIoctlAtaPassThrough, exchange, exchange, returned));
  }
  EXPECT_TRUE(port.Close(handle));
}

}  // namespace
}  // namespace kestrine

namespace kestrine {
namespace {

// The self-test start through the drive layer reaches the disk as a non-data command in both
// families, and counts only when the disk did not refuse it.
TEST_F(LinuxDevicePortTest, SelfTestStartIsNonDataAndCountsOnlyWithoutAnError) {
  SmartDrv drv(port_);
  const DeviceHandle handle = OpenSata();
  const Bytes ata_start = {0x85, 0x06, 0x20, 0, 0xD4, 0,    0,    0,
                           0x01, 0,    0x4F, 0, 0xC2, 0x00, 0xB0, 0};
  EXPECT_EQ(drv.RunSelfTestAta(handle, 1, kSmartExecuteOfflineImmediate, 1, 0),
            CommandResult::Success);
  ASSERT_EQ(system_.exchanges.size(), 1u);
  EXPECT_EQ(system_.exchanges[0].cdb, ata_start);
  EXPECT_EQ(system_.exchanges[0].header.dxfer_direction, SG_DXFER_NONE);
  EXPECT_EQ(system_.exchanges[0].header.timeout, 60000u);

  // The drive aborts it: the legacy request is tried and aborted too; nothing counts.
  system_.exchanges.clear();
  const ScriptedReply aborted{.status = 2, .sense = DescriptorAtaSense(0x0B, 0, 0, 0x04, 0x51)};
  system_.replies = {aborted, aborted};
  EXPECT_EQ(drv.RunSelfTestAta(handle, 1, kSmartExecuteOfflineImmediate, 1, 0),
            CommandResult::Failure);
  EXPECT_EQ(system_.exchanges.size(), 2u);

  // Through SAT: ATA PASS-THROUGH (12), protocol 3 without transfer length.
  system_.exchanges.clear();
  EXPECT_EQ(drv.RunSelfTestSat(handle, 0, kSmartExecuteOfflineImmediate, 2, 0),
            CommandResult::Success);
  ASSERT_EQ(system_.exchanges.size(), 1u);
  EXPECT_EQ(system_.exchanges[0].cdb,
            (Bytes{0xA1, 0x06, 0x00, 0xD4, 0, 0x02, 0x4F, 0xC2, 0xA0, 0xB0, 0, 0}));
  EXPECT_EQ(system_.exchanges[0].header.dxfer_direction, SG_DXFER_NONE);
  EXPECT_EQ(system_.exchanges[0].header.timeout, 60000u);

  // Refused with ABORTED COMMAND and no registers, in both forms of the device byte: no start.
  system_.exchanges.clear();
  const ScriptedReply refused{.status = 2, .sense = PlainSense(0x0B, 0)};
  system_.replies = {refused, refused};
  EXPECT_EQ(drv.RunSelfTestSat(handle, 0, kSmartExecuteOfflineImmediate, 2, 0),
            CommandResult::Failure);
  EXPECT_EQ(system_.exchanges.size(), 2u);
}

TEST_F(LinuxDevicePortTest, AFailedOpenSaysWhy) {
  system_.denied.insert(Dev("sdc"));
  EXPECT_EQ(port_.Open("\\\\.\\PHYSICALDRIVE2", Access::ReadWrite), kInvalidHandle);
  OpenFailure failure = port_.LastOpenFailure();
  EXPECT_EQ(failure.error, OpenError::AccessDenied);
  EXPECT_EQ(failure.device, Dev("sdc"));
  EXPECT_EQ(failure.reason, "Permission denied");
  EXPECT_EQ(port_.Open("\\\\.\\PHYSICALDRIVE7", Access::ReadOnly), kInvalidHandle);
  EXPECT_EQ(port_.LastOpenFailure().error, OpenError::NoDevice);
  EXPECT_NE(OpenSata(), kInvalidHandle);
  EXPECT_EQ(port_.LastOpenFailure().error, OpenError::None);
  EXPECT_EQ(DescribeOpenFailure("/dev/sda", EIO).error, OpenError::Other);
}

// A USB bridge that carries IDENTIFY but refuses S.M.A.R.T. READ DATA, as cheap ones do: the
// window over the port shows the drive identified, without a verdict and without the cleared
// data block's status bytes.
TEST_F(LinuxDevicePortTest, ABridgeThatRefusesReadDataLeavesTheDriveUnjudged) {
  SimBay bay;
  AddDemoDrives(bay);
  const Sector& identify = bay.FindDrive(kDemoUsbSsd)->image.identify;
  system_.replies.push_back(ScriptedReply{.data = Bytes(identify.begin(), identify.end())});
  system_.fallback = ScriptedReply{.status = 2, .sense = PlainSense(0x05, 0x24)};
  SmartDrv drv(port_);
  testing::FakeToolkit ui;
  TForm1 form(drv, ui.Controls());
  ui.ComboBox1.text = DriveDevicePath(1);
  RunGuarded(ui.App, [&] { form.ComboBox1Change(); });

  const auto read_data = std::ranges::find_if(system_.exchanges, [](const testing::SeenSgIo& seen) {
    return seen.cdb[0] == 0xA1 && seen.cdb[3] == kSmartReadData;
  });
  EXPECT_NE(read_data, system_.exchanges.end());
  EXPECT_EQ(ui.lblstatus.caption, "");
  EXPECT_EQ(ui.TrayIcon1.hint, DriveDevicePath(1) + "\r\nCondition:" + texts::kHealthNotRead);
  EXPECT_EQ(ui.ListView2.CellText(0, 1), drv.Tables().HDDInfo[1].Model);
  EXPECT_EQ(ui.ListView1.ItemCount(), 0);
  EXPECT_EQ(ui.ListView4.ItemCount(), 0);
}

}  // namespace
}  // namespace kestrine
