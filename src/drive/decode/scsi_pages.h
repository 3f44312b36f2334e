// Decoding of what a SCSI device answers: the INQUIRY data and VPD pages, READ CAPACITY data,
// the log pages the SCSI family reads, the informational exceptions control mode page and the
// defect list header. Each decoder takes bytes of any length and content and gives nothing (or
// leaves a field empty) where the bytes do not hold the value whole: a page whose header names
// another page, a page length past the bytes, a parameter longer than its page, a field of all
// FFh where the standard calls that "not available". Pure.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bytes.h"
#include "scsi_layout.h"

namespace kestrine {

struct ScsiInquiry {
  Byte peripheral_type = 0;
  Byte qualifier = 0;
  bool removable = false;
  Byte version = 0;
  std::string vendor;  // without the spaces that pad them
  std::string product;
  std::string revision;
  bool operator==(const ScsiInquiry&) const = default;
};
std::optional<ScsiInquiry> DecodeStandardInquiry(std::span<const Byte> data);

// A VPD page's own bytes (after its header), when the header names `page` and its length fits.
std::optional<std::span<const Byte>> VpdPageBody(std::span<const Byte> data, Byte page);
// VPD 00h: the page codes listed.
std::optional<std::vector<Byte>> DecodeVpdPageList(std::span<const Byte> data);
// VPD 80h: the unit serial number, without the spaces around it.
std::optional<std::string> DecodeUnitSerial(std::span<const Byte> data);
// VPD 83h: the logical unit's world wide name, "0x" and the designator's bytes in hex: its first
// NAA designator, else its first EUI-64 one.
std::optional<std::string> DecodeWorldWideName(std::span<const Byte> data);

struct ScsiBlockCharacteristics {
  std::optional<std::uint16_t> rotation_rate;  // rpm, or 1 (kNonRotating); empty: not reported
  Byte form_factor = 0;                        // 0 not reported, 1 5.25", 2 3.5", 3 2.5", ...
  bool operator==(const ScsiBlockCharacteristics&) const = default;
};
std::optional<ScsiBlockCharacteristics> DecodeBlockCharacteristics(std::span<const Byte> data);

struct ScsiCapacity {
  std::uint64_t blocks = 0;
  std::uint32_t block_length = 0;
  bool operator==(const ScsiCapacity&) const = default;
};
// READ CAPACITY (10): nothing when the device says the capacity needs READ CAPACITY (16).
std::optional<ScsiCapacity> DecodeReadCapacity10(std::span<const Byte> data);
std::optional<ScsiCapacity> DecodeReadCapacity16(std::span<const Byte> data);

// One parameter of a log page: its code and its value bytes.
struct LogParameter {
  std::uint16_t code = 0;
  std::span<const Byte> value;
};
// The parameters of a page whose header names `page`; nothing when the page length runs past the
// bytes or a parameter past the page.
std::optional<std::vector<LogParameter>> ReadLogParameters(std::span<const Byte> data, Byte page);
// A counter parameter's value: up to eight bytes (longer only with leading zero bytes), not all
// FFh.
std::optional<std::uint64_t> LogCounter(std::span<const Byte> value);

// Log page 00h: the page codes listed.
std::optional<std::vector<Byte>> DecodeSupportedLogPages(std::span<const Byte> data);

// Pages 02h, 03h and 05h: the counters of parameters 0000h-0006h.
struct ScsiErrorCounters {
  std::array<std::optional<std::uint64_t>, scsi_log::kErrorCounterCount> counters{};
  std::optional<std::uint64_t> Uncorrected() const { return counters[scsi_log::kTotalUncorrected]; }
  bool operator==(const ScsiErrorCounters&) const = default;
};
std::optional<ScsiErrorCounters> DecodeErrorCounterPage(std::span<const Byte> data, Byte page);

// Page 06h: parameter 0000h. Nothing when the page holds no count.
std::optional<std::uint64_t> DecodeNonMediumErrors(std::span<const Byte> data);

struct ScsiTemperature {
  std::optional<Byte> current;    // degrees Celsius
  std::optional<Byte> reference;  // the highest the drive is meant to run at
  bool operator==(const ScsiTemperature&) const = default;
};
std::optional<ScsiTemperature> DecodeTemperaturePage(std::span<const Byte> data);

struct ScsiStartStop {
  std::optional<std::uint32_t> specified_cycles;
  std::optional<std::uint32_t> accumulated_cycles;
  std::optional<std::uint32_t> specified_load_unload;
  std::optional<std::uint32_t> accumulated_load_unload;
  bool operator==(const ScsiStartStop&) const = default;
};
std::optional<ScsiStartStop> DecodeStartStopPage(std::span<const Byte> data);

// One entry of the self-test results page.
struct ScsiSelfTestEntry {
  std::uint16_t parameter = 0;  // 1 is the most recent
  Byte code = 0;                // SELF-TEST CODE: 1 background short, 2 background extended, ...
  Byte result = 0;              // 0 no error, 1-2 aborted, 3-7 failed, Fh in progress
  Byte number = 0;
  std::uint16_t power_on_hours = 0;
  std::optional<std::uint64_t> first_failure_lba;  // empty for all FFh
  Byte sense_key = 0;
  Byte asc = 0;
  Byte ascq = 0;
  bool operator==(const ScsiSelfTestEntry&) const = default;
};
// The entries that hold a test (not all zero), in page order.
std::optional<std::vector<ScsiSelfTestEntry>> DecodeSelfTestResults(std::span<const Byte> data);

// Page 11h: the percentage used endurance indicator (may pass 100).
std::optional<Byte> DecodeEnduranceUsed(std::span<const Byte> data);

struct ScsiBackgroundScan {
  std::optional<std::uint32_t> power_on_minutes;
  Byte status = 0;
  std::uint16_t scans_performed = 0;
  std::uint16_t progress = 0;  // of 65536
  std::uint16_t medium_scans_performed = 0;
  std::size_t medium_scan_entries = 0;  // parameters 0001h-0800h: the defects the scans found
  bool operator==(const ScsiBackgroundScan&) const = default;
};
std::optional<ScsiBackgroundScan> DecodeBackgroundScan(std::span<const Byte> data);

struct ScsiInformationalException {
  Byte asc = 0;  // 0: no exception
  Byte ascq = 0;
  std::optional<Byte> temperature;
  bool operator==(const ScsiInformationalException&) const = default;
};
std::optional<ScsiInformationalException> DecodeInformationalExceptions(std::span<const Byte> data);

// MODE SENSE (10) data of the informational exceptions control page.
struct ScsiIeControl {
  bool dexcpt = false;  // failure prediction reporting disabled
  bool test = false;    // the drive makes up a false prediction (a test)
  Byte mrie = 0;        // how it reports one
  bool operator==(const ScsiIeControl&) const = default;
};
std::optional<ScsiIeControl> DecodeIeControlPage(std::span<const Byte> data);

// READ DEFECT DATA (10) and (12) headers: the number of grown defects, when the grown list came
// back in a format of known descriptor size.
std::optional<std::uint32_t> DecodeGrownDefects10(std::span<const Byte> data);
std::optional<std::uint32_t> DecodeGrownDefects12(std::span<const Byte> data);

}  // namespace kestrine
