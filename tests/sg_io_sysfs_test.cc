// What the Linux device port reads from sysfs: where a disk hangs (bus type, ATA layer) and the
// STORAGE_DEVICE_DESCRIPTOR it answers the property query with, from fake sysfs trees.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linux_device_port.h"
#include "sg_io_fakes.h"
#include "storage_descriptor_writer.h"
#include "storage_property.h"
#include "sysfs_disk.h"

namespace kestrine {
namespace {

using testing::FakeSysfsTree;
using testing::FakeSystemCalls;
using Bytes = std::vector<Byte>;

constexpr const char* kSataPort = "pci0000:00/0000:00:1f.2/ata1";
constexpr const char* kPataPort = "pci0000:00/0000:00:01.1/ata3";

// The zero-terminated text at an offset of a reply, or nullopt for offset 0. Fails the test when
// the text or its zero byte lies outside the reply.
std::optional<std::string> TextAt(std::span<const Byte> reply, std::size_t offset_field) {
  const std::uint32_t offset = ReadLe32(reply, offset_field);
  if (offset == 0) return std::nullopt;
  std::string text;
  for (std::size_t i = offset; i < reply.size(); ++i) {
    if (reply[i] == 0) return text;
    text.push_back(static_cast<char>(reply[i]));
  }
  ADD_FAILURE() << "text at " << offset << " runs past the reply of " << reply.size();
  return std::nullopt;
}

TEST(SysfsDisk, BusTypeAndAtaLayerFollowWhereTheDiskHangs) {
  FakeSysfsTree tree;
  const struct {
    const char* disk;
    std::string device_path;
    const char* vendor;
    BusType bus_type;
    bool ata_layer;
  } cases[] = {
      {"sda", std::string(kSataPort) + "/host0/target0:0:0/0:0:0:0", "ATA     ", BusType::Sata,
       true},
      {"sdb", std::string(kPataPort) + "/host2/target2:0:0/2:0:0:0", "ATA     ", BusType::Ata,
       true},
      {"sdc", "pci0000:00/0000:00:1f.1/ata5/host4/target4:0:1/4:0:1:0", "ATA     ", BusType::Ata,
       true},  // no link attributes at all
      {"sdd", "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0", "ATA     ",
       BusType::Usb, false},  // a bridge that calls itself ATA
      {"sde",
       "pci0000:00/0000:00:03.0/0000:02:00.0/host7/port-7:0/end_device-7:0/"
       "target7:0:0/7:0:0:0",
       "SEAGATE ", BusType::Sas, false},
      {"sdf",
       "pci0000:00/0000:00:03.0/0000:02:00.0/host7/port-7:1/expander-7:0/port-7:0:2/"
       "end_device-7:0:2/target7:0:2/7:0:2:0",
       "ATA     ", BusType::Sas, true},  // SATA disk behind a SAS HBA's translator
      {"sdg", "pci0000:00/0000:00:02.0/0000:03:00.0/host8/rport-8:0-0/target8:0:0/8:0:0:0",
       "HP      ", BusType::Fibre, false},
      {"sdh", "platform/host9/session1/target9:0:0/9:0:0:0", "LIO-ORG ", BusType::Iscsi, false},
      {"sdi", "pci0000:00/0000:00:04.0/virtio1/host1/target1:0:0/1:0:0:0", "QEMU    ",
       BusType::Scsi, false},
  };
  for (const auto& c : cases) {
    tree.AddDisk({c.disk, c.device_path, c.vendor, "Disk", "1.0", {}, false});
  }
  tree.AddLink(kSataPort, "link1", "6.0 Gbps");
  tree.AddLink(kPataPort, "link3", "<unknown>");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.disk);
    const DiskAttachment attachment = SysfsDisk(tree.Root(), c.disk).Attachment();
    EXPECT_EQ(attachment.bus_type, c.bus_type);
    EXPECT_EQ(attachment.ata_layer, c.ata_layer);
  }
  const DiskAttachment missing = SysfsDisk(tree.Root(), "sdz").Attachment();
  EXPECT_EQ(missing.bus_type, BusType::Unknown);
  EXPECT_FALSE(missing.ata_layer);
}

TEST(SysfsDisk, AUsbDiskNamesItsBridgesIds) {
  FakeSysfsTree tree;
  constexpr const char* kUsbDevice = "pci0000:00/0000:00:14.0/usb2/2-1";
  const std::string below = "/2-1:1.0/host6/target6:0:0/6:0:0:0";
  const struct {
    const char* disk;
    const char* vendor;  // nullptr: no ids written
    const char* product;
    std::optional<UsbId> id;
  } cases[] = {
      {"sda", "152d", "0583", UsbId{0x152D, 0x0583}},
      {"sdb", "174C", "2362", UsbId{0x174C, 0x2362}},
      {"sdc", "zz12", "0583", std::nullopt},
      {"sdd", "152d", "05831", std::nullopt},
      {"sde", nullptr, nullptr, std::nullopt},
  };
  for (const auto& c : cases) {
    const std::string usb_device = std::string(kUsbDevice) + c.disk;
    tree.AddDisk({c.disk, usb_device + below, "JMicron", "Generic", "0214", {}, false});
    if (c.vendor != nullptr) tree.SetUsbIds(usb_device, c.vendor, c.product);
    EXPECT_EQ(SysfsDisk(tree.Root(), c.disk).UsbParentId(), c.id) << c.disk;
  }
  tree.AddDisk({"sdf",
                std::string(kSataPort) + "/host0/target0:0:0/0:0:0:0",
                "ATA",
                "Disk",
                "1.0",
                {},
                false});
  EXPECT_EQ(SysfsDisk(tree.Root(), "sdf").UsbParentId(), std::nullopt);
}

