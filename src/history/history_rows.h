// The rows of the history database: a reading written as what changed since the drive's previous
// one, and the rows read back into each drive's history. Both run inside the caller's
// transaction; neither trusts what it reads: a file may have been edited, or be damaged in ways
// SQLite's own checks do not see.
#pragma once

#include <sqlite3.h>

#include <vector>

#include "history_entry.h"
#include "history_record.h"
#include "history_summary.h"

namespace kestrine {

// What WriteReadingRows gives for a new drive at a path that already has kMaxDrivesPerPath.
inline constexpr int kHistoryDrivesAtPathCapped = SQLITE_CONSTRAINT | (0x40 << 8);

// Writes `reading` of `drive` (a row for the drive when it is new): SQLite's result code.
int WriteReadingRows(sqlite3* db, const HistoryDrive& drive, const HistoryReading& reading);

// The drives `query` chooses, each with its readings in the time range: SQLite's result code.
// Values of the wrong type read as missing; a row that refers to nothing is passed over.
int ReadHistoryRows(sqlite3* db, const HistoryQuery& query, std::vector<DriveHistory>& drives);

// The summary of each drive `query` chooses, from the day rows and the indexes of the changes
// rather than from every reading: SQLite's result code. Its items are the watched ones.
int ReadHistorySummaries(sqlite3* db, const HistoryQuery& query,
                         std::vector<DriveOverview>& drives);

// What the next reading of the drive of `model` and `serial` is compared with: its latest
// reading, items and all, with the condition last decided by a reading that had the health data
// and each watched counter at its highest; none for a drive the history does not hold. SQLite's
// result code.
int ReadLatestReading(sqlite3* db, const std::string& model, const std::string& serial,
                      std::optional<HistoryEntry>& entry);

// Drive texts as stored: each byte (ISO-8859-1) as the Unicode character of the same number,
// in UTF-8; and back, a character beyond 0xFF or a broken sequence as '?'.
std::string StoredText(std::string_view bytes);
std::string DriveText(std::string_view stored);

}  // namespace kestrine
