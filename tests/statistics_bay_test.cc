// An ATA SSD's statistics read through the simulated bay: the log directory, the Device
// Statistics pages and the SCT status, by READ LOG EXT through the ATA pass-through and SAT, and
// by S.M.A.R.T. READ LOG where the drive lacks the general-purpose logging feature set or only
// the legacy requests carry the read; and the drive session that reads them with the drive.
#include <gtest/gtest.h>

#include <vector>

#include "drive_image_builder.h"
#include "drive_image_logs.h"
#include "drive_session.h"
#include "log_reads.h"
#include "sim_bay.h"
#include "smart_drv.h"
#include "statistics_read.h"

namespace kestrine {
namespace {

using namespace device_statistics;

DriveImage SsdWithStatistics(bool general_purpose_logging) {
  DriveImage image;
  SetIdentifyTexts(image.identify, "KESTRINE SSD 480GB", "1.0", "S1");
  AddAttribute(image, {.id = 9, .flags = kFlagOnline, .value = 100, .worst = 100, .raw = 1200});
  SetDeviceStatistic(image, kGeneralPage, kPowerOnResets, 55);
  SetDeviceStatistic(image, kGeneralPage, kPowerOnHours, 1200);
  SetDeviceStatistic(image, kGeneralPage, kLogicalSectorsWritten, 2'000'000'000);
  SetDeviceStatistic(image, kGeneralPage, kLogicalSectorsRead, 3'000'000'000);
  SetDeviceStatistic(image, kTemperaturePage, kCurrentTemperature, 35);
  SetDeviceStatistic(image, kTemperaturePage, kAverageShortTermTemperature, 33, false);
  SetDeviceStatistic(image, kTemperaturePage, kLowestTemperature, 0xFB);  // -5
  SetDeviceStatistic(image, kTemperaturePage, kTimeOverTemperature, 12);
  SetDeviceStatistic(image, kTemperaturePage, kMaxOperatingTemperature, 70);
  SetDeviceStatistic(image, kSolidStatePage, kPercentageUsed, 7);
  SetSctStatus(image, {.current = 36,
                       .power_cycle_lowest = 30,
                       .power_cycle_highest = 41,
                       .lifetime_lowest = 18,
                       .lifetime_highest = 65});
  SealDriveLogs(image);
  if (!general_purpose_logging) {
    for (const std::size_t word :
         {identify_word::kCommandSetSupportedExt, identify_word::kCommandSetDefault}) {
      SetIdentifyWord(image.identify, word, kWordValid);
    }
  }
  SealDriveImage(image);
  return image;
}

// What the drive gives through S.M.A.R.T. READ LOG: the first page of each log, so the SCT
// status alone of the statistics.
DriveStatistics FromSctStatus() {
  DriveStatistics statistics;
  statistics.temperature = 36;
  statistics.lifetime_lowest_temperature = 18;
  statistics.lifetime_highest_temperature = 65;
  statistics.power_cycle_lowest_temperature = 30;
  statistics.power_cycle_highest_temperature = 41;
  return statistics;
}

DriveStatistics FromAllLogs() {
  DriveStatistics statistics = FromSctStatus();
  statistics.power_cycles = 55;
  statistics.power_on_hours = 1200;
  statistics.bytes_written = Counter128{1'024'000'000'000, 0};
  statistics.bytes_read = Counter128{1'536'000'000'000, 0};
  statistics.temperature = 35;  // the Device Statistics before the SCT status
  statistics.lifetime_lowest_temperature = -5;
  statistics.minutes_over_warning = 12;
  statistics.warning_temperature = 70;
  statistics.percentage_used = 7;  // the invalid short-term average is not shown
  return statistics;
}

TEST(StatisticsThroughTheBay, EachFamilyAndCommand) {
  struct Case {
    const char* what;
    bool ata, legacy, sat, general_purpose_logging;
    DriveStatistics expected;
  };
  const std::vector<Case> cases = {
      {"READ LOG EXT, ATA pass-through", true, true, false, true, FromAllLogs()},
      {"READ LOG EXT, SAT", false, false, true, true, FromAllLogs()},
      {"S.M.A.R.T. READ LOG, ATA pass-through", true, false, false, false, FromSctStatus()},
      {"S.M.A.R.T. READ LOG, SAT", false, false, true, false, FromSctStatus()},
      {"legacy requests only: S.M.A.R.T. READ LOG", false, true, false, true, FromSctStatus()},
  };
  for (const Case& c : cases) {
    SimBay bay;
    bay.AddDrive(
        0, SsdWithStatistics(c.general_purpose_logging),
        {.answers_ata_pass_through = c.ata, .answers_legacy = c.legacy, .answers_sat = c.sat});
    SmartDrv drv(bay);
    const DeviceHandle handle = drv.OpenDrive("\\\\.\\PHYSICALDRIVE0");
    ASSERT_TRUE(
        Succeeded(c.sat ? drv.IdentifyDeviceSat(handle, 0) : drv.IdentifyDeviceAta(handle, 0)))
        << c.what;
    const AtaLogBlocks logs = ReadAtaStatisticsLogs(drv, handle, 0);
    EXPECT_EQ(AtaStatisticsFromLogs(logs, 512), c.expected) << c.what;
  }
}

TEST(StatisticsThroughTheBay, ADriveWithoutLogsGivesNone) {
  SimBay bay;
  DriveImage image;
  SealDriveImage(image);
  bay.AddDrive(0, image);
  SmartDrv drv(bay);
  const DeviceHandle handle = drv.OpenDrive("\\\\.\\PHYSICALDRIVE0");
  drv.IdentifyDeviceAta(handle, 0);
  const AtaLogBlocks logs = ReadAtaStatisticsLogs(drv, handle, 0);
  EXPECT_EQ(logs, AtaLogBlocks{});
  EXPECT_EQ(AtaStatisticsFromLogs(logs, 512), DriveStatistics{});
}

// The session reads the statistics with the drive: the sectors counted in the logical sector size
// IDENTIFY gives (words 106 and 117-118), and none for a drive whose logs hold nothing.
TEST(StatisticsThroughTheBay, TheSessionReadsThem) {
  SimBay bay;
  DriveImage large_sectors = SsdWithStatistics(true);
  SetIdentifyWord(large_sectors.identify, identify_word::kSectorSize, 0x5000);  // valid, long
  SetIdentifyWord(large_sectors.identify, 117, 2048);                           // words: 4096 bytes
  SealDriveImage(large_sectors);
  bay.AddDrive(0, large_sectors);
  DriveImage plain;
  SealDriveImage(plain);
  bay.AddDrive(1, plain);
  SmartDrv drv(bay);
  const SessionResult ssd = ReadDrive(drv, "\\\\.\\PHYSICALDRIVE0", 0);
  ASSERT_TRUE(ssd.reading.statistics);
  EXPECT_EQ(ssd.reading.statistics->bytes_written, (Counter128{8'192'000'000'000, 0}));
  EXPECT_EQ(ssd.reading.statistics->percentage_used, 7);
  EXPECT_FALSE(ReadDrive(drv, "\\\\.\\PHYSICALDRIVE1", 1).reading.statistics);
}

TEST(StatisticsThroughTheBay, LogicalSectorSize) {
  struct Case {
    std::uint16_t word106;
    std::uint32_t words, expected;
  };
  for (const Case& c : std::vector<Case>{{0x0000, 2048, 512},           // word 106 not valid
                                         {0x4000, 2048, 512},           // valid, not long
                                         {0x5000, 2048, 4096},          // 4096 bytes
                                         {0x5000, 100, 512},            // shorter than 512 bytes
                                         {0x5000, 260, 512},            // not a multiple of 512
                                         {0x5000, 0x80000000, 512}}) {  // beyond 32 bits
    DriveImage image;
    SetIdentifyWord(image.identify, identify_word::kSectorSize, c.word106);
    SetIdentifyWord(image.identify, 117, static_cast<std::uint16_t>(c.words));
    SetIdentifyWord(image.identify, 118, static_cast<std::uint16_t>(c.words >> 16));
    EXPECT_EQ(AtaLogicalSectorSize(image.identify), c.expected) << c.word106 << " " << c.words;
  }
}

}  // namespace
}  // namespace kestrine
