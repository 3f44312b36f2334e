// The storage-property query: reading the descriptor's texts and bus type, the query through the
// simulated bay, the bay's descriptor, and the bus name in the status bar.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fake_toolkit.h"
#include "sim_bay.h"
#include "smart_drv.h"
#include "storage_property.h"
#include "test_drives.h"

namespace kestrine {
namespace {

using testing::FormFixture;

constexpr std::uint32_t kTextAt = 100;

// A zeroed 4096-byte reply with `text` written at `at` (zero-terminated by the zeros after it).
std::vector<Byte> ReplyWithText(const std::string& text, std::size_t at = kTextAt) {
  std::vector<Byte> reply(kPropertyReplySize, 0);
  std::memcpy(reply.data() + at, text.data(), text.size());
  return reply;
}

TEST(ExtractDescriptorText, Cases) {
  struct Case {
    const char* what;
    std::string stored;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"padded vendor: hex fails at 't', plain copy, trimmed", "ATA     ", "ATA"},
      {"40 hex digits, four leading 20 pairs trimmed",
       "20202020"
       "57442d5743415635"
       "3132333435363738",
       "WD-WCAV512345678"},
      {"hex pairs forming printable characters", "4142", "AB"},
      {"upper and lower case hex digits alike", "4a4B", "JK"},
      {"a pair forming 0x12 is not printable: plain copy", "1234", "1234"},
      {"a final unpaired digit is dropped", "414", "A"},
      {"a decoded zero byte ends the text", "41004243", "A"},
      {"a pair after the decoded zero must still be printable", "41001F", "41001F"},
      {"tab inside: both passes fail", "AB\tCD", ""},
      {"CR inside: both passes fail", "AB\rCD", ""},
      {"line feed is not printable either", "WD\n", ""},
      {"a character above 0x7E empties the text", "Caf\xe9", ""},
      {"three spaces stay three spaces", "   ", "   "},
      {"inner spaces are kept", "  WDC WD2500JB  ", "WDC WD2500JB"},
      {"a text empty from the start", "", ""},
  };
  for (const Case& c : cases) {
    const std::vector<Byte> reply = ReplyWithText(c.stored);
    EXPECT_EQ(ExtractDescriptorText(reply, kTextAt), c.expected) << c.what;
  }
}

TEST(ExtractDescriptorText, OffsetsThatNameNoText) {
  // Every byte of the reply is printable, so any read would give a non-empty text.
  const std::vector<Byte> reply(kPropertyReplySize, 'x');
  for (const std::uint32_t offset : {0u, 4096u, 4097u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(ExtractDescriptorText(reply, offset), "") << offset;
  }
}

TEST(ExtractDescriptorText, TextRunningToTheReplysEndStopsThere) {
  // The reply is followed by more printable bytes that belong to no reply.
  std::vector<Byte> memory(kPropertyReplySize + 16, 'Z');
  std::fill_n(memory.begin(), kPropertyReplySize, Byte{0});
  std::fill(memory.begin() + 4000, memory.begin() + kPropertyReplySize, Byte{'y'});
  const std::span<const Byte> reply(memory.data(), kPropertyReplySize);
  EXPECT_EQ(ExtractDescriptorText(reply, 4000), std::string(96, 'y'));
  EXPECT_EQ(ExtractDescriptorText(reply, 4095), "y");
  // Hex digits to the end decode as far as they go.
  std::fill(memory.begin() + 4090, memory.begin() + kPropertyReplySize, Byte{'4'});
  EXPECT_EQ(ExtractDescriptorText(reply, 4090), "DDD");
}

TEST(BusTypeName, ByLowByte) {
  const std::vector<std::pair<std::uint32_t, std::string>> cases = {{0, "unknown"},
                                                                    {1, "Scsi"},
                                                                    {2, "Atapi"},
                                                                    {3, "Ata"},
                                                                    {4, "1394"},
                                                                    {5, "Ssa"},
                                                                    {6, "Fibre"},
                                                                    {7, "Usb"},
                                                                    {8, "RAID"},
                                                                    {9, "iSCSI"},
                                                                    {10, "Sas"},
                                                                    {11, "Sata"},
                                                                    {12, "unknown"},
                                                                    {17, "unknown"},
                                                                    {255, "unknown"},
                                                                    {0x10B, "Sata"},
                                                                    {0x7FFFFFFF, "unknown"}};
  for (const auto& [value, name] : cases) EXPECT_EQ(BusTypeName(value), name) << value;
}

DriveImage ImageWithTexts(std::string vendor, std::string product, std::string revision,
                          std::string serial) {
  DriveImage image;
  image.vendor = std::move(vendor);
  image.product = std::move(product);
  image.revision = std::move(revision);
  image.serial = std::move(serial);
  return image;
}

TEST(StorageDeviceDescriptor, LaidOutAsThePlatformDoes) {
  DriveImage image = ImageWithTexts("AB", "", "1", "");
  image.removable = true;
  image.bus_type = BusType::Usb;
  std::vector<Byte> out(64, 0xEE);
  std::uint32_t returned = 0;
  ASSERT_TRUE(BuildStorageDeviceDescriptor(image, out, returned));
  const std::vector<Byte> expected = {
      40,  0,   0, 0,  // Version: the structure's size
      41,  0,   0, 0,  // Size: the whole descriptor
      0,   0,   1, 0,  // DeviceType, DeviceTypeModifier, RemovableMedia, CommandQueueing
      36,  0,   0, 0,  // VendorIdOffset
      0,   0,   0, 0,  // ProductIdOffset: no text
      39,  0,   0, 0,  // ProductRevisionOffset
      0,   0,   0, 0,  // SerialNumberOffset: no text
      7,   0,   0, 0,  // BusType: Usb
      0,   0,   0, 0,  // RawPropertiesLength
      'A', 'B', 0, '1', 0};
  EXPECT_EQ(returned, 41u);
  EXPECT_EQ(std::vector<Byte>(out.begin(), out.begin() + 41), expected);
  EXPECT_EQ(out[41], 0xEE);  // nothing written past the descriptor
}

TEST(StorageDeviceDescriptor, ShortBufferGetsWhatFits) {
  const DriveImage image = ImageWithTexts("ATA", "WDC WD2500JB-00REA0", "20.00K20", "WD-WCAL12");
  std::vector<Byte> full(kPropertyReplySize, 0);
  std::uint32_t full_size = 0;
  ASSERT_TRUE(BuildStorageDeviceDescriptor(image, full, full_size));
  EXPECT_EQ(ReadLe32(full, storage_descriptor::kSize), full_size);

  for (const std::size_t size : {8u, 20u, 40u, 60u}) {
    std::vector<Byte> out(size, 0xEE);
    std::uint32_t returned = 0;
    ASSERT_TRUE(BuildStorageDeviceDescriptor(image, out, returned)) << size;
    EXPECT_EQ(returned, size);
    EXPECT_EQ(out, std::vector<Byte>(full.begin(), full.begin() + static_cast<long>(size)));
    EXPECT_EQ(ReadLe32(out, storage_descriptor::kVersion), 40u);
    EXPECT_EQ(ReadLe32(out, storage_descriptor::kSize), full_size);
  }
  std::vector<Byte> too_small(7, 0xEE);
  std::uint32_t returned = 99;
  EXPECT_FALSE(BuildStorageDeviceDescriptor(image, too_small, returned));
  EXPECT_EQ(returned, 0u);
  EXPECT_EQ(too_small, std::vector<Byte>(7, 0xEE));
}

using testing::kDrive1;

struct QueryFixture : ::testing::Test {
  SimBay bay;
  SmartDrv drv{bay};
};

TEST_F(QueryFixture, FillsTheRecordOnItsOwnReadOnlyHandle) {
  DriveImage image = ImageWithTexts("ATA     ", "WDC WD2500JB-00REA0", "20.00K20",
                                    "20202020"
                                    "57442d5743415635"
                                    "3132333435363738");
  image.removable = true;
  image.bus_type = BusType::Usb;
  bay.AddDrive(1, image);

  TDisk_Property property;
  ASSERT_TRUE(drv.QueryDiskProperty(kDrive1, property));
  EXPECT_EQ(property.VendorId, "ATA");
  EXPECT_EQ(property.ProductId, "WDC WD2500JB-00REA0");
  EXPECT_EQ(property.ProductRevision, "20.00K20");
  EXPECT_EQ(property.SerialNumber, "WD-WCAV512345678");
  EXPECT_TRUE(property.RemovableMedia);
  EXPECT_EQ(property.BusType, "Usb");

  // The path goes to the platform as given, opened for reading only, and is closed again.
  ASSERT_EQ(bay.Opens().size(), 1u);
  EXPECT_EQ(bay.Opens()[0].path, kDrive1);
  EXPECT_EQ(bay.Opens()[0].access, Access::ReadOnly);
  ASSERT_EQ(bay.Requests().size(), 1u);
  const RecordedRequest& request = bay.Requests()[0];
  EXPECT_EQ(request.code, 0x2D1400u);
  EXPECT_EQ(request.in, std::vector<Byte>(12, 0));
  EXPECT_EQ(request.out_size, 4096u);
  EXPECT_EQ(bay.Closes(), std::vector<DeviceHandle>{bay.Opens()[0].handle});
  EXPECT_EQ(bay.OpenHandleCount(), 0);
}

TEST_F(QueryFixture, AbsentSerialLeavesTheOtherFields) {
  DriveImage image = ImageWithTexts("", "SAMSUNG HD103SJ", "1AJ10001", "");
  image.bus_type = BusType::Sata;
  bay.AddDrive(1, image);
  TDisk_Property property;
  ASSERT_TRUE(drv.QueryDiskProperty(kDrive1, property));
  EXPECT_EQ(property.VendorId, "");
  EXPECT_EQ(property.SerialNumber, "");
  EXPECT_EQ(property.ProductId, "SAMSUNG HD103SJ");
  EXPECT_EQ(property.ProductRevision, "1AJ10001");
  EXPECT_FALSE(property.RemovableMedia);
  EXPECT_EQ(property.BusType, "Sata");
}

TEST_F(QueryFixture, FailureLeavesTheRecordUntouched) {
  const TDisk_Property before{"v", "s", "p", "r", true, "b"};
  auto same = [&](const TDisk_Property& p) {
    return p.VendorId == before.VendorId && p.SerialNumber == before.SerialNumber &&
           p.ProductId == before.ProductId && p.ProductRevision == before.ProductRevision &&
           p.RemovableMedia == before.RemovableMedia && p.BusType == before.BusType;
  };

  DriveBehaviour refuses;
  refuses.answers_property_query = false;
  bay.AddDrive(1, ImageWithTexts("ATA", "X", "1", "2"), refuses);
  TDisk_Property property = before;
  EXPECT_FALSE(drv.QueryDiskProperty(kDrive1, property));
  EXPECT_TRUE(same(property));
  EXPECT_EQ(bay.Requests().size(), 1u);
  EXPECT_EQ(bay.Closes().size(), 1u);  // the refused request still closes its handle
  EXPECT_EQ(bay.OpenHandleCount(), 0);

  bay.ClearRecords();
  EXPECT_FALSE(drv.QueryDiskProperty("\\\\.\\PHYSICALDRIVE7", property));  // no such drive
  EXPECT_TRUE(same(property));
  EXPECT_TRUE(bay.Requests().empty());
  EXPECT_TRUE(bay.Closes().empty());
}

TEST(RefreshStatusBar, NamesTheBusAndTheFamily) {
  struct Case {
    const char* what;
    bool answers_query;
    BusType bus;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"SATA drive", true, BusType::Sata, "BusType:Sata Method:IOCTL_ATA_PASS_THROUGH"},
      {"a bus newer than the table", true, static_cast<BusType>(17),
       "BusType:unknown Method:IOCTL_ATA_PASS_THROUGH"},
      {"failed query", false, BusType::Sata, "BusType: Method:IOCTL_ATA_PASS_THROUGH"},
  };
  for (const Case& c : cases) {
    FormFixture f;
    DriveImage image;
    image.bus_type = c.bus;
    DriveBehaviour behaviour;
    behaviour.answers_property_query = c.answers_query;
    f.bay.AddDrive(0, image, behaviour);
    f.Run([](TForm1& form) { form.FormShow(); });
    EXPECT_EQ(f.ui.StatusBar1.text, c.expected) << c.what;
    EXPECT_TRUE(f.ui.App.messages.empty()) << c.what;
  }
}

TEST(RefreshStatusBar, QueryRunsBeforeIdentifyOnTheSelectorsText) {
  FormFixture f;
  f.bay.AddDrive(0, DriveImage{});
  f.Run([](TForm1& form) { form.FormShow(); });
  const auto& requests = f.bay.Requests();
  std::size_t query = requests.size(), first_ata = requests.size();
  for (std::size_t i = 0; i < requests.size(); ++i) {
    if (requests[i].code == kIoctlStorageQueryProperty && query == requests.size()) query = i;
    if (requests[i].code == kIoctlAtaPassThrough && first_ata == requests.size()) first_ata = i;
  }
  ASSERT_LT(query, requests.size());
  EXPECT_LT(query, first_ata);
  // On the drive's one handle: the refresh opens the drive once.
  const auto refresh_opens = std::ranges::count_if(
      f.bay.Opens(), [](const RecordedOpen& o) { return o.access == Access::ReadWrite; });
  EXPECT_EQ(refresh_opens, 1);
  EXPECT_EQ(f.bay.Opens().back().handle, requests[query].handle);
  EXPECT_EQ(f.bay.OpenHandleCount(), 0);
}

}  // namespace
}  // namespace kestrine
