#include "drive_watch.h"

#include <algorithm>
#include <array>

#include "condition_text.h"
#include "monitor_texts.h"
#include "nvme_decode.h"
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

// A watched counter as the Attributes view shows it: an ATA attribute's low 16 bits of raw,
// an NVMe field's whole value.
Counter128 Watched(const DriveReading& reading, const HealthItem& item) {
  if (reading.family == CommandFamily::Nvme) return item.raw;
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

// The status codes of a self-test that ran and found the drive failing: ATA 3 to 8 (bits 4 to
// 7 of the status), NVMe 5 to 7 (the result code).
bool SelfTestFailed(CommandFamily family, const SelfTestLogEntry& entry) {
  if (family == CommandFamily::Nvme) {
    const int result = entry.status & 0x0F;
    return result >= 5 && result <= 7;
  }
  const int code = entry.status >> 4;
  return code >= 3 && code <= 8;
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

bool IsWatchedCounter(const DriveReading& reading, int id) {
  if (reading.family == CommandFamily::Nvme) return id == kNvmeMediaErrorsId;
  return IsToldAtaCounter(id);
}

void CompareCounters(const DriveReading& previous, const DriveReading& current,
                     std::vector<DriveChange>& changes) {
  const bool nvme = current.family == CommandFamily::Nvme;
  const auto compare = [&](int id) {
    const HealthItem* before = FindItem(previous, id);
    const HealthItem* now = FindItem(current, id);
    if (before == nullptr || now == nullptr) return;
    const Counter128 was = Watched(previous, *before);
    const Counter128 is = Watched(current, *now);
    if (!Below(was, is)) return;
    if (!nvme && id == kCableErrorCounter) {
      changes.push_back({Severity::Information, monitor_texts::CableErrorsRose(
                                                    now->name, DecimalText(was), DecimalText(is))});
      return;
    }
    changes.push_back({Severity::Warning,
                       monitor_texts::CounterRose(now->name, DecimalText(was), DecimalText(is))});
  };
  if (nvme) {
    compare(kNvmeMediaErrorsId);
  } else {
    for (const int id : kToldAtaCounters) compare(id);
  }
}

void CompareNvmeWarnings(const DriveReading& previous, const DriveReading& current,
                         std::vector<DriveChange>& changes) {
  if (current.family != CommandFamily::Nvme) return;
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

void CompareSelfTest(const DriveReading& previous, const DriveReading& current,
                     std::vector<DriveChange>& changes) {
  if (!previous.parts.self_test_log || !current.parts.self_test_log || !current.last_self_test)
    return;
  const SelfTestLogEntry& latest = *current.last_self_test;
  if (!SelfTestFailed(current.family, latest)) return;
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
  kept.condition = reading.condition;
  kept.parts = reading.parts;
  kept.last_self_test = reading.last_self_test;
  kept.self_test_log = reading.self_test_log;
  const bool nvme = reading.family == CommandFamily::Nvme;
  for (const HealthItem& item : reading.items) {
    const bool watched = nvme
                             ? item.id == kNvmeCriticalWarningId ||
                                   item.id == kNvmeAvailableSpareId || item.id == kNvmeMediaErrorsId
                             : IsToldAtaCounter(item.id);
    if (!watched) continue;
    kept.items.push_back(item);
    kept.items.back().findings.clear();
  }
  return kept;
}

// What the next reading is compared with keeps the last decided condition, and each counter's
// highest value: a counter that drops and comes back (8, 0, 8) has not risen again.
void KeepWhatWasTold(const DriveReading& previous, DriveReading& kept) {
  if (kept.condition == Condition::NotDecided) kept.condition = previous.condition;
  if ((previous.family == CommandFamily::Nvme) != (kept.family == CommandFamily::Nvme)) return;
  for (HealthItem& item : kept.items) {
    const HealthItem* before = FindItem(previous, item.id);
    if (before != nullptr && IsWatchedCounter(kept, item.id) &&
        Below(Watched(kept, item), Watched(previous, *before)))
      item.raw = before->raw;
  }
}

}  // namespace

std::vector<DriveChange> CompareReadings(const DriveReading* previous,
                                         const DriveReading& current) {
  std::vector<DriveChange> changes;
  CompareCondition(previous, current, changes);
  // ATA through SAT has the same attributes as ATA; NVMe fields are another numbering.
  const auto nvme = [](const DriveReading& reading) {
    return reading.family == CommandFamily::Nvme;
  };
  if (previous == nullptr || nvme(*previous) != nvme(current)) return changes;
  if (previous->parts.health && current.parts.health) {
    CompareCounters(*previous, current, changes);
    CompareNvmeWarnings(*previous, current, changes);
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