TEST(SysfsDisk, ADiskRuntimeSuspendedIsToldWithoutOpeningIt) {
  FakeSysfsTree tree;
  FakeSystemCalls system;
  LinuxDevicePort port(system, LinuxDevicePortOptions{tree.Root(), tree.Root() / "dev", {}});
  const struct {
    const char* disk;
    const char* status;  // nullptr: no such attribute (no runtime power management)
    PowerMode mode;
  } cases[] = {{"sda", "suspended", PowerMode::Suspended},
               {"sdb", "active", PowerMode::Unknown},
               {"sdc", nullptr, PowerMode::Unknown}};
  for (const auto& c : cases) {
    tree.AddDisk({c.disk,
                  std::string(kSataPort) + "/host0/target0:0:0/0:0:0:" + c.disk,
                  "ATA",
                  "Disk",
                  "1.0",
                  {},
                  false});
    if (c.status != nullptr) tree.SetRuntimeStatus(c.disk, c.status);
    const auto number = static_cast<std::uint32_t>(c.disk[2] - 'a');
    EXPECT_EQ(port.PowerWithoutOpening("\\\\.\\PHYSICALDRIVE" + std::to_string(number)), c.mode)
        << c.disk;
  }
  // An NVMe namespace is not asked, and nothing was opened to ask.
  tree.AddNvmeNamespace("nvme0n1", "pci0000:00/0000:00:05.0/nvme/nvme0", "N", "S", "F");
  tree.SetRuntimeStatus("nvme0n1", "suspended");
  EXPECT_EQ(port.PowerWithoutOpening("\\\\.\\PHYSICALDRIVE192"), PowerMode::Unknown);
  EXPECT_TRUE(system.opens.empty());
}

class PropertyQueryTest : public ::testing::Test {
 protected:
  // The reply of a property query of `disk` into a buffer of `size` bytes.
  std::optional<Bytes> Query(const char* disk, std::size_t size) {
    const auto number = static_cast<std::uint32_t>(disk[2] - 'a');
    system_.existing.insert((tree_.Root() / "dev" / disk).string());
    const DeviceHandle handle =
        port_.Open("\\\\.\\PHYSICALDRIVE" + std::to_string(number), Access::ReadOnly);
    EXPECT_NE(handle, kInvalidHandle);
    Bytes query(12, 0);
    Bytes reply(size, 0xCC);
    std::uint32_t returned = 0;
    const bool ok = port_.Control(handle, kIoctlStorageQueryProperty, query, reply, returned);
    port_.Close(handle);
    if (!ok) return std::nullopt;
    EXPECT_LE(returned, size);
    reply.resize(returned);
    return reply;
  }

  FakeSysfsTree tree_;
  FakeSystemCalls system_;
  LinuxDevicePort port_{system_, LinuxDevicePortOptions{tree_.Root(), tree_.Root() / "dev", {}}};
};

