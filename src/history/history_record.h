// What the history keeps of a drive and of each reading of it, as plain values. The store writes
// only what changed since the drive's previous reading and gives back whole readings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bytes.h"

namespace kestrine {

// A drive is its model and serial (for a blank serial its world wide name, else its path: see
// drive_key.h): the path it was read at may change, and another drive may be read at the same
// path. Texts are the drive's bytes (ISO-8859-1).
struct HistoryDrive {
  std::string model;
  std::string serial;
  std::string firmware;
  std::string family;  // "ATA", "NVMe" or "SAS"
  bool operator==(const HistoryDrive&) const = default;
};

// One health item of a reading: an ATA attribute by its number (1-255), or an NVMe health-log
// field by kNvmeItemBase plus the field's id. A value the item does not have (an
// NVMe field has only its raw value) is nullopt; an item with none at all is not kept. The raw
// value is whole: an NVMe counter has 128 bits.
struct HistoryItem {
  int id = 0;
  std::optional<std::int64_t> current;
  std::optional<std::int64_t> worst;
  std::optional<std::int64_t> threshold;
  std::optional<Counter128> raw;
  bool operator==(const HistoryItem&) const = default;
  bool Empty() const { return !current && !worst && !threshold && !raw; }
};

// NVMe health-log fields are kept under kNvmeItemBase plus the field's id (kNvmeHealthFields).
inline constexpr int kNvmeItemBase = 0x1000;
// A SAS or SCSI disk's items are kept under kScsiItemBase plus the item's id (ScsiItemId).
inline constexpr int kScsiItemBase = 0x2000;

// The latest self-test the drive's log holds, as the log gives it: the test's code (ATA: its
// type byte; NVMe: its self-test code), its status (ATA: the whole status byte; NVMe: the result
// code) and the drive's power-on hours when it ran.
struct HistorySelfTest {
  int code = 0;
  int status = 0;
  std::int64_t hours = 0;
  bool operator==(const HistorySelfTest&) const = default;
};

struct HistoryReading {
  std::int64_t time = 0;  // seconds since 1970-01-01 00:00 UTC
  std::string program;    // which program read the drive ("kestrine-cli", "kestrine")
  std::string path;       // where it was read (the drive selector's text)
  std::optional<std::string> condition;  // "OK", "WARNING", "CRITICAL"; nullopt: not decided
  std::optional<int> temperature;        // degrees Celsius
  std::vector<HistoryItem> items;        // by id, each id once
  std::optional<HistorySelfTest> self_test;
  // Whether the drive gave its health data. A reading whose health data was refused keeps the
  // items as they were (it says nothing of them) and is not what the next reading is compared
  // with.
  bool health = true;
  bool operator==(const HistoryReading&) const = default;
};

// A reading as the history gives it back: its texts are indexes into the drive's own lists, so
// that a year of readings holds each text once.
struct HistoryPoint {
  std::int64_t time = 0;
  std::optional<int> temperature;
  std::uint32_t program = 0;    // in DriveHistory::texts
  std::uint32_t path = 0;       // in DriveHistory::texts
  std::uint32_t condition = 0;  // in DriveHistory::texts; 0 (the empty text): not decided
  std::uint32_t self_test = 0;  // in DriveHistory::self_tests; 0: none
};

// A health item whose values changed at a reading (by its index in DriveHistory::points); an
// item with no values is one the drive no longer gave.
struct ItemChange {
  std::size_t point = 0;
  HistoryItem item;
};

// What the history holds of one drive, in the order the readings were stored. The first point's
// items are all given, as they stood then; after that only changes.
struct DriveHistory {
  HistoryDrive drive;
  std::string latest_path;  // where the drive was read last, in or out of the time range
  std::vector<HistoryPoint> points;
  std::vector<ItemChange> item_changes;  // by point, then by id
  std::vector<std::string> texts{std::string()};
  std::vector<HistorySelfTest> self_tests{HistorySelfTest{}};

  // The reading at `point` in full, items and all.
  HistoryReading ReadingAt(std::size_t point) const;
  // The index of `text` in `texts`, added when new.
  std::uint32_t TextIndex(const std::string& text);
};

// Which drives and readings to give back. A drive is chosen when its serial is among `serials`
// or its latest reading's path among `paths`; with both empty every drive is.
struct HistoryQuery {
  std::vector<std::string> serials;
  std::vector<std::string> paths;
  std::optional<std::int64_t> from;   // readings at or after, in seconds since 1970 UTC
  std::optional<std::int64_t> until;  // readings at or before
  std::vector<int> items;             // the items to give; empty: all of them
};

}  // namespace kestrine
