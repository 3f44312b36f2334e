// Decoding of the NVMe blocks: the identity from Identify Controller and Identify Namespace, the
// SMART / Health Information log's fields, the Device Self-test log's results and the drive's
// condition. Pure: each depends on nothing but the blocks.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bytes.h"
#include "nvme_layout.h"

namespace kestrine {

// The whole value of a sixteen-byte counter in decimal, exactly.
std::string DecimalText(Counter128 value);

// The identity of an NVMe drive. Texts hold the drive's bytes up to the first zero byte, one
// character per byte (the fields are already in reading order), without the spaces around them.
struct NvmeIdentity {
  std::string Model;
  std::string Firmware;
  std::string SerialNumber;
  std::uint64_t LBASize = 0;           // the namespace's size in logical blocks
  std::uint64_t LogicalBlockSize = 0;  // bytes; 0 when the format's size is out of range
  std::string MajorVersion;            // "NVMe 1.4", empty when the controller reports none
  std::string Features;                // space-separated
  bool SelfTestSupported = false;
  std::uint16_t ExtendedSelfTestMinutes = 0;
  std::uint16_t WarningTemperatureKelvin = 0;
  std::uint16_t CriticalTemperatureKelvin = 0;
  bool operator==(const NvmeIdentity&) const = default;
};

NvmeIdentity DecodeNvmeIdentity(std::span<const Byte, nvme_controller::kSize> controller,
                                std::span<const Byte, nvme_namespace::kSize> namespace_data);

// "NVMe 1.4" from the version field (major 31:16, minor 15:8, tertiary 7:0; the tertiary number
// only when not 0); empty for 0, which controllers before version 1.2 may report.
std::string NvmeVersionText(std::uint32_t version);

// One field of the health log as the Attributes view lists it.
struct NvmeHealthField {
  int id = 0;  // 1 to 15, in log order
  const char* name = "";
  std::size_t offset = 0;
  std::size_t size = 0;  // 1, 2 or 16 bytes
};
inline constexpr std::size_t kNvmeHealthFieldCount = 15;
extern const std::array<NvmeHealthField, kNvmeHealthFieldCount> kNvmeHealthFields;

// The ids of the fields the condition and the tray hint read.
inline constexpr int kNvmeCriticalWarningId = 1;
inline constexpr int kNvmeTemperatureId = 2;
inline constexpr int kNvmeAvailableSpareId = 3;
inline constexpr int kNvmePercentageUsedId = 5;
inline constexpr int kNvmeMediaErrorsId = 14;

// A field's whole value: a sixteen-byte counter exactly, a byte or a word as read.
Counter128 NvmeHealthValue(std::span<const Byte, nvme_health::kSize> log,
                           const NvmeHealthField& field);

// Degrees Celsius of a temperature or threshold in kelvin (kelvin less 273); none for 0, which
// the controller gives where it reports none.
std::optional<int> NvmeCelsius(std::uint16_t kelvin);

// One result of the Device Self-test log.
struct NvmeSelfTestResult {
  Byte code = 0;    // the self-test code: 1 short, 2 extended, Eh vendor specific
  Byte result = 0;  // the result code
  std::uint64_t power_on_hours = 0;
  bool failing_lba_valid = false;
  std::uint64_t failing_lba = 0;
  bool operator==(const NvmeSelfTestResult&) const = default;
};

// The results in the log's order (newest first), passing over the entries that hold none.
std::vector<NvmeSelfTestResult> NvmeSelfTestResults(
    std::span<const Byte, nvme_self_test_log::kSize> log);

}  // namespace kestrine
