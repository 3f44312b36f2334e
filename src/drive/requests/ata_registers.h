// ATA commands, register values and the seven registers themselves: the one value type every
// transport fills and reads, and where those registers sit in the blocks that carry them.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <type_traits>

#include "bytes.h"

namespace kestrine {

inline constexpr Byte kSmartCommand = 0xB0;
inline constexpr Byte kIdentifyDeviceCommand = 0xEC;
// CHECK POWER MODE: a non-data command that a drive in standby answers without spinning up; the
// power mode comes back in the sector count register (power_mode.h).
inline constexpr Byte kCheckPowerModeCommand = 0xE5;
// The signature a S.M.A.R.T. command carries in LBA mid and LBA high.
inline constexpr Byte kSmartCylLow = 0x4F;
inline constexpr Byte kSmartCylHigh = 0xC2;

// S.M.A.R.T. subcommands (features register) and the log address of the self-test log.
inline constexpr Byte kSmartReadData = 0xD0;
inline constexpr Byte kSmartReadThresholds = 0xD1;
inline constexpr Byte kSmartAutosave = 0xD2;
inline constexpr Byte kSmartSaveAttributes = 0xD3;
inline constexpr Byte kSmartExecuteOfflineImmediate = 0xD4;
inline constexpr Byte kSmartReadLog = 0xD5;
inline constexpr Byte kSmartEnable = 0xD8;
inline constexpr Byte kSmartDisable = 0xD9;
inline constexpr Byte kSmartReturnStatus = 0xDA;
inline constexpr Byte kSmartAutoOffline = 0xDB;
inline constexpr Byte kSelfTestLogAddress = 6;

// EXECUTE OFF-LINE IMMEDIATE subcommands (sector number register).
inline constexpr Byte kOfflineDataCollection = 0;
inline constexpr Byte kShortSelfTestOffline = 1;
inline constexpr Byte kExtendedSelfTestOffline = 2;
inline constexpr Byte kAbortOfflineTest = 127;

// Status register bits and values, and the error register's abort bit.
inline constexpr Byte kAtaStatusError = 0x01;        // ERR
inline constexpr Byte kAtaStatusDeviceFault = 0x20;  // DF
inline constexpr Byte kAtaStatusReady = 0x50;        // DRDY | DSC: completed without error
inline constexpr Byte kAtaStatusReadyError = 0x51;   // DRDY | DSC | ERR
inline constexpr Byte kAtaErrorAborted = 0x04;       // ABRT

// The device/head byte that selects a drive by the low bit of its number: 0xA0 for even
// numbers, 0xB0 for odd ones (the SAT command's device byte and the legacy drive/head register).
constexpr Byte DriveSelectByte(Byte drive_number) {
  return static_cast<Byte>(0xA0 | ((drive_number & 1) << 4));
}
static_assert(DriveSelectByte(0) == 0xA0 && DriveSelectByte(3) == 0xB0);

// A command's registers as the drive layer sends them: the S.M.A.R.T. signature in LBA mid and
// LBA high for 0xB0, both clear for any other command.
struct AtaRegisters;
constexpr AtaRegisters WithSmartSignature(AtaRegisters registers);

// The first member of a type whose fields are set by name only: a positional list would have to
// start with it, and no register value converts to it.
struct ByNameOnly {
  explicit ByNameOnly() = default;
  bool operator==(const ByNameOnly&) const = default;
};

// The seven ATA registers, under their ATA names. Written with designated initializers
// ({.count = 1, .lba_low = 6}), so that the sector count and the sector number (LBA low) cannot
// trade places unseen.
struct AtaRegisters {
  [[no_unique_address]] ByNameOnly by_name{};
  Byte features = 0;  // the error register on the way back
  Byte count = 0;     // sector count
  Byte lba_low = 0;   // sector number
  Byte lba_mid = 0;   // cylinder low
  Byte lba_high = 0;  // cylinder high
  Byte device = 0;    // drive/head
  Byte command = 0;   // the status register on the way back

  bool operator==(const AtaRegisters&) const = default;
};

constexpr AtaRegisters WithSmartSignature(AtaRegisters registers) {
  const bool smart = registers.command == kSmartCommand;
  registers.lba_mid = smart ? kSmartCylLow : Byte{0};
  registers.lba_high = smart ? kSmartCylHigh : Byte{0};
  return registers;
}

namespace ata_registers_check {
template <typename T>
concept BuiltFromBytesInOrder = requires {
  T{Byte{}, Byte{}};
};
static_assert(!BuiltFromBytesInOrder<AtaRegisters>);
static_assert(!std::is_constructible_v<AtaRegisters, Byte, Byte>);
static_assert(AtaRegisters{.count = 1, .lba_low = 6}.lba_low == 6);
}  // namespace ata_registers_check

// Where each of the seven registers sits in a block that carries them: one layout per block,
// read and written by the two functions below.
struct RegisterLayout {
  std::size_t features;
  std::size_t count;
  std::size_t lba_low;
  std::size_t lba_mid;
  std::size_t lba_high;
  std::size_t device;
  std::size_t command;
};

constexpr AtaRegisters ReadRegisters(std::span<const Byte> block, const RegisterLayout& at) {
  return AtaRegisters{.features = block[at.features],
                      .count = block[at.count],
                      .lba_low = block[at.lba_low],
                      .lba_mid = block[at.lba_mid],
                      .lba_high = block[at.lba_high],
                      .device = block[at.device],
                      .command = block[at.command]};
}

constexpr void WriteRegisters(std::span<Byte> block, const RegisterLayout& at,
                              const AtaRegisters& registers) {
  block[at.features] = registers.features;
  block[at.count] = registers.count;
  block[at.lba_low] = registers.lba_low;
  block[at.lba_mid] = registers.lba_mid;
  block[at.lba_high] = registers.lba_high;
  block[at.device] = registers.device;
  block[at.command] = registers.command;
}

// IDEREGS: the registers as the Windows blocks carry them (ATA_PASS_THROUGH_EX's task files, the
// legacy requests' drive registers and the RETURN STATUS answer), eight bytes with one reserved.
inline constexpr RegisterLayout kIdeRegs{.features = 0,
                                         .count = 1,
                                         .lba_low = 2,
                                         .lba_mid = 3,
                                         .lba_high = 4,
                                         .device = 5,
                                         .command = 6};
inline constexpr std::size_t kIdeRegsSize = 8;

namespace ata_registers_check {
constexpr bool IdeRegsRoundTrip() {
  std::array<Byte, kIdeRegsSize> block{};
  const AtaRegisters written{.features = 1, .count = 2, .lba_low = 3, .device = 6, .command = 7};
  WriteRegisters(block, kIdeRegs, written);
  return block[1] == 2 && block[2] == 3 && block[7] == 0 &&
         ReadRegisters(block, kIdeRegs) == written;
}
static_assert(IdeRegsRoundTrip());
}  // namespace ata_registers_check

}  // namespace kestrine
