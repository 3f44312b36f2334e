#include "drive_watch.h"

#include <algorithm>
#include <array>
#include <span>
#include <type_traits>
#include <variant>

#include "condition_text.h"
#include "monitor_texts.h"
#include "nvme_decode.h"
#include "scsi_health.h"
#include "watched_counters.h"

namespace kestrine {

namespace {

// Bits 0 to 5 of the NVMe critical warning, in words.
constexpr std::array<const char*, 6> kCriticalWarningBits = {"available spare below threshold",
                                                             "temperature beyond a threshold",
                                                             "reliability degraded",
                                                             "media read-only",
                                                             "volatile memory backup failed",
                                                             "persistent memory region read-only"};

const HealthItem* FindItem(const DriveReading& reading, int id) {
  const auto found =
      std::ranges::find_if(reading.items, [id](const HealthItem& item) { return item.id == id; });
  return found == reading.items.end() ? nullptr : &*found;
}

void CompareNvmeWarnings(const DriveReading& previous, const DriveReading& current,
                         std::vector<DriveChange>& changes);
void CompareScsiException(const DriveReading& previous, const DriveReading& current,
                          std::vector<DriveChange>& changes);

// What the watch reads of one family's items.
struct FamilyRules {
  std::span<const int> counters;  // told when they rise
  std::span<const int> kept;      // what a previous reading keeps of the items
  bool whole_raw = false;         // a counter is its whole value, not the low 16 bits (ATA)
  bool (*self_test_failed)(const SelfTestLogEntry&) = nullptr;
  // The family's own changes beside its counters, or nothing.
  void (*compare_more)(const DriveReading&, const DriveReading&,
                       std::vector<DriveChange>&) = nullptr;
};

constexpr std::array<int, 1> kWatchedNvmeCounters = {kNvmeMediaErrorsId};
constexpr std::array<int, 3> kKeptNvmeItems = {kNvmeCriticalWarningId, kNvmeAvailableSpareId,
                                               kNvmeMediaErrorsId};

// The status codes of a self-test that ran and found the drive failing: ATA 3 to 8 (bits 4 to
// 7 of the status), NVMe 5 to 7 (the result code).
const FamilyRules kAtaRules{.counters = kToldAtaCounters,
                            .kept = kToldAtaCounters,
                            .whole_raw = false,
                            .self_test_failed =
                                [](const SelfTestLogEntry& entry) {
                                  const int code = entry.status >> 4;
                                  return code >= 3 && code <= 8;
                                },
                            .compare_more = nullptr};
const FamilyRules kNvmeRules{.counters = kWatchedNvmeCounters,
                             .kept = kKeptNvmeItems,
                             .whole_raw = true,
                             .self_test_failed =
                                 [](const SelfTestLogEntry& entry) {
                                   const int result = entry.status & 0x0F;
                                   return result >= 5 && result <= 7;
                                 },
                             .compare_more = &CompareNvmeWarnings};
// A SAS or SCSI disk: its uncorrected errors and grown defects; a self-test result of 3 to 7
// (an error, or a segment that failed).
constexpr std::array<int, 4> kWatchedScsiCounters = {
    kScsiReadUncorrectedId, kScsiWriteUncorrectedId, kScsiVerifyUncorrectedId, kScsiGrownDefectsId};
constexpr std::array<int, 5> kKeptScsiItems = {kScsiReadUncorrectedId, kScsiWriteUncorrectedId,
                                               kScsiVerifyUncorrectedId, kScsiGrownDefectsId,
                                               kScsiInformationalExceptionId};
const FamilyRules kScsiRules{
    .counters = kWatchedScsiCounters,
    .kept = kKeptScsiItems,
    .whole_raw = true,
    .self_test_failed =
        [](const SelfTestLogEntry& entry) { return entry.status >= 3 && entry.status <= 7; },
    .compare_more = &CompareScsiException};

// A reading no family answered is taken as ATA, as the Attributes view numbers its items.
const FamilyRules& RulesOf(const DriveReading& reading) {
  return std::visit(PerFamily{
                        [](const NoFamilyPart&) -> const FamilyRules& { return kAtaRules; },
                        [](const AtaPart&) -> const FamilyRules& { return kAtaRules; },
                        [](const NvmePart&) -> const FamilyRules& { return kNvmeRules; },
                        [](const ScsiPart&) -> const FamilyRules& { return kScsiRules; },
                    },
                    reading.part);
}

bool Listed(std::span<const int> ids, int id) {
  return std::ranges::find(ids, id) != ids.end();
}

// A watched counter as the Attributes view shows it: an ATA attribute's low 16 bits of raw,
// another family's whole value.
Counter128 Watched(const DriveReading& reading, const HealthItem& item) {
  if (RulesOf(reading).whole_raw) return item.raw;
  return Counter128{static_cast<std::uint64_t>(item.Raw16()), 0};
}

bool Below(const Counter128& a, const Counter128& b) {
  return a.high != b.high ? a.high < b.high : a.low < b.low;
}

int Rank(Condition condition) {
  return condition == Condition::NotDecided ? 0 : static_cast<int>(condition);
}

Severity ConditionSeverity(Condition condition) {
  return condition == Condition::Critical ? Severity::Error : Severity::Warning;
}

void CompareCondition(const DriveReading* previous, const DriveReading& current,
                      std::vector<DriveChange>& changes) {
  const Condition now = current.condition;
  if (previous == nullptr) {
    if (Rank(now) > Rank(Condition::Ok)) {
      changes.push_back(
          {ConditionSeverity(now), monitor_texts::ConditionAtFirstReading(ConditionText(now))});
    }
    return;
  }
  const Condition before = previous->condition;
  if (before == Condition::NotDecided || now == Condition::NotDecided || before == now) return;
  const std::string text = monitor_texts::ConditionWent(ConditionText(before), ConditionText(now));
  changes.push_back(
      {Rank(now) > Rank(before) ? ConditionSeverity(now) : Severity::Information, text});
}

void CompareCounters(const DriveReading& previous, const DriveReading& current,
                     std::vector<DriveChange>& changes) {
  const auto compare = [&](int id) {
    const HealthItem* before = FindItem(previous, id);
    const HealthItem* now = FindItem(current, id);
    if (before == nullptr || now == nullptr) return;
    const Counter128 was = Watched(previous, *before);
    const Counter128 is = Watched(current, *now);
    if (!Below(was, is)) return;
    if (&RulesOf(current) == &kAtaRules && id == kCableErrorCounter) {
      changes.push_back({Severity::Information, monitor_texts::CableErrorsRose(
                                                    now->name, DecimalText(was), DecimalText(is))});
      return;
    }
    changes.push_back({Severity::Warning,
                       monitor_texts::CounterRose(now->name, DecimalText(was), DecimalText(is))});
  };
  for (const int id : RulesOf(current).counters) compare(id);
}

void CompareNvmeWarnings(const DriveReading& previous, const DriveReading& current,
                         std::vector<DriveChange>& changes) {
  const HealthItem* before = FindItem(previous, kNvmeCriticalWarningId);
  const HealthItem* now = FindItem(current, kNvmeCriticalWarningId);
  if (before != nullptr && now != nullptr) {
    const std::uint64_t set = now->raw.low & ~before->raw.low;
    for (std::size_t bit = 0; bit < 8; ++bit) {
      if ((set & (1u << bit)) == 0) continue;
      const std::string meaning =
          bit < kCriticalWarningBits.size() ? kCriticalWarningBits[bit] : "";
      changes.push_back(
          {Severity::Error, monitor_texts::CriticalWarningSet(static_cast<int>(bit), meaning)});
    }
  }
  const HealthItem* spare_before = FindItem(previous, kNvmeAvailableSpareId);
  const HealthItem* spare = FindItem(current, kNvmeAvailableSpareId);
  const auto below = [](const HealthItem* item) {
    return item != nullptr && item->current && item->threshold && *item->current < *item->threshold;
  };
  if (spare_before != nullptr && below(spare) && !below(spare_before)) {
    changes.push_back(
        {Severity::Error, monitor_texts::SpareBelowThreshold(*spare->current, *spare->threshold)});
  }
}

// An informational exception where the previous reading had none.
void CompareScsiException(const DriveReading& previous, const DriveReading& current,
                          std::vector<DriveChange>& changes) {
  const HealthItem* before = FindItem(previous, kScsiInformationalExceptionId);
  const HealthItem* now = FindItem(current, kScsiInformationalExceptionId);
  if (before == nullptr || now == nullptr || before->raw.low != 0 || now->raw.low == 0) return;
  changes.push_back({Severity::Error, monitor_texts::InformationalExceptionSet(now->raw.low)});
}

void CompareSelfTest(const DriveReading& previous, const DriveReading& current,
                     std::vector<DriveChange>& changes) {
  if (!previous.parts.self_test_log || !current.parts.self_test_log || !current.last_self_test)
    return;
  const SelfTestLogEntry& latest = *current.last_self_test;
  if (!RulesOf(current).self_test_failed(latest)) return;
  // The same failed entry as before is no news; a new entry, or a failure where the latest
  // entry was not one, is.
  // A previous reading from the history has the latest entry without the log around it.
  const bool same_entry = previous.last_self_test && previous.last_self_test->code == latest.code &&
                          previous.last_self_test->status == latest.status &&
                          previous.last_self_test->power_on_hours == latest.power_on_hours;
  if (same_entry && (previous.self_test_log.empty() ||
                     previous.self_test_log.size() == current.self_test_log.size()))
    return;
  changes.push_back({Severity::Error, monitor_texts::SelfTestFailed(latest.status)});
}

// What the comparison reads of a reading, kept as a drive's previous one: not the blocks, the
// identity or the other items, which a tick would otherwise copy for nothing.
DriveReading WatchedPart(const DriveReading& reading) {
  DriveReading kept;
  kept.family = reading.family;
  kept.part = std::visit(
      [](const auto& part) { return FamilyPart(std::decay_t<decltype(part)>{}); }, reading.part);
  kept.condition = reading.condition;
  kept.parts = reading.parts;
  kept.last_self_test = reading.last_self_test;
  kept.self_test_log = reading.self_test_log;
  const FamilyRules& rules = RulesOf(reading);
  for (const HealthItem& item : reading.items) {
    if (!Listed(rules.kept, item.id)) continue;
    kept.items.push_back(item);
    kept.items.back().findings.clear();
  }
  return kept;
}

// What the next reading is compared with keeps the last decided condition, and each counter's
// highest value: a counter that drops and comes back (8, 0, 8) has not risen again.
void KeepWhatWasTold(const DriveReading& previous, DriveReading& kept) {
  if (kept.condition == Condition::NotDecided) kept.condition = previous.condition;
  const FamilyRules& rules = RulesOf(kept);
  if (&RulesOf(previous) != &rules) return;
  for (HealthItem& item : kept.items) {
    const HealthItem* before = FindItem(previous, item.id);
    if (before != nullptr && Listed(rules.counters, item.id) &&
        Below(Watched(kept, item), Watched(previous, *before)))
      item.raw = before->raw;
  }
}

}  // namespace

std::vector<DriveChange> CompareReadings(const DriveReading* previous,
                                         const DriveReading& current) {
  std::vector<DriveChange> changes;
  CompareCondition(previous, current, changes);
  // ATA through SAT has the same attributes as ATA; each other family numbers its own items.
  const FamilyRules& rules = RulesOf(current);
  if (previous == nullptr || &RulesOf(*previous) != &rules) return changes;
  if (previous->parts.health && current.parts.health) {
    CompareCounters(*previous, current, changes);
    if (rules.compare_more != nullptr) rules.compare_more(*previous, current, changes);
  }
  CompareSelfTest(*previous, current, changes);
  return changes;
}

std::vector<DriveChange> DriveWatch::Look(const DriveReading& reading, std::string_view path) {
  const DriveIdentity& identity = reading.identity;
  if (identity.model.empty() && identity.serial.empty()) return {};
  const DriveKey key = KeyOf(reading, path);
  std::optional<DriveReading> from_history;
  if (previous_source_) from_history = previous_source_(key);
  const auto found = last_.find(key);
  const DriveReading* previous = from_history           ? &*from_history
                                 : found != last_.end() ? &found->second
                                                        : nullptr;
  std::vector<DriveChange> changes = CompareReadings(previous, reading);
  if (!reading.parts.health) return changes;
  DriveReading kept = WatchedPart(reading);
  if (previous != nullptr) KeepWhatWasTold(*previous, kept);
  last_.insert_or_assign(key, std::move(kept));
  return changes;
}

}  // namespace kestrine
