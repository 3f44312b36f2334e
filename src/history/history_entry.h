// A reading of a drive as the history keeps it.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "history_record.h"
#include "reading.h"

namespace kestrine {

// The conditions as the database holds them, by Condition (NotDecided has none): the words the
// window shows.
inline constexpr std::array<const char*, 4> kStoredConditions = {nullptr, "OK", "WARNING",
                                                                 "CRITICAL"};

struct HistoryEntry {
  HistoryDrive drive;
  HistoryReading reading;
};

// What the history keeps of `reading`, read at `time` (seconds since 1970 UTC) by `program` at
// `path`; nullopt for a reading without the drive's identity, which names no drive.
std::optional<HistoryEntry> HistoryEntryOf(const DriveReading& reading, std::int64_t time,
                                           std::string program, std::string path);

// The drive's previous reading as the history kept it, for comparing a new reading with: its
// identity, condition, temperature, items and latest self-test (the log itself is not kept).
DriveReading PreviousReadingOf(const HistoryEntry& entry);

}  // namespace kestrine
