// A SAS or SCSI disk through the drive session, the watch and the history: the probe chain reads
// it as the SCSI family, an ATA disk on a SAS bus stays ATA, and what the watch tells of it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive_image_builder.h"
#include "drive_path.h"
#include "drive_session.h"
#include "drive_watch.h"
#include "history_entry.h"
#include "scsi_health.h"
#include "sim_bay.h"

namespace kestrine {
namespace {

SessionResult Read(SimBay& bay, int number) {
  SmartDrv drive_layer(bay);
  return ReadDrive(drive_layer, DriveDevicePath(number), static_cast<Byte>(number));
}

const HealthItem* Item(const DriveReading& reading, int id) {
  for (const HealthItem& item : reading.items) {
    if (item.id == id) return &item;
  }
  return nullptr;
}

TEST(ScsiSession, TheProbeChainReadsSasDisksAndLeavesAtaDisksAta) {
  DriveImage ata;
  SetIdentifyTexts(ata.identify, "ATA ON SAS", "1", "SN1");
  SealDriveImage(ata);
  ata.bus_type = BusType::Sas;
  DriveImage hdd_on_sata = SasHddImage();
  hdd_on_sata.bus_type = BusType::Sata;  // the SCSI family is then tried last
  SimBay bay;
  bay.AddDrive(0, SasHddImage());
  bay.AddDrive(1, SasSsdImage());
  bay.AddDrive(2, hdd_on_sata);
  bay.AddDrive(3, ata, {.answers_ata_pass_through = false, .answers_legacy = false});
  struct Case {
    int number;
    CommandFamily family;
    Condition condition;
    std::string model;
  };
  const Case cases[] = {
      {0, CommandFamily::Scsi, Condition::Ok, "SEAGATE ST4000NM0295"},
      {1, CommandFamily::Scsi, Condition::Warning, "HGST HUSMM3280ASS205"},
      {2, CommandFamily::Scsi, Condition::Ok, "SEAGATE ST4000NM0295"},
      {3, CommandFamily::Sat, Condition::Ok, "ATA ON SAS"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    const SessionResult result = Read(bay, c.number);
    ASSERT_EQ(result.outcome, DriveOutcome::Read);
    EXPECT_EQ(result.reading.family, c.family);
    EXPECT_EQ(result.reading.condition, c.condition);
    EXPECT_EQ(result.reading.identity.model, c.model);
    EXPECT_TRUE(result.self_test_log_asked);
    EXPECT_TRUE(result.reading.parts.self_test_log);
  }
  const DriveReading ssd = Read(bay, 1).reading;
  ASSERT_NE(Item(ssd, kScsiReadUncorrectedId), nullptr);
  EXPECT_EQ(Item(ssd, kScsiReadUncorrectedId)->raw.low, 2u);
  EXPECT_EQ(Item(ssd, kScsiReadUncorrectedId)->RowVerdict(), Verdict::Warning);
  EXPECT_EQ(Item(ssd, kScsiGrownDefectsId)->raw.low, 3u);
  EXPECT_EQ(ssd.temperature_celsius, 41);
}

TEST(ScsiSession, TheWatchTellsRisingErrorsAndANewException) {
  SimBay bay;
  bay.AddDrive(1, SasSsdImage());
  const DriveReading before = Read(bay, 1).reading;
  DriveReading after = before;
  for (HealthItem& item : after.items) {
    if (item.id == kScsiGrownDefectsId) item.raw.low = 5;
    if (item.id == kScsiInformationalExceptionId) item.raw.low = 0x5D10;
  }
  after.self_test_log.insert(after.self_test_log.begin(),
                             SelfTestLogEntry{.code = 1, .status = 5, .power_on_hours = 900});
  after.last_self_test = after.self_test_log.front();
  std::vector<std::string> told;
  for (const DriveChange& change : CompareReadings(&before, after)) told.push_back(change.text);
  EXPECT_EQ(told, (std::vector<std::string>{"Grown defects rose from 3 to 5",
                                            "Informational exception reported (ASC 5Dh, ASCQ 10h)",
                                            "The latest self-test failed (status 0x05)"}));
  // As the history keeps it, the reading is still a SAS disk's, compared as one.
  const std::optional<HistoryEntry> entry = HistoryEntryOf(before, 0, "test", "path");
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->drive.family, "SAS");
  const DriveReading kept = PreviousReadingOf(*entry);
  EXPECT_TRUE(std::holds_alternative<ScsiPart>(kept.part));
  EXPECT_EQ(CompareReadings(&kept, after).size(), told.size());
}

}  // namespace
}  // namespace kestrine
