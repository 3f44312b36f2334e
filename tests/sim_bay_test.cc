// The simulated bay as a driver and a drive: path resolution, refusal of malformed blocks, access
// rights, and the self-test it runs on its own clock.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "ata_pass_through_block.h"
#include "legacy_request.h"
#include "sat_pass_through_block.h"
#include "sim_bay.h"
#include "smart_drv.h"

namespace kestrine {
namespace {

using namespace std::chrono_literals;

TEST(SimBayPaths, ResolvesAsThePlatformDoes) {
  const struct {
    const char* path;
    std::optional<int> number;
  } cases[] = {
      {"\\\\.\\PHYSICALDRIVE0", 0},
      {"\\\\.\\\\\\.\\PHYSICALDRIVE2", 2},  // the doubled prefix OpenDrive sends
      {"\\\\.\\PhysicalDrive17", 17},
      {"physicaldrive255", 255},
      {"\\\\.\\PHYSICALDRIVE", std::nullopt},
      {"\\\\.\\PHYSICALDRIVE01", std::nullopt},
      {"\\\\.\\PHYSICALDRIVE1 ", std::nullopt},
      {"\\\\.\\PHYSICALDRIVE-1", std::nullopt},
      {"\\\\.\\C:", std::nullopt},
      {"", std::nullopt},
      {"\\\\?\\PHYSICALDRIVE0", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(SimBay::ResolvePath(c.path), c.number) << c.path;
}

TEST(SimBayOpen, AbsentAndUnopenableDrivesFail) {
  SimBay bay;
  bay.AddDrive(0, {});
  DriveBehaviour locked;
  locked.open_fails = true;
  bay.AddDrive(1, {}, locked);
  EXPECT_NE(bay.Open("\\\\.\\PHYSICALDRIVE0", Access::ReadOnly), kInvalidHandle);
  EXPECT_EQ(bay.Open("\\\\.\\PHYSICALDRIVE1", Access::ReadOnly), kInvalidHandle);
  EXPECT_EQ(bay.Open("\\\\.\\PHYSICALDRIVE2", Access::ReadOnly), kInvalidHandle);
  EXPECT_EQ(bay.OpenHandleCount(), 1);
  EXPECT_FALSE(bay.Close(kInvalidHandle));
}

struct Exchange {
  SimBay bay;
  DeviceHandle handle;
  explicit Exchange(Access access = Access::ReadWrite) {
    bay.AddDrive(0, {});
    handle = bay.Open("PHYSICALDRIVE0", access);
  }
  bool Send(std::uint32_t code, std::span<const Byte> in, std::span<Byte> out) {
    std::uint32_t returned = 0;
    return bay.Control(handle, code, in, out, returned);
  }
};

TEST(SimBayRefuses, MalformedAtaPassThroughBlocks) {
  const struct {
    const char* what;
    std::size_t offset;
    std::uint32_t value;
    int width;
  } cases[] = {
      {"Length not 40", ata_block::kLength, 44, 2},
      {"data beyond the buffer", ata_block::kDataTransferLength, 1024, 4},
      {"data offset inside the header", ata_block::kDataBufferOffset, 8, 4},
      {"both directions", ata_block::kAtaFlags, 6, 2},
      {"no time-out", ata_block::kTimeOutValue, 0, 4},
  };
  for (const auto& c : cases) {
    Exchange x;
    auto block = BuildAtaPassThroughBlock({.features = 0xD0, .count = 1, .command = 0xB0}, 512);
    if (c.width == 2) {
      WriteLe16(block, c.offset, static_cast<std::uint16_t>(c.value));
    } else {
      WriteLe32(block, c.offset, c.value);
    }
    EXPECT_FALSE(x.Send(kIoctlAtaPassThrough, block, block)) << c.what;
  }
  Exchange x;
  auto block = BuildAtaPassThroughBlock({.features = 0xD0, .count = 1, .command = 0xB0}, 512);
  EXPECT_FALSE(x.Send(kIoctlAtaPassThrough, std::span<const Byte>(block.data(), 39),
                      std::span<Byte>(block.data(), 39)))
      << "block shorter than the structure";
  EXPECT_TRUE(x.Send(kIoctlAtaPassThrough, block, block)) << "the well-formed block";
}

TEST(SimBayRefuses, MalformedScsiPassThroughBlocks) {
  const struct {
    const char* what;
    std::size_t offset;
    std::uint32_t value;
    bool byte;
  } cases[] = {
      {"Length not 44", sat_block::kLength, 40, false},
      {"CDB longer than 16", sat_block::kCdbLength, 17, true},
      {"direction out of range", sat_block::kDataIn, 3, true},
      {"data past the output", sat_block::kDataTransferLength, 513, false},
      {"sense past the output", sat_block::kSenseInfoOffset, 580, false},
  };
  for (const auto& c : cases) {
    Exchange x;
    auto block = BuildSatPassThroughBlock(
        {.features = 0xD0, .count = 1, .device = 0xA0, .command = 0xB0}, 512);
    if (c.byte) {
      block[c.offset] = static_cast<Byte>(c.value);
    } else if (c.offset == sat_block::kLength) {
      WriteLe16(block, c.offset, static_cast<std::uint16_t>(c.value));
    } else {
      WriteLe32(block, c.offset, c.value);
    }
    EXPECT_FALSE(x.Send(kIoctlScsiPassThrough, std::span<const Byte>(block.data(), 44), block))
        << c.what;
  }
}

TEST(SimBayRefuses, LegacyRequestsOfTheWrongShape) {
  Exchange x;
  auto request = BuildLegacyRequest({.buffer_size = 512,
                                     .registers = {.features = 0xD0,
                                                   .count = 1,
                                                   .lba_low = 1,
                                                   .lba_mid = 0x4F,
                                                   .lba_high = 0xC2,
                                                   .device = 0xA0,
                                                   .command = 0xB0}});
  LegacyResponse response{};
  std::array<Byte, 16> status{};
  std::array<Byte, 20> small_version{};
  const std::span<const Byte> in(request.data(), 37);
  EXPECT_TRUE(x.Send(kSmartRcvDriveData, in, response));
  EXPECT_FALSE(x.Send(kSmartRcvDriveData, std::span<const Byte>(request.data(), 31), response));
  EXPECT_FALSE(x.Send(kSmartRcvDriveData, in, std::span<Byte>(response.data(), 527)));
  EXPECT_FALSE(x.Send(kSmartSendDriveCommand, in, status)) << "READ DATA has no place in a send";
  EXPECT_FALSE(x.Send(kSmartGetVersion, {}, small_version));
  EXPECT_FALSE(x.Send(0x12345, in, response)) << "an unknown request code";
}

// The bay takes a legacy send as the Linux port does: only the S.M.A.R.T. commands that move no
// data, and RETURN STATUS only with room for the registers that follow the status.
TEST(SimBayLegacy, SendCarriesTheNonDataCommandsOnly) {
  Exchange x;
  const auto send = [&x](Byte subcommand, std::span<Byte> out) {
    const LegacyRequestBlock block = BuildLegacyRequest(
        {.registers = WithSmartSignature(
             {.features = subcommand, .device = DriveSelectByte(0), .command = kSmartCommand})});
    return x.Send(kSmartSendDriveCommand,
                  std::span<const Byte>(block.data(), legacy::kRequestSendSize), out);
  };
  std::array<Byte, legacy::kOutBuffer + kIdeRegsSize> out{};
  EXPECT_FALSE(send(0xEE, out)) << "no such subcommand";
  EXPECT_FALSE(send(kSmartReturnStatus, std::span(out).first(out.size() - 1)))
      << "no room for the registers";
  ASSERT_TRUE(send(kSmartReturnStatus, out));
  // The simulated drive does not know RETURN STATUS: it aborts, and the registers say so.
  EXPECT_EQ(out[legacy::kDriverError], 1);
  EXPECT_EQ(out[legacy::kIdeError], kAtaErrorAborted);
  EXPECT_EQ(ReadRegisters(std::span(out).subspan(legacy::kOutBuffer), kIdeRegs).command,
            kAtaStatusReadyError);
}

TEST(SimBayAccess, ReadOnlyHandlesCarryNoCommands) {
  Exchange x(Access::ReadOnly);
  auto block = BuildAtaPassThroughBlock({.lba_low = 1, .command = 0xEC}, 512);
  EXPECT_FALSE(x.Send(kIoctlAtaPassThrough, block, block));
  auto sat = BuildSatPassThroughBlock({.count = 1, .device = 0xA0, .command = 0xEC}, 512);
  EXPECT_FALSE(x.Send(kIoctlScsiPassThrough, std::span<const Byte>(sat.data(), 44), sat));
  SmartVersionBlockBytes version{};
  EXPECT_TRUE(x.Send(kSmartGetVersion, {}, version));
}

TEST(SimBayAta, AbortedCommandsStillCompleteWithErrorStatus) {
  Exchange x;
  // READ DATA without the 4F/C2 signature: the drive aborts, the exchange completes.
  auto block = BuildAtaPassThroughBlock({.features = 0xD0, .count = 1, .command = 0xB1}, 512);
  EXPECT_TRUE(x.Send(kIoctlAtaPassThrough, block, block));
  EXPECT_EQ(block[ata_block::kCurrentTaskFile + kIdeRegs.command], 0x51);
  EXPECT_EQ(block[ata_block::kCurrentTaskFile + kIdeRegs.features], 0x04);
  // Through SAT the abort is a CHECK CONDITION with sense data.
  auto sat = BuildSatPassThroughBlock({.features = 0xDA, .device = 0xA0, .command = 0xB0}, 0);
  EXPECT_TRUE(x.Send(kIoctlScsiPassThrough, std::span<const Byte>(sat.data(), 44),
                     std::span<Byte>(sat.data(), 80)));
  EXPECT_EQ(sat[sat_block::kScsiStatus], 2);
  EXPECT_EQ(sat[sat_block::kSense + 2], 0x0B);
}

// A drive with a two-minute short test and a 90-minute extended test.
struct SelfTestBench {
  SimBay bay;
  SmartDrv drv{bay};
  DeviceHandle handle;
  SelfTestBench() {
    DriveImage image;
    image.smart_data[372] = 2;
    image.smart_data[373] = 90;
    image.smart_data[2] = 9;  // power-on hours 1234
    WriteLe16(image.smart_data, 2 + 5, 1234);
    bay.AddDrive(0, image);
    handle = drv.OpenDrive("\\\\.\\PHYSICALDRIVE0");
  }
  Byte Status() {
    drv.ReadSmartDataAta(handle, 0);
    return drv.Tables().SmartDataSector[363];
  }
  Sector Log() {
    Sector log{};
    drv.ReadSelfTestLogAta(handle, 0, log);
    return log;
  }
};

TEST(SimBaySelfTest, ShortTestRunsThenLogs) {
  SelfTestBench b;
  ASSERT_EQ(b.drv.RunSelfTestAta(b.handle, 0, 0xD4, 1, 0), CommandResult::Success);
  EXPECT_EQ(b.Status(), 0xF9);
  b.bay.AdvanceClock(60s);
  EXPECT_EQ(b.Status(), 0xF5);
  EXPECT_EQ(b.Log()[508], 0);
  b.bay.AdvanceClock(60s);
  EXPECT_EQ(b.Status(), 0x00);
  const Sector log = b.Log();
  EXPECT_EQ(log[508], 1);
  EXPECT_EQ(log[2], 1);     // type: short off-line
  EXPECT_EQ(log[3], 0x00);  // completed without error
  EXPECT_EQ(ReadLe16(log, 4), 1234);
  Byte sum = 0;
  for (Byte v : log) sum = static_cast<Byte>(sum + v);
  EXPECT_EQ(sum, 0) << "checksum";
}

TEST(SimBaySelfTest, AbortAndWrapAround) {
  SelfTestBench b;
  ASSERT_EQ(b.drv.RunSelfTestSat(b.handle, 0, 0xD4, 2, 0), CommandResult::Success);
  b.bay.AdvanceClock(45min);
  EXPECT_EQ(b.Status(), 0xF5);
  ASSERT_EQ(b.drv.RunSelfTestAta(b.handle, 0, 0xD4, 127, 0), CommandResult::Success);
  EXPECT_EQ(b.Status(), 0x10);
  Sector log = b.Log();
  EXPECT_EQ(log[2], 2);
  EXPECT_EQ(log[3], 0x10);
  // 21 more tests: the index wraps to descriptor 1 again.
  for (int i = 0; i < 21; ++i) {
    b.drv.RunSelfTestAta(b.handle, 0, 0xD4, 1, 0);
    b.bay.AdvanceClock(3min);
    b.Status();
  }
  log = b.Log();
  EXPECT_EQ(log[508], 1);
  EXPECT_EQ(log[2], 1);
  EXPECT_EQ(log[3], 0x00);
}

}  // namespace
}  // namespace kestrine
