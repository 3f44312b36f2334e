// The request blocks of the three transports, byte for byte against literal images.
#include <gtest/gtest.h>

#include <vector>

#include "ata_pass_through_block.h"
#include "block_bytes.h"
#include "legacy_request.h"
#include "sat_pass_through_block.h"

namespace kestrine {
namespace {

using testing::AllZeroFrom;
using testing::Head;

TEST(AtaPassThroughBlock, SectorReadHeader) {
  // READ DATA of drive 1: 556-byte exchange, data-in 512 bytes, the 0xCF marker at 44.
  const auto block =
      BuildAtaPassThroughBlock({.features = 0xD0, .count = 1, .device = 1, .command = 0xB0}, 512);
  const std::vector<Byte> expected = {
      40,   0,    2,    0,
      0,    0,    0,    0,  // Length, AtaFlags, PathId, TargetId, Lun, reserved
      0x00, 0x02, 0,    0,
      2,    0,    0,    0,  // DataTransferLength 512, TimeOutValue 2
      0,    0,    0,    0,
      44,   0,    0,    0,  // ReservedAsUlong, DataBufferOffset 44
      0,    0,    0,    0,
      0,    0,    0,    0,  // PreviousTaskFile
      0xD0, 0x01, 0x00, 0x4F,
      0xC2, 0x01, 0xB0, 0x00,  // CurrentTaskFile
      0,    0,    0,    0,     // filler
      0xCF};
  EXPECT_EQ(Head(block, 45), expected);
  EXPECT_TRUE(AllZeroFrom(block, 45));
  EXPECT_EQ(AtaPassThroughExchangeSize(512), 556u);
}

TEST(AtaPassThroughBlock, NoDataHeaderIs44Bytes) {
  const auto block = BuildAtaPassThroughBlock({.features = 0xD4, .lba_low = 1, .command = 0xB0}, 0);
  const std::vector<Byte> expected = {
      40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2,    0,    0,    0,    0,    0,    0,    0,
      44, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xD4, 0x00, 0x01, 0x4F, 0xC2, 0x00, 0xB0, 0x00};
  EXPECT_EQ(Head(block, 40), expected);
  EXPECT_TRUE(AllZeroFrom(block, 40));  // no marker without data
  EXPECT_EQ(AtaPassThroughExchangeSize(0), 44u);
}

TEST(AtaPassThroughBlock, RegisterImages) {
  struct Case {
    const char* what;
    Byte drive, command, features, count, number;
    std::uint32_t length;
    std::vector<Byte> task_file;
    std::vector<Byte> length_bytes;
  };
  const std::vector<Case> cases = {
      {"short self-test of drive 1",
       1,
       0xB0,
       0xD4,
       0,
       1,
       16,
       {0xD4, 0x00, 0x01, 0x4F, 0xC2, 0x01, 0xB0, 0x00},
       {16, 0, 0, 0}},
      {"IDENTIFY keeps the LBA registers clear",
       0,
       0xEC,
       0,
       0,
       1,
       512,
       {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xEC, 0x00},
       {0, 2, 0, 0}},
      {"drive 3 in the device register",
       3,
       0xB0,
       0xD1,
       1,
       1,
       512,
       {0xD1, 0x01, 0x01, 0x4F, 0xC2, 0x03, 0xB0, 0x00},
       {0, 2, 0, 0}},
      {"drive 2 in the device register",
       2,
       0xB0,
       0xD5,
       1,
       6,
       512,
       {0xD5, 0x01, 0x06, 0x4F, 0xC2, 0x02, 0xB0, 0x00},
       {0, 2, 0, 0}},
  };
  for (const Case& c : cases) {
    const auto block = BuildAtaPassThroughBlock({.features = c.features,
                                                 .count = c.count,
                                                 .lba_low = c.number,
                                                 .device = c.drive,
                                                 .command = c.command},
                                                c.length);
    EXPECT_EQ(std::vector<Byte>(block.begin() + 32, block.begin() + 40), c.task_file) << c.what;
    EXPECT_EQ(std::vector<Byte>(block.begin() + 8, block.begin() + 12), c.length_bytes) << c.what;
    EXPECT_EQ(block[2], 2) << c.what;
  }
}

TEST(SatPassThroughBlock, IdentifyOfDriveZero) {
  const auto block =
      BuildSatPassThroughBlock({.count = 1, .device = DriveSelectByte(0), .command = 0xEC}, 512);
  const std::vector<Byte> expected = {44, 0, 0, 0, 0, 0, 12, 24,  // Length, ScsiStatus, PathId,
                                                                  // TargetId, Lun, CdbLength, Sense
                                      1, 0, 0, 0,                 // DataIn, alignment
                                      0x00, 0x02, 0, 0,           // DataTransferLength 512
                                      2, 0, 0, 0,                 // TimeOutValue
                                      80, 0, 0, 0,                // DataBufferOffset
                                      48, 0, 0, 0,                // SenseInfoOffset
                                      0xA1, 0x08, 0x0E, 0x00, 0x01, 0x00, 0x00, 0x00, 0xA0, 0xEC,
                                      0x00, 0x00, 0, 0, 0, 0};
  EXPECT_EQ(Head(block, 44), expected);
  EXPECT_TRUE(AllZeroFrom(block, 44));
  EXPECT_EQ(SatPassThroughOutSize(512), 592u);
  EXPECT_EQ(kSatPassThroughInSize, 44u);
}

TEST(SatPassThroughBlock, CdbPerDrive) {
  struct Case {
    Byte drive, command, features, count, number;
    std::vector<Byte> cdb;
  };
  const std::vector<Case> cases = {
      {0, 0xB0, 0xD0, 1, 0, {0xA1, 0x08, 0x0E, 0xD0, 0x01, 0x00, 0x4F, 0xC2, 0xA0, 0xB0, 0, 0}},
      {1, 0xB0, 0xD5, 1, 6, {0xA1, 0x08, 0x0E, 0xD5, 0x01, 0x06, 0x4F, 0xC2, 0xB0, 0xB0, 0, 0}},
      {2, 0xB0, 0xD1, 1, 1, {0xA1, 0x08, 0x0E, 0xD1, 0x01, 0x01, 0x4F, 0xC2, 0xA0, 0xB0, 0, 0}},
      {3, 0xB0, 0xD1, 1, 1, {0xA1, 0x08, 0x0E, 0xD1, 0x01, 0x01, 0x4F, 0xC2, 0xB0, 0xB0, 0, 0}},
      // IDENTIFY with sector number 5: the number goes out, the LBA mid/high stay clear.
      {2, 0xEC, 0, 1, 5, {0xA1, 0x08, 0x0E, 0x00, 0x01, 0x05, 0x00, 0x00, 0xA0, 0xEC, 0, 0}},
  };
  for (const Case& c : cases) {
    const auto block = BuildSatPassThroughBlock({.features = c.features,
                                                 .count = c.count,
                                                 .lba_low = c.number,
                                                 .device = DriveSelectByte(c.drive),
                                                 .command = c.command},
                                                512);
    EXPECT_EQ(std::vector<Byte>(block.begin() + 28, block.begin() + 40), c.cdb)
        << "drive " << int{c.drive};
  }
}

TEST(SatPassThroughBlock, NoDataIsANonDataCommand) {
  const auto block = BuildSatPassThroughBlock(
      {.features = 0xD4, .lba_low = 2, .device = 0x00, .command = 0xB0}, 0);
  EXPECT_EQ(block[8], 2);  // SCSI_IOCTL_DATA_UNSPECIFIED
  EXPECT_EQ(std::vector<Byte>(block.begin() + 12, block.begin() + 16),
            (std::vector<Byte>{0, 0, 0, 0}));
  EXPECT_EQ(std::vector<Byte>(block.begin() + 28, block.begin() + 40),
            (std::vector<Byte>{0xA1, 0x06, 0x00, 0xD4, 0x00, 0x02, 0x4F, 0xC2, 0x00, 0xB0, 0, 0}));
  EXPECT_EQ(SatPassThroughOutSize(0), 80u);
}

TEST(SatPassThroughBlock, CheckPowerModeAsksForTheRegistersBack) {
  const auto block = BuildSatPassThroughBlock(
      {.device = DriveSelectByte(1), .command = kCheckPowerModeCommand}, 0, true);
  EXPECT_EQ(Head(block, 28), (std::vector<Byte>{44, 0, 0, 0, 0, 0, 12, 24, 2, 0, 0,  0, 0, 0,
                                                0,  0, 2, 0, 0, 0, 80, 0,  0, 0, 48, 0, 0, 0}));
  // Non-data, CK_COND, no transfer; the registers all clear but device and command.
  EXPECT_EQ(std::vector<Byte>(block.begin() + 28, block.begin() + 40),
            (std::vector<Byte>{0xA1, 0x06, 0x20, 0, 0, 0, 0, 0, 0xB0, 0xE5, 0, 0}));
  EXPECT_TRUE(AllZeroFrom(block, 40));
}

TEST(SatPassThroughBlock, ACommandSucceedsOnGoodOrOnRegistersWithoutAnError) {
  using Bytes = std::vector<Byte>;
  const Bytes descriptor_ok = {0x72, 0x01, 0x00, 0x1D, 0,    0,    0,    14,   0x09, 0x0C, 0x00,
                               0x00, 0x00, 0x00, 0,    0x00, 0x00, 0x4F, 0x00, 0xC2, 0x40, 0x50};
  Bytes descriptor_error = descriptor_ok;
  descriptor_error[11] = 0x04;  // ABRT
  descriptor_error[21] = 0x51;  // ERR
  Bytes descriptor_fault = descriptor_ok;
  descriptor_fault[21] = 0x70;  // DF
  const Bytes fixed_ok = {0x70, 0, 0x01, 0x00, 0x50, 0x40, 0, 0, 10, 0, 0, 0, 0x00, 0x1D};
  const Bytes fixed_error = {0x70, 0, 0x0B, 0x04, 0x51, 0x40, 0, 0, 10, 0, 0, 0, 0x00, 0x1D};
  const Bytes aborted = {0x70, 0, 0x0B, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x00, 0x00};
  const Bytes illegal = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24, 0x00};
  // VALID fixed-format sense whose INFORMATION field reads as registers without ERR.
  const Bytes aborted_valid = {0xF0, 0, 0x0B, 0, 0x50, 0, 0, 10, 0, 0, 0, 0, 0x00, 0x00};
  Bytes descriptor_aborted = descriptor_ok;
  descriptor_aborted[1] = 0x0B;
  const struct {
    const char* what;
    Byte status;
    Bytes sense;
    bool succeeded;
  } cases[] = {
      {"GOOD", 0x00, {}, true},
      {"registers without error (descriptor)", 0x02, descriptor_ok, true},
      {"registers without error (fixed)", 0x02, fixed_ok, true},
      {"ERR (descriptor)", 0x02, descriptor_error, false},
      {"DF (descriptor)", 0x02, descriptor_fault, false},
      {"ERR (fixed)", 0x02, fixed_error, false},
      {"ABORTED COMMAND without registers", 0x02, aborted, false},
      {"ABORTED COMMAND, VALID fixed sense", 0x02, aborted_valid, false},
      {"ABORTED COMMAND with registers without error", 0x02, descriptor_aborted, false},
      {"INVALID FIELD IN CDB", 0x02, illegal, false},
      {"no sense data", 0x02, {}, false},
      {"BUSY", 0x08, {}, false},
  };
  for (const auto& c : cases) {
    SatPassThroughBlock block = BuildSatPassThroughBlock(
        {.features = 0xD4, .lba_low = 1, .device = 0xA0, .command = 0xB0}, 0);
    block[sat_block::kScsiStatus] = c.status;
    std::ranges::copy(c.sense, block.begin() + sat_block::kSense);
    EXPECT_EQ(SatCommandSucceeded(block), c.succeeded) << c.what;
  }
}

TEST(LegacyRequest, ReadDataOfDriveTwo) {
  const auto block = BuildLegacyRequest(LegacyRegisters{.buffer_size = 512,
                                                        .registers = {.features = 0xD0,
                                                                      .count = 1,
                                                                      .lba_low = 1,
                                                                      .lba_mid = 0x4F,
                                                                      .lba_high = 0xC2,
                                                                      .device = DriveSelectByte(2),
                                                                      .command = 0xB0},
                                                        .drive_number = 2});
  const std::vector<Byte> expected = {0x00, 0x02, 0x00, 0x00, 0xD0, 0x01, 0x01,
                                      0x4F, 0xC2, 0xA0, 0xB0, 0x00, 0x02};
  EXPECT_EQ(Head(block, 13), expected);
  EXPECT_TRUE(AllZeroFrom(block, 13));
  EXPECT_EQ(block.size(), 38u);
  EXPECT_EQ(DriveSelectByte(1), 0xB0);
  EXPECT_EQ(DriveSelectByte(200), 0xA0);
}

}  // namespace
}  // namespace kestrine
