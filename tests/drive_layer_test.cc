// The S.M.A.R.T. command set through the simulated bay: fallback chains, table placement, what a
// failed exchange leaves behind, and the exchanges' exact bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "drive_path.h"
#include "sim_bay.h"
#include "smart_drv.h"
#include "test_drives.h"
#include "test_paths.h"

namespace kestrine {
namespace {

using testing::Only;
using testing::Route;

// A drive image whose every byte says where it came from.
DriveImage PatternImage(Byte seed) {
  DriveImage image;
  for (std::size_t i = 0; i < 512; ++i) {
    image.identify[i] = static_cast<Byte>(seed + i);
    image.smart_data[i] = static_cast<Byte>(seed + 3 * i + 1);
    image.thresholds[i] = static_cast<Byte>(seed + 5 * i + 2);
    image.self_test_log[i] = static_cast<Byte>(seed + 7 * i + 3);
  }
  return image;
}

std::vector<std::uint32_t> Codes(const SimBay& bay) {
  std::vector<std::uint32_t> codes;
  for (const auto& request : bay.Requests()) codes.push_back(request.code);
  return codes;
}

struct Bench {
  SimBay bay;
  SmartDrv drv{bay};
  DeviceHandle Open(int n) { return drv.OpenDrive(DriveDevicePath(n)); }
};

std::vector<Byte> Entries(const Sector& block) {
  return std::vector<Byte>(block.begin() + 2, block.begin() + 362);
}
std::vector<Byte> Slot(const AttributeSlot& slot) {
  return std::vector<Byte>(slot[0].data(), slot[0].data() + smart_entry::kEntriesSize);
}

TEST(IdentifyDeviceAta, PassThroughRefusedThenLegacy) {
  Bench b;
  const DriveImage image = PatternImage(7);
  b.bay.AddDrive(0, image, Only({Route::Legacy}));
  const DeviceHandle h = b.Open(0);
  EXPECT_EQ(b.drv.IdentifyDeviceAta(h, 0), CommandResult::Success);
  EXPECT_EQ(Codes(b.bay), (std::vector<std::uint32_t>{kIoctlAtaPassThrough, kSmartGetVersion,
                                                      kSmartRcvDriveData}));
  EXPECT_EQ(b.drv.Tables().IdentifySector[0], image.identify);
  EXPECT_EQ(b.bay.DebugLines(), std::vector<std::string>{"0"});
}

TEST(IdentifyDeviceAta, FailingVersionQueryStopsBeforeLegacyIdentify) {
  Bench b;
  DriveBehaviour behaviour = Only({Route::Legacy});
  behaviour.legacy_version_fails = true;
  b.bay.AddDrive(0, PatternImage(7), behaviour);
  EXPECT_EQ(b.drv.IdentifyDeviceAta(b.Open(0), 0), CommandResult::Failure);
  EXPECT_EQ(Codes(b.bay), (std::vector<std::uint32_t>{kIoctlAtaPassThrough, kSmartGetVersion}));
  EXPECT_EQ(b.drv.Tables().IdentifySector[0], Sector{});
  EXPECT_TRUE(b.bay.DebugLines().empty());
}

TEST(IdentifyDeviceSat, NonZeroScsiStatusStoresTheBlockButFails) {
  Bench b;
  const DriveImage image = PatternImage(9);
  DriveBehaviour behaviour = Only({Route::Sat});
  behaviour.sat_scsi_status = 2;
  b.bay.AddDrive(1, image, behaviour);
  const DeviceHandle h = b.Open(1);
  EXPECT_EQ(b.drv.IdentifyDeviceAta(h, 1), CommandResult::Failure);
  EXPECT_EQ(b.drv.IdentifyDeviceSat(h, 1), CommandResult::Failure);
  EXPECT_EQ(b.drv.Tables().IdentifySector[1], image.identify);
  const auto& sat = b.bay.Requests().back();
  EXPECT_EQ(sat.in.size(), 44u);
  EXPECT_EQ(sat.out_size, 592u);
}

TEST(Transports, FailedExchangeLeavesTheDestinationUntouched) {
  Bench b;
  b.bay.AddDrive(0, PatternImage(1), Only({}));
  const DeviceHandle h = b.Open(0);
  Sector destination;
  destination.fill(0x5A);
  EXPECT_EQ(b.drv.AtaPassThrough(h, 0, 0xB0, 0xD0, 1, 0, destination), CommandResult::Failure);
  EXPECT_EQ(b.drv.SatPassThrough(h, 0, 0xB0, 0xD0, 1, 0, destination), CommandResult::Failure);
  EXPECT_TRUE(std::ranges::all_of(destination, [](Byte v) { return v == 0x5A; }));
  // An invalid handle fails the same way.
  EXPECT_EQ(b.drv.AtaPassThrough(kInvalidHandle, 0, 0xB0, 0xD0, 1, 0, destination),
            CommandResult::Failure);
  EXPECT_TRUE(std::ranges::all_of(destination, [](Byte v) { return v == 0x5A; }));
}

TEST(Transports, LengthsAbove512SendNothing) {
  Bench b;
  b.bay.AddDrive(0, PatternImage(1));
  const DeviceHandle h = b.Open(0);
  std::vector<Byte> big(513);
  EXPECT_EQ(b.drv.AtaPassThrough(h, 0, 0xB0, 0xD0, 1, 0, big), CommandResult::Failure);
  EXPECT_EQ(b.drv.SatPassThrough(h, 0, 0xB0, 0xD0, 1, 0, big), CommandResult::Failure);
  EXPECT_TRUE(b.bay.Requests().empty());
}

TEST(Transports, AtaPassThroughWithoutDataSendsTheHeaderOnly) {
  Bench b;
  b.bay.AddDrive(0, PatternImage(1));
  EXPECT_EQ(b.drv.AtaPassThrough(b.Open(0), 0, 0xB0, 0xD4, 0, 1, {}), CommandResult::Success);
  const auto& request = b.bay.Requests().back();
  EXPECT_EQ(request.in.size(), 44u);
  EXPECT_EQ(request.out_size, 44u);
  EXPECT_EQ(request.in[2], 0);  // AtaFlags
  EXPECT_TRUE(
      std::all_of(request.in.begin() + 40, request.in.end(), [](Byte v) { return v == 0; }));
}

TEST(DebugOutput, DriverErrorByteOfSuccessfulLegacyRequestsOnly) {
  Bench b;
  DriveImage image = PatternImage(2);
  b.bay.AddDrive(0, image, Only({Route::AtaPassThrough, Route::Legacy, Route::Sat}));
  b.bay.AddDrive(1, image, Only({Route::Legacy}));
  Sector log{};
  // The pass-through answers: nothing is written.
  const DeviceHandle h0 = b.Open(0);
  b.drv.IdentifyDeviceAta(h0, 0);
  b.drv.ReadSmartDataAta(h0, 0);
  EXPECT_EQ(b.drv.RunSelfTestAta(h0, 0, 0xD4, 1, 0), CommandResult::Success);
  EXPECT_TRUE(b.bay.DebugLines().empty());
  // The legacy requests answer: one number per request, no prefix or line end.
  const DeviceHandle h1 = b.Open(1);
  b.drv.ReadThresholdsAta(h1, 1);
  b.drv.ReadSelfTestLogAta(h1, 1, log);
  EXPECT_EQ(b.bay.DebugLines(), (std::vector<std::string>{"0", "0"}));
  // A command the drive aborts still completes; the driver reports its error byte.
  std::vector<Byte> ignored(16);
  b.bay.FindDrive(1)->image.smart_data = {};
  EXPECT_EQ(b.drv.LegacySend(h1, 1,
                             LegacyRegisters{.registers = {.features = 0xD4,
                                                           .lba_low = 0x40,
                                                           .lba_mid = 0x4F,
                                                           .lba_high = 0xC2,
                                                           .device = 0xA0,
                                                           .command = 0xB0}}),
            true);
  EXPECT_EQ(b.bay.DebugLines().back(), "1");
  EXPECT_EQ(b.drv.Tables().LegacyStatus[1][4], 1);
}

TEST(Tables, ReadDataPlacesEntriesAndSector) {
  Bench b;
  const DriveImage image = PatternImage(3);
  b.bay.AddDrive(0, image);
  b.drv.ReadSmartDataAta(b.Open(0), 0);
  const auto& slot = b.drv.Tables().AttributeTable[0];
  EXPECT_EQ(std::vector<Byte>(slot[0].begin(), slot[0].end()),
            std::vector<Byte>(image.smart_data.begin() + 2, image.smart_data.begin() + 14));
  EXPECT_EQ(std::vector<Byte>(slot[29].begin(), slot[29].end()),
            std::vector<Byte>(image.smart_data.begin() + 350, image.smart_data.begin() + 362));
  EXPECT_EQ(b.drv.Tables().SmartDataSector, b.bay.FindDrive(0)->image.smart_data);
}

TEST(Tables, ReadOfOneDriveLeavesAnotherDrivesSlot) {
  Bench b;
  b.bay.AddDrive(0, PatternImage(10));
  b.bay.AddDrive(1, PatternImage(20));
  b.drv.ReadSmartDataAta(b.Open(0), 0);
  const AttributeSlot drive0 = b.drv.Tables().AttributeTable[0];
  b.drv.ReadSmartDataAta(b.Open(1), 1);
  EXPECT_EQ(b.drv.Tables().AttributeTable[0], drive0);
  EXPECT_EQ(Slot(b.drv.Tables().AttributeTable[1]), Entries(b.bay.FindDrive(1)->image.smart_data));
  EXPECT_EQ(b.drv.Tables().SmartDataSector, b.bay.FindDrive(1)->image.smart_data);
}

TEST(Tables, LegacyReadDataTakesTheResponseSector) {
  Bench b;
  b.bay.AddDrive(0, PatternImage(4), Only({Route::Legacy}));
  b.bay.AddDrive(1, PatternImage(5));
  b.drv.ReadSmartDataAta(b.Open(1), 1);
  const AttributeSlot neighbour = b.drv.Tables().AttributeTable[1];
  b.drv.ReadSmartDataAta(b.Open(0), 0);
  const Sector& data = b.bay.FindDrive(0)->image.smart_data;
  EXPECT_EQ(b.drv.Tables().SmartDataSector, data);
  EXPECT_EQ(Slot(b.drv.Tables().AttributeTable[0]), Entries(data));
  EXPECT_EQ(b.drv.Tables().AttributeTable[1], neighbour);
}

TEST(Tables, HighDriveNumbersHaveTheirOwnSlots) {
  Bench b;
  b.bay.AddDrive(2, PatternImage(6));
  b.bay.AddDrive(200, PatternImage(6));
  for (int n : {2, 200}) {
    const DeviceHandle h = b.Open(n);
    const auto drive = static_cast<Byte>(n);
    EXPECT_EQ(b.drv.IdentifyDeviceAta(h, drive), CommandResult::Success);
    b.drv.ReadThresholdsAta(h, drive);
    b.drv.ReadSmartDataAta(h, drive);
  }
  const SmartTables& t = b.drv.Tables();
  EXPECT_EQ(t.IdentifySector[200], t.IdentifySector[2]);
  EXPECT_EQ(t.AttributeTable[200], t.AttributeTable[2]);
  EXPECT_EQ(t.ThresholdTable[200], t.ThresholdTable[2]);
  EXPECT_NE(t.AttributeTable[2], AttributeSlot{});
  // Drive 200's exchanges carry its own number in the device register.
  EXPECT_EQ(b.bay.Requests().back().in[37], 200);
}

TEST(Tables, ReadsThatGetNoAnswerClearTheSlot) {
  Bench b;
  b.bay.AddDrive(0, PatternImage(8));
  const DeviceHandle h = b.Open(0);
  b.drv.ReadSmartDataAta(h, 0);
  b.drv.ReadThresholdsAta(h, 0);
  ASSERT_NE(b.drv.Tables().SmartDataSector, Sector{});
  SimDrive& drive = *b.bay.FindDrive(0);
  drive.behaviour = Only({});
  b.drv.ReadSmartDataAta(h, 0);
  b.drv.ReadThresholdsAta(h, 0);
  EXPECT_EQ(b.drv.Tables().AttributeTable[0], AttributeSlot{});
  EXPECT_EQ(b.drv.Tables().ThresholdTable[0], ThresholdSlot{});
  EXPECT_EQ(b.drv.Tables().SmartDataSector, Sector{});
  // The same for the SAT family.
  drive.behaviour = Only({Route::Sat});
  EXPECT_EQ(b.drv.ReadSmartDataSat(h, 0), CommandResult::Success);
  drive.behaviour = Only({});
  EXPECT_EQ(b.drv.ReadSmartDataSat(h, 0), CommandResult::Failure);
  EXPECT_EQ(b.drv.Tables().SmartDataSector, Sector{});
}

TEST(ReadSelfTestLog, BothFailingLeavesTheBlockZero) {
  Bench b;
  b.bay.AddDrive(0, PatternImage(1), Only({}));
  Sector log;
  log.fill(0xEE);
  EXPECT_EQ(b.drv.ReadSelfTestLogAta(b.Open(0), 0, log), CommandResult::Failure);
  EXPECT_EQ(log, Sector{});
}

TEST(ReadSelfTestLog, EachFamilyReadsTheLog) {
  for (const auto& behaviour : {Only({Route::AtaPassThrough}), Only({Route::Legacy})}) {
    Bench b;
    b.bay.AddDrive(0, PatternImage(11), behaviour);
    Sector log{};
    EXPECT_EQ(b.drv.ReadSelfTestLogAta(b.Open(0), 0, log), CommandResult::Success);
    EXPECT_EQ(log, b.bay.FindDrive(0)->image.self_test_log);
  }
  Bench b;
  b.bay.AddDrive(0, PatternImage(11), Only({Route::Sat}));
  Sector log{};
  EXPECT_EQ(b.drv.ReadSelfTestLogSat(b.Open(0), 0, log), CommandResult::Success);
  EXPECT_EQ(log, b.bay.FindDrive(0)->image.self_test_log);
}

TEST(ReadSelfTestLog, AtaFamilyFirstThenSatIntoTheSameBlock) {
  struct Case {
    const char* what;
    DriveBehaviour behaviour;
    CommandResult result;
    std::vector<std::uint32_t> codes;
  };
  const std::vector<Case> cases = {
      {"pass-through",
       Only({Route::AtaPassThrough}),
       CommandResult::Success,
       {kIoctlAtaPassThrough}},
      {"legacy",
       Only({Route::Legacy}),
       CommandResult::Success,
       {kIoctlAtaPassThrough, kSmartRcvDriveData}},
      {"sat",
       Only({Route::Sat}),
       CommandResult::Success,
       {kIoctlAtaPassThrough, kSmartRcvDriveData, kIoctlScsiPassThrough}},
      {"none",
       Only({}),
       CommandResult::Failure,
       {kIoctlAtaPassThrough, kSmartRcvDriveData, kIoctlScsiPassThrough}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bench b;
    b.bay.AddDrive(0, PatternImage(21), c.behaviour);
    const DeviceHandle h = b.Open(0);
    Sector log;
    log.fill(0xEE);
    EXPECT_EQ(b.drv.ReadSelfTestLog(h, 0, log), c.result);
    EXPECT_EQ(log, c.result == CommandResult::Success ? b.bay.FindDrive(0)->image.self_test_log
                                                      : Sector{});
    EXPECT_EQ(Codes(b.bay), c.codes);
  }
}

TEST(RunSelfTest, AtaStartIsANonDataCommandOfFortyFourBytes) {
  Bench b;
  b.bay.AddDrive(1, PatternImage(0));
  EXPECT_EQ(b.drv.RunSelfTestAta(b.Open(1), 1, 0xD4, 1, 0), CommandResult::Success);
  ASSERT_EQ(b.bay.Requests().size(), 1u);
  const auto& request = b.bay.Requests()[0];
  EXPECT_EQ(request.code, kIoctlAtaPassThrough);
  // No data flags and no transfer length: the header and the filler only.
  std::vector<Byte> expected = {
      40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0,    2,    0,    0,    0,    0,    0,    0, 0, 44, 0,
      0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0xD4, 0x00, 0x01, 0x4F, 0xC2, 0x01, 0xB0, 0x00, 0, 0, 0,  0};
  EXPECT_EQ(request.in, expected);
  EXPECT_EQ(request.out_size, 44u);
}

TEST(RunSelfTest, LegacySendCarriesFixedRegisters) {
  Bench b;
  b.bay.AddDrive(3, PatternImage(0), Only({Route::Legacy}));
  EXPECT_EQ(b.drv.RunSelfTestAta(b.Open(3), 3, 0xD4, 2, 0), CommandResult::Success);
  const auto& send = b.bay.Requests().back();
  EXPECT_EQ(send.code, kSmartSendDriveCommand);
  std::vector<Byte> expected = {0, 0, 0, 0, 0xD4, 0x00, 0x02, 0x4F, 0xC2, 0xA0, 0xB0, 0, 0};
  expected.resize(37, 0);
  EXPECT_EQ(send.in, expected);
  EXPECT_EQ(send.out_size, 16u);
}

TEST(RunSelfTest, SatSecondAttemptCarriesTheDriveNumberAsDeviceByte) {
  Bench b;
  SimDrive& drive = b.bay.AddDrive(0, PatternImage(0), Only({Route::Sat}));
  // A bridge that refuses the first form of the command.
  drive.refuse = [](std::uint32_t code, std::span<const Byte> in) {
    return code == kIoctlScsiPassThrough && in.size() > 36 && in[36] == 0xA0;
  };
  EXPECT_EQ(b.drv.RunSelfTestSat(b.Open(0), 0, 0xD4, 2, 0), CommandResult::Success);
  ASSERT_EQ(b.bay.Requests().size(), 2u);
  // Non-data: direction unspecified, protocol 3, no transfer length.
  std::vector<Byte> second = {44,   0,    0,    0,    0,    0, 12,   24,   2,    0,    0,
                              0,    0,    0,    0,    0,    2, 0,    0,    0,    80,   0,
                              0,    0,    48,   0,    0,    0, 0xA1, 0x06, 0x00, 0xD4, 0x00,
                              0x02, 0x4F, 0xC2, 0x00, 0xB0, 0, 0,    0,    0,    0,    0};
  EXPECT_EQ(b.bay.Requests()[0].in[36], 0xA0);
  EXPECT_EQ(b.bay.Requests()[1].in, second);
  EXPECT_EQ(b.bay.Requests()[1].out_size, 80u);
}

// The blocks of one whole read, as each family leaves them in the tables.
struct ReadTables {
  Sector identify;
  AttributeSlot attributes;
  ThresholdSlot thresholds;
  Sector data;
  bool operator==(const ReadTables&) const = default;
};

ReadTables ReadThrough(const DriveImage& image, const DriveBehaviour& behaviour, bool sat) {
  Bench b;
  b.bay.AddDrive(0, image, behaviour);
  const DeviceHandle h = b.Open(0);
  if (sat) {
    EXPECT_EQ(b.drv.IdentifyDeviceSat(h, 0), CommandResult::Success);
    b.drv.ReadSmartDataSat(h, 0);
    b.drv.ReadThresholdsSat(h, 0);
  } else {
    EXPECT_EQ(b.drv.IdentifyDeviceAta(h, 0), CommandResult::Success);
    b.drv.ReadThresholdsAta(h, 0);
    b.drv.ReadSmartDataAta(h, 0);
  }
  b.drv.CloseDrive(h);
  EXPECT_EQ(b.bay.OpenHandleCount(), 0);
  const SmartTables& t = b.drv.Tables();
  return {t.IdentifySector[0], t.AttributeTable[0], t.ThresholdTable[0], t.SmartDataSector};
}

// Every captured drive fills the same tables whichever way it is read.
TEST(CapturedDrives, EveryFamilyFillsIdenticalTables) {
  KESTRINE_REQUIRE_CAPTURED();
  for (const std::string& name : testing::CapturedNames()) {
    const DriveImage image = testing::CapturedImage(name);
    const ReadTables ata = ReadThrough(image, Only({Route::AtaPassThrough}), false);
    EXPECT_EQ(ata.identify, image.identify) << name;
    EXPECT_EQ(ata.data, image.smart_data) << name;
    EXPECT_EQ(ReadThrough(image, Only({Route::Legacy}), false), ata) << name;
    EXPECT_EQ(ReadThrough(image, Only({Route::Sat}), true), ata) << name;
  }
}

}  // namespace
}  // namespace kestrine
