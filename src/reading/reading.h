// The reading: what one refresh learned about one drive, as one typed value. The drive layer
// fills its tables; one function per family turns them into a DriveReading; the views, the
// label, the tray hint, the row colours, the report, the command-line outputs, the metrics and
// the snapshot writer all format it. The verdict rules live here, once per family.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bytes.h"
#include "identify_decode.h"
#include "nvme_decode.h"
#include "nvme_layout.h"
#include "smart_drv.h"
#include "smart_layout.h"

namespace kestrine {

// How one health item judges the drive on its own.
enum class Verdict : std::uint8_t { Ok, Warning, Critical };

// The drive's condition: the worst of its items' verdicts, or not decided when nothing judged it.
enum class Condition : std::uint8_t { NotDecided, Ok, Warning, Critical };

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
struct SelfTestEntry {
  Byte code = 0;    // ATA: the descriptor's type (self-test number); NVMe: the self-test code
  Byte status = 0;  // ATA: the whole status byte; NVMe: the result code
  std::uint64_t power_on_hours = 0;
  std::optional<std::uint64_t> failing_lba;
  std::optional<int> remaining_percent;  // ATA: from the status byte's low nibble
  bool operator==(const SelfTestEntry&) const = default;
};

// The self-test under way, from the S.M.A.R.T. data (ATA) or the self-test log (NVMe).
struct SelfTestState {
  bool running = false;
  int remaining_percent = 0;
  Byte current_code = 0;  // NVMe: the code of the operation under way; 0 for none
  bool operator==(const SelfTestState&) const = default;
};

// Which parts of the reading hold what the drive answered.
struct PartsRead {
  bool identity = false;
  bool health = false;
  bool self_test_log = false;
  bool operator==(const PartsRead&) const = default;
};

// The identity: the three texts every family has, and each family's whole decode.
struct DriveIdentity {
  std::string model;
  std::string firmware;
  std::string serial;
  std::optional<THDDInfo> ata;
  std::optional<NvmeIdentity> nvme;
  bool operator==(const DriveIdentity&) const = default;
};

// The blocks the reading was decoded from, for the snapshot writer (NVMe: NvmeBlocks).
struct AtaBlocks {
  Sector identify{};
  Sector smart_data{};
  Sector thresholds{};
  bool operator==(const AtaBlocks&) const = default;
};

struct DriveReading {
  Byte slot = 0;
  TransportFamily family = TransportFamily::None;
  DriveIdentity identity;
  std::vector<HealthItem> items;  // in the order the Attributes view shows them
  Condition condition = Condition::NotDecided;
  std::optional<int> temperature_celsius;
  SelfTestState self_test;
  std::vector<SelfTestEntry> self_test_log;     // as stored, up to the first unused entry
  std::optional<SelfTestEntry> last_self_test;  // the most recent entry, as the log names it
  PartsRead parts;
  std::optional<AtaBlocks> ata_blocks;
  std::optional<NvmeBlocks> nvme_blocks;
  std::optional<Sector> ata_self_test_log;  // the ATA self-test log block, when read
  bool operator==(const DriveReading&) const = default;
};

// The condition judged from the items: the worst verdict; Ok when no item raised it.
Condition JudgeCondition(const std::vector<HealthItem>& items);

// The reading of an ATA or SAT drive from its slot of the tables and the shared S.M.A.R.T. data
// and thresholds blocks (which hold this drive's answers until the next drive is read).
DriveReading AtaReadingFromTables(const SmartTables& tables, Byte slot);
// Adds an ATA self-test log block read afresh.
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

// The NVMe rule on one health-log field (JudgeNvmeField), with its reason.
std::vector<Finding> NvmeFieldFindings(int id, const Counter128& value, int threshold);

}  // namespace kestrine
