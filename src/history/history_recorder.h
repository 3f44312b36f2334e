// What a program that reads real drives does with each reading: keeps it in the history, and
// tells its user of a problem with the history once per kind of problem, never failing the read.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "history_file.h"
#include "history_store.h"

namespace kestrine {

struct DriveReading;  // reading.h
struct DriveKey;      // drive_key.h

class HistoryRecorder {
 public:
  // `program` is stored with each reading ("kestrine", "kestrine-cli"); `clock` gives seconds
  // since 1970 UTC (the system clock when empty).
  HistoryRecorder(HistoryLocation location, std::string program,
                  std::function<std::int64_t()> clock = {});

  // Keeps the reading of the drive read at `path`; the text to tell the user, the first time a
  // problem of its kind comes up.
  std::optional<std::string> Keep(const DriveReading& reading, const std::string& path);

  // What the drive's next reading is compared with (HistoryStore::Latest); none when the history
  // holds none or cannot be read (the next Keep tells why).
  std::optional<DriveReading> Previous(const DriveKey& key);

 private:
  std::optional<HistoryStore> store_;
  std::string program_;
  std::function<std::int64_t()> clock_;
  bool told_nowhere_ = false;
};

}  // namespace kestrine
