// The reading: what one refresh learned about one drive, as one typed value. The drive layer
// fills its tables; one function per family turns them into a DriveReading; the views, the
// label, the tray hint, the row colours, the report, the command-line outputs, the metrics and
// the snapshot writer all format it. The verdict rules live here, once per family.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "bytes.h"
#include "drive_statistics.h"
#include "identify_decode.h"
#include "nvme_decode.h"
#include "nvme_layout.h"
#include "scsi_commands.h"
#include "scsi_pages.h"
#include "smart_drv.h"
#include "smart_layout.h"

namespace kestrine {

// How one health item judges the drive on its own.
enum class Verdict : std::uint8_t { Ok, Warning, Critical };

// The drive's condition: the worst of its items' verdicts, or not decided when nothing judged it.
enum class Condition : std::uint8_t { NotDecided, Ok, Warning, Critical };

// The condition a verdict raises the drive to.
constexpr Condition ConditionOf(Verdict verdict) {
  static_assert(static_cast<int>(Condition::Ok) == static_cast<int>(Verdict::Ok) + 1 &&
                static_cast<int>(Condition::Critical) == static_cast<int>(Verdict::Critical) + 1);
  return static_cast<Condition>(static_cast<int>(verdict) + 1);
}

// One rule an item met: how far it raises the condition, and why, in words.
struct Finding {
  Verdict verdict = Verdict::Ok;
  std::string reason;
  bool operator==(const Finding&) const = default;
};

// One health item: an ATA attribute, or a field of an NVMe health log.
struct HealthItem {
  int id = 0;
  std::string name;
  std::optional<std::uint16_t> flags;  // ATA: the attribute's flags word
  std::optional<int> current;          // ATA: the normalised value; NVMe: the spare only
  std::optional<int> worst;            // ATA only
  std::optional<int> threshold;        // ATA: the threshold entry; NVMe: the spare's threshold
  Counter128 raw;                      // ATA: all 48 bits; NVMe: the field's whole value
  // The part of the raw value an ATA drive's view shows and its rules read.
  int Raw16() const { return static_cast<int>(raw.low & 0xFFFF); }
  // The rules met, in the order they are applied; empty for an item that raises nothing.
  std::vector<Finding> findings;

