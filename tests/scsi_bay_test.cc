// The SCSI family's lower layers end to end: the bay's SAS disks read through the pass-through
// block, decoded and judged; and the rules that judge a SCSI disk.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive_path.h"
#include "scsi_health.h"
#include "sim_bay.h"
#include "smart_drv.h"

namespace kestrine {
namespace {

struct Bay {
  SimBay bay;
  DeviceHandle Add(DriveImage image) {
    bay.AddDrive(0, std::move(image));
    return bay.Open(DriveDevicePath(0), Access::ReadWrite);
  }
};

TEST(ScsiBay, TheSasDisksReadEndToEnd) {
  struct Case {
    DriveImage image;
    std::string product, serial, wwn;
    std::uint64_t blocks;
    std::uint16_t rotation;
    Byte temperature, reference;
    std::uint64_t read_uncorrected;
    std::uint32_t grown_defects;
    std::optional<Byte> endurance;
    std::optional<std::uint32_t> start_stop_cycles;
    std::size_t self_tests;
    Condition condition;
    std::vector<std::string> findings;
  };
  const std::vector<Case> cases = {
      {SasHddImage(),
       "ST4000NM0295",
       "ZC1A2B3C0000W9201XYZ",
       "0x5000c500a1b2c3d4",
       7814037168,
       7200,
       34,
       68,
       0,
       0,
       std::nullopt,
       112,
       2,
       Condition::Ok,
       {}},
      {SasSsdImage(),
       "HUSMM3280ASS205",
       "0PY8K3NA",
       "0x5000cca04e1f2a3c",
       1562824368,
       1,
       41,
       70,
       2,
       3,
       23,
       std::nullopt,
       1,
       Condition::Warning,
       {"2 uncorrected read errors", "3 grown defects"}},
  };
  for (const Case& c : cases) {
    Bay b;
    const ScsiHealth h = DecodeScsiHealth(ReadScsiBlocks(b.bay, b.Add(c.image)));
    ASSERT_TRUE(h.inquiry && h.capacity && h.temperature && h.read_errors) << c.product;
    EXPECT_EQ(h.inquiry->product, c.product);
    EXPECT_EQ(h.serial, c.serial);
    EXPECT_EQ(h.wwn, c.wwn);
    EXPECT_EQ(h.capacity->blocks, c.blocks);
    EXPECT_EQ(h.characteristics->rotation_rate, c.rotation);
    EXPECT_EQ(*h.temperature, (ScsiTemperature{c.temperature, c.reference}));
    EXPECT_EQ(h.read_errors->Uncorrected(), c.read_uncorrected);
    EXPECT_EQ(h.grown_defects, c.grown_defects);
    EXPECT_EQ(h.endurance_used, c.endurance);
    EXPECT_EQ(h.start_stop ? h.start_stop->accumulated_cycles : std::nullopt, c.start_stop_cycles);
    EXPECT_EQ(h.self_tests->size(), c.self_tests);
    EXPECT_EQ(h.informational_exception, (ScsiInformationalException{0, 0, c.temperature}));
    EXPECT_EQ(ScsiCondition(h), c.condition) << c.product;
    std::vector<std::string> reasons;
    for (const Finding& f : ScsiFindings(h)) reasons.push_back(f.reason);
    EXPECT_EQ(reasons, c.findings);
  }
}

TEST(ScsiBay, ASasDiskAnswersNoAtaAndOnlyTheFamilysCommandsAreSent) {
  Bay b;
  const DeviceHandle handle = b.Add(SasSsdImage());
  SmartDrv drv(b.bay);
  EXPECT_FALSE(Succeeded(drv.IdentifyDeviceAta(handle, 0)));
  EXPECT_FALSE(Succeeded(drv.IdentifyDeviceSat(handle, 0)));
  b.bay.ClearRecords();
  ScsiCdb write10;
  write10.bytes[0] = 0x2A;
  write10.length = 10;
  EXPECT_FALSE(SendScsiCommand(b.bay, handle, write10, 0).carried);
  EXPECT_TRUE(b.bay.Requests().empty());
}

TEST(ScsiBay, APageListedThenRefusedIsNotReadAndWithoutLogSenseNothingIsDecided) {
  DriveImage refusing = SasSsdImage();
  refusing.scsi->refused_log_pages = {0x03, 0x0D};
  Bay b;
  ScsiHealth h = DecodeScsiHealth(ReadScsiBlocks(b.bay, b.Add(refusing)));
  EXPECT_FALSE(h.read_errors);
  EXPECT_FALSE(h.temperature);
  EXPECT_TRUE(h.write_errors);
  EXPECT_EQ(ScsiCondition(h), Condition::Warning) << "the grown defects";

  DriveImage silent = SasSsdImage();
  for (const auto& [page, bytes] : silent.scsi->log) silent.scsi->refused_log_pages.push_back(page);
  silent.scsi->refused_log_pages.push_back(0x00);
  Bay quiet;
  h = DecodeScsiHealth(ReadScsiBlocks(quiet.bay, quiet.Add(silent)));
  EXPECT_TRUE(h.inquiry && h.grown_defects);
  EXPECT_EQ(ScsiCondition(h), Condition::NotDecided);
}

TEST(ScsiBay, ASelfTestStartedIsLoggedNewestFirst) {
  Bay b;
  const DeviceHandle handle = b.Add(SasHddImage());
  EXPECT_TRUE(StartScsiSelfTest(b.bay, handle, ScsiSelfTest::BackgroundExtended));
  EXPECT_TRUE(StartScsiSelfTest(b.bay, handle, ScsiSelfTest::AbortBackground));
  const ScsiHealth h = DecodeScsiHealth(ReadScsiBlocks(b.bay, handle));
  ASSERT_EQ(h.self_tests->size(), 3u);
  EXPECT_EQ(h.self_tests->front().code, 2);
  EXPECT_EQ(h.self_tests->front().power_on_hours, 21344);
  EXPECT_EQ(b.bay.FindDrive(0)->self_tests_started, 1);
  // A refusal comes back without a data area: still a refusal.
  b.bay.FindDrive(0)->behaviour.aborts_self_test = true;
  EXPECT_FALSE(StartScsiSelfTest(b.bay, handle, ScsiSelfTest::BackgroundShort));
}

TEST(ScsiFindings, EachRule) {
  struct Case {
    const char* what;
    std::function<void(ScsiHealth&)> change;
    Condition condition;
  };
  const std::vector<Case> cases = {
      {"nothing wrong", [](ScsiHealth&) {}, Condition::Ok},
      {"no LOG SENSE", [](ScsiHealth& h) { h.log_sense = false; }, Condition::NotDecided},
      {"failure prediction",
       [](ScsiHealth& h) {
         h.informational_exception = {0x5D, 0x10, 40};
       },
       Condition::Critical},
      {"temperature warning exception",
       [](ScsiHealth& h) {
         h.informational_exception = {0x0B, 0x01, 40};
       },
       Condition::Critical},
      {"REQUEST SENSE prediction",
       [](ScsiHealth& h) {
         h.request_sense = SenseSummary{0, 0x5D, 0xFF, std::nullopt};
       },
       Condition::Critical},
      {"uncorrected verify error", [](ScsiHealth& h) { h.verify_errors.emplace().counters[6] = 1; },
       Condition::Warning},
      {"one grown defect", [](ScsiHealth& h) { h.grown_defects = 1; }, Condition::Warning},
      {"endurance 99 %", [](ScsiHealth& h) { h.endurance_used = 99; }, Condition::Ok},
      {"endurance 100 %", [](ScsiHealth& h) { h.endurance_used = 100; }, Condition::Warning},
      {"below the reference",
       [](ScsiHealth& h) {
         h.temperature = {69, 70};
       },
       Condition::Ok},
      {"at the reference",
       [](ScsiHealth& h) {
         h.temperature = {70, 70};
       },
       Condition::Warning},
      {"no reference",
       [](ScsiHealth& h) {
         h.temperature = {90, std::nullopt};
       },
       Condition::Ok},
  };
  for (const Case& c : cases) {
    ScsiHealth health;
    health.log_sense = true;
    health.grown_defects = 0;
    c.change(health);
    EXPECT_EQ(ScsiCondition(health), c.condition) << c.what;
  }
}

}  // namespace
}  // namespace kestrine
