#include "nvme_decode.h"

#include <algorithm>

#include "identify_decode.h"

namespace kestrine {

namespace {

// The field's bytes up to the first zero byte, without the spaces that pad it (the controller
// left-justifies its texts and pads them with spaces; a serial number may also be padded in
// front, as ATA drives do).
std::string Text(std::span<const Byte> field) {
  std::string text;
  for (const Byte byte : field) {
    if (byte == 0) break;
    text.push_back(static_cast<char>(byte));
  }
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') + 1 - first);
}

std::size_t FormatIndex(Byte flbas) {
  using namespace nvme_namespace;
  return static_cast<std::size_t>((flbas & kFormatIndexLowMask) |
                                  ((flbas & kFormatIndexHighMask) >> kFormatIndexHighShift));
}

// Divides the 128-bit value by 10 in place and gives the remainder.
unsigned DivideByTen(Counter128& value) {
  // Four 32-bit limbs, most significant first, so each step fits in 64 bits.
  std::array<std::uint64_t, 4> limbs = {value.high >> 32, value.high & 0xFFFFFFFF, value.low >> 32,
                                        value.low & 0xFFFFFFFF};
  std::uint64_t remainder = 0;
  for (std::uint64_t& limb : limbs) {
    const std::uint64_t current = (remainder << 32) | limb;
    limb = current / 10;
    remainder = current % 10;
  }
  value.high = (limbs[0] << 32) | limbs[1];
  value.low = (limbs[2] << 32) | limbs[3];
  return static_cast<unsigned>(remainder);
}

}  // namespace

std::string DecimalText(Counter128 value) {
  std::string reversed;
  do {
    reversed.push_back(static_cast<char>('0' + DivideByTen(value)));
  } while (value.low != 0 || value.high != 0);
  return std::string(reversed.rbegin(), reversed.rend());
}

std::string NvmeVersionText(std::uint32_t version) {
  if (version == 0) return {};
  std::string text =
      "NVMe " + std::to_string(version >> 16) + "." + std::to_string((version >> 8) & 0xFF);
  if ((version & 0xFF) != 0) text += "." + std::to_string(version & 0xFF);
  return text;
}

NvmeIdentity DecodeNvmeIdentity(std::span<const Byte, nvme_controller::kSize> controller,
                                std::span<const Byte, nvme_namespace::kSize> namespace_data) {
  using namespace nvme_controller;
  NvmeIdentity identity;
  identity.Model = Text(controller.subspan(kModelNumber, kModelNumberSize));
  identity.Firmware = Text(controller.subspan(kFirmwareRevision, kFirmwareRevisionSize));
  identity.SerialNumber = Text(controller.subspan(kSerialNumber, kSerialNumberSize));
  identity.MajorVersion = NvmeVersionText(ReadLe32(controller, kVersion));

  identity.LBASize = ReadLe64(namespace_data, nvme_namespace::kSizeInBlocks);
  const std::size_t format = FormatIndex(namespace_data[nvme_namespace::kFormattedLbaSize]);
  const Byte shift =
      namespace_data[nvme_namespace::kFirstLbaFormat + format * nvme_namespace::kLbaFormatSize +
                     nvme_namespace::kLbaDataSizeShift];
  // Block sizes run from 512 bytes (2^9) up; anything below or beyond 2^63 is not a size.
  identity.LogicalBlockSize = shift >= 9 && shift < 64 ? std::uint64_t{1} << shift : 0;

  const std::uint16_t admin = ReadLe16(controller, kAdminCommands);
  const std::uint16_t nvm = ReadLe16(controller, kNvmCommands);
  identity.SelfTestSupported = IsBitSet(admin, kOacsSelfTest);
  std::string features;
  auto add = [&features](bool present, const char* name) {
    if (!present) return;
    if (!features.empty()) features += ' ';
    features += name;
  };
  add((controller[kVolatileWriteCache] & 1) != 0, "VolatileWriteCache");
  add(identity.SelfTestSupported, "SelfTest");
  add(IsBitSet(nvm, kOncsDatasetManagement), "TRIM");
  add(IsBitSet(nvm, kOncsWriteZeroes), "WriteZeroes");
  add(IsBitSet(nvm, kOncsTimestamp), "Timestamp");
  add(IsBitSet(admin, kOacsSecurity), "Security");
  add(IsBitSet(admin, kOacsFormatNvm), "FormatNVM");
  add(IsBitSet(admin, kOacsFirmware), "FirmwareUpdate");
  add(IsBitSet(admin, kOacsNamespaceManagement), "NamespaceManagement");
  identity.Features = std::move(features);

  identity.ExtendedSelfTestMinutes = ReadLe16(controller, kExtendedSelfTestMinutes);
  identity.WarningTemperatureKelvin = ReadLe16(controller, kWarningTemperature);
  identity.CriticalTemperatureKelvin = ReadLe16(controller, kCriticalTemperature);
  return identity;
}

const std::array<NvmeHealthField, kNvmeHealthFieldCount> kNvmeHealthFields = {{
    {1, "Critical Warning", nvme_health::kCriticalWarning, 1},
    {2, "Composite Temperature", nvme_health::kCompositeTemperature, 2},
    {3, "Available Spare", nvme_health::kAvailableSpare, 1},
    {4, "Available Spare Threshold", nvme_health::kAvailableSpareThreshold, 1},
    {5, "Percentage Used", nvme_health::kPercentageUsed, 1},
    {6, "Data Units Read", nvme_health::kDataUnitsRead, 16},
    {7, "Data Units Written", nvme_health::kDataUnitsWritten, 16},
    {8, "Host Read Commands", nvme_health::kHostReadCommands, 16},
    {9, "Host Write Commands", nvme_health::kHostWriteCommands, 16},
    {10, "Controller Busy Time", nvme_health::kControllerBusyTime, 16},
    {11, "Power Cycles", nvme_health::kPowerCycles, 16},
    {12, "Power On Hours", nvme_health::kPowerOnHours, 16},
    {13, "Unsafe Shutdowns", nvme_health::kUnsafeShutdowns, 16},
    {14, "Media and Data Integrity Errors", nvme_health::kMediaErrors, 16},
    {15, "Number of Error Information Log Entries", nvme_health::kErrorLogEntries, 16},
}};

Counter128 NvmeHealthValue(std::span<const Byte, nvme_health::kSize> log,
                           const NvmeHealthField& field) {
  switch (field.size) {
    case 1:
      return {log[field.offset], 0};
    case 2:
      return {ReadLe16(log, field.offset), 0};
    default:
      return ReadLe128(log, field.offset);
  }
}

std::optional<int> NvmeCelsius(std::uint16_t kelvin) {
  if (kelvin == 0) return std::nullopt;
  return kelvin - nvme_health::kZeroCelsiusKelvin;
}

std::vector<NvmeSelfTestResult> NvmeSelfTestResults(
    std::span<const Byte, nvme_self_test_log::kSize> log) {
  using namespace nvme_self_test_log;
  std::vector<NvmeSelfTestResult> results;
  for (std::size_t k = 0; k < kResultCount; ++k) {
    const std::size_t at = kFirstResult + k * kResultSize;
    const Byte status = log[at + kStatus];
    // An entry marked unused holds no result, wherever it stands, and neither does one without
    // a self-test code (a zeroed log): both are passed over and the rest is read.
    if ((status & 0x0F) == kResultUnused || (status >> 4) == kCodeNone) continue;
    const bool lba_valid = IsBitSet(log[at + kValidInformation], kFailingLbaValid);
    results.push_back(NvmeSelfTestResult{
        .code = static_cast<Byte>(status >> 4),
        .result = static_cast<Byte>(status & 0x0F),
        .power_on_hours = ReadLe64(log, at + kPowerOnHours),
        .failing_lba_valid = lba_valid,
        .failing_lba = ReadLe64(log, at + kFailingLba),
    });
  }
  return results;
}

}  // namespace kestrine