  // The worst of the findings.
  Verdict ItemVerdict() const;
  // The verdict a row of this item is painted by: the last rule met overrides an earlier one, so
  // a failing pre-fail counter that is also non-zero shows as a warning (the drive's condition
  // still takes the worst).
  Verdict RowVerdict() const { return findings.empty() ? Verdict::Ok : findings.back().verdict; }
  bool operator==(const HealthItem&) const = default;
};

// One entry of a self-test log, in the log's storage order.
struct SelfTestLogEntry {
  Byte code = 0;    // ATA: the descriptor's type (self-test number); NVMe: the self-test code
  Byte status = 0;  // ATA: the whole status byte; NVMe: the result code
  std::uint64_t power_on_hours = 0;
  std::optional<std::uint64_t> failing_lba;
  std::optional<int> remaining_percent;  // ATA: from the status byte's low nibble
  bool operator==(const SelfTestLogEntry&) const = default;
};

// The self-test under way, from the S.M.A.R.T. data (ATA) or the self-test log (NVMe).
struct SelfTestState {
  bool running = false;
  int remaining_percent = 0;
  Byte current_code = 0;        // NVMe: the code of the operation under way; 0 for none
  Byte current_completion = 0;  // NVMe: the completion the log gives, in percent (0 to 127)
  bool operator==(const SelfTestState&) const = default;
};

// The off-line data collection and self-test status and capabilities of an ATA drive, as its
// S.M.A.R.T. data gives them.
struct AtaStatus {
  Byte offline_status = 0;
  Byte self_test_status = 0;  // the self-test execution status byte
  std::uint16_t offline_seconds = 0;
  Byte offline_capability = 0;
  std::uint16_t smart_capability = 0;
  Byte error_logging = 0;
  Byte short_self_test_minutes = 0;
  std::uint16_t extended_self_test_minutes = 0;
  bool operator==(const AtaStatus&) const = default;
};

// Which parts of the reading hold what the drive answered.
struct PartsRead {
  bool identity = false;
  bool health = false;
  bool self_test_log = false;
  bool operator==(const PartsRead&) const = default;
};

// The identity: the three texts every family has (each family's whole decode is in its part).
struct DriveIdentity {
  std::string model;
  std::string firmware;
  std::string serial;
  bool operator==(const DriveIdentity&) const = default;
};

// The blocks the reading was decoded from, for the snapshot writer (NVMe: NvmeBlocks).
struct AtaBlocks {
  Sector identify{};
  Sector smart_data{};
  Sector thresholds{};
  std::optional<Sector> self_test_log;  // once read (AddAtaSelfTestLog)
  bool operator==(const AtaBlocks&) const = default;
};

// A SCSI disk's identity and health, decoded from the blocks it answered (scsi_health.h).
struct ScsiHealth {
  std::optional<ScsiInquiry> inquiry;
  std::optional<std::string> serial;
  std::optional<std::string> wwn;
  std::optional<ScsiBlockCharacteristics> characteristics;
  std::optional<ScsiCapacity> capacity;
  // Log page 00h was read: the disk answers LOG SENSE. Without it, nothing below is judged.
  bool log_sense = false;
  std::optional<ScsiErrorCounters> write_errors;
  std::optional<ScsiErrorCounters> read_errors;
  std::optional<ScsiErrorCounters> verify_errors;
  std::optional<std::uint64_t> non_medium_errors;
  std::optional<ScsiTemperature> temperature;
  std::optional<ScsiStartStop> start_stop;
  std::optional<std::vector<ScsiSelfTestEntry>> self_tests;
  std::optional<Byte> endurance_used;
  std::optional<ScsiBackgroundScan> background_scan;
  std::optional<ScsiInformationalException> informational_exception;
  std::optional<ScsiIeControl> ie_control;
  std::optional<std::uint32_t> grown_defects;
  // REQUEST SENSE's codes, asked where the disk has no page 2Fh.
  std::optional<SenseSummary> request_sense;
  bool operator==(const ScsiHealth&) const = default;
};

// Each family's own part of the reading. Where outputs differ by family they visit it, so a
// family that is not handled does not compile.
struct AtaPart {
  std::optional<THDDInfo> identify;
  // From the last S.M.A.R.T. data block the drive layer holds, as the General view shows it.
  std::optional<AtaStatus> status;
  std::optional<AtaBlocks> blocks;
  bool operator==(const AtaPart&) const = default;
};
struct NvmePart {
  std::optional<NvmeIdentity> identity;
  std::optional<NvmeBlocks> blocks;
  bool operator==(const NvmePart&) const = default;
};
struct ScsiPart {
  ScsiHealth health;
  ScsiBlocks blocks;
  bool operator==(const ScsiPart&) const = default;
};
// No family answered.
struct NoFamilyPart {
  bool operator==(const NoFamilyPart&) const = default;
};
using FamilyPart = std::variant<NoFamilyPart, AtaPart, NvmePart, ScsiPart>;

// The visitor of a FamilyPart from one lambda per alternative.
template <typename... Lambdas>
struct PerFamily : Lambdas... {
  using Lambdas::operator()...;
};
template <typename... Lambdas>
PerFamily(Lambdas...) -> PerFamily<Lambdas...>;

struct DriveReading {
  Byte slot = 0;
  CommandFamily family = CommandFamily::None;
  // An NVMe drive in a USB enclosure: the bridge that carried its commands.
  std::optional<UsbBridge> usb_bridge;
  DriveIdentity identity;
  std::vector<HealthItem> items;  // in the order the Attributes view shows them
  Condition condition = Condition::NotDecided;
  std::optional<int> temperature_celsius;
  // What the drive tells of its use and temperatures beside its health data; none where it
  // gave nothing valid.
  std::optional<DriveStatistics> statistics;
  SelfTestState self_test;
  std::vector<SelfTestLogEntry> self_test_log;     // as stored, up to the first unused entry
  std::optional<SelfTestLogEntry> last_self_test;  // the most recent entry, as the log names it
  PartsRead parts;
  FamilyPart part;
  bool operator==(const DriveReading&) const = default;
};

// The condition judged from the items: the worst verdict; Ok when no item raised it.
Condition JudgeCondition(const std::vector<HealthItem>& items);

// The reading of an ATA or SAT drive from its slot of the tables and the shared S.M.A.R.T. data
// and thresholds blocks (which hold this drive's answers until the next drive is read).
DriveReading AtaReadingFromTables(const SmartTables& tables, Byte slot);
// The status and capabilities in a S.M.A.R.T. data block.
AtaStatus AtaStatusFromSmartData(const Sector& smart_data);
// The entries of an ATA self-test log block in storage order, up to the first unused one (the
// drive's own most-recent index, byte 508, is not followed).
std::vector<SelfTestLogEntry> AtaSelfTestEntries(const Sector& log);
// Adds an ATA self-test log block read afresh: its entries and the entry its index names.
void AddAtaSelfTestLog(DriveReading& reading, const Sector& log);

// The reading of an NVMe drive from its slots. A health log that did not come gives no items
// and decides nothing: its zeros would read as a spare at its threshold.
DriveReading NvmeReadingFromTables(const SmartTables& tables, Byte slot);
// Adds an NVMe Device Self-test log read afresh: its entries and the operation under way.
void AddNvmeSelfTestLog(DriveReading& reading, const NvmeSelfTestLog& log);

// The reading of whatever family last answered for the slot; an empty, undecided reading for
// a slot no family answered for.
DriveReading ReadingFromTables(const SmartTables& tables, Byte slot);

// The ATA rules on one attribute, in the order they are applied, from its type text ("Pre-fail"
// or "Old_age", as the view shows it) and the values the view shows.
std::vector<Finding> AtaAttributeFindings(std::string_view type, int id, int worst, int threshold,
                                          int raw16);

// The NVMe rules on one health-log field's whole value (`threshold`: the spare's threshold):
// Critical Warning not 0, or the spare below its threshold, is critical; the spare at its
// threshold, 90 % or more used, or a media error is a warning. Other fields raise nothing.
std::vector<Finding> NvmeFieldFindings(int id, const Counter128& value, int threshold);

}  // namespace kestrine