TEST_F(PropertyQueryTest, DescriptorOfSataUsbAndSasDisks) {
  using namespace storage_descriptor;
  tree_.AddDisk({"sda", std::string(kSataPort) + "/host0/target0:0:0/0:0:0:0", "ATA     ",
                 "ST2000DM001-1CH1", "CC27", "            Z1E0AAAA", false});
  tree_.AddLink(kSataPort, "link1", "3.0 Gbps");
  tree_.AddDisk({"sdb",
                 "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0",
                 "WD      ",
                 "Elements 25A2   ",
                 "1014",
                 {},
                 true});
  tree_.AddDisk({"sdc",
                 "pci0000:00/0000:00:03.0/0000:02:00.0/host7/port-7:0/end_device-7:0/"
                 "target7:0:0/7:0:0:0",
                 "SEAGATE ", "ST600MM0006     ", "0003", "S0M1ABCD", false});
  const struct {
    const char* disk;
    const char* vendor;
    const char* product;
    const char* revision;
    std::optional<std::string> serial;
    Byte removable;
    BusType bus_type;
  } cases[] = {
      {"sda", "ATA     ", "ST2000DM001-1CH1", "CC27", "            Z1E0AAAA", 0, BusType::Sata},
      {"sdb", "WD      ", "Elements 25A2   ", "1014", std::nullopt, 1, BusType::Usb},
      {"sdc", "SEAGATE ", "ST600MM0006     ", "0003", "S0M1ABCD", 0, BusType::Sas},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.disk);
    const std::optional<Bytes> reply = Query(c.disk, 4096);
    ASSERT_TRUE(reply);
    EXPECT_EQ(ReadLe32(*reply, kVersion), 40u);
    EXPECT_EQ(ReadLe32(*reply, kSize), reply->size());
    EXPECT_EQ((*reply)[kDeviceType], 0);
    EXPECT_EQ((*reply)[kRemovableMedia], c.removable);
    EXPECT_EQ(ReadLe32(*reply, kBusType), BusTypeValue(c.bus_type));
    EXPECT_EQ(ReadLe32(*reply, kRawPropertiesLength), 0u);
    EXPECT_EQ(ReadLe32(*reply, kVendorIdOffset), kRawDeviceProperties);
    EXPECT_EQ(TextAt(*reply, kVendorIdOffset), c.vendor);
    EXPECT_EQ(TextAt(*reply, kProductIdOffset), c.product);
    EXPECT_EQ(TextAt(*reply, kProductRevisionOffset), c.revision);
    EXPECT_EQ(TextAt(*reply, kSerialNumberOffset), c.serial);
    // And as the drive layer reads it.
    EXPECT_EQ(ParseStorageDeviceDescriptor(*reply).BusType, BusTypeName(BusTypeValue(c.bus_type)));
  }
  // Another property or query type is not answered.
  system_.existing.insert((tree_.Root() / "dev" / "sda").string());
  const DeviceHandle handle = port_.Open("\\\\.\\PHYSICALDRIVE0", Access::ReadOnly);
  Bytes reply(4096), query(12, 0);
  std::uint32_t returned = 0;
  query[0] = 1;  // StorageAdapterProperty
  EXPECT_FALSE(port_.Control(handle, kIoctlStorageQueryProperty, query, reply, returned));
  EXPECT_FALSE(port_.Control(handle, kIoctlStorageQueryProperty, std::span(query.data(), 8), reply,
                             returned));
}

TEST_F(PropertyQueryTest, TextsThatDoNotFitStayOutOfTheReply) {
  using namespace storage_descriptor;
  // vendor at 36 (9 bytes with its zero), product at 45 (17), revision at 62 (5), serial at 67
  // (9): the whole descriptor is 76 bytes.
  tree_.AddDisk({"sda", std::string(kSataPort) + "/host0/target0:0:0/0:0:0:0", "ATA     ",
                 "ST2000DM001-1CH1", "CC27", "Z1E0AAAA", false});
  const std::optional<Bytes> whole = Query("sda", 76);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->size(), 76u);
  EXPECT_EQ(TextAt(*whole, kSerialNumberOffset), "Z1E0AAAA");

  const std::optional<Bytes> one_short = Query("sda", 75);
  ASSERT_TRUE(one_short);
  EXPECT_EQ(ReadLe32(*one_short, kSize), 76u);  // the size a whole reply needs
  EXPECT_EQ(TextAt(*one_short, kSerialNumberOffset), std::nullopt);
  EXPECT_EQ(TextAt(*one_short, kProductRevisionOffset), "CC27");

  const std::optional<Bytes> header_only = Query("sda", 40);
  ASSERT_TRUE(header_only);
  for (std::size_t field :
       {kVendorIdOffset, kProductIdOffset, kProductRevisionOffset, kSerialNumberOffset}) {
    EXPECT_EQ(ReadLe32(*header_only, field), 0u);
  }
  EXPECT_EQ(ReadLe32(*header_only, kBusType), BusTypeValue(BusType::Ata));  // no link: parallel

  const std::optional<Bytes> version_and_size = Query("sda", 8);
  ASSERT_TRUE(version_and_size);
  EXPECT_EQ(ReadLe32(*version_and_size, kSize), 76u);
  EXPECT_FALSE(Query("sda", 7));
}

TEST_F(PropertyQueryTest, OddBytesAreCarriedAsTheyAreAndAZeroByteEndsAText) {
  using namespace storage_descriptor;
  std::string model = "M\xFF\x01\tX\x7F";
  model.push_back('\0');
  model += "hidden";
  tree_.AddDisk({"sda", std::string(kSataPort) + "/host0/target0:0:0/0:0:0:0", "ATA\n", model, "",
                 std::string(300, 'S'), false});
  const std::optional<Bytes> reply = Query("sda", 4096);
  ASSERT_TRUE(reply);
  EXPECT_EQ(TextAt(*reply, kVendorIdOffset), "ATA\n");  // only sysfs' own line end goes
  EXPECT_EQ(TextAt(*reply, kProductIdOffset), "M\xFF\x01\tX\x7F");
  EXPECT_EQ(TextAt(*reply, kProductRevisionOffset), std::nullopt);  // empty
  // The VPD page length is one byte short of 300: its own length field says 44 (300 & 0xFF).
  EXPECT_EQ(TextAt(*reply, kSerialNumberOffset), std::string(44, 'S'));
}

}  // namespace
}  // namespace kestrine
