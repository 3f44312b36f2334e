#include "history_recorder.h"

#include <chrono>

#include "drive_key.h"
#include "history_entry.h"
#include "reading.h"

namespace kestrine {

HistoryRecorder::HistoryRecorder(HistoryLocation location, std::string program,
                                 std::function<std::int64_t()> clock)
    : program_(std::move(program)), clock_(std::move(clock)) {
  if (!location.file.empty()) store_.emplace(location.file, location.machine_wide);
  if (!clock_) {
    clock_ = [] {
      return std::chrono::duration_cast<std::chrono::seconds>(
                 std::chrono::system_clock::now().time_since_epoch())
          .count();
    };
  }
}

std::optional<std::string> HistoryRecorder::Keep(const DriveReading& reading,
                                                 const std::string& path) {
  const std::optional<HistoryEntry> entry = HistoryEntryOf(reading, clock_(), program_, path);
  if (!entry) return std::nullopt;
  if (!store_) {
    if (std::exchange(told_nowhere_, true)) return std::nullopt;
    return "Readings are not kept: there is no folder to keep the history in";
  }
  const std::optional<HistoryProblem> problem = store_->Store(entry->drive, entry->reading);
  if (!problem || !problem->first) return std::nullopt;
  return problem->message;
}

std::optional<DriveReading> HistoryRecorder::Previous(const DriveKey& key) {
  if (!store_) return std::nullopt;
  const std::optional<HistoryEntry> entry = store_->Latest(key.model, key.serial);
  if (!entry) return std::nullopt;
  return PreviousReadingOf(*entry);
}

}  // namespace kestrine
